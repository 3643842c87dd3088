// A simulated CH341A programmer with the controller's 24C64-class memory on
// its I2C bus, behind the same UsbTransport as the real chip: it reads the
// command stream (Ch341Stream) as the chip does, segment by segment, drives
// the bus byte by byte and answers status and read bytes on bulk IN. So the
// engine (Ch341Memory) runs unchanged on any machine.
//
// The memory is the one of the other simulators (the same 8 KB image file,
// shareable with sim: and i2c-sim: one at a time): address 0xA0/0xA1 only,
// two address bytes of which 13 bits count, sequential reads wrapping from
// 0x1FFF to 0, page writes within 32 bytes stored by a STOP after data, then
// a write cycle (5 ms unless told) in which nothing is acknowledged.
//
// Virtual time, in nanoseconds: 1 ms per USB round trip (a bulk OUT; the
// answer on bulk IN comes with it), the bus at the chosen speed (one bit
// time for START and STOP, nine per byte), the stream's waits. A trace
// records SCL and SDA as they are on the bus, on that time, with the USB
// round trips between the bursts.
//
// Faults: a memory that never answers; every transfer from the N-th on
// (from 0; OUT, IN and control transfers count) failing as a device
// unplugged; a memory that falls silent when its address counter reaches
// an address. Sub-commands the chip would not take (running past their
// segment, unknown) are counted, not obeyed.
//
// One thread at a time, like every UsbTransport.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "link/Ch341Stream.h"
#include "link/FactoryImage.h"
#include "link/UsbTransport.h"

class ImageStore;
class VcdTrace;

struct Ch341Fault {
  enum Kind { kNone, kAbsent, kUnplug, kNack };
  Kind kind = kNone;
  uint64_t transfer = 0;  // kUnplug: the first transfer that fails, from 0
  int address = -1;       // kNack: where the memory falls silent
};

struct Ch341SimulatorOptions {
  static constexpr int kDefaultCycleUs = 5000;
  std::string imagePath;  // empty: the image lives in memory only
  std::string tracePath;  // empty: no trace
  Ch341Fault fault;
  int writeCycleUs = kDefaultCycleUs;  // the memory's write cycle
};

class SimulatedCh341 : public UsbTransport {
 public:
  static constexpr uint64_t kRoundTripNs = 1000000;
  static constexpr int kPageSize = 32;
  static constexpr uint8_t kVersion[2] = {0x30, 0x00};  // what the version request answers

  // Opens the image file as the other simulators do and the trace, which may
  // not be the image file. Throws PortError.
  explicit SimulatedCh341(const Ch341SimulatorOptions& options);
  // A memory-only chip holding image, for tests and benchmarks.
  explicit SimulatedCh341(const MemoryImage& image, Ch341Fault fault = {});
  ~SimulatedCh341() override;

  int bulkOut(const uint8_t* data, int length) override;
  int bulkIn(uint8_t* data, int length) override;
  int controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, int length,
                int& received) override;
  uint64_t nowUs() override { return m_now / 1000; }
  void sleepUs(uint64_t us) override { m_now += us * 1000; }
  void flush() override;
  std::string takeTraceFailure() override;

  // What tests look at.
  const MemoryImage& memory() const { return m_memory; }
  MemoryImage& memory() { return m_memory; }
  void setFault(Ch341Fault fault) { m_fault = fault; }
  void setWriteCycle(int microseconds) {
    m_writeCycleNs = 1000 * (microseconds > 1 ? static_cast<uint64_t>(microseconds) : 1);
  }
  uint64_t transfers() const { return m_transfers; }
  uint64_t nowNs() const { return m_now; }
  ch341::Speed speed() const { return m_speed; }
  int storedPages() const { return m_storedPages; }
  int pageWraps() const { return m_pageWraps; }
  int protocolErrors() const { return m_protocolErrors; }

 private:
  enum class State { kIdle, kIgnore, kDevice, kAddressHigh, kAddressLow, kData, kSend };

  bool unplugged();
  void runSegment(const uint8_t* segment, int length);
  // The bus, with its time and its trace.
  void busStart();
  void busStop();
  bool busWrite(uint8_t byte);
  uint8_t busRead(bool acknowledge);
  void clockBit(bool level);
  void lines(uint64_t at, bool scl, bool sda);
  uint64_t bitNs() const;
  // The memory.
  bool answering();
  bool memoryTakes(uint8_t byte);
  void storePage();

  MemoryImage m_memory{};
  std::unique_ptr<ImageStore> m_store;
  std::unique_ptr<VcdTrace> m_trace;
  Ch341Fault m_fault;
  uint64_t m_writeCycleNs = 1000 * static_cast<uint64_t>(Ch341SimulatorOptions::kDefaultCycleUs);

  uint64_t m_now = 0;
  uint64_t m_transfers = 0;
  ch341::Speed m_speed = ch341::Speed::k20kHz;  // the chip's own until told
  std::deque<uint8_t> m_answer;
  int m_protocolErrors = 0;
  bool m_scl = true, m_sda = true;

  State m_state = State::kIdle;
  bool m_silent = false;  // kNack: the memory has stopped answering
  uint64_t m_cycleEnd = 0;
  uint16_t m_counter = 0;
  uint8_t m_page[kPageSize] = {};
  uint32_t m_pageWritten = 0;
  uint16_t m_pageBase = 0;
  int m_storedPages = 0;
  int m_pageWraps = 0;
};
