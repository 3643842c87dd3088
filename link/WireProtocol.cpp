#include "link/WireProtocol.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Register selectors and lines of the adapter.
constexpr int kDataRegister = 0;
constexpr int kStatusRegister = 1;
constexpr int kClockBit = 0;      // data register: 1 = clock high
constexpr int kDataPullBit = 1;   // data register: 1 = data line pulled low
constexpr int kDataInBit = 6;     // status register: 1 = data line high
constexpr int kSampleDelay = 2;   // x 100 us: the memory's bit settles after the falling clock
constexpr int kWriteCycle = 100;  // x 100 us: the memory's internal write
constexpr int kRetrySleepMs = 10;
constexpr int kReadAttempts = 5;

void checkLength(int length, int max, const char* what) {
  if (length < 1 || length > max)
    throw std::invalid_argument(std::string(what) + ": length " + std::to_string(length) + " outside 1.." +
                                std::to_string(max));
}

void checkBitOffset(int bitOffset, const char* what) {
  if (bitOffset < 0 || bitOffset > 7)
    throw std::invalid_argument(std::string(what) + ": bit offset " + std::to_string(bitOffset) +
                                " outside 0..7");
}

void beginTransfer(LinkTransfer& t, uint16_t address) {
  t = LinkTransfer{};
  t.buffer[0] = kDeviceWrite;
  t.buffer[1] = static_cast<uint8_t>(address >> 8);
  t.buffer[2] = static_cast<uint8_t>(address & 0xFF);
}

bool dataLineHigh(DeviceLink& link) {
  return PortBackend::bitTest(link.portRead(kStatusRegister), kDataInBit);
}

// The integer formulas give more than 99 once the last byte of a read is in;
// 100 must mean "the STOP is on the bus", so the running value stops at 99.
int progressOf(const LinkTransfer& t) {
  int r;
  if (t.isWrite)
    r = (8 * t.sendIndex + t.bitCount) * 100 / (8 * t.sendLength) - 1;
  else if (!t.readSwitched)
    r = (8 * t.sendIndex + t.bitCount) * 100 / (8 * t.receiveLength + 32) - 1;
  else
    r = (800 * (t.receiveIndex + 5) - 100 * t.bitCount) / (8 * t.receiveLength + 32) - 1;
  return std::min(r, kTransferDone - 1);
}

// Steps a transaction to its STOP. A step moves nothing when it returns a
// negative value (still waiting for a free line to start), leaves the engine
// in the start phase (waiting for a free line before the repeated START of a
// read, where the progress is already positive) or in the stop phase
// (waiting to see its own low data line before the STOP); more than
// kNoProgressLimit such steps abandon the transaction, on the write path as
// on the read path, so a line that never moves cannot hang the worker.
// progressBytes > 0 raises progressCounter from progressBase as the bytes of
// a read arrive.
void runTransfer(DeviceLink& link, LinkTransfer& t, int32_t progressBase = 0, int progressBytes = 0) {
  int noProgress = 0;
  for (;;) {
    const int r = StepTransfer(link, t);
    const bool waiting = t.phase == LinkTransfer::kStart || t.phase == LinkTransfer::kStop;
    if (r < 0 || (r != kTransferDone && waiting)) {
      if (++noProgress > kNoProgressLimit) throw SError(SError::kNoAnswer, link_texts::noAnswerOrPort());
    }
    if (r > 0 && progressBytes > 0) {
      const int32_t value = progressBase + static_cast<int32_t>(r * progressBytes * 0.01);
      if (value > link.progressCounter.load(std::memory_order_relaxed))
        link.progressCounter.store(value, std::memory_order_relaxed);
    }
    if (r == kTransferDone) return;
  }
}

}  // namespace

void BeginRead(LinkTransfer& t, uint16_t address, int length) {
  checkLength(length, LinkTransfer::kMaxBlock, "BeginRead");
  beginTransfer(t, address);
  t.sendLength = 3;
  t.isWrite = 0;
  t.receiveLength = length;
}

void BeginWrite(LinkTransfer& t, const uint8_t* data, uint16_t address, int length) {
  checkLength(length, LinkTransfer::kMaxBlock, "BeginWrite");
  beginTransfer(t, address);
  t.sendLength = length + 3;
  t.isWrite = 1;
  t.receiveLength = -1;
  std::memcpy(t.buffer + 3, data, static_cast<std::size_t>(length));
}

