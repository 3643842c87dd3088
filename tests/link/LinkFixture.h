// Test rigs for the device link: a DeviceLink on a memory-only simulated
// controller, and a port wrapper that spoils the data line the master reads
// (a cable pulled mid-transfer) or counts the clock half-periods.
#pragma once

#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>

#include "link/DeviceLink.h"
#include "link/SimulatedController.h"

// An image whose byte i differs from its neighbours: i * 37 + 11.
inline MemoryImage patternImage() {
  MemoryImage image;
  for (int i = 0; i < kDeviceMemorySize; ++i) image[i] = static_cast<uint8_t>(i * 37 + 11);
  return image;
}

// Passes everything to a simulated controller; counts clock toggles and,
// once `highAfter` (`lowAfter`) accesses have passed, reads the data line as
// high (low). An engine that runs past `accessLimit` accesses is stopped
// with std::runtime_error, so a test of a bounded wait fails instead of
// hanging.
class WatchedPort : public PortBackend {
 public:
  explicit WatchedPort(std::unique_ptr<SimulatedController> sim) : m_sim(std::move(sim)) {}

  uint8_t inByte(uint16_t address) override {
    if (m_accesses >= accessLimit) throw std::runtime_error("the port was accessed without end");
    uint8_t v = m_sim->inByte(address);
    if (address == PortBackend::kLpt1 + 1 && m_accesses >= highAfter) v |= 0x40;
    if (address == PortBackend::kLpt1 + 1 && m_accesses >= lowAfter) v &= static_cast<uint8_t>(~0x40);
    ++m_accesses;
    return v;
  }
  void outByte(uint16_t address, uint8_t value) override {
    ++m_accesses;
    if (address == PortBackend::kLpt1) {
      if ((value ^ m_latch) & 1) ++clockToggles;
      m_latch = value;
    }
    m_sim->outByte(address, value);
    if (afterWrite) afterWrite();
  }
  void busyWaitUs(int us) override { m_sim->busyWaitUs(us); }
  uint64_t clockUs() override { return m_sim->clockUs(); }
  void sleep(int ms) override {
    ++sleeps;
    m_sim->sleep(ms);
  }

  SimulatedController& sim() { return *m_sim; }
  long accesses() const { return m_accesses; }
  long highAfter = std::numeric_limits<long>::max();
  long lowAfter = std::numeric_limits<long>::max();
  long accessLimit = std::numeric_limits<long>::max();
  long clockToggles = 0;
  int sleeps = 0;
  // Runs after every register write, e.g. to change the controller's fault
  // at a moment of the transfer.
  std::function<void()> afterWrite;

 private:
  std::unique_ptr<SimulatedController> m_sim;
  long m_accesses = 0;
  uint8_t m_latch = 0;
};

// A link on a fresh simulated controller at 0x378, base already chosen, in
// the protocol's standard timing unless told otherwise.
struct SimLink {
  explicit SimLink(const MemoryImage& image = patternImage(), SimulatorFault fault = {},
                   LinkTiming timing = LinkTiming::kStandard) {
    auto port = std::make_unique<WatchedPort>(
        std::make_unique<SimulatedController>(image, PortBackend::kLpt1, fault));
    watch = port.get();
    link = std::make_unique<DeviceLink>(std::move(port), timing);
    link->lptBase = PortBackend::kLpt1;
  }
  SimulatedController& sim() { return watch->sim(); }
  // The data line slows to riseUs at the first clock edge, once it has
  // been measured: the measurement misjudges it.
  void slowDownAfterMeasuring(int riseUs) {
    watch->afterWrite = [this, riseUs, done = false]() mutable {
      if (done || watch->clockToggles == 0) return;
      done = true;
      sim().setRiseTime(riseUs);
    };
  }

  WatchedPort* watch;
  std::unique_ptr<DeviceLink> link;
};
