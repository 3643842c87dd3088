// I2C adapters through the Linux i2c-dev driver (/dev/i2c-N): USB-I2C
// adapters (i2c-tiny-usb, hid-cp2112, hid-mcp2221, ...) and on-board buses.
// The node stays open for the life of the bus; transfers are I2C_RDWR
// ioctls. No root is needed, only read and write access to the node (udev
// usually gives it to the group i2c). One thread at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "link/I2cBus.h"

class I2cDevBus : public I2cBus {
 public:
  // Opens the node and checks that the adapter can send plain I2C messages
  // (I2C_FUNC_I2C; SMBus-only controllers cannot). Throws PortError with a
  // message that says what to do; nothing stays open then.
  static std::unique_ptr<I2cDevBus> open(const std::string& path);
  ~I2cDevBus() override;
  I2cDevBus(const I2cDevBus&) = delete;
  I2cDevBus& operator=(const I2cDevBus&) = delete;

  int transfer(I2cMessage* messages, int count) override;
  uint64_t nowUs() override;
  void sleepUs(uint64_t us) override;

 private:
  explicit I2cDevBus(int fd) : m_fd(fd) {}
  int m_fd;
};

// What to tell the user when opening path failed with errno `error`, or
// (error 0) when the adapter cannot send plain I2C messages.
std::string i2cDevErrorMessage(const std::string& path, int error);

// An I2C adapter the kernel knows: its node and its name.
struct I2cAdapter {
  std::string devicePath;  // <devRoot>/i2c-N
  std::string name;        // <sysRoot>/class/i2c-adapter/i2c-N/name, or empty
  bool usb = false;        // the adapter hangs off a USB device
};
// The adapters in <sysRoot>/class/i2c-adapter (and nodes <devRoot>/i2c-N
// that sysfs does not list), USB adapters first, then by number.
std::vector<I2cAdapter> listI2cAdapters(const std::string& devRoot = "/dev",
                                        const std::string& sysRoot = "/sys");
