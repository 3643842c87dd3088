// MemoryAccess: the seam between the device exchanges and the engine that
// moves bytes to and from the controller's 24C64-class memory. The exchanges
// (and tkv88ctl's raw memory commands) see only the operations at the end of
// this header; below the seam each engine chooses its own bus transactions:
//
//   BitBangedMemory (WireProtocol.h)  the I2C bus bit-banged on parallel-port
//                                     lines, in the standard or fast timing
//                                     (link/BusTiming.h)
//   I2cDevMemory (I2cDevMemory.h)     a Linux i2c-dev adapter: combined
//                                     messages, page writes, acknowledge polling
//
// An engine implements two primitives: a sequential read of up to kMaxRun
// bytes with its own retries and a write of any number of bytes that reads
// back what it wrote (every engine, every timing: nothing unverified is
// reported as stored).
// Bit-aligned reads, masked and bit-aligned writes are read-modify-write
// built on those two here, once for every engine.
//
// Errors are LinkError with the bus's codes (1: the device does not answer
// before any answer of this process, 2: the link broke after one); the
// shared values (progress, first answer, abort) live in the DeviceLink that
// every call is given. Exchange worker thread, one caller at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/LinkProbe.h"

class DeviceLink;
class PortBackend;

class MemoryAccess {
 public:
  static constexpr int kMaxBlock = 32;  // bytes of the protocol's block read, and of a masked write
  // Bytes of one sequential read: long enough that its address bytes cost
  // little, short enough that a read's progress and abort move often.
  static constexpr int kMaxRun = 256;

  virtual ~MemoryAccess() = default;

  // Before an exchange's first transfer: find the device when it has not
  // been found yet (a failed search is not reported; the transfers report).
  virtual void begin(DeviceLink& link) { (void)link; }
  // After an exchange, also a failed one: the bus back to idle.
  virtual void end(DeviceLink& link) { (void)link; }

  // Reads length (1..kMaxRun) bytes at address (the memory's 13 bits
  // count; it wraps from 0x1FFF to 0), with the engine's retries. With
  // countProgress, link.progressCounter rises by up to length as the bytes
  // arrive; without, the caller keeps the counter. Throws the last attempt's
  // LinkError.
  virtual void readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length,
                         bool countProgress) = 0;
  // Writes count (>= 1) bytes from address on and reads them back. They
  // are stored and read back when the call returns, except that an engine
  // may hold the bytes of one page for the next write to extend: held bytes
  // are stored and read back before the next readBlock reads anything, by
  // flushWrites() and by end() at the latest, and a failure to store them
  // surfaces there. A byte that does not read back as written is LinkError
  // kErrorVerify naming its address (checkWritten). With countProgress,
  // link.progressCounter grows by one per byte. Throws LinkError at the
  // first failure; the bytes before it may have been stored.
  virtual void writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                          bool countProgress) = 0;
  // Stores and reads back the bytes held for a page write, if any: after it
  // every byte written is known to be stored.
  virtual void flushWrites(DeviceLink& link) { (void)link; }
  // The value of a held byte at address; false when none is held there.
  virtual bool heldByte(uint32_t address, uint8_t& value) const {
    (void)address;
    (void)value;
    return false;
  }

  // The parallel port a bit-banged engine drives; nullptr for other engines.
  virtual PortBackend* parallelPort() { return nullptr; }

  // Checks the link without writing anything (begin() included; end() is
  // the caller's). Device faults go into the report, not out as LinkError.
  // This default reads one byte.
  virtual ProbeReport probe(DeviceLink& link);
  // True once the engine has given up a faster timing for the standard one
  // for the rest of the run. Any thread, also while an exchange runs.
  virtual bool standardFallback() const { return false; }
  // The pages (their first addresses) that a write had to store again in
  // the standard timing since the last call. Once the exchange has ended.
  virtual std::vector<uint32_t> takeMendedPages() { return {}; }
  // Why the trace of the bus could not be written (a simulator's), once;
  // empty when all is well. Never an exchange's failure: told after the work.
  virtual std::string takeTraceFailure() { return {}; }
};

// ---- What the exchanges use, for every engine ------------------------------

// A read of length (1..kMaxRun) bytes at address. With a bitOffset (0..7),
// output byte j is the 8 bits from bit bitOffset + 8j of what was read; bits
// beyond the bytes read are 0. std::invalid_argument outside those ranges.
// progressCounter rises by up to length unless countProgress is false (an
// exchange that keeps its own count of progress).
void readMemory(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length,
                bool countProgress = true);
// Reads count bytes from address on in reads of up to kMaxRun bytes; the
// counter as in readMemory.
void readBytes(DeviceLink& link, uint8_t* dst, uint32_t address, int count, bool countProgress = true);
// A memory that stops answering in the middle of a block read leaves the
// rest of the block reading as 0xFF (the released data line), which nothing
// in the read can tell from data; only the next transaction is refused. A
// read ends with this one-byte read of a byte of its own area, which
// throws LinkError (a broken link) when the memory has gone silent. Leaves
// progressCounter alone.
void confirmAnswering(DeviceLink& link, uint32_t address);
// The read-back of a write: `found` was read at address after `written`
// was written there. A byte that differs is LinkError kErrorVerify naming
// its address, unless the memory has gone silent (a read of released lines
// gives 0xFF), which a one-byte read then tells as a broken link. Bytes that
// read back right go into link.readBack when the caller keeps one.
void checkWritten(DeviceLink& link, const uint8_t* written, const uint8_t* found, uint32_t address,
                  int count);
// Before each piece of a write: when a stop has been asked for
// (link.abortRequested: Ctrl+C, "Прервать"), the page in flight is stored
// and read back (flushWrites) and the write ends with LinkError
// kErrorStopped, so the controller is never left mid-page without a word.
void stopIfAsked(DeviceLink& link);
// Writes count bytes, a page (32 bytes, cut at page ends) at a time with
// stopIfAsked before each; progressCounter grows by 1 per byte.
void writeMemory(DeviceLink& link, const uint8_t* src, uint32_t address, int count);
// Replaces only the bits set in mask of count (1..32) bytes at address: reads
// them, merges, writes all count bytes back.
void writeMasked(DeviceLink& link, const uint8_t* data, const uint8_t* mask, uint32_t address, int count);
// Writes a record of length (1..255) bytes so that its first bit lands at bit
// bitOffset (0..7) of the byte at byteAddress. The bits below bitOffset in the
// first byte keep their stored value; with an offset, length + 1 bytes are
// written and the bits above the record's end in the last byte become 0.
// stopIfAsked first. Leaves progressCounter alone.
void writeBits(DeviceLink& link, const uint8_t* src, uint32_t byteAddress, int bitOffset, int length);
