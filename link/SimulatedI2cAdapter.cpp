#include "link/SimulatedI2cAdapter.h"

#include <cerrno>
#include <string>

#include "link/ImageFile.h"
#include "link/LinkError.h"
#include "link/PortBackend.h"

namespace {

constexpr uint16_t kAddressMask = kDeviceMemorySize - 1;
constexpr uint64_t kByteBits = 9;  // eight data bits and the acknowledge

}  // namespace

SimulatedI2cAdapter::SimulatedI2cAdapter(const I2cSimulatorOptions& options)
    : m_address(options.address), m_fault(options.fault) {
  setLatency(options.latencyUs);
  setWriteCycle(options.writeCycleUs);
  if (options.imagePath.empty()) return;
  try {
    m_store = std::make_unique<ImageStore>(options.imagePath);
  } catch (const ImageFileError& e) {
    throw PortError(std::string("симулятор адаптера I2C: ") + e.what());
  }
  m_memory = m_store->loaded();
}

SimulatedI2cAdapter::SimulatedI2cAdapter(const MemoryImage& image, uint16_t address)
    : m_memory(image), m_address(address) {}

SimulatedI2cAdapter::~SimulatedI2cAdapter() = default;

bool SimulatedI2cAdapter::injected(uint64_t transfer) const {
  return m_fault.kind == I2cFault::kError && transfer >= m_fault.atTransfer &&
         transfer < m_fault.atTransfer + static_cast<uint64_t>(m_fault.count);
}

int SimulatedI2cAdapter::transfer(I2cMessage* messages, int count) {
  const uint64_t index = m_transfers++;
  if (count < 1) return EINVAL;
  m_now += m_latencyUs / 2;  // the request reaches the adapter
  m_pageWritten = 0;
  int error = 0;
  for (int i = 0; i < count && !error; ++i) {
    const I2cMessage& m = messages[i];
    m_now += (1 + kByteBits) * kBitTimeUs;  // START or repeated START, the address byte
    if (injected(index)) {
      error = m_fault.error;
    } else if (m.addr != m_address || m_fault.kind == I2cFault::kAbsent || m_now < m_cycleEnd) {
      error = ENXIO;  // nobody acknowledges the address
    } else if (m.flags & I2cMessage::kRead) {
      for (int b = 0; b < m.len; ++b) {
        m.buf[b] = m_memory[m_counter];
        m_counter = (m_counter + 1) & kAddressMask;
      }
      m_now += kByteBits * kBitTimeUs * m.len;
    } else {
      // A repeated START abandons the page of an earlier message.
      m_pageWritten = 0;
      int room = kPageSize;  // data bytes before the page's end
      for (int b = 0; b < m.len; ++b) {
        if (b == 0) {
          m_counter = static_cast<uint16_t>((m.buf[0] << 8) & kAddressMask);
        } else if (b == 1) {
          m_counter = static_cast<uint16_t>((m_counter | m.buf[1]) & kAddressMask);
          m_pageBase = static_cast<uint16_t>(m_counter & ~(kPageSize - 1));
          room = kPageSize - (m_counter & (kPageSize - 1));
        } else {
          const int at = m_counter & (kPageSize - 1);
          if (b - 2 >= room) ++m_pageWraps;
          m_page[at] = m.buf[b];
          m_pageWritten |= 1u << at;
          m_counter = static_cast<uint16_t>(m_pageBase | ((at + 1) & (kPageSize - 1)));
        }
      }
      m_now += kByteBits * kBitTimeUs * m.len;
    }
  }
  m_now += kBitTimeUs;  // STOP
  if (!error && m_pageWritten != 0 && !(messages[count - 1].flags & I2cMessage::kRead)) storePage();
  m_pageWritten = 0;
  m_now += m_latencyUs - m_latencyUs / 2;  // the answer comes back
  return error;
}

void SimulatedI2cAdapter::storePage() {
  if (m_store) m_store->checkWritable();
  for (int i = 0; i < kPageSize; ++i) {
    const bool worn = m_fault.kind == I2cFault::kReadonly && m_pageBase + i == m_fault.readonlyAddress;
    if ((m_pageWritten & (1u << i)) && !worn) m_memory[m_pageBase + i] = m_page[i];
  }
  m_cycleEnd = m_now + m_writeCycleUs;
  ++m_storedPages;
  if (!m_store) return;
  try {
    m_store->store(m_memory, m_pageBase, kPageSize);
  } catch (const ImageFileError& e) {
    throw LinkError(LinkError::kLinkBroken, std::string("Образ памяти симулятора не сохранён: ") + e.what());
  }
}
