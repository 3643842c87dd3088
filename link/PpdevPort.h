// Parallel ports through the Linux ppdev driver (/dev/parportN): the port is
// claimed for the life of the backend; the data register is written and read,
// the status register read; writes to base + 1 are dropped, since the status
// register is read-only on real hardware. No root is needed, only membership
// of the group that owns the device (lp on Debian).
//
// The base address of each device comes from /proc, so the port is presented
// where port detection looks for it (see HardwarePort). One thread at a time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/HardwarePort.h"

class PpdevPort : public HardwarePort {
 public:
  // Opens and claims every device (at most three). Throws PortError with a
  // message that says what to do; nothing stays open then.
  static std::unique_ptr<PpdevPort> open(const std::vector<std::string>& paths,
                                         const std::string& procRoot = "/proc");
  ~PpdevPort() override;

 protected:
  uint8_t readRegister(std::size_t port, int offset) override;
  void writeRegister(std::size_t port, int offset, uint8_t value) override;

 private:
  struct Device {
    std::string path;
    int fd;
  };
  PpdevPort(std::vector<Device> devices, std::vector<uint16_t> presented);
  [[noreturn]] void fail(std::size_t port, const char* operation);

  std::vector<Device> m_devices;
};

// The base address of the parallel port behind a device path such as
// "/dev/parport0", from <procRoot>/sys/dev/parport/parportN/base-addr or
// else <procRoot>/ioports; nullopt when neither tells.
std::optional<uint16_t> parportBase(const std::string& devicePath, const std::string& procRoot = "/proc");

// What to tell the user when `operation` ("open", "claim") on path failed
// with errno `error`.
std::string ppdevErrorMessage(const std::string& path, int error, const std::string& operation);
