// The common part of the real parallel-port backends (ppdev and direct I/O):
// real-time waits and the mapping of base addresses to the ports a backend
// actually holds. Each held port is presented at its own base when that is
// one of the classic bases the exchanges probe; a port elsewhere (a PCI card,
// or one whose base is unknown) is presented at the first classic base left
// free, so port detection always reaches it.
//
// One thread at a time, like every PortBackend.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/PortBackend.h"

// The bases at which ports with the given real bases (nullopt: unknown) are
// presented, in the same order. At most three ports can be presented;
// std::invalid_argument for more.
std::vector<uint16_t> presentedBases(const std::vector<std::optional<uint16_t>>& realBases);

class HardwarePort : public PortBackend {
 public:
  uint8_t inByte(uint16_t address) override;
  void outByte(uint16_t address, uint8_t value) override;
  // A busy loop on the steady clock: the scheduler's sleep is far coarser.
  void busyWaitUs(int microseconds) override;
  uint64_t clockUs() override;
  void sleep(int milliseconds) override;

  const std::vector<uint16_t>& bases() const { return m_bases; }

 protected:
  explicit HardwarePort(std::vector<uint16_t> presented) : m_bases(std::move(presented)) {}
  // Register access of held port `port`; offset 0 (data) or 1 (status).
  virtual uint8_t readRegister(std::size_t port, int offset) = 0;
  virtual void writeRegister(std::size_t port, int offset, uint8_t value) = 0;

 private:
  std::vector<uint16_t> m_bases;
};
