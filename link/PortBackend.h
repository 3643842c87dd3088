// The lowest layer of the device link: the parallel port's registers and the
// waits the bus engine needs. The bus engine, the memory image and the
// exchanges are built only on this interface, so the simulated controller can
// stand in for the hardware and tests run on virtual time without sleeping.
//
// A backend answers byte reads and writes at absolute I/O addresses. The
// register primitives address a port by its base: selector 0 is the data
// register (base + 0), any other selector base + 1 (the status register when
// read; read-only on real hardware, so writes there are dropped). The control
// register (base + 2) is never used. Addresses the backend does not serve
// behave like a bus with nothing attached: reads give 0xFF, writes vanish.
//
// One thread at a time: the exchange worker while an exchange runs, the
// user-interface thread otherwise (start-up line reset).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A port that cannot be opened or used; the message says what to do (UTF-8).
struct PortError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class PortBackend {
 public:
  // The classic parallel-port bases in the order port detection tries them;
  // the first one is the fallback when none answers.
  static constexpr uint16_t kLpt1 = 0x378;
  static constexpr uint16_t kLpt2 = 0x278;
  static constexpr uint16_t kLpt3 = 0x3BC;
  // Idle pattern: data bits 2..4 high (they feed the adapter), clock low,
  // data line released; 0x3F goes to base + 1.
  static constexpr uint8_t kIdleData = 0x1C;
  static constexpr uint8_t kIdleStatus = 0x3F;

  virtual ~PortBackend() = default;

  // One register access at an absolute I/O address.
  virtual uint8_t inByte(uint16_t address) = 0;
  virtual void outByte(uint16_t address, uint8_t value) = 0;
  // Returns once at least `microseconds` have passed, without yielding the
  // processor (the operating system's sleep is far coarser).
  virtual void busyWaitUs(int microseconds) = 0;
  // A monotonic clock in microseconds, the one busyWaitUs waits on: the
  // simulated controller's virtual time, the steady clock on hardware.
  // Reading it is not a port access.
  virtual uint64_t clockUs() = 0;
  // A wait that may yield: for pauses of a millisecond and more that are not
  // critical.
  virtual void sleep(int milliseconds) = 0;
  // Returns once at least units x 100 us have passed.
  void busyWait(int units) {
    if (units > 0) busyWaitUs(units * 100);
  }
  // After an exchange, with the lines idle: what the backend still holds
  // for the file system is written out (a simulator's trace).
  virtual void flush() {}
  // Why the trace of the lines could not be written, once; empty when all
  // is well or there is none. A trace failure never fails an exchange.
  virtual std::string takeTraceFailure() { return {}; }

  // The bases detection tries, in order.
  virtual std::vector<uint16_t> lptCandidates() const { return {kLpt1, kLpt2, kLpt3}; }

  // Puts the lines of the port at base into their idle state: 0x1C to
  // base + 0, then 0x3F to base + 1.
  virtual void resetLines(uint16_t base) {
    outByte(base, kIdleData);
    outByte(static_cast<uint16_t>(base + 1), kIdleStatus);
  }

  uint8_t portRead(uint16_t base, int selector) { return inByte(registerAddress(base, selector)); }
  void portWrite(uint16_t base, int selector, uint8_t value) {
    outByte(registerAddress(base, selector), value);
  }
  // Read-modify-write of one bit of the register.
  void portSetBit(uint16_t base, int selector, int bit) {
    const uint16_t a = registerAddress(base, selector);
    outByte(a, static_cast<uint8_t>(inByte(a) | (1u << (bit & 7))));
  }
  void portClearBit(uint16_t base, int selector, int bit) {
    const uint16_t a = registerAddress(base, selector);
    outByte(a, static_cast<uint8_t>(inByte(a) & ~(1u << (bit & 7))));
  }
  static bool bitTest(uint8_t byte, int bit) { return (byte >> (bit & 7)) & 1u; }

  static uint16_t registerAddress(uint16_t base, int selector) {
    return static_cast<uint16_t>(selector == 0 ? base : base + 1);
  }
};
