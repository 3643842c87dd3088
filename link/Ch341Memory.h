// The memory engine for CH341A USB programmers: the controller's 24C64-class
// memory reached through the chip's I2C command stream (Ch341Stream) over a
// UsbTransport (libusb, or the simulated chip in the tests).
//
//   read   a sequential read: START, 0xA0 alone, the two address bytes,
//          START, 0xA1 alone, the bytes (the last not acknowledged), STOP,
//          then START, 0xA0 alone, STOP, which shows the memory still
//          answered after the last byte (a memory gone silent halfway reads
//          as 0xFF, which no byte can tell). Reads that follow each other
//          grow into runs of up to kMaxRun bytes (one OUT and one answer of
//          several packets); the bytes of a run serve the reads inside it
//          until the next write or the exchange's end. Up to five attempts
//          10 ms apart.
//   write  page writes (two address bytes and up to 32 data bytes that never
//          cross a 32-byte page), each in one USB round trip with the
//          memory's 5 ms write cycle waited on the bus, an acknowledge poll
//          and the read-back of the page; a memory still busy is polled
//          (one round trip each) up to kWriteCycleLimitUs. A page that reads
//          back otherwise fails the write naming the first wrong byte.
//
// Writes are combined per page as I2cDevMemory does (PageBuffer): a write
// that ends inside a page is held until the next write extends it, the next
// read, end() or the engine's destruction.
//
// Errors as on the other engines: the memory not acknowledging its address
// is code 1 "Прибор не отвечает" until it has answered once in this process,
// code 2 after; a USB failure (the adapter unplugged, no answer in time) is
// code 2 naming it, never retried. An adapter unplugged and plugged in again
// is opened anew by the next exchange's begin(), when the engine was given
// the means.
//
// Exchange worker thread, one caller at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/Ch341Stream.h"
#include "link/MemoryAccess.h"
#include "link/PageBuffer.h"
#include "link/UsbTransport.h"

class Ch341Memory : public MemoryAccess {
 public:
  static constexpr uint8_t kDeviceWrite = 0xA0;
  static constexpr uint8_t kDeviceRead = 0xA1;
  static constexpr int kPageSize = 32;
  static constexpr int kMaxRun = 1024;  // bytes of one sequential read
  static constexpr int kReadAttempts = 5;
  static constexpr uint64_t kRetryPauseUs = 10000;
  static constexpr int kWriteCycleMs = 5;  // the memory's longest write cycle
  static constexpr uint64_t kWriteCycleLimitUs = 50000;
  static constexpr uint8_t kVersionRequest = 0x5F;  // vendor control IN: the chip's version

  // Opens the adapter again after it was unplugged; throws when it cannot.
  using Reopen = std::function<std::unique_ptr<UsbTransport>()>;

  // `where` names the adapter in the probe's report ("CH341A, шина 3, адрес 7").
  Ch341Memory(std::unique_ptr<UsbTransport> usb, ch341::Speed speed = ch341::Speed::k100kHz,
              std::string where = "CH341A", Reopen reopen = {});
  // Stores held bytes; a failure then has nobody to tell.
  ~Ch341Memory() override;

  // Opens the adapter anew when it was unplugged in an earlier exchange (a
  // failure to is left to the transfers to report).
  void begin(DeviceLink& link) override;
  void end(DeviceLink& link) override;
  void flushWrites(DeviceLink& link) override { flush(&link); }
  std::string takeTraceFailure() override { return m_usb->takeTraceFailure(); }
  void readBlock(DeviceLink& link, uint8_t* dst, uint32_t address, int length, bool countProgress) override;
  void writeBytes(DeviceLink& link, const uint8_t* src, uint32_t address, int count,
                  bool countProgress) override;
  bool heldByte(uint32_t address, uint8_t& value) const override;
  // The adapter, its chip version and speed, and whether the memory answers.
  ProbeReport probe(DeviceLink& link) override;

  ch341::Speed speed() const { return m_speed; }
  UsbTransport& usb() { return *m_usb; }
  // USB round trips so far (an OUT and its answer), for the benchmark.
  uint64_t roundTrips() const { return m_roundTrips; }

 private:
  // Sends the stream and takes its answer; a USB failure is thrown.
  std::vector<uint8_t> exchange(Ch341Stream& stream);
  [[noreturn]] void failUsb(int error);
  [[noreturn]] void failNoAnswer(DeviceLink* link) const;
  // One sequential read of length bytes into the run cache.
  void readRun(DeviceLink& link, uint16_t address, int length);
  bool fromRun(uint16_t address, int length, uint8_t* dst) const;
  // Writes the held run, waits for the write cycle and reads the page back.
  void flush(DeviceLink* link);
  void awaitWriteCycle();
  void checkReadBack(DeviceLink* link, const uint8_t* expected, const uint8_t* read, uint16_t address,
                     int count) const;

  std::unique_ptr<UsbTransport> m_usb;
  ch341::Speed m_speed;
  std::string m_where;
  Reopen m_reopen;
  bool m_gone = false;  // the adapter was unplugged
  bool m_speedSet = false;
  uint64_t m_roundTrips = 0;

  PageBuffer m_held;
  // The last sequential read: its bytes, from m_runStart (13 bits).
  std::vector<uint8_t> m_run;
  uint16_t m_runStart = 0;
};

// What the engine reports of a USB failure (UTF-8): "адаптер CH341A отключён"...
std::string ch341UsbErrorText(int error);
