#include "link/WireProtocol.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/FactoryImage.h"

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
constexpr uint16_t kPageMask = 0x1FE0;  // the first address of an address's 32-byte page

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

void waitUntil(PortBackend& port, uint64_t until) {
  const uint64_t now = port.clockUs();
  if (now < until) port.busyWaitUs(static_cast<int>(until - now));
}

// Looks at the data line until it reads high or `until` has passed, a look
// every `step` microseconds; its last level.
bool lineRisesBy(DeviceLink& link, uint64_t until, int step) {
  PortBackend& port = link.port();
  for (;;) {
    if (dataLineHigh(link)) return true;
    const uint64_t now = port.clockUs();
    if (now >= until) return false;
    port.busyWaitUs(static_cast<int>(std::min<uint64_t>(static_cast<uint64_t>(step), until - now)));
  }
}

// A bit the memory drives after the clock fell at `fall`. A high line is a 1
// as soon as it reads so (a slow edge delays a high, it never fakes one); a
// low line is a 0 once `wait` has passed, or at once when the line read high
// before (only the memory pulls a high line low). The first look comes when
// the memory's output is valid, and for a line that was low not before it
// can have risen (`step`, the settle time), so a slow line costs no more
// looks than a quick one.
bool sampleMemoryBit(DeviceLink& link, uint64_t fall, int wait, int step, bool wasHigh) {
  waitUntil(link.port(), fall + static_cast<uint64_t>(wasHigh ? BusTiming::kDataValidUs
                                                              : std::max(BusTiming::kDataValidUs, step)));
  if (wasHigh) return dataLineHigh(link);
  return lineRisesBy(link, fall + static_cast<uint64_t>(std::max(wait, BusTiming::kDataValidUs)), step);
}

// The master's two output lines. The standard timing changes them by
// read-modify-write of the data register, as the protocol always has; the
// fast one keeps the register's value in the transfer and writes only
// changes, one port access each, never shorter than the memory's minimum
// clock low and high times.
//
// A port access takes effect as it ends, and none is shorter than the
// shortest one measured: an edge's time is kept as the end of its access
// less that, so the next access may begin that much before the wait is
// over and still change (or sample) the line no sooner than it allows.
class Lines {
 public:
  Lines(DeviceLink& link, LinkTransfer& t, const BusTiming& timing)
      : m_link(link), m_t(t), m_fast(timing.fast), m_accessUs(static_cast<uint64_t>(timing.accessUs)) {
    if (!m_fast || m_t.latch >= 0) return;
    m_t.latch = link.portRead(kDataRegister);
    // The lines may have changed just before (the last transfer, the line
    // reset): the first edge waits as after one.
    m_t.edgeUs = edgeTime();
  }

  // Toggles the clock; true when it is high now. The time of the edge is
  // kept when `timed`.
  bool toggleClock(bool timed) {
    PortBackend& port = m_link.port();
    bool high;
    if (m_fast) {
      const bool wasHigh = m_t.latch & (1 << kClockBit);
      if (m_t.edgeUs != 0)
        waitUntil(port, m_t.edgeUs + (wasHigh ? BusTiming::kMinHighUs : BusTiming::kMinLowUs));
      write(m_t.latch ^ (1 << kClockBit));
      high = !wasHigh;
    } else {
      if (PortBackend::bitTest(m_link.portRead(kDataRegister), kClockBit))
        m_link.portClearBit(kDataRegister, kClockBit);
      else
        m_link.portSetBit(kDataRegister, kClockBit);
      high = PortBackend::bitTest(m_link.portRead(kDataRegister), kClockBit);
    }
    if (timed) {
      m_t.edgeUs = edgeTime();
      if (!high) m_t.fallUs = m_t.edgeUs;
    }
    return high;
  }

  // A START (low) or STOP (release) while the clock is high: in the fast
  // timing not before the memory's setup time after the clock rose, and the
  // clock stays high for its hold time after it.
  void condition(bool low) {
    if (m_fast) waitUntil(m_link.port(), m_t.edgeUs + BusTiming::kMinLowUs);
    pull(low);
    if (m_fast) m_t.edgeUs = edgeTime();
  }

  // Pulls the data line low, or releases it.
  void pull(bool low) {
    if (!m_fast) {
      if (low)
        m_link.portSetBit(kDataRegister, kDataPullBit);
      else
        m_link.portClearBit(kDataRegister, kDataPullBit);
      return;
    }
    const int32_t value = low ? (m_t.latch | (1 << kDataPullBit)) : (m_t.latch & ~(1 << kDataPullBit));
    if (value != m_t.latch) write(value);
  }

