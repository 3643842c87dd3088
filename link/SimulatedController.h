// A simulated controller behind the parallel-port adapter: a 24C64-class I2C
// memory driven only by the port lines, so the bus engine and everything
// above it run as they would on hardware, on any machine.
//
// Lines: clock = data register bit 0; data out = data register bit 1 (1
// pulls the line low); data in = status register bit 6. The data line is the
// wired AND of the master and the memory. The memory answers at one base
// address; other bases are a bus with nothing attached.
//
// The memory: START and STOP while the clock is high, device address
// 0xA0/0xA1 (nothing else is acknowledged), two address bytes of which 13
// bits count, sequential reads wrapping from 0x1FFF to 0, byte and page
// writes within a 32-byte page, committed by a STOP after a data byte, then a
// write cycle during which nothing is acknowledged.
//
// Time is virtual: a port access costs its access time (1 us unless told: a
// direct port access; about 2 us through ppdev) and takes effect as it
// ends, waits cost what the master asks for, so runs are realistic and
// reproducible and never sleep. The write cycle lasts 5 ms unless told
// (the datasheet's longest; typical parts finish in about 3). A slow adapter is
// modelled by a rise time: the data line reads low on the status register
// for that long after it is released (by the master or by the memory), as
// a line pulled up through a long cable or an opto-coupler does; the memory
// itself sees the levels at once. It counts every breach of the memory's
// standard-mode timing by the master (clock low under 4.7 us, clock high
// under 4 us, a START or STOP closer than that to a clock edge, less than
// 4.7 us between a STOP and the next START). The image lives in
// memory; after each completed write cycle the bytes of that cycle's page
// are written into the image file in place (ImageStore).
// Optional faults and a VCD trace of the two lines.
//
// One thread at a time, like every PortBackend.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/FactoryImage.h"
#include "link/PortBackend.h"

class ImageStore;
class VcdTrace;

struct SimulatorFault {
  enum Kind { kNone, kAbsent, kStuckLow, kDropout, kReadonly, kDropWrite };
  Kind kind = kNone;
  // kDropout: the memory stops answering after this many bytes on the bus
  // (every byte it acknowledged or sent counts).
  int dropoutBytes = 0;
  // kReadonly: a write to this address is acknowledged but not kept (a worn
  // memory cell).
  int readonlyAddress = -1;
  // kDropWrite: the memory loses this write (1: the first since the fault
  // was set), acknowledged and timed as any other; later writes are kept.
  int droppedWrite = 0;
};

struct SimulatorOptions {
  std::string imagePath;  // empty: the image lives in memory only
  std::string tracePath;  // empty: no trace
  uint16_t base = PortBackend::kLpt1;
  SimulatorFault fault;
  static constexpr int kDefaultAccessUs = 1;
  static constexpr int kDefaultCycleUs = 5000;
  int riseUs = 0;                      // the data line's rise time as the master reads it
  int accessUs = kDefaultAccessUs;     // what one port access costs
  int writeCycleUs = kDefaultCycleUs;  // the memory's write cycle
};

class SimulatedController : public PortBackend {
 public:
  static constexpr int kPageSize = 32;

  // Opens the image file (an existing 8192-byte file as it is; a missing one
  // is created with factoryImage(); any other size is refused; ImageStore
  // locks it) and the trace, which may not be the image file. A read-only
  // image file gives a memory whose writes fail. Throws PortError with the
  // reason.
  explicit SimulatedController(const SimulatorOptions& options);
  // A memory-only controller holding image, for tests and benchmarks.
  explicit SimulatedController(const MemoryImage& image, uint16_t base = kLpt1, SimulatorFault fault = {});
  ~SimulatedController() override;

  uint8_t inByte(uint16_t address) override;
  void outByte(uint16_t address, uint8_t value) override;
  void busyWaitUs(int microseconds) override;
  uint64_t clockUs() override { return m_now; }
  void sleep(int milliseconds) override;
  void resetLines(uint16_t base) override;
  // Puts the trace written so far in its file.
  void flush() override;
  std::string takeTraceFailure() override;

