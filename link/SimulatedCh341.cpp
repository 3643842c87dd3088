#include "link/SimulatedCh341.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include "link/ImageFile.h"
#include "link/LinkError.h"
#include "link/PortBackend.h"
#include "link/VcdTrace.h"

using namespace ch341;

namespace {

constexpr uint16_t kAddressMask = kDeviceMemorySize - 1;

}  // namespace

SimulatedCh341::SimulatedCh341(const Ch341SimulatorOptions& options) : m_fault(options.fault) {
  setWriteCycle(options.writeCycleUs);
  if (!options.imagePath.empty()) {
    try {
      m_store = std::make_unique<ImageStore>(options.imagePath);
    } catch (const ImageFileError& e) {
      throw PortError(std::string("симулятор адаптера CH341A: ") + e.what());
    }
    m_memory = m_store->loaded();
  }
  if (options.tracePath.empty()) return;
  if (m_store && m_store->isFile(options.tracePath))
    throw PortError("симулятор адаптера CH341A: файл трассы " + options.tracePath +
                    " — это файл памяти симулятора; укажите для трассы другой файл");
  m_trace = std::make_unique<VcdTrace>(options.tracePath, m_scl, m_sda, VcdTrace::Unit::kNanosecond);
}

SimulatedCh341::SimulatedCh341(const MemoryImage& image, Ch341Fault fault)
    : m_memory(image), m_fault(fault) {}

SimulatedCh341::~SimulatedCh341() = default;

bool SimulatedCh341::unplugged() {
  const uint64_t index = m_transfers++;
  return m_fault.kind == Ch341Fault::kUnplug && index >= m_fault.transfer;
}

int SimulatedCh341::bulkOut(const uint8_t* data, int length) {
  if (unplugged()) return ENODEV;
  m_now += kRoundTripNs;
  for (int at = 0; at < length; at += kPacketSize) runSegment(data + at, std::min(kPacketSize, length - at));
  return 0;
}

int SimulatedCh341::bulkIn(uint8_t* data, int length) {
  if (unplugged()) return ENODEV;
  if (static_cast<int>(m_answer.size()) < length) {
    m_answer.clear();
    return ETIMEDOUT;  // the chip has nothing more to say
  }
  std::copy_n(m_answer.begin(), length, data);
  m_answer.erase(m_answer.begin(), m_answer.begin() + length);
  return 0;
}

int SimulatedCh341::controlIn(uint8_t request, uint16_t, uint16_t, uint8_t* data, int length, int& received) {
  received = 0;
  if (unplugged()) return ENODEV;
  m_now += kRoundTripNs;
  if (request != 0x5F) return EPIPE;
  received = std::min(length, 2);
  std::copy_n(kVersion, received, data);
  return 0;
}

void SimulatedCh341::flush() {
  if (m_trace) m_trace->flush(m_now);
}

std::string SimulatedCh341::takeTraceFailure() { return m_trace ? m_trace->takeFailure() : std::string(); }

// One segment as the chip takes it: the stream command, then sub-commands
// until kEnd or the segment's end. A sub-command whose bytes run past the
// segment, an unknown one, or answers beyond one packet are the engine's
// mistakes: counted, and the rest of the segment ignored.
void SimulatedCh341::runSegment(const uint8_t* segment, int length) {
  if (segment[0] != kStream) {
    ++m_protocolErrors;
    return;
  }
  int answered = 0;
  for (int i = 1; i < length; ++i) {
    const uint8_t command = segment[i];
    if (command == kEnd) return;
    if (command == kStart) {
      busStart();
    } else if (command == kStop) {
      busStop();
    } else if ((command & 0xE0) == kOut) {
      const int n = command & 0x1F;
      if (i + std::max(n, 1) >= length) break;
      if (n == 0) {
        m_answer.push_back(busWrite(segment[++i]) ? 0x00 : kNotAcknowledged);
        ++answered;
      }
      for (int k = 0; k < n; ++k) busWrite(segment[++i]);
    } else if (command >= kIn && command <= (kIn | kPacketSize)) {
      const int n = command - kIn;
      for (int k = 0; k < std::max(n, 1); ++k) m_answer.push_back(busRead(n != 0));
      answered += std::max(n, 1);
    } else if ((command & 0xF0) == kSetSpeed) {
      m_speed = static_cast<Speed>(command & 3);
    } else if ((command & 0xF0) == kWaitMs) {
      m_now += (command & 0x0F) * 1000000ull;
    } else if ((command & 0xF0) == kWaitUs) {
      m_now += (command & 0x0F) * 1000ull;
    } else {
      break;
    }
    if (answered > kPacketSize) break;
    if (i == length - 1) return;
  }
  ++m_protocolErrors;
}

