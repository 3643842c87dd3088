// The I2C bus master over the parallel-port adapter: a transaction engine
// stepped one clock half-period at a time, block reads with a no-progress
// guard and retries, writes, and port detection: the bit-banged engine
// behind MemoryAccess. The engine runs in one of two timings (BusTiming.h):
// the standard one writes byte by byte with the memory's full write-cycle
// wait; the fast one writes pages and polls the write cycle. Both read
// back every byte they write.
//
// Lines: clock out = data register bit 0; data out = data register bit 1
// (1 pulls the line low); data in = status register bit 6.
// Bus addressing: device byte 0xA0 (write) / 0xA1 (read), then the 16-bit
// memory address, high byte first; bytes travel most significant bit first.
//
// Everything here runs on the exchange worker (one at a time per DeviceLink).
// Failures are thrown as LinkError; an exception leaves the bus wherever it was
// and the next transaction's start condition recovers it.
#pragma once

#include <cstdint>
#include <memory>

#include <atomic>
#include <optional>
#include <vector>

#include "link/BitField.h"
#include "link/BusTiming.h"
#include "link/DeviceLink.h"
#include "link/LinkError.h"
#include "link/MemoryAccess.h"
#include "link/PageBuffer.h"

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
  bool isWrite = false;
  int32_t receiveLength = 0;  // -1 for writes
  bool readSwitched = false;  // read: once the address is sent and the engine restarted for reading
  uint8_t buffer[kBufferSize] = {};
  // A long sequential read receives into the caller's bytes instead of
  // `buffer` (beginRun).
  uint8_t* receiveInto = nullptr;
  // Timing: when the clock last changed and last fell, on the backend's
  // clock, whether the data line read high at the last bit received, and
  // (fast timing) the data register as last written, -1 until read.
  uint64_t edgeUs = 0;
  uint64_t fallUs = 0;
  bool lineWasHigh = false;
  int32_t latch = -1;
};

inline constexpr uint8_t kDeviceWrite = 0xA0;
inline constexpr uint8_t kDeviceRead = 0xA1;
// A transaction that makes no progress for more steps than this is abandoned.
inline constexpr int kNoProgressLimit = 1000;
// stepTransfer's result once the STOP is on the bus.
inline constexpr int kTransferDone = 100;

// Prepare a read of length (1..32) bytes at address / a write of length
// (1..32) bytes of data at address. std::invalid_argument outside that range.
void beginRead(LinkTransfer& t, uint16_t address, int length);
void beginWrite(LinkTransfer& t, const uint8_t* data, uint16_t address, int length);
// Prepare a sequential read of length (1..kDeviceMemorySize) bytes at
// address into `into`, the memory's address counter running on over its
// pages. std::invalid_argument outside that range or without `into`.
void beginRun(LinkTransfer& t, uint16_t address, int length, uint8_t* into);
// Prepare an acknowledge poll: START, 0xA0 and, once acknowledged, STOP.
void beginPoll(LinkTransfer& t);

// One clock half-period in the given timing (the standard one unless told).
// Returns kTransferDone when the transaction has completed, otherwise its
// progress, -1..99. Throws LinkError when the memory does not acknowledge a
// byte.
int stepTransfer(DeviceLink& link, LinkTransfer& t, const BusTiming& timing = {});

