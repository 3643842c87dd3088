#include "link/I2cDevMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "link/DeviceLink.h"
#include "link/LinkError.h"
#include "model/SystemErrorText.h"

namespace {

constexpr uint16_t kAddressMask = 0x1FFF;  // the memory's 13 address bits

bool missingAcknowledge(int error) { return error == ENXIO || error == EREMOTEIO || error == EIO; }

// Why a transfer failed, for the code-2 message (UTF-8).
std::string transferErrorText(int error) {
  switch (error) {
    case EAGAIN:
      return "на шине I2C другой ведущий (арбитраж проигран)";
    case ETIMEDOUT:
      return "шина I2C не освободилась вовремя";
    case ENODEV:
    case ESHUTDOWN:
      return "адаптер I2C отключён";
    case EOPNOTSUPP:
      return "адаптер I2C не умеет такие передачи";
    default:
      return systemErrorText(error);
  }
}

}  // namespace

I2cDevMemory::I2cDevMemory(std::unique_ptr<I2cBus> bus, uint16_t address)
    : m_bus(std::move(bus)), m_address(address) {
  if (!m_bus) throw std::invalid_argument("I2cDevMemory needs an I2C bus");
}

I2cDevMemory::~I2cDevMemory() {
  try {
    flush(nullptr);
  } catch (...) {
    // Nobody is left to tell; the exchanges store everything in end().
  }
}

int I2cDevMemory::transferOnce(I2cMessage* messages, int count) {
  int error = 0;
  for (int attempt = 0; attempt <= kArbitrationRetries; ++attempt) {
    ++m_transfers;
    error = m_bus->transfer(messages, count);
    if (error != EAGAIN) break;
  }
  return error;
}

// Acknowledge polling with the transfer itself: a memory still in its write
// cycle refuses its address, and nothing of the transfer happens.
int I2cDevMemory::transfer(I2cMessage* messages, int count) {
  for (;;) {
    const int error = transferOnce(messages, count);
    if (!error) m_cycleMayRun = false;
    if (!m_cycleMayRun || !missingAcknowledge(error) || m_bus->nowUs() - m_cycleStart >= kWriteCycleLimitUs)
      return error;
  }
}

// The bit-banged bus's codes: no acknowledge before the first answer of the
// process means nothing is connected; after it, the link broke.
void I2cDevMemory::fail(DeviceLink* link, int error) const {
  const bool first = link && link->awaitingFirstAnswer.load();
  if (missingAcknowledge(error))
    throw LinkError(first ? LinkError::kNoAnswer : LinkError::kLinkBroken,
                    first ? link_texts::noAnswer() : link_texts::linkBroken());
  throw LinkError(LinkError::kLinkBroken, link_texts::linkBroken() + " (" + transferErrorText(error) + ")");
}

int I2cDevMemory::readOnce(uint8_t* dst, uint16_t address, int length) {
  uint8_t where[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF)};
  I2cMessage messages[2];
  messages[0] = {m_address, 0, 2, where};
  messages[1] = {m_address, I2cMessage::kRead, static_cast<uint16_t>(length), dst};
  return transfer(messages, 2);
}

void I2cDevMemory::readRetried(DeviceLink& link, uint8_t* dst, uint32_t address, int length) {
  for (int done = 0; done < length;) {
    const int n = std::min(m_maxRead, length - done);
    const auto at = static_cast<uint16_t>((address + static_cast<uint32_t>(done)) & kAddressMask);
    for (int attempt = 1;; ++attempt) {
      const int error = readOnce(dst + done, at, n);
      if (!error) break;
      if ((error == EOPNOTSUPP || error == EINVAL) && n > kMaxBlock) {
        m_maxRead = kMaxBlock;  // the adapter cannot read so much in one message
        break;
      }
      if (attempt == kReadAttempts) fail(&link, error);
      m_bus->sleepUs(kRetryPauseUs);
    }
    if (n > m_maxRead) continue;  // again in shorter messages
    link.awaitingFirstAnswer.store(false);
    done += n;
  }
}

void I2cDevMemory::readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length,
                             bool countProgress) {
  if (length < 1 || length > kMaxRun)
    throw std::invalid_argument("I2cDevMemory::readBlock: length " + std::to_string(length) +
                                " outside 1..256");
  flush(&link);
  readBack(link);
  readRetried(link, dst, address, length);
  if (countProgress) link.progressCounter.fetch_add(length, std::memory_order_relaxed);
}

bool I2cDevMemory::heldByte(uint32_t address, uint8_t& value) const {
  return m_held.heldByte(address, value);
}

void I2cDevMemory::writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                              bool countProgress) {
  m_held.hold(
      src, address, count, [&] { flush(&link); },
      [&](int n) {
        if (countProgress) link.progressCounter.fetch_add(n, std::memory_order_relaxed);
      });
}

void I2cDevMemory::end(DeviceLink& link) {
  flush(&link);
  readBack(link);
}

void I2cDevMemory::flush(DeviceLink* link) {
  if (m_held.empty()) return;
  const PageRun run = m_held.take();  // a failed page is not written again
  uint8_t bytes[2 + kPageSize];
  bytes[0] = static_cast<uint8_t>(run.start >> 8);
  bytes[1] = static_cast<uint8_t>(run.start & 0xFF);
  std::memcpy(bytes + 2, run.bytes, static_cast<std::size_t>(run.count));
  I2cMessage message{m_address, 0, static_cast<uint16_t>(2 + run.count), bytes};
  if (const int error = transfer(&message, 1)) fail(link, error);
  if (link) link->awaitingFirstAnswer.store(false);
  m_cycleMayRun = true;
  m_cycleStart = m_bus->nowUs();
  m_held.stored(run);
}

void I2cDevMemory::readBack(DeviceLink& link) {
  m_held.readBack(
      PageBuffer::kReadBackRun,
      [&](uint8_t* dst, uint16_t address, int length) { readRetried(link, dst, address, length); },
      [&](const PageRun& run, const uint8_t* found) {
        checkWritten(link, run.bytes, found, run.start, run.count);
      });
}
