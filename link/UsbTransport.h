// A USB device's vendor interface as a programmer chip presents it, reduced
// to what an engine driving the chip needs: bulk OUT, bulk IN (several IN
// transfers queued, so a long answer is not cut at its first short packet),
// a vendor control IN request, and the clock the waits use. Implemented by
// LibusbTransport (a real device through libusb-1.0) and SimulatedCh341 (the
// chip and the controller's memory on virtual time), so the engine runs
// unchanged in the tests.
//
// Results are 0 or an errno value: ENODEV for a device that has gone
// (unplugged), ETIMEDOUT when the device did not answer in time, EPIPE for a
// stalled endpoint, EIO for anything else.
//
// One thread at a time: the exchange worker while an exchange runs.
#pragma once

#include <cstdint>
#include <string>

class UsbTransport {
 public:
  virtual ~UsbTransport() = default;

  // Sends length bytes to the bulk OUT endpoint.
  virtual int bulkOut(const uint8_t* data, int length) = 0;
  // Receives exactly length bytes from the bulk IN endpoint, however the
  // device cuts them into packets.
  virtual int bulkIn(uint8_t* data, int length) = 0;
  // A vendor request to the device, answered with up to length bytes;
  // received says how many came.
  virtual int controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, int length,
                        int& received) = 0;

  // A monotonic clock in microseconds, and a pause on it.
  virtual uint64_t nowUs() = 0;
  virtual void sleepUs(uint64_t us) = 0;

  // After an exchange: whatever the transport records is put in its file
  // (the simulated chip's trace).
  virtual void flush() {}
  // Why that record could not be written, once; empty when all is well.
  virtual std::string takeTraceFailure() { return {}; }
};
