#include "link/VcdTrace.h"

#include <cerrno>
#include <cinttypes>
#include <cstring>

#include "link/PortBackend.h"
#include "model/SystemErrorText.h"

VcdTrace::VcdTrace(const std::string& path, bool scl, bool sda) : m_scl(scl), m_sda(sda) {
  m_file = std::fopen(path.c_str(), "w");
  if (!m_file) throw PortError("не удаётся записать файл трассы " + path + ": " + systemErrorText(errno));
  // A large buffer: a whole-memory dump changes the lines about a million times.
  std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
  std::fprintf(m_file,
               "$timescale 1 us $end\n"
               "$scope module top $end\n"
               "$var wire 1 ! scl $end\n"
               "$var wire 1 \" sda $end\n"
               "$upscope $end\n"
               "$enddefinitions $end\n"
               "#0\n%c!\n%c\"\n",
               scl ? '1' : '0', sda ? '1' : '0');
}

VcdTrace::~VcdTrace() {
  std::fprintf(m_file, "#%" PRIu64 "\n", m_lastTime + 1);
  std::fclose(m_file);
}

void VcdTrace::record(uint64_t timeUs, bool scl, bool sda) {
  if (scl == m_scl && sda == m_sda) return;
  if (timeUs != m_lastTime) {
    std::fprintf(m_file, "#%" PRIu64 "\n", timeUs);
    m_lastTime = timeUs;
  }
  if (scl != m_scl) std::fprintf(m_file, "%c!\n", scl ? '1' : '0');
  if (sda != m_sda) std::fprintf(m_file, "%c\"\n", sda ? '1' : '0');
  m_scl = scl;
  m_sda = sda;
}