 private:
  void write(int32_t value) {
    m_t.latch = value;
    m_link.portWrite(kDataRegister, static_cast<uint8_t>(value));
  }

  // The time of a change made by the access just ended, as the waits count it.
  uint64_t edgeTime() {
    const uint64_t now = m_link.port().clockUs();
    return now > m_accessUs ? now - m_accessUs : 0;
  }

  DeviceLink& m_link;
  LinkTransfer& m_t;
  bool m_fast;
  uint64_t m_accessUs;
};

// A line the master has just released gets up to its settle wait to read
// high before the clock rises (once the line is measured).
void awaitRelease(DeviceLink& link, const BusTiming& timing) {
  if (timing.settleWaitUs > 0)
    lineRisesBy(link, link.port().clockUs() + static_cast<uint64_t>(timing.settleWaitUs), timing.pollStepUs);
}

// The memory's acknowledge, in the high half of its clock: missing when the
// line reads high. With a measured line a low line counts only once it has
// had its wait after the clock fell; before the line is measured, at once.
bool missingAcknowledge(DeviceLink& link, const LinkTransfer& t, const BusTiming& timing) {
  if (timing.settleWaitUs == 0) return dataLineHigh(link);
  return sampleMemoryBit(link, t.fallUs, timing.settleWaitUs, timing.pollStepUs, false);
}

