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

int I2cDevMemory::transfer(I2cMessage* messages, int count) {
  int error = 0;
  for (int attempt = 0; attempt <= kArbitrationRetries; ++attempt) {
    ++m_transfers;
    error = m_bus->transfer(messages, count);
    if (error != EAGAIN) break;
  }
  return error;
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

void I2cDevMemory::readOnce(DeviceLink& link, uint8_t* dst, uint16_t address, int length) {
  uint8_t where[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address & 0xFF)};
  I2cMessage messages[2];
  messages[0] = {m_address, 0, 2, where};
  messages[1] = {m_address, I2cMessage::kRead, static_cast<uint16_t>(length), dst};
  if (const int error = transfer(messages, 2)) fail(&link, error);
  link.awaitingFirstAnswer.store(false);
}

void I2cDevMemory::readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length,
                             bool countProgress) {
  if (length < 1 || length > kMaxBlock)
    throw std::invalid_argument("I2cDevMemory::readBlock: length " + std::to_string(length) +
                                " outside 1..32");
  flush(&link);
  const auto start = static_cast<uint16_t>(address & kAddressMask);
  for (int attempt = 1;; ++attempt) {
    try {
      readOnce(link, dst, start, length);
      break;
    } catch (const LinkError&) {
      if (attempt == kReadAttempts) throw;
      m_bus->sleepUs(kRetryPauseUs);
    }
  }
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

void I2cDevMemory::end(DeviceLink& link) { flush(&link); }

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
  awaitWriteCycle(link);
  if (!link) return;
  uint8_t back[kPageSize];
  readBlock(*link, back, run.start, run.count, false);
  checkWritten(*link, run.bytes, back, run.start, run.count);
}

// Acknowledge polling: the memory answers nothing until its write cycle
// has ended. A one-byte read changes nothing in it.
void I2cDevMemory::awaitWriteCycle(DeviceLink* link) {
  const uint64_t start = m_bus->nowUs();
  uint8_t byte = 0;
  for (;;) {
    m_bus->sleepUs(kPollPauseUs);
    I2cMessage poll{m_address, I2cMessage::kRead, 1, &byte};
    const int error = transfer(&poll, 1);
    if (error == 0) return;
    if (!missingAcknowledge(error)) fail(link, error);
    if (m_bus->nowUs() - start >= kWriteCycleLimitUs) fail(link, error);
  }
}
