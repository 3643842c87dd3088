// The I2C bus master over the parallel-port adapter: a transaction engine
// stepped one clock half-period at a time, block reads with a no-progress
// guard and retries, byte-by-byte writes with the memory's write-cycle wait,
// and port detection: the bit-banged engine behind MemoryAccess.
//
// Lines: clock out = data register bit 0; data out = data register bit 1
// (1 pulls the line low); data in = status register bit 6.
// Bus addressing: device byte 0xA0 (write) / 0xA1 (read), then the 16-bit
// memory address, high byte first; bytes travel most significant bit first.
//
// Everything here runs on the exchange worker (one at a time per DeviceLink).
// Failures are thrown as SError; an exception leaves the bus wherever it was
// and the next transaction's start condition recovers it.
#pragma once

#include <cstdint>
#include <memory>

#include "link/BitField.h"
#include "link/DeviceLink.h"
#include "link/MemoryAccess.h"
#include "link/SError.h"

// One bus transaction; lives on the caller's stack.
struct LinkTransfer {
  static constexpr int kBufferSize = 35;
  static constexpr int kMaxBlock = 32;  // bytes per transaction

  enum Phase : int32_t { kStart = 0, kSendBits = 1, kAcknowledge = 2, kReceiveBits = 3, kStop = 4 };

  int32_t phase = kStart;
  int32_t afterAck = 0;      // phase after an acknowledge cycle: kSendBits or kReceiveBits
  int32_t sendIndex = 0;     // buffer index of the byte being sent
  int32_t receiveIndex = 0;  // buffer index of the byte being received
  int32_t bitCount = 0;      // sending: bits already out (0..8); receiving: bits still to sample (8..0)
  int32_t sendLength = 0;    // bytes to send in the current part of the transaction
  int32_t isWrite = 0;
  int32_t receiveLength = 0;  // -1 for writes
  int32_t readSwitched = 0;   // read: 1 once the address is sent and the engine restarted for reading
  uint8_t buffer[kBufferSize] = {};
};

inline constexpr uint8_t kDeviceWrite = 0xA0;
inline constexpr uint8_t kDeviceRead = 0xA1;
// A transaction that makes no progress for more steps than this is abandoned.
inline constexpr int kNoProgressLimit = 1000;
// StepTransfer's result once the STOP is on the bus.
inline constexpr int kTransferDone = 100;

// Prepare a read of length (1..32) bytes at address / a write of length
// (1..32) bytes of data at address. std::invalid_argument outside that range.
void BeginRead(LinkTransfer& t, uint16_t address, int length);
void BeginWrite(LinkTransfer& t, const uint8_t* data, uint16_t address, int length);

// One clock half-period. Returns kTransferDone when the transaction has
// completed, otherwise its progress, -1..99. Throws SError when the memory
// does not acknowledge a byte.
int StepTransfer(DeviceLink& link, LinkTransfer& t);

// One read transaction of length (1..32) bytes at address. With a bitOffset
// (0..7), output byte j is the 8 bits from bit bitOffset + 8j of what was
// received; bits beyond the received bytes read as 0. Raises progressCounter
// by up to length as the bytes arrive.
void ReadBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length);
// The bit-banged engine behind the MemoryAccess seam: owns the parallel port.
// A block read is ReadBlock with up to five attempts 10 ms apart (the last
// error is thrown); a write is one single-byte transaction per byte, each
// followed by the memory's 10 ms write cycle, the first error thrown at
// once. begin() detects the port base on first use, end() puts the lines of
// the base in use back to idle.
class BitBangedMemory : public MemoryAccess {
 public:
  explicit BitBangedMemory(std::unique_ptr<PortBackend> port);

  void begin(DeviceLink& link) override;
  void end(DeviceLink& link) override;
  void readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length, bool countProgress) override;
  void writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                  bool countProgress) override;
  PortBackend* parallelPort() override { return m_port.get(); }

 private:
  std::unique_ptr<PortBackend> m_port;
};

// Chooses lptBase: probes each candidate (0x378, 0x278, 0x3BC) after putting
// its lines to idle and waiting a second; the first that answers a 32-byte
// read stays. When none does, the first candidate is used and the exchange
// reports its own error.
void DetectPort(DeviceLink& link);
