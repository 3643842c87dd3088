#include "link/VcdTrace.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "link/PortBackend.h"
#include "model/SafeFile.h"

namespace {

// A whole-memory dump changes the lines about a million times.
constexpr std::size_t kBufferSize = 1 << 16;

}  // namespace

VcdTrace::VcdTrace(const std::string& path, bool scl, bool sda, Unit unit) : m_scl(scl), m_sda(sda) {
  try {
    m_file = std::make_unique<SafeFile>(path);
    m_file->write(
        std::string(unit == Unit::kNanosecond ? "$timescale 1 ns $end\n" : "$timescale 1 us $end\n") +
        "$scope module top $end\n"
        "$var wire 1 ! scl $end\n"
        "$var wire 1 \" sda $end\n"
        "$upscope $end\n"
        "$enddefinitions $end\n");
  } catch (const SaveError& e) {
    throw PortError("не удаётся записать файл трассы \"" + e.path() + "\": " + e.reason());
  }
  m_buffer.reserve(kBufferSize + 64);
  m_buffer += "#0\n";
  m_buffer += scl ? "1!\n" : "0!\n";
  m_buffer += sda ? "1\"\n" : "0\"\n";
}

VcdTrace::~VcdTrace() { flush(); }

void VcdTrace::stamp(uint64_t time) {
  char text[32];
  std::snprintf(text, sizeof text, "#%" PRIu64 "\n", time);
  m_buffer += text;
  m_lastTime = time;
}

void VcdTrace::writeBuffer() {
  if (m_failure.empty()) {
    try {
      m_file->write(m_buffer);
    } catch (const SaveError& e) {
      m_failure = e.what();
    }
  }
  m_buffer.clear();
}

void VcdTrace::record(uint64_t time, bool scl, bool sda) {
  if ((scl == m_scl && sda == m_sda) || !m_failure.empty()) return;
  if (time != m_lastTime) stamp(time);
  if (scl != m_scl) m_buffer += scl ? "1!\n" : "0!\n";
  if (sda != m_sda) m_buffer += sda ? "1\"\n" : "0\"\n";
  m_scl = scl;
  m_sda = sda;
  if (m_buffer.size() >= kBufferSize) writeBuffer();
}

void VcdTrace::flush(uint64_t endTime) {
  if (!m_failure.empty()) return;
  // The closing stamp lets a decoder finish the last STOP; changes that
  // follow in a later exchange come after it.
  stamp(std::max(m_lastTime + 1, endTime));
  writeBuffer();
  if (!m_failure.empty()) return;
  try {
    m_file->commit();
  } catch (const SaveError& e) {
    m_failure = e.what();
  }
}

std::string VcdTrace::takeFailure() {
  if (m_failure.empty() || m_reported) return {};
  m_reported = true;
  return m_failure;
}
