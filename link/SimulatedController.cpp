#include "link/SimulatedController.h"

#include <algorithm>
#include <string>

#include "link/ImageFile.h"
#include "link/LinkError.h"
#include "link/VcdTrace.h"

namespace {

constexpr uint8_t kClockBit = 0x01;
constexpr uint8_t kDataPullBit = 0x02;
constexpr uint8_t kStatusDataBit = 0x40;
constexpr uint16_t kAddressMask = kDeviceMemorySize - 1;
// The memory's standard-mode minimums in whole microseconds: clock low and
// bus free 4.7 us, clock high, START hold and STOP setup 4 us.
constexpr uint64_t kMinLowUs = 5;
constexpr uint64_t kMinHighUs = 4;

}  // namespace

SimulatedController::SimulatedController(const SimulatorOptions& options)
    : m_base(options.base), m_fault(options.fault) {
  setRiseTime(options.riseUs);
  setAccessTime(options.accessUs);
  setWriteCycle(options.writeCycleUs);
  if (!options.imagePath.empty()) {
    try {
      m_store = std::make_unique<ImageStore>(options.imagePath);
    } catch (const ImageFileError& e) {
      throw PortError(std::string("симулятор контроллера: ") + e.what());
    }
    m_memory = m_store->loaded();
  }
  if (options.tracePath.empty()) return;
  if (m_store && m_store->isFile(options.tracePath))
    throw PortError("симулятор контроллера: файл трассы " + options.tracePath +
                    " — это файл памяти симулятора; укажите для трассы другой файл");
  m_trace = std::make_unique<VcdTrace>(options.tracePath, m_scl, m_sda);
}

SimulatedController::SimulatedController(const MemoryImage& image, uint16_t base, SimulatorFault fault)
    : m_memory(image), m_base(base), m_fault(fault) {}

SimulatedController::~SimulatedController() {
  // A memory finishes its write cycle even when the master has gone.
  if (m_cycleEnd != 0) {
    try {
      finishWriteCycle();
    } catch (...) {
      // Nobody is left to tell; the previous image stays whole on disk.
    }
  }
}

void SimulatedController::advance(uint64_t us) {
  m_now += us;
  if (m_cycleEnd != 0 && m_now >= m_cycleEnd) finishWriteCycle();
}

void SimulatedController::finishWriteCycle() {
  m_cycleEnd = 0;
  ++m_completedCycles;
  save();
}

void SimulatedController::flush() {
  if (m_trace) m_trace->flush();
}

std::string SimulatedController::takeTraceFailure() {
  return m_trace ? m_trace->takeFailure() : std::string();
}

void SimulatedController::save() {
  if (!m_store) return;
  try {
    for (int i = 0; i < kPageSize; ++i) {
      if (!(m_cycleBytes & (1u << i))) continue;
      int end = i;
      while (end < kPageSize && (m_cycleBytes & (1u << end))) ++end;
      m_store->store(m_memory, m_cyclePage + i, end - i);
      i = end;
    }
  } catch (const ImageFileError& e) {
    // The bus engine carries LinkError to whoever shows device faults.
    throw LinkError(LinkError::kLinkBroken, std::string("Образ памяти симулятора не сохранён: ") + e.what());
  }
}

uint8_t SimulatedController::inByte(uint16_t address) {
  advance(m_accessUs);
  if (address == m_base) return m_latch;
  if (address == m_base + 1) {
    const bool high = m_sda && m_now >= m_releasedAt + m_riseUs;
    return static_cast<uint8_t>(0x3F | (high ? kStatusDataBit : 0));
  }
  return 0xFF;
}

void SimulatedController::outByte(uint16_t address, uint8_t value) {
  advance(m_accessUs);
  if (address != m_base) return;  // base + 1 is read-only; other bases have nothing attached
  m_latch = value;
  updateLines();
}

void SimulatedController::busyWaitUs(int microseconds) {
  if (microseconds > 0) advance(static_cast<uint64_t>(microseconds));
}

void SimulatedController::sleep(int milliseconds) {
  if (milliseconds > 0) advance(static_cast<uint64_t>(milliseconds) * 1000);
}

void SimulatedController::resetLines(uint16_t base) {
  m_resets.push_back({base, m_now});
  PortBackend::resetLines(base);
}

bool SimulatedController::answering() const {
  switch (m_fault.kind) {
    case SimulatorFault::kAbsent:
      return false;
    case SimulatorFault::kDropout:
      return m_bytesOnBus < m_fault.dropoutBytes;
    default:
      return true;
  }
}

// A change of both lines in one register write is taken clock first, so it
// never reads as START or STOP.
void SimulatedController::updateLines() {
  const bool scl = m_latch & kClockBit;
  if (scl != m_scl) {
    m_scl = scl;
    if (scl) {
      checkTime(m_sclFell, kMinLowUs);
      m_sclRose = m_now;
      risingClock();
    } else {
      checkTime(std::max(m_sclRose, m_startAt), kMinHighUs);
      m_sclFell = m_now;
      fallingClock();
    }
  }
  const bool sda =
      !(m_latch & kDataPullBit) && !m_memoryPullsLow && m_fault.kind != SimulatorFault::kStuckLow;
  if (sda != m_sda) {
    m_sda = sda;
    if (sda) m_releasedAt = m_now;
    if (m_scl) {
      checkTime(m_sclRose, sda ? kMinHighUs : kMinLowUs);  // STOP setup, repeated START setup
      if (sda) {
        m_stopAt = m_now;
        stopCondition();
      } else {
        checkTime(m_stopAt, kMinLowUs);  // the bus free between a STOP and a START
        m_startAt = m_now;
        startCondition();
      }
    }
  }
  if (m_trace) m_trace->record(m_now, m_scl, m_sda);
}

