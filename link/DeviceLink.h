// The device link's context: the port backend and the values the whole
// process shares about the link. The GUI and tkv88ctl keep one DeviceLink
// for the life of the process; tests make a fresh one per case. Every bus
// operation takes it by reference.
//
// Threads: the exchange worker drives the bus through it while the
// user-interface thread polls progressCounter and raises abortRequested, so
// the shared values are atomics. The backend itself is used by one thread at
// a time (the exchange's modal dialog guarantees that), and is replaced only
// while no exchange runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "link/PortBackend.h"

class DeviceLink {
 public:
  explicit DeviceLink(std::unique_ptr<PortBackend> backend) : m_backend(std::move(backend)) {
    if (!m_backend) throw std::invalid_argument("DeviceLink needs a port backend");
  }

  PortBackend& port() { return *m_backend; }
  // Swaps in another port (the user chose another one); the chosen base is
  // forgotten so the next exchange detects it again.
  void setPort(std::unique_ptr<PortBackend> backend) {
    if (!backend) throw std::invalid_argument("DeviceLink needs a port backend");
    m_backend = std::move(backend);
    lptBase = 0;
  }

  // The port base in use; 0 until the first exchange has chosen one, then
  // kept for the rest of the process.
  std::atomic<uint16_t> lptBase{0};
  // True until the first acknowledge of the process: decides between "the
  // device does not answer" (code 1) and "the link broke" (code 2).
  std::atomic<bool> awaitingFirstAnswer{true};
  // Progress of the running exchange, in the exchange's own units.
  std::atomic<int32_t> progressCounter{0};
  // Raised by the user interface; the exchange stops at its next check.
  std::atomic<bool> abortRequested{false};

  // The register primitives at lptBase.
  uint8_t portRead(int selector) {
    return m_backend->portRead(lptBase.load(std::memory_order_relaxed), selector);
  }
  void portWrite(int selector, uint8_t value) {
    m_backend->portWrite(lptBase.load(std::memory_order_relaxed), selector, value);
  }
  void portSetBit(int selector, int bit) {
    m_backend->portSetBit(lptBase.load(std::memory_order_relaxed), selector, bit);
  }
  void portClearBit(int selector, int bit) {
    m_backend->portClearBit(lptBase.load(std::memory_order_relaxed), selector, bit);
  }

 private:
  std::unique_ptr<PortBackend> m_backend;
};