// Where the bytes of a read go.
uint8_t* received(LinkTransfer& t) { return t.receiveInto ? t.receiveInto : t.buffer; }

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
void runTransfer(DeviceLink& link, LinkTransfer& t, const BusTiming& timing, int32_t progressBase = 0,
                 int progressBytes = 0) {
  int noProgress = 0;
  for (;;) {
    const int r = stepTransfer(link, t, timing);
    const bool waiting = t.phase == LinkTransfer::kStart || t.phase == LinkTransfer::kStop;
    if (r < 0 || (r != kTransferDone && waiting)) {
      if (++noProgress > kNoProgressLimit)
        throw LinkError(LinkError::kNoAnswer, link_texts::noAnswerOrPort());
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

void beginRead(LinkTransfer& t, uint16_t address, int length) {
  checkLength(length, LinkTransfer::kMaxBlock, "beginRead");
  beginTransfer(t, address);
  t.sendLength = 3;
  t.isWrite = false;
  t.receiveLength = length;
}

void beginRun(LinkTransfer& t, uint16_t address, int length, uint8_t* into) {
  checkLength(length, kDeviceMemorySize, "beginRun");
  if (!into) throw std::invalid_argument("beginRun: no place for the bytes");
  beginTransfer(t, address);
  t.sendLength = 3;
  t.isWrite = false;
  t.receiveLength = length;
  t.receiveInto = into;
}

void beginWrite(LinkTransfer& t, const uint8_t* data, uint16_t address, int length) {
  checkLength(length, LinkTransfer::kMaxBlock, "beginWrite");
  beginTransfer(t, address);
  t.sendLength = length + 3;
  t.isWrite = true;
  t.receiveLength = -1;
  std::memcpy(t.buffer + 3, data, static_cast<std::size_t>(length));
}

void beginPoll(LinkTransfer& t) {
  t = LinkTransfer{};
  t.buffer[0] = kDeviceWrite;
  t.sendLength = 1;
  t.isWrite = true;
  t.receiveLength = -1;
}

int stepTransfer(DeviceLink& link, LinkTransfer& t, const BusTiming& timing) {
  Lines lines(link, t, timing);
  const bool high = lines.toggleClock(timing.fast || timing.settleWaitUs > 0);

  switch (t.phase) {
    case LinkTransfer::kStart:
      if (!high) {
        lines.pull(false);
        awaitRelease(link, timing);
      } else if (dataLineHigh(link)) {
        lines.condition(true);  // START
        t.phase = LinkTransfer::kSendBits;
      }
      break;

    case LinkTransfer::kSendBits:
      if (!high) {
        const bool one = (t.buffer[t.sendIndex] >> (7 - t.bitCount)) & 1;
        lines.pull(!one);
        if (one) awaitRelease(link, timing);
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
        // The memory drives the acknowledge of a byte sent; the master
        // acknowledges a byte received.
        lines.pull(t.afterAck == LinkTransfer::kReceiveBits);
        break;
      }
      if (t.afterAck != LinkTransfer::kReceiveBits && missingAcknowledge(link, t, timing)) {
        t.phase = LinkTransfer::kStart;
        --t.sendIndex;
        if (link.awaitingFirstAnswer.load()) throw LinkError(LinkError::kNoAnswer, link_texts::noAnswer());
        throw LinkError(LinkError::kLinkBroken, link_texts::linkBroken());
      }
      link.awaitingFirstAnswer.store(false);
      t.lineWasHigh = false;  // an acknowledge holds the line low
      if (t.sendIndex != t.sendLength) {
        t.bitCount = 0;
        t.phase = t.afterAck;
      } else if (t.isWrite) {
        t.phase = LinkTransfer::kStop;
      } else if (t.readSwitched) {
        received(t)[t.receiveIndex] = 0;
        t.bitCount = 8;
        t.phase = LinkTransfer::kReceiveBits;
      } else {
        // Address sent: a repeated START follows, then the read byte.
        t.bitCount = 0;
        t.sendIndex = 0;
        t.buffer[0] = kDeviceRead;
        t.sendLength = 1;
        t.readSwitched = true;
        t.phase = LinkTransfer::kStart;
      }
      break;

    case LinkTransfer::kReceiveBits:
      if (timing.fast) {
        // The line is released in the low half only, and the bit is read
        // once it has settled.
        if (!high) {
          lines.pull(false);
          const bool bit =
              sampleMemoryBit(link, t.fallUs, timing.sampleWaitUs, timing.pollStepUs, t.lineWasHigh);
          t.lineWasHigh = bit;
          if (bit) received(t)[t.receiveIndex] |= static_cast<uint8_t>(1u << (t.bitCount - 1));
          if (--t.bitCount == 0) ++t.receiveIndex;
          break;
        }
      } else {
        lines.pull(false);
        link.port().busyWait(kSampleDelay);
        if (!high) {
          if (dataLineHigh(link)) received(t)[t.receiveIndex] |= static_cast<uint8_t>(1u << (t.bitCount - 1));
          if (--t.bitCount == 0) ++t.receiveIndex;
          break;
        }
      }
      if (t.bitCount == 0) {
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
        lines.pull(true);
      } else if (!dataLineHigh(link)) {
        lines.condition(false);  // STOP
        return kTransferDone;
      }
      break;
  }
  if (!timing.fast) link.portRead(kStatusRegister);
  return progressOf(t);
}

namespace {

// One read transaction; counts the bytes arriving in progressCounter unless
// the caller keeps its own count. Without a bit offset the bytes go straight
// into dst, any number of them (a sequential read).
void readTransaction(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length,
                     bool countProgress, const BusTiming& timing = {}) {
  checkBitOffset(bitOffset, "readBlockOnce");
  const int32_t base = link.progressCounter.load(std::memory_order_relaxed);
  LinkTransfer t;
  if (bitOffset == 0) {
    beginRun(t, static_cast<uint16_t>(address), length, dst);
    runTransfer(link, t, timing, base, countProgress ? length : 0);
    return;
  }
  beginRead(t, static_cast<uint16_t>(address), length);
  runTransfer(link, t, timing, base, countProgress ? length : 0);
  t.buffer[length] = 0;  // the top bits of the last output byte lie beyond what was read
  for (int j = 0; j < length; ++j) dst[j] = static_cast<uint8_t>(extractBits(t.buffer, bitOffset + 8 * j, 8));
}

}  // namespace

void readBlockOnce(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length) {
  checkLength(length, LinkTransfer::kMaxBlock, "readBlockOnce");
  readTransaction(link, dst, address, bitOffset, length, true);
}

// ---- The engine ----------------------------------------------------------------

BitBangedMemory::BitBangedMemory(std::unique_ptr<PortBackend> port, LinkTiming timing)
    : m_port(std::move(port)), m_timing(timing) {
  if (!m_port) throw std::invalid_argument("BitBangedMemory needs a port backend");
}

BusTiming BitBangedMemory::busTiming() const {
  if (!m_line) return BusTiming::standard();
  if (m_timing == LinkTiming::kStandard || m_fellBack.load()) return BusTiming::standard(&*m_line);
  return BusTiming::measured(*m_line);
}

void BitBangedMemory::begin(DeviceLink& link) {
  if (link.lptBase.load() == 0) detect(link);
  if (!m_line) measure(link);
  crossCheck(link);
}

void BitBangedMemory::measure(DeviceLink& link) {
  const LineSettle line = measureDataLine(link);
  // A line that does not follow is left to the transfers, which say what is
  // wrong as they always have; it is measured again next time.
  if (!line.responds()) return;
  if (line.worstUs() > BusTiming::kStandardSampleUs)
    throw LinkError(LinkError::kNoAnswer, timing_texts::tooSlow(line.worstUs()));
  m_line = line;
}

// The first block read fast and again with every wait at the standard
// 200 us: a line the measurement misjudged reads differently, and then the
// standard timing serves the rest of the run. Once per engine: a port whose
// line passed keeps it for the run. A check that fails is not done: the
// next exchange (or the next look of the port's detection) checks again.
void BitBangedMemory::crossCheck(DeviceLink& link) {
  if (m_crossChecked || !fast()) return;
  uint8_t first[kMaxBlock], check[kMaxBlock];
  readAttempts(link, first, 0, kMaxBlock, false, busTiming());
  readAttempts(link, check, 0, kMaxBlock, false, BusTiming::checking(*m_line));
  if (std::memcmp(first, check, sizeof first) != 0) {
    // A memory that fell silent during the check fails here instead of
    // passing for a slow line.
    readAttempts(link, check, 0, kMaxBlock, false, BusTiming::standard(&*m_line));
    m_fellBack = true;
  }
  m_crossChecked = true;
}

void BitBangedMemory::end(DeviceLink& link) {
  try {
    flush(link);
    readBack(link);
  } catch (...) {
    m_port->resetLines(link.lptBase.load());
    throw;
  }
  m_port->resetLines(link.lptBase.load());
  m_port->flush();
}

void BitBangedMemory::flushWrites(DeviceLink& link) {
  flush(link);
  readBack(link);
}

void BitBangedMemory::transfer(DeviceLink& link, LinkTransfer& t, const BusTiming& timing) {
  ++m_transactions;
  runTransfer(link, t, timing);
}

void BitBangedMemory::readAttempts(DeviceLink& link, uint8_t* dst, uint32_t address, int length,
                                   bool countProgress, const BusTiming& timing) {
  LinkError last;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    try {
      ++m_transactions;
      readTransaction(link, dst, address, 0, length, countProgress, timing);
      return;
    } catch (const LinkError& e) {
      last = e;
      m_port->sleep(kRetrySleepMs);
    }
  }
  throw last;
}

void BitBangedMemory::readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length,
                                bool countProgress) {
  checkLength(length, kMaxRun, "BitBangedMemory::readBlock");
  flush(link);
  readBack(link);
  crossCheck(link);
  const BusTiming timing = busTiming();
  if (timing.fast) return readAttempts(link, dst, address, length, countProgress, timing);
  // The standard timing keeps the protocol's blocks, each after its pause.
  for (int done = 0; done < length; done += kMaxBlock) {
    m_port->sleep(kRetrySleepMs);
    readAttempts(link, dst + done, address + static_cast<uint32_t>(done), std::min(kMaxBlock, length - done),
                 countProgress, timing);
  }
}

void BitBangedMemory::writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                                 bool countProgress) {
  crossCheck(link);
  if (!fast()) return writeByteByByte(link, src, address, count, countProgress);
  m_held.hold(
      src, address, count, [&] { flush(link); },
      [&](int n) {
        if (countProgress) link.progressCounter.fetch_add(n, std::memory_order_relaxed);
      });
}

