#include "link/HardwarePort.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <thread>

std::vector<uint16_t> presentedBases(const std::vector<std::optional<uint16_t>>& realBases) {
  const uint16_t classic[] = {PortBackend::kLpt1, PortBackend::kLpt2, PortBackend::kLpt3};
  if (realBases.size() > std::size(classic))
    throw std::invalid_argument("at most three parallel ports can be used at once");
  std::vector<uint16_t> result(realBases.size(), 0);
  auto taken = [&](uint16_t base) { return std::find(result.begin(), result.end(), base) != result.end(); };
  for (std::size_t i = 0; i < realBases.size(); ++i) {
    const auto& real = realBases[i];
    if (real && std::find(std::begin(classic), std::end(classic), *real) != std::end(classic) &&
        !taken(*real))
      result[i] = *real;
  }
  for (std::size_t i = 0; i < realBases.size(); ++i) {
    if (result[i] != 0) continue;
    // Ports at their own classic base were placed first, so this never
    // takes a base that a later port really sits at.
    for (const uint16_t base : classic) {
      if (!taken(base)) {
        result[i] = base;
        break;
      }
    }
  }
  return result;
}

uint8_t HardwarePort::inByte(uint16_t address) {
  for (std::size_t i = 0; i < m_bases.size(); ++i) {
    const int offset = address - m_bases[i];
    if (offset == 0 || offset == 1) return readRegister(i, offset);
  }
  return 0xFF;
}

void HardwarePort::outByte(uint16_t address, uint8_t value) {
  for (std::size_t i = 0; i < m_bases.size(); ++i) {
    const int offset = address - m_bases[i];
    if (offset == 0 || offset == 1) return writeRegister(i, offset, value);
  }
}

void HardwarePort::busyWaitUs(int microseconds) {
  if (microseconds <= 0) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
  while (std::chrono::steady_clock::now() < until) {
  }
}

uint64_t HardwarePort::clockUs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void HardwarePort::sleep(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
