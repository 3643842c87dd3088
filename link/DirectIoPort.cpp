#include "link/DirectIoPort.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "model/SystemErrorText.h"

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define TKV88_HAVE_PORT_IO 1
#endif

namespace {

constexpr unsigned kPortSpan = 3;  // data, status, control
constexpr unsigned kIopermLimit = 0x400;

std::string hex(uint16_t base) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%X", base);
  return text;
}

}  // namespace

std::string directIoErrorMessage(uint16_t base, int error) {
  switch (error) {
    case EPERM:
    case EACCES:
      return "прямой доступ к порту " + hex(base) +
             " требует прав root (CAP_SYS_RAWIO): запустите программу от root или работайте через "
             "ppdev:/dev/parportN, состоя в группе lp";
    case EINVAL:
      return "прямой доступ к порту " + hex(base) + " невозможен: открыть можно только порты ниже 0x400";
    default:
      return "прямой доступ к порту " + hex(base) + " не удался: " + systemErrorText(error);
  }
}

DirectIoPort::DirectIoPort(std::vector<uint16_t> realBases)
    : HardwarePort(presentedBases(std::vector<std::optional<uint16_t>>(realBases.begin(), realBases.end()))),
      m_realBases(std::move(realBases)) {}

#if defined(TKV88_HAVE_PORT_IO)

std::unique_ptr<DirectIoPort> DirectIoPort::open(const std::vector<uint16_t>& bases) {
  if (bases.size() > 3) throw PortError("одновременно можно использовать не больше трёх параллельных портов");
  std::vector<uint16_t> granted;
  for (const uint16_t base : bases) {
    const int error =
        base + kPortSpan > kIopermLimit ? EINVAL : (ioperm(base, kPortSpan, 1) == 0 ? 0 : errno);
    if (error != 0) {
      for (const uint16_t b : granted) ioperm(b, kPortSpan, 0);
      throw PortError(directIoErrorMessage(base, error));
    }
    granted.push_back(base);
  }
  return std::unique_ptr<DirectIoPort>(new DirectIoPort(std::move(granted)));
}

DirectIoPort::~DirectIoPort() {
  for (const uint16_t base : m_realBases) ioperm(base, kPortSpan, 0);
}

uint8_t DirectIoPort::readRegister(std::size_t port, int offset) {
  return inb(static_cast<unsigned short>(m_realBases[port] + offset));
}

void DirectIoPort::writeRegister(std::size_t port, int offset, uint8_t value) {
  outb(value, static_cast<unsigned short>(m_realBases[port] + offset));
}

#else

std::unique_ptr<DirectIoPort> DirectIoPort::open(const std::vector<uint16_t>&) {
  throw PortError("прямой доступ к портам (io:) есть только в Linux на x86; используйте ppdev:/dev/parportN");
}
DirectIoPort::~DirectIoPort() = default;
uint8_t DirectIoPort::readRegister(std::size_t, int) { return 0xFF; }
void DirectIoPort::writeRegister(std::size_t, int, uint8_t) {}

#endif