uint64_t SimulatedCh341::bitNs() const { return 1000000ull / static_cast<uint64_t>(speedKHz(m_speed)); }

void SimulatedCh341::lines(uint64_t at, bool scl, bool sda) {
  m_scl = scl;
  m_sda = sda;
  if (m_trace) m_trace->record(at, scl, sda);
}

// One bit time with the clock low at its start: data set in the first
// quarter, clock high from the middle, low again at its end.
void SimulatedCh341::clockBit(bool level) {
  const uint64_t t = m_now, bit = bitNs();
  lines(t + bit / 4, false, level);
  lines(t + bit / 2, true, level);
  lines(t + bit, false, level);
  m_now += bit;
}

void SimulatedCh341::busStart() {
  const uint64_t t = m_now, bit = bitNs();
  lines(t + bit / 4, m_scl, true);
  lines(t + bit / 2, true, true);
  lines(t + 3 * bit / 4, true, false);
  lines(t + bit, false, false);
  m_now += bit;
  m_pageWritten = 0;  // a START instead of a STOP abandons a page write
  m_state = State::kDevice;
}

void SimulatedCh341::busStop() {
  const uint64_t t = m_now, bit = bitNs();
  if (!m_scl) {  // from an idle bus a STOP changes nothing
    lines(t + bit / 4, false, false);
    lines(t + bit / 2, true, false);
    lines(t + 3 * bit / 4, true, true);
  }
  m_now += bit;
  if (m_state == State::kData && m_pageWritten != 0 && answering()) storePage();
  m_pageWritten = 0;
  m_state = State::kIdle;
}

bool SimulatedCh341::busWrite(uint8_t byte) {
  for (int b = 7; b >= 0; --b) clockBit((byte >> b) & 1);
  const bool ack = memoryTakes(byte);
  clockBit(!ack);
  return ack;
}

uint8_t SimulatedCh341::busRead(bool acknowledge) {
  uint8_t byte = 0xFF;  // the released line
  if (m_state == State::kSend && answering()) {
    byte = m_memory[m_counter];
    m_counter = (m_counter + 1) & kAddressMask;
  }
  for (int b = 7; b >= 0; --b) clockBit((byte >> b) & 1);
  clockBit(!acknowledge);
  if (!acknowledge) m_state = State::kIgnore;  // the memory stops sending
  return byte;
}

bool SimulatedCh341::answering() {
  if (m_fault.kind == Ch341Fault::kAbsent) return false;
  if (m_fault.kind == Ch341Fault::kNack && m_counter == m_fault.address) m_silent = true;
  return !m_silent;
}

// Decides the acknowledge of a byte the master sends and takes its meaning.
bool SimulatedCh341::memoryTakes(uint8_t byte) {
  if (!answering() || m_now < m_cycleEnd) {
    m_state = State::kIgnore;
    return false;
  }
  switch (m_state) {
    case State::kDevice:
      if ((byte & 0xFE) != 0xA0) break;
      m_state = (byte & 1) ? State::kSend : State::kAddressHigh;
      return true;
    case State::kAddressHigh:
      m_counter = static_cast<uint16_t>((byte << 8) & kAddressMask);
      m_state = State::kAddressLow;
      return true;
    case State::kAddressLow:
      m_counter = static_cast<uint16_t>((m_counter | byte) & kAddressMask);
      m_pageBase = static_cast<uint16_t>(m_counter & ~(kPageSize - 1));
      m_pageWritten = 0;
      m_state = State::kData;
      return true;
    case State::kData: {
      const int at = m_counter & (kPageSize - 1);
      if (m_pageWritten & (1u << at)) ++m_pageWraps;  // wrapped to the page's start
      m_page[at] = byte;
      m_pageWritten |= 1u << at;
      m_counter = static_cast<uint16_t>(m_pageBase | ((at + 1) & (kPageSize - 1)));
      return true;
    }
    default:
      break;
  }
  m_state = State::kIgnore;
  return false;
}

void SimulatedCh341::storePage() {
  if (m_store) m_store->checkWritable();
  for (int i = 0; i < kPageSize; ++i)
    if (m_pageWritten & (1u << i)) m_memory[m_pageBase + i] = m_page[i];
  m_cycleEnd = m_now + m_writeCycleNs;
  ++m_storedPages;
  if (!m_store) return;
  try {
    m_store->store(m_memory, m_pageBase, kPageSize);
  } catch (const ImageFileError& e) {
    throw LinkError(LinkError::kLinkBroken, std::string("Образ памяти симулятора не сохранён: ") + e.what());
  }
}
