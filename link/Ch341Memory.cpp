#include "link/Ch341Memory.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "link/DeviceLink.h"
#include "link/FactoryImage.h"
#include "link/LinkError.h"
#include "model/SystemErrorText.h"

namespace {

constexpr uint16_t kAddressMask = kDeviceMemorySize - 1;

// A USB failure: thrown as the bus's LinkError, marked so it is not retried.
struct UsbFailure : LinkError {
  explicit UsbFailure(int usbError)
      : LinkError(LinkError::kLinkBroken,
                  link_texts::linkBroken() + " (" + ch341UsbErrorText(usbError) + ")"),
        error(usbError) {}
  int error;
};

bool acknowledged(const std::vector<uint8_t>& answer, int status) {
  return !(answer[static_cast<std::size_t>(status)] & ch341::kNotAcknowledged);
}

// START, the device byte alone (its status), the two address bytes.
int addressMemory(Ch341Stream& s, uint16_t address) {
  const uint8_t where[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF)};
  s.start();
  const int status = s.sendAlone(Ch341Memory::kDeviceWrite);
  s.send(where, 2);
  return status;
}

struct ReadIndexes {
  int write, read, data, after;
};

// A sequential read of length bytes at address, then the look that shows
// the memory still answers.
ReadIndexes appendRead(Ch341Stream& s, uint16_t address, int length) {
  ReadIndexes at{};
  at.write = addressMemory(s, address);
  s.start();
  at.read = s.sendAlone(Ch341Memory::kDeviceRead);
  at.data = s.read(length, true);
  s.stop();
  s.start();
  at.after = s.sendAlone(Ch341Memory::kDeviceWrite);
  s.stop();
  return at;
}

}  // namespace

std::string ch341UsbErrorText(int error) {
  switch (error) {
    case ENODEV:
      return "адаптер CH341A отключён";
    case ETIMEDOUT:
      return "адаптер CH341A не ответил вовремя";
    case EPIPE:
      return "адаптер CH341A отверг команду";
    case EIO:
      return "ошибка обмена с адаптером CH341A по USB";
    default:
      return systemErrorText(error);
  }
}

Ch341Memory::Ch341Memory(std::unique_ptr<UsbTransport> usb, ch341::Speed speed, std::string where,
                         Reopen reopen)
    : m_usb(std::move(usb)), m_speed(speed), m_where(std::move(where)), m_reopen(std::move(reopen)) {
  if (!m_usb) throw std::invalid_argument("Ch341Memory needs a USB transport");
}

Ch341Memory::~Ch341Memory() {
  try {
    flush(nullptr);
  } catch (...) {
    // Nobody is left to tell; the exchanges store everything in end().
  }
}

void Ch341Memory::failUsb(int error) {
  if (error == ENODEV) m_gone = true;
  throw UsbFailure(error);
}

void Ch341Memory::begin(DeviceLink&) {
  if (!m_gone || !m_reopen) return;
  try {
    m_usb = m_reopen();
    m_gone = false;
    m_speedSet = false;
    m_run.clear();
  } catch (const std::exception&) {
    // Still unplugged: the first transfer says so.
  }
}

// No acknowledge before the first answer of the process means nothing is
// connected; after it, the link broke.
void Ch341Memory::failNoAnswer(DeviceLink* link) const {
  const bool first = link && link->awaitingFirstAnswer.load();
  throw LinkError(first ? LinkError::kNoAnswer : LinkError::kLinkBroken,
                  first ? link_texts::noAnswer() : link_texts::linkBroken());
}

std::vector<uint8_t> Ch341Memory::exchange(Ch341Stream& stream) {
  if (!m_speedSet) {
    Ch341Stream speed;
    speed.setSpeed(m_speed);
    const std::vector<uint8_t> out = speed.bytes();
    ++m_roundTrips;
    if (const int error = m_usb->bulkOut(out.data(), static_cast<int>(out.size()))) failUsb(error);
    m_speedSet = true;
  }
  const std::vector<uint8_t> out = stream.bytes();
  ++m_roundTrips;
  if (const int error = m_usb->bulkOut(out.data(), static_cast<int>(out.size()))) failUsb(error);
  std::vector<uint8_t> answer(static_cast<std::size_t>(stream.answerLength()));
  if (!answer.empty())
    if (const int error = m_usb->bulkIn(answer.data(), static_cast<int>(answer.size()))) failUsb(error);
  return answer;
}

void Ch341Memory::readRun(DeviceLink& link, uint16_t address, int length) {
  m_run.clear();
  Ch341Stream s;
  const ReadIndexes at = appendRead(s, address, length);
  const std::vector<uint8_t> answer = exchange(s);
  if (!acknowledged(answer, at.write) || !acknowledged(answer, at.read)) failNoAnswer(&link);
  link.awaitingFirstAnswer.store(false);
  if (!acknowledged(answer, at.after)) throw LinkError(LinkError::kLinkBroken, link_texts::linkBroken());
  m_run.assign(answer.begin() + at.data, answer.begin() + at.data + length);
  m_runStart = address;
}

bool Ch341Memory::fromRun(uint16_t address, int length, uint8_t* dst) const {
  const auto offset = static_cast<std::size_t>((address - m_runStart) & kAddressMask);
  if (m_run.empty() || offset + static_cast<std::size_t>(length) > m_run.size()) return false;
  std::memcpy(dst, m_run.data() + offset, static_cast<std::size_t>(length));
  return true;
}

