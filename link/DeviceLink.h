// The device link's context: the engine that reaches the controller's memory
// (MemoryAccess: bit-banged on a parallel port, or an i2c-dev adapter) and the
// values the whole process shares about the link. The GUI and tkv88ctl keep
// one DeviceLink for the life of the process; tests make a fresh one per
// case. Every bus operation takes it by reference.
//
// Threads: the exchange worker drives the bus through it while the
// user-interface thread polls progressCounter and raises abortRequested, so
// the shared values are atomics. The engine itself is used by one thread at
// a time (the exchange's modal dialog guarantees that), and is replaced only
// while no exchange runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>

#include "link/BusTiming.h"
#include "link/MemoryAccess.h"
#include "link/PortBackend.h"

struct DeviceSnapshot;

class DeviceLink {
 public:
  // The bit-banged engine on a parallel port, in the given timing.
  explicit DeviceLink(std::unique_ptr<PortBackend> backend, LinkTiming timing = LinkTiming::kFast);
  // Any engine. std::invalid_argument for none.
  explicit DeviceLink(std::unique_ptr<MemoryAccess> memory);
  ~DeviceLink();

  MemoryAccess& memory() { return *m_memory; }
  // The parallel port of a bit-banged engine; std::logic_error for another.
  PortBackend& port() {
    if (!m_port) throw std::logic_error("the device link has no parallel port");
    return *m_port;
  }
  // Swaps in another port or engine (the user chose another one); the
  // chosen base is forgotten so the next exchange detects it again.
  void setPort(std::unique_ptr<PortBackend> backend, LinkTiming timing = LinkTiming::kFast);
  void setMemory(std::unique_ptr<MemoryAccess> memory);

  // The port base in use; 0 until the first exchange has chosen one, then
  // kept for the rest of the process.
  std::atomic<uint16_t> lptBase{0};
  // True until the first acknowledge of the process (or of the last link
  // check): decides between "the device does not answer" (code 1) and "the
  // link broke" (code 2).
  std::atomic<bool> awaitingFirstAnswer{true};
  // Progress of the running exchange, in the exchange's own units.
  std::atomic<int32_t> progressCounter{0};
  // Raised by the user interface; the exchange stops at its next check.
  std::atomic<bool> abortRequested{false};
  // Where the bytes that read back right after a write go, for a caller
  // that checks a whole write from them (set only while no exchange runs;
  // the exchange's worker fills it). Null: nowhere.
  DeviceSnapshot* readBack = nullptr;

  // The register primitives at lptBase (bit-banged engine only).
  uint8_t portRead(int selector) {
    return port().portRead(lptBase.load(std::memory_order_relaxed), selector);
  }
  void portWrite(int selector, uint8_t value) {
    port().portWrite(lptBase.load(std::memory_order_relaxed), selector, value);
  }
  void portSetBit(int selector, int bit) {
    port().portSetBit(lptBase.load(std::memory_order_relaxed), selector, bit);
  }
  void portClearBit(int selector, int bit) {
    port().portClearBit(lptBase.load(std::memory_order_relaxed), selector, bit);
  }

 private:
  std::unique_ptr<MemoryAccess> m_memory;
  PortBackend* m_port = nullptr;  // m_memory's parallel port, if it has one
};