int StepTransfer(DeviceLink& link, LinkTransfer& t) {
  if (PortBackend::bitTest(link.portRead(kDataRegister), kClockBit))
    link.portClearBit(kDataRegister, kClockBit);
  else
    link.portSetBit(kDataRegister, kClockBit);
  const bool high = PortBackend::bitTest(link.portRead(kDataRegister), kClockBit);

  switch (t.phase) {
    case LinkTransfer::kStart:
      if (!high) {
        link.portClearBit(kDataRegister, kDataPullBit);
      } else if (dataLineHigh(link)) {
        link.portSetBit(kDataRegister, kDataPullBit);  // START
        t.phase = LinkTransfer::kSendBits;
      }
      break;

    case LinkTransfer::kSendBits:
      if (!high) {
        if ((t.buffer[t.sendIndex] >> (7 - t.bitCount)) & 1)
          link.portClearBit(kDataRegister, kDataPullBit);
        else
          link.portSetBit(kDataRegister, kDataPullBit);
        ++t.bitCount;
      } else if (t.bitCount == 8) {
        t.bitCount = 0;
        t.afterAck = LinkTransfer::kSendBits;
        ++t.sendIndex;
        t.phase = LinkTransfer::kAcknowledge;
      }
      break;

    case LinkTransfer::kAcknowledge:
      if (!high) {
        if (t.afterAck != LinkTransfer::kReceiveBits)
          link.portClearBit(kDataRegister, kDataPullBit);  // the memory drives the acknowledge
        else
          link.portSetBit(kDataRegister, kDataPullBit);  // the master acknowledges a received byte
        break;
      }
      if (t.afterAck != LinkTransfer::kReceiveBits && dataLineHigh(link)) {
        t.phase = LinkTransfer::kStart;
        --t.sendIndex;
        if (link.awaitingFirstAnswer.load()) throw SError(SError::kNoAnswer, link_texts::noAnswer());
        throw SError(SError::kLinkBroken, link_texts::linkBroken());
      }
      link.awaitingFirstAnswer.store(false);
      if (t.sendIndex != t.sendLength) {
        t.bitCount = 0;
        t.phase = t.afterAck;
      } else if (t.isWrite) {
        t.phase = LinkTransfer::kStop;
      } else if (t.readSwitched) {
        t.buffer[t.receiveIndex] = 0;
        t.bitCount = 8;
        t.phase = LinkTransfer::kReceiveBits;
      } else {
        // Address sent: a repeated START follows, then the read byte.
        t.bitCount = 0;
        t.sendIndex = 0;
        t.buffer[0] = kDeviceRead;
        t.sendLength = 1;
        t.readSwitched = 1;
        t.phase = LinkTransfer::kStart;
      }
      break;

    case LinkTransfer::kReceiveBits:
      link.portClearBit(kDataRegister, kDataPullBit);
      link.port().busyWait(kSampleDelay);
      if (!high) {
        if (dataLineHigh(link)) t.buffer[t.receiveIndex] |= static_cast<uint8_t>(1u << (t.bitCount - 1));
        if (--t.bitCount == 0) ++t.receiveIndex;
      } else if (t.bitCount == 0) {
        if (t.receiveIndex == t.receiveLength) {
          t.phase = LinkTransfer::kStop;
        } else {
          t.afterAck = LinkTransfer::kReceiveBits;
          t.phase = LinkTransfer::kAcknowledge;
        }
      }
      break;

    case LinkTransfer::kStop:
      if (!high) {
        link.portSetBit(kDataRegister, kDataPullBit);
      } else if (!dataLineHigh(link)) {
        link.portClearBit(kDataRegister, kDataPullBit);  // STOP
        return kTransferDone;
      }
      break;
  }
  link.portRead(kStatusRegister);
  return progressOf(t);
}

namespace {

// One read transaction; counts the bytes arriving in progressCounter unless
// the caller keeps its own count.
void readTransaction(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length,
                     bool countProgress) {
  checkLength(length, LinkTransfer::kMaxBlock, "ReadBlock");
  checkBitOffset(bitOffset, "ReadBlock");
  const int32_t base = link.progressCounter.load(std::memory_order_relaxed);
  LinkTransfer t;
  BeginRead(t, static_cast<uint16_t>(address), length);
  runTransfer(link, t, base, countProgress ? length : 0);
  if (bitOffset == 0) {
    std::memcpy(dst, t.buffer, static_cast<std::size_t>(length));
    return;
  }
  t.buffer[length] = 0;  // the top bits of the last output byte lie beyond what was read
  for (int j = 0; j < length; ++j) dst[j] = static_cast<uint8_t>(ExtractBits(t.buffer, bitOffset + 8 * j, 8));
}

}  // namespace

void ReadBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length) {
  readTransaction(link, dst, address, bitOffset, length, true);
}

BitBangedMemory::BitBangedMemory(std::unique_ptr<PortBackend> port) : m_port(std::move(port)) {
  if (!m_port) throw std::invalid_argument("BitBangedMemory needs a port backend");
}

void BitBangedMemory::begin(DeviceLink& link) {
  if (link.lptBase.load() == 0) DetectPort(link);
}

void BitBangedMemory::end(DeviceLink& link) { m_port->resetLines(link.lptBase.load()); }

void BitBangedMemory::readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length,
                                bool countProgress) {
  m_port->sleep(kRetrySleepMs);
  SError last;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    try {
      readTransaction(link, dst, address, 0, length, countProgress);
      return;
    } catch (const SError& e) {
      last = e;
      m_port->sleep(kRetrySleepMs);
    }
  }
  throw last;
}

// One single-byte transaction per byte, each followed by the write cycle.
void BitBangedMemory::writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                                 bool countProgress) {
  for (int i = 0; i < count; ++i) {
    LinkTransfer t;
    BeginWrite(t, &src[i], static_cast<uint16_t>(address + i), 1);
    runTransfer(link, t);
    if (countProgress) link.progressCounter.fetch_add(1, std::memory_order_relaxed);
    m_port->busyWait(kWriteCycle);
  }
}

void DetectPort(DeviceLink& link) {
  constexpr int kProbeBytes = 32;
  constexpr int kProbePauseMs = 1000;
  const std::vector<uint16_t> candidates = link.port().lptCandidates();
  for (uint16_t base : candidates) {
    link.lptBase = base;
    link.port().resetLines(base);
    link.port().sleep(kProbePauseMs);
    uint8_t probe[kProbeBytes];
    try {
      ReadBlockRetry(link, probe, 0, 0, kProbeBytes);
      return;
    } catch (const SError&) {
      link.lptBase = 0;  // a failed probe is not reported
    }
  }
  link.lptBase = candidates.empty() ? PortBackend::kLpt1 : candidates.front();
}