void SimulatedController::checkTime(uint64_t since, uint64_t minimum) {
  if (since != 0 && m_now < since + minimum) ++m_timingViolations;
}

void SimulatedController::startCondition() {
  // A START instead of a STOP after data bytes abandons the page write.
  m_pageWritten = 0;
  m_memoryPullsLow = false;
  m_mode = Mode::kReceive;
  m_expect = Expect::kDevice;
  m_readDirection = false;
  m_clocks = 0;
  m_shift = 0;
}

void SimulatedController::stopCondition() {
  if (m_pageWritten != 0 && answering()) {
    if (m_store) m_store->checkWritable();
    const bool lost =
        m_fault.kind == SimulatorFault::kDropWrite && ++m_writesSinceFault == m_fault.droppedWrite;
    for (int i = 0; i < kPageSize; ++i) {
      const bool kept =
          !lost && (m_fault.kind != SimulatorFault::kReadonly || m_pageBase + i != m_fault.readonlyAddress);
      if ((m_pageWritten & (1u << i)) && kept) m_memory[m_pageBase + i] = m_page[i];
    }
    m_cycleEnd = m_now + m_writeCycleUs;
    m_cyclePage = m_pageBase;
    m_cycleBytes = m_pageWritten;
  }
  m_pageWritten = 0;
  m_memoryPullsLow = false;
  m_mode = Mode::kIdle;
}

void SimulatedController::risingClock() {
  if (m_mode == Mode::kReceive) {
    if (m_clocks < 8) {
      m_shift = static_cast<uint8_t>((m_shift << 1) | (m_sda ? 1 : 0));
      if (++m_clocks == 8) m_acking = acceptByte(m_shift);
    } else {
      m_clocks = 9;
    }
  } else if (m_mode == Mode::kSend) {
    if (m_clocks < 8) {
      ++m_clocks;
    } else {
      m_masterAck = !m_sda;
      m_clocks = 9;
    }
  }
}

void SimulatedController::fallingClock() {
  switch (m_mode) {
    case Mode::kReceive:
      if (m_clocks == 8) {
        m_memoryPullsLow = m_acking;
        if (!m_acking) m_mode = Mode::kIgnore;
      } else if (m_clocks == 9) {
        m_memoryPullsLow = false;
        ++m_bytesOnBus;
        m_clocks = 0;
        m_shift = 0;
        if (m_readDirection && m_expect == Expect::kDevice) {
          m_mode = Mode::kSend;
          m_memoryPullsLow = answering() && !(m_memory[m_address] & 0x80);
          if (!answering()) m_mode = Mode::kIgnore;
        }
      }
      break;
    case Mode::kSend:
      if (m_clocks < 8) {
        m_memoryPullsLow = !((m_memory[m_address] >> (7 - m_clocks)) & 1);
      } else if (m_clocks == 8) {
        m_memoryPullsLow = false;  // the master acknowledges
      } else {
        ++m_bytesOnBus;
        m_address = (m_address + 1) & kAddressMask;
        m_clocks = 0;
        if (m_masterAck && answering()) {
          m_memoryPullsLow = !(m_memory[m_address] & 0x80);
        } else {
          m_memoryPullsLow = false;
          m_mode = Mode::kIgnore;
        }
      }
      break;
    case Mode::kIdle:
    case Mode::kIgnore:
      m_memoryPullsLow = false;
      break;
  }
}

// Decides the acknowledge of a received byte and takes its meaning.
bool SimulatedController::acceptByte(uint8_t byte) {
  if (!answering()) return false;
  switch (m_expect) {
    case Expect::kDevice:
      if (m_cycleEnd != 0 || (byte & 0xFE) != 0xA0) return false;
      m_readDirection = byte & 1;
      if (!m_readDirection) m_expect = Expect::kAddressHigh;
      return true;
    case Expect::kAddressHigh:
      m_address = static_cast<uint16_t>(byte << 8);
      m_expect = Expect::kAddressLow;
      return true;
    case Expect::kAddressLow:
      m_address = static_cast<uint16_t>((m_address | byte) & kAddressMask);
      m_pageBase = static_cast<uint16_t>(m_address & ~(kPageSize - 1));
      m_pageWritten = 0;
      m_expect = Expect::kData;
      return true;
    case Expect::kData: {
      const int index = m_address & (kPageSize - 1);
      m_page[index] = byte;
      m_pageWritten |= 1u << index;
      m_address = static_cast<uint16_t>(m_pageBase | ((index + 1) & (kPageSize - 1)));
      return true;
    }
  }
  return false;
}