// One single-byte transaction per byte, each followed by the write cycle,
// then the bytes read back in blocks, all in the standard timing.
void BitBangedMemory::writeByteByByte(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                                      bool countProgress) {
  const BusTiming timing = m_line ? BusTiming::standard(&*m_line) : BusTiming::standard();
  for (int i = 0; i < count; ++i) {
    LinkTransfer t;
    beginWrite(t, &src[i], static_cast<uint16_t>(address + i), 1);
    transfer(link, t, timing);
    if (countProgress) link.progressCounter.fetch_add(1, std::memory_order_relaxed);
    m_port->busyWait(kWriteCycle);
  }
  uint8_t back[kMaxBlock];
  for (int done = 0; done < count; done += kMaxBlock) {
    const int n = std::min(kMaxBlock, count - done);
    const uint32_t at = address + static_cast<uint32_t>(done);
    m_port->sleep(kRetrySleepMs);
    readAttempts(link, back, at, n, false, timing);
    checkWritten(link, src + done, back, at, n);
  }
}

// The held page: one page write, its write cycle polled to its end. It is
// read back with the pages after it.
void BitBangedMemory::flush(DeviceLink& link) {
  if (m_held.empty()) return;
  const PageRun run = m_held.take();  // a failed page is not written again
  LinkTransfer t;
  beginWrite(t, run.bytes, run.start, run.count);
  transfer(link, t, busTiming());
  awaitWriteCycle(link);
  m_held.stored(run);
}

