// Parallel ports by direct port I/O (ioperm, then in/out instructions): x86
// Linux only, and only for root (CAP_SYS_RAWIO), for ports below 0x400. The
// backend is granted exactly its own ports; any other address behaves like a
// bus with nothing attached, since touching an ungranted port would kill the
// process. One thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/HardwarePort.h"

class DirectIoPort : public HardwarePort {
 public:
  // Asks for access to base .. base + 2 of every base (at most three).
  // Throws PortError with a message that says what to do.
  static std::unique_ptr<DirectIoPort> open(const std::vector<uint16_t>& bases);
  ~DirectIoPort() override;

 protected:
  uint8_t readRegister(std::size_t port, int offset) override;
  void writeRegister(std::size_t port, int offset, uint8_t value) override;

 private:
  explicit DirectIoPort(std::vector<uint16_t> realBases);
  std::vector<uint16_t> m_realBases;
};

// What to tell the user when access to the port at base failed with errno
// `error`.
std::string directIoErrorMessage(uint16_t base, int error);