  // What tests look at.
  struct LineReset {
    uint16_t base;
    uint64_t timeUs;
  };
  uint64_t virtualTimeUs() const { return m_now; }
  const std::vector<LineReset>& lineResets() const { return m_resets; }
  const MemoryImage& memory() const { return m_memory; }
  MemoryImage& memory() { return m_memory; }
  int completedWriteCycles() const { return m_completedCycles; }
  // Bytes the memory has acknowledged or sent so far.
  int bytesOnBus() const { return m_bytesOnBus; }
  // How often the master broke the bus's minimum times so far.
  int timingViolations() const { return m_timingViolations; }
  bool writeCycleRunning() const { return m_cycleEnd != 0; }
  bool clockLine() const { return m_scl; }
  bool dataLine() const { return m_sda; }
  void setFault(SimulatorFault fault) {
    m_fault = fault;
    m_writesSinceFault = 0;
  }
  void setRiseTime(int microseconds) {
    m_riseUs = microseconds > 0 ? static_cast<uint64_t>(microseconds) : 0;
  }
  // At least 1 us per access.
  void setAccessTime(int microseconds) {
    m_accessUs = microseconds > 1 ? static_cast<uint64_t>(microseconds) : 1;
  }
  void setWriteCycle(int microseconds) {
    m_writeCycleUs = microseconds > 1 ? static_cast<uint64_t>(microseconds) : 1;
  }

 private:
  enum class Mode { kIdle, kIgnore, kReceive, kSend };
  enum class Expect { kDevice, kAddressHigh, kAddressLow, kData };

  void advance(uint64_t us);
  void finishWriteCycle();
  void save();
  void updateLines();
  // Counts a breach when `since` is less than `minimum` us ago.
  void checkTime(uint64_t since, uint64_t minimum);
  void risingClock();
  void fallingClock();
  void startCondition();
  void stopCondition();
  bool acceptByte(uint8_t byte);
  bool answering() const;

  MemoryImage m_memory{};
  std::unique_ptr<ImageStore> m_store;  // nullptr: the image lives in memory only
  std::unique_ptr<VcdTrace> m_trace;
  uint16_t m_base;
  SimulatorFault m_fault;
  uint64_t m_riseUs = 0;
  uint64_t m_accessUs = SimulatorOptions::kDefaultAccessUs;
  uint64_t m_writeCycleUs = SimulatorOptions::kDefaultCycleUs;

  uint64_t m_now = 0;
  uint64_t m_cycleEnd = 0;    // 0: no write cycle running
  uint16_t m_cyclePage = 0;   // the page the running write cycle stores
  uint32_t m_cycleBytes = 0;  // and which of its bytes
  int m_completedCycles = 0;
  int m_writesSinceFault = 0;
  std::vector<LineReset> m_resets;

  // The lines: what the master drives (the data latch), what the memory
  // drives, and the resulting bus levels.
  uint8_t m_latch = 0;
  bool m_memoryPullsLow = false;
  bool m_scl = false;
  bool m_sda = true;
  uint64_t m_releasedAt = 0;  // when the data line last went from low to high
  // When the clock last rose and fell, and the last START and STOP; for the
  // timing checks.
  uint64_t m_sclRose = 0, m_sclFell = 0, m_startAt = 0, m_stopAt = 0;
  int m_timingViolations = 0;

  // The memory's bus state.
  Mode m_mode = Mode::kIdle;
  Expect m_expect = Expect::kDevice;
  int m_clocks = 0;  // rising clock edges in the current 9-clock frame
  uint8_t m_shift = 0;
  bool m_acking = false;
  bool m_readDirection = false;
  bool m_masterAck = false;
  uint16_t m_address = 0;  // the memory's address counter (13 bits)
  uint8_t m_page[kPageSize] = {};
  uint32_t m_pageWritten = 0;  // bit i: m_page[i] holds a byte for this page
  uint16_t m_pageBase = 0;
  int m_bytesOnBus = 0;
};