void BitBangedMemory::readBack(DeviceLink& link) {
  m_held.readBack(
      PageBuffer::kReadBackRun,
      [&](uint8_t* dst, uint16_t address, int length) {
        readAttempts(link, dst, address, length, false, busTiming());
      },
      [&](const PageRun& run, const uint8_t* found) {
        if (std::memcmp(found, run.bytes, static_cast<std::size_t>(run.count)) == 0)
          checkWritten(link, run.bytes, found, run.start, run.count);
        else
          mend(link, run);
      });
}

// Acknowledge polling: the memory acknowledges nothing until its write
// cycle has ended. A refused poll is closed with a STOP, so a logic
// analyser sees whole transfers, and the next follows at once.
void BitBangedMemory::awaitWriteCycle(DeviceLink& link) {
  const BusTiming timing = busTiming();
  const uint64_t start = m_port->clockUs();
  for (;;) {
    LinkTransfer t;
    beginPoll(t);
    try {
      transfer(link, t, timing);
      return;
    } catch (const LinkError& e) {
      if (m_port->clockUs() - start >= static_cast<uint64_t>(kWriteCycleLimitUs)) throw;
      t.phase = LinkTransfer::kStop;
      try {
        transfer(link, t, timing);
      } catch (const LinkError&) {
        // The next poll's START recovers the bus.
      }
    }
  }
}

// A page that did not read back as written: byte by byte in the standard
// timing, with the full write cycle, then read back in it.
void BitBangedMemory::mend(DeviceLink& link, const PageRun& run) {
  writeByteByByte(link, run.bytes, run.start, run.count, false);
  m_mended.push_back(run.start & kPageMask);
}

std::vector<uint32_t> BitBangedMemory::takeMendedPages() {
  std::vector<uint32_t> pages;
  pages.swap(m_mended);
  return pages;
}

ProbeReport BitBangedMemory::probe(DeviceLink& link) {
  ProbeReport report;
  report.parallel = true;
  if (link.lptBase.load() == 0) detect(link);
  report.base = link.lptBase.load();
  report.line = measureDataLine(link);
  if (!report.line.responds() || report.line.worstUs() > BusTiming::kStandardSampleUs) return report;
  if (!m_line) m_line = report.line;
  report.checkedMemory = true;
  try {
    if (fast()) {
      m_crossChecked = false;  // asked to check: the line is checked again
      crossCheck(link);
    } else {
      uint8_t block[kMaxBlock];
      readBlock(link, block, 0, kMaxBlock, false);
    }
    // A memory that fell silent within the block read its rest as 0xFF.
    confirmAnswering(link, 0);
    report.memoryAnswers = true;
  } catch (const LinkError& e) {
    report.memoryFailed(e);
  }
  const BusTiming timing = busTiming();
  report.fast = timing.fast;
  report.fellBack = m_fellBack.load();
  report.sampleWaitUs = timing.sampleWaitUs;
  return report;
}

bool BitBangedMemory::answers(DeviceLink& link) {
  const LineSettle line = measureDataLine(link);
  if (!line.responds()) return false;
  if (line.worstUs() > BusTiming::kStandardSampleUs) return true;
  m_line = line;
  try {
    if (fast()) {
      crossCheck(link);
    } else {
      uint8_t block[kMaxBlock];
      readAttempts(link, block, 0, kMaxBlock, false, busTiming());
    }
    return true;
  } catch (const LinkError&) {
    return false;  // not reported: the memory may still be powering up
  }
}

void BitBangedMemory::detect(DeviceLink& link) {
  const std::vector<uint16_t> candidates = m_port->lptCandidates();
  for (uint16_t base : candidates) {
    link.lptBase = base;
    m_port->resetLines(base);
    const uint64_t start = m_port->clockUs();
    for (;;) {
      if (answers(link)) return;
      if (m_port->clockUs() - start >= 1000u * kPowerUpMs) break;
      m_port->sleep(kPowerUpPollMs);
    }
    link.lptBase = 0;  // a port that does not answer is not reported
    m_line.reset();
    m_crossChecked = false;
  }
  link.lptBase = candidates.empty() ? PortBackend::kLpt1 : candidates.front();
}
