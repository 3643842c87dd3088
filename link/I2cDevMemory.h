// The memory engine for I2C adapters (Linux i2c-dev, or the simulated
// adapter): the controller's 24C64-class memory reached with its own
// transactions instead of bit-banged port lines.
//
//   read   a write of the two address bytes, a repeated START, a read of n
//          bytes, up to kMaxRun (one I2C_RDWR transfer); up to five
//          attempts 10 ms apart. An adapter that refuses so long a message
//          (EOPNOTSUPP, EINVAL) is read in 32-byte messages from then on.
//   write  page writes (two address bytes and up to 32 data bytes) that
//          never cross a 32-byte page. While the memory's write cycle may
//          run (up to kWriteCycleLimitUs after a page write) the next
//          transfer, whatever it is, is the acknowledge poll: refused, it is
//          sent again at once. The pages written are read back in long
//          sequential reads (PageBuffer) before the next read,
//          flushWrites() or end() (a byte that differs is LinkError
//          kErrorVerify naming its address).
//
// Writes are combined per page: a write that ends inside a page is held
// until the next write extends it, or until the next read, flushWrites(),
// end() or the engine's destruction (which cannot read it back). Record
// writes that share a byte with their predecessor (119-bit program slots)
// so cost one write cycle per page instead of one per record; heldByte()
// lets the masked and bit-aligned writes merge with bytes not yet on the
// bus. A failure to store held bytes surfaces in the call that stores them.
//
// Errors as on the bit-banged bus: a missing acknowledge (ENXIO, EREMOTEIO,
// EIO) is code 1 "Прибор не отвечает" until the memory has answered once in
// this process, code 2 after; other transfer errors are code 2 with the
// reason; lost arbitration (EAGAIN) is retried kArbitrationRetries times.
//
// Exchange worker thread, one caller at a time.
#pragma once

#include <cstdint>
#include <memory>

#include "link/I2cBus.h"
#include "link/MemoryAccess.h"
#include "link/PageBuffer.h"

class I2cDevMemory : public MemoryAccess {
 public:
  static constexpr uint16_t kDefaultAddress = 0x50;  // 1010 A2 A1 A0 with A2..A0 = 0
  static constexpr int kPageSize = 32;
  static constexpr int kReadAttempts = 5;
  static constexpr uint64_t kRetryPauseUs = 10000;
  static constexpr int kArbitrationRetries = 10;
  // The memory's write cycle is 5 ms at most (10 ms for some makers).
  static constexpr uint64_t kWriteCycleLimitUs = 50000;

  I2cDevMemory(std::unique_ptr<I2cBus> bus, uint16_t address = kDefaultAddress);
  // Stores held bytes; a failure then has nobody to tell.
  ~I2cDevMemory() override;

  void end(DeviceLink& link) override;
  void flushWrites(DeviceLink& link) override {
    flush(&link);
    readBack(link);
  }
  void readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length, bool countProgress) override;
  void writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                  bool countProgress) override;
  bool heldByte(uint32_t address, uint8_t& value) const override;

  I2cBus& bus() { return *m_bus; }
  uint16_t deviceAddress() const { return m_address; }
  // Transfers so far (polls included), for the benchmark.
  uint64_t transfers() const { return m_transfers; }

 private:
  // One transfer with the arbitration retries, sent again while a write
  // cycle may keep the memory deaf; the errno of the last try.
  int transfer(I2cMessage* messages, int count);
  int transferOnce(I2cMessage* messages, int count);
  [[noreturn]] void fail(DeviceLink* link, int error) const;
  // One read message of length bytes at address; the errno, or 0.
  int readOnce(uint8_t* dst, uint16_t address, int length);
  // Reads length bytes in messages the adapter takes, each with up to five
  // attempts; the last one's failure is thrown.
  void readRetried(DeviceLink& link, uint8_t* dst, uint32_t address, int length);
  // Writes the held run (its write cycle begins).
  void flush(DeviceLink* link);
  // Reads back the runs written since the last call.
  void readBack(DeviceLink& link);

  std::unique_ptr<I2cBus> m_bus;
  uint16_t m_address;
  uint64_t m_transfers = 0;
  int m_maxRead = PageBuffer::kReadBackRun;  // bytes of one read message the adapter takes
  bool m_cycleMayRun = false;                // a page write has not been answered since
  uint64_t m_cycleStart = 0;

  PageBuffer m_held;
};
