// A simulated I2C adapter with the controller's 24C64-class memory on its
// bus, answering I2C_RDWR transfers at transaction level: what a USB-I2C
// adapter wired to the controller would do, on any machine, on virtual time.
//
// The memory: answers its 7-bit address only (0x50 unless told otherwise);
// a write message carries two address bytes (13 bits count) and data bytes
// that fill a 32-byte page buffer, wrapping within the page; the page is
// stored when the transfer's STOP follows the data (a repeated START
// instead abandons it), and a write cycle follows in which the memory
// acknowledges nothing. A read message sends bytes from the address
// counter, wrapping from 0x1FFF to 0.
//
// Bus time of a 100 kHz bus: 9 bit times per byte (the address byte of each
// message included), one for each START and for the STOP; sleeps add their
// time. A USB adapter's round trip (latency=, none unless told) is added to
// every transfer, half before the bus moves (the request reaching the
// adapter) and half after (the answer coming back), so a write cycle runs on
// while the answer travels. The write cycle lasts 5 ms unless told. Faults:
// a memory that never answers, an errno injected at chosen transfers, or a
// byte that does not keep what is written (a worn cell). With an image file,
// every stored page is written into it in place (ImageStore), as the
// parallel-port simulator does.
//
// One thread at a time, like every I2cBus.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/FactoryImage.h"
#include "link/I2cBus.h"

class ImageStore;

struct I2cFault {
  enum Kind { kNone, kAbsent, kError, kReadonly };
  Kind kind = kNone;
  int error = 0;            // kError: the errno the transfers fail with
  uint64_t atTransfer = 0;  // the first failing transfer, counted from 0
  int count = 1;            // how many transfers in a row fail
  int readonlyAddress = -1;  // kReadonly: a byte written there is acknowledged but not kept
};

struct I2cSimulatorOptions {
  static constexpr int kDefaultCycleUs = 5000;
  std::string imagePath;  // empty: the image lives in memory only
  uint16_t address = 0x50;
  I2cFault fault;
  int latencyUs = 0;                   // the round trip of one transfer
  int writeCycleUs = kDefaultCycleUs;  // the memory's write cycle
};

class SimulatedI2cAdapter : public I2cBus {
 public:
  static constexpr uint64_t kBitTimeUs = 10;  // 100 kHz
  static constexpr int kPageSize = 32;

  // Opens the image file as the parallel-port simulator does (a missing one
  // is created with a factory-new controller's contents). Throws PortError.
  explicit SimulatedI2cAdapter(const I2cSimulatorOptions& options);
  // A memory-only adapter holding image, for tests and benchmarks.
  explicit SimulatedI2cAdapter(const MemoryImage& image, uint16_t address = 0x50);
  ~SimulatedI2cAdapter() override;

  int transfer(I2cMessage* messages, int count) override;
  uint64_t nowUs() override { return m_now; }
  void sleepUs(uint64_t us) override { m_now += us; }

  // What tests look at.
  const MemoryImage& memory() const { return m_memory; }
  MemoryImage& memory() { return m_memory; }
  void setFault(I2cFault fault) { m_fault = fault; }
  void setLatency(int microseconds) {
    m_latencyUs = microseconds > 0 ? static_cast<uint64_t>(microseconds) : 0;
  }
  void setWriteCycle(int microseconds) {
    m_writeCycleUs = microseconds > 1 ? static_cast<uint64_t>(microseconds) : 1;
  }
  uint64_t transfers() const { return m_transfers; }
  int storedPages() const { return m_storedPages; }
  // Data bytes that wrapped to the start of their page: a write that
  // crossed a page boundary and so overwrote the page's first bytes.
  int pageWraps() const { return m_pageWraps; }
  bool writeCycleRunning() const { return m_now < m_cycleEnd; }

 private:
  bool injected(uint64_t transfer) const;
  void storePage();

  MemoryImage m_memory{};
  std::unique_ptr<ImageStore> m_store;
  uint16_t m_address;
  I2cFault m_fault;
  uint64_t m_latencyUs = 0;
  uint64_t m_writeCycleUs = I2cSimulatorOptions::kDefaultCycleUs;

  uint64_t m_now = 0;
  uint64_t m_cycleEnd = 0;
  uint64_t m_transfers = 0;
  int m_storedPages = 0;
  int m_pageWraps = 0;

  uint16_t m_counter = 0;  // the memory's address counter (13 bits)
  uint8_t m_page[kPageSize] = {};
  uint32_t m_pageWritten = 0;  // bit i: m_page[i] holds a byte for this page
  uint16_t m_pageBase = 0;
};
