// An I2C adapter as Linux i2c-dev presents it, reduced to what the memory
// engine (I2cDevMemory) needs: one combined transfer of messages (the
// I2C_RDWR ioctl) and the adapter's clock for polling and pauses.
// Implemented by I2cDevBus (a /dev/i2c-N node) and SimulatedI2cAdapter (a
// 24C64 at transaction level on virtual time), so the engine is tested
// without a kernel device.
//
// One thread at a time: the exchange worker while an exchange runs.
#pragma once

#include <cstdint>

// One message of a transfer, as struct i2c_msg: a 7-bit address, kRead for
// a read (else a write), len bytes in buf.
struct I2cMessage {
  static constexpr uint16_t kRead = 0x0001;  // I2C_M_RD
  uint16_t addr = 0;
  uint16_t flags = 0;
  uint16_t len = 0;
  uint8_t* buf = nullptr;
};

class I2cBus {
 public:
  virtual ~I2cBus() = default;
  // The messages joined by repeated STARTs, one STOP at the end. Returns 0,
  // or the errno of the failure: ENXIO or EREMOTEIO (some adapters EIO) for
  // a missing acknowledge, EAGAIN for lost arbitration, ETIMEDOUT for a bus
  // timeout, ENODEV or ESHUTDOWN for an adapter that has gone.
  virtual int transfer(I2cMessage* messages, int count) = 0;
  // A monotonic clock in microseconds, and a pause on it.
  virtual uint64_t nowUs() = 0;
  virtual void sleepUs(uint64_t us) = 0;
};