void Ch341Memory::readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length,
                            bool countProgress) {
  if (length < 1 || length > MemoryAccess::kMaxRun)
    throw std::invalid_argument("Ch341Memory::readBlock: length " + std::to_string(length) +
                                " outside 1..256");
  flush(&link);
  const auto start = static_cast<uint16_t>(address & kAddressMask);
  if (!fromRun(start, length, dst)) {
    // A block read that begins inside or right after the last run continues
    // a sequential read: the next run is twice as long. Others read what
    // they ask, so scattered reads (the slot headers) and runs the caller
    // sized itself cost no more bus time.
    int run = length;
    const auto offset = static_cast<std::size_t>((start - m_runStart) & kAddressMask);
    if (!m_run.empty() && offset <= m_run.size() && length <= kMaxBlock)
      run = std::clamp(2 * static_cast<int>(m_run.size()), length, kMaxRun);
    run = std::max(length, std::min(run, kDeviceMemorySize - start));  // no wrap unless asked
    for (int attempt = 1;; ++attempt) {
      try {
        readRun(link, start, run);
        break;
      } catch (const UsbFailure&) {
        throw;
      } catch (const LinkError&) {
        if (attempt == kReadAttempts) throw;
        m_usb->sleepUs(kRetryPauseUs);
      }
    }
    fromRun(start, length, dst);
  }
  if (countProgress) link.progressCounter.fetch_add(length, std::memory_order_relaxed);
}

bool Ch341Memory::heldByte(uint32_t address, uint8_t& value) const { return m_held.heldByte(address, value); }

void Ch341Memory::writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                             bool countProgress) {
  m_run.clear();  // what it read may change now
  m_held.hold(
      src, address, count, [&] { flush(&link); },
      [&](int n) {
        if (countProgress) link.progressCounter.fetch_add(n, std::memory_order_relaxed);
      });
}

void Ch341Memory::end(DeviceLink& link) {
  m_run.clear();  // the next exchange reads the memory anew
  flush(&link);
  m_usb->flush();
}

// One round trip: the page write, the write cycle waited on the bus, a poll
// that shows it has ended, the read-back. A memory still busy then (some
// makers take 10 ms) is polled and the page read back on its own.
void Ch341Memory::flush(DeviceLink* link) {
  if (m_held.empty()) return;
  const PageRun page = m_held.take();  // a failed page is not written again
  m_run.clear();
  Ch341Stream s;
  const int written = addressMemory(s, page.start);
  s.send(page.bytes, page.count);
  s.stop();
  s.waitMs(kWriteCycleMs);
  const ReadIndexes back = appendRead(s, page.start, page.count);
  const std::vector<uint8_t> answer = exchange(s);
  if (!acknowledged(answer, written)) failNoAnswer(link);
  if (link) link->awaitingFirstAnswer.store(false);
  if (acknowledged(answer, back.write) && acknowledged(answer, back.read) &&
      acknowledged(answer, back.after)) {
    checkReadBack(link, page.bytes, answer.data() + back.data, page.start, page.count);
    return;
  }
  awaitWriteCycle();
  DeviceLink* const owner = link;
  if (!owner) return;  // the destructor: nobody to read back for
  readRun(*owner, page.start, page.count);
  checkReadBack(owner, page.bytes, m_run.data(), page.start, page.count);
  m_run.clear();
}

// Acknowledge polling: the memory answers nothing until its write cycle has
// ended. Each poll is a round trip of its own, about a millisecond.
void Ch341Memory::awaitWriteCycle() {
  const uint64_t start = m_usb->nowUs();
  for (;;) {
    Ch341Stream s;
    s.start();
    const int status = s.sendAlone(kDeviceWrite);
    s.stop();
    if (acknowledged(exchange(s), status)) return;
    if (m_usb->nowUs() - start >= kWriteCycleLimitUs)
      throw LinkError(LinkError::kLinkBroken, link_texts::linkBroken());
  }
}

// With a link, as every engine checks (checkWritten); the destructor has none.
void Ch341Memory::checkReadBack(DeviceLink* link, const uint8_t* expected, const uint8_t* read,
                                uint16_t address, int count) const {
  if (link) return checkWritten(*link, expected, read, address, count);
  for (int i = 0; i < count; ++i)
    if (read[i] != expected[i])
      throw LinkError(kErrorVerify,
                      link_texts::verifyFailed((address + i) & kAddressMask, read[i], expected[i]));
}

ProbeReport Ch341Memory::probe(DeviceLink& link) {
  ProbeReport report;
  report.checkedMemory = true;
  begin(link);
  try {
    uint8_t version[2] = {};
    int received = 0;
    if (const int error = m_usb->controlIn(kVersionRequest, 0, 0, version, 2, received)) failUsb(error);
    char text[96];
    std::snprintf(text, sizeof text, ", версия микросхемы 0x%02X%02X, шина I2C %d кГц", version[1],
                  version[0], ch341::speedKHz(m_speed));
    report.adapter = m_where + text;
    uint8_t byte = 0;
    m_run.clear();
    readBlock(link, &byte, 0, 1, false);
    report.memoryAnswers = true;
  } catch (const UsbFailure& e) {
    report.adapterFailure = ch341UsbErrorText(e.error);
    report.failure = e.text();
  } catch (const LinkError& e) {
    report.memoryFailed(e);
  }
  return report;
}