// One read transaction of length (1..32) bytes at address (the protocol's
// ReadBlock; the engine reads longer runs itself). With a bitOffset
// (0..7), output byte j is the 8 bits from bit bitOffset + 8j of what was
// received; bits beyond the received bytes read as 0. Raises progressCounter
// by up to length as the bytes arrive.
void readBlockOnce(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length);
// The bit-banged engine behind the MemoryAccess seam: owns the parallel port.
//
// begin() detects the port base on first use, then measures the data line
// once per engine (measureDataLine) unless detection did: a line that
// settles slower than the standard 200 us fails every exchange with code 1
// "адаптер слишком медленный: ..." rather than be sampled wrongly; a line
// that does not follow at all is left to the transfers to report. end()
// stores a held page, reads back what was written and puts the lines of the
// base in use back to idle.
//
// Standard timing: a read is the protocol's blocks of up to 32 bytes, each a
// 10 ms pause, then readBlockOnce with up to five attempts 10 ms apart (the
// last error is thrown); a write is one single-byte transaction per byte,
// each followed by the memory's 10 ms write cycle, the first error thrown at
// once, and then the bytes are read back in blocks; a byte that differs is
// LinkError kErrorVerify naming its address.
//
// Fast timing (the measured waits): a read of any length is one sequential
// read, without the pause before it, with the same retries and no-progress
// guard. Once per engine, before anything is read or written fast, the
// first block of the memory is read again with every wait at the standard
// 200 us (the cross-check); when the two differ, the standard timing serves
// the rest of the run (standardFallback()). Writes are held per page
// (PageBuffer) and go as one page write, then acknowledge polling back to
// back (given up after 20 ms with the poll's error); the pages written are
// read back in sequential reads before the next read, flushWrites() or
// end(). A page that differs is written again in the standard timing byte
// by byte and read back in it, and a byte that still differs is LinkError
// kErrorVerify naming its address. Pages mended so are reported by
// takeMendedPages(). After a fall-back, writes go byte by byte as in the
// standard timing, read back as there.
class BitBangedMemory : public MemoryAccess {
 public:
  static constexpr int kWriteCycleLimitUs = 20000;
  // Port detection waits up to this long for an adapter that powers up
  // from the port, looking again every kPowerUpPollMs.
  static constexpr int kPowerUpMs = 1000;
  static constexpr int kPowerUpPollMs = 10;

  explicit BitBangedMemory(std::unique_ptr<PortBackend> port, LinkTiming timing = LinkTiming::kFast);

  void begin(DeviceLink& link) override;
  void end(DeviceLink& link) override;
  void readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length, bool countProgress) override;
  void writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                  bool countProgress) override;
  bool heldByte(uint32_t address, uint8_t& value) const override { return m_held.heldByte(address, value); }
  void flushWrites(DeviceLink& link) override;
  PortBackend* parallelPort() override { return m_port.get(); }
  ProbeReport probe(DeviceLink& link) override;
  bool standardFallback() const override { return m_fellBack.load(); }
  std::vector<uint32_t> takeMendedPages() override;
  std::string takeTraceFailure() override { return m_port->takeTraceFailure(); }

  // The timing asked for.
  LinkTiming timing() const { return m_timing; }
  // The line as measured by begin(); nothing before.
  const std::optional<LineSettle>& lineSettle() const { return m_line; }
  // The waits the next transaction uses.
  BusTiming busTiming() const;
  // Bus transactions so far (acknowledge polls included), for the benchmark.
  uint64_t transactions() const { return m_transactions; }

 private:
  bool fast() const { return busTiming().fast; }
  // Chooses lptBase: puts each candidate's lines (0x378, 0x278, 0x3BC) to
  // idle and looks for an adapter and a memory there (answers()) until one
  // answers or kPowerUpMs have passed; the first that answers stays. When
  // none does, the first candidate is used and the exchange reports its own
  // error.
  void detect(DeviceLink& link);
  // Measures the line at lptBase and reads the memory's first block (the
  // cross-check in the fast timing): true when both answer, or when the
  // line follows too slowly for any timing (the adapter is there; begin()
  // refuses it).
  bool answers(DeviceLink& link);
  void measure(DeviceLink& link);
  // The cross-check, unless this engine has done it: nothing is read or
  // written fast before it.
  void crossCheck(DeviceLink& link);
  // One write or poll transaction, counted.
  void transfer(DeviceLink& link, LinkTransfer& t, const BusTiming& timing);
  void readAttempts(DeviceLink& link, uint8_t* dst, uint32_t address, int length, bool countProgress,
                    const BusTiming& timing);
  void writeByteByByte(DeviceLink& link, const uint8_t* src, uint32_t address, int count, bool countProgress);
  // Stores the held page (written, its write cycle polled to its end).
  void flush(DeviceLink& link);
  // Reads back the pages stored since the last call; mends those that differ.
  void readBack(DeviceLink& link);
  void awaitWriteCycle(DeviceLink& link);
  void mend(DeviceLink& link, const PageRun& run);

  std::unique_ptr<PortBackend> m_port;
  LinkTiming m_timing;
  std::optional<LineSettle> m_line;
  bool m_crossChecked = false;
  std::atomic<bool> m_fellBack{false};
  PageBuffer m_held;
  std::vector<uint32_t> m_mended;
  uint64_t m_transactions = 0;
};
