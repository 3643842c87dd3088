// A USB device opened through libusb-1.0 from user space, no kernel module
// and no root: interface 0 claimed (a kernel driver bound to it is detached
// for as long as the transport lives and given back at the end), bulk
// endpoints 0x02 and 0x82 of 32-byte packets, as the CH341A programmers
// have them. Reads queue several one-packet IN transfers at once: a device
// that answers in short packets (a status byte) would end a single large
// transfer early, and one transfer per packet would cost a USB frame each.
//
// Which device is opened and what to tell the user when it cannot be are
// Ch341Adapters' business. One thread at a time.
#pragma once

#include <memory>
#include <string>

#include "link/UsbTransport.h"

struct libusb_context;
struct libusb_device_handle;

class LibusbTransport : public UsbTransport {
 public:
  static constexpr int kInterface = 0;
  static constexpr unsigned char kBulkOut = 0x02;
  static constexpr unsigned char kBulkIn = 0x82;
  static constexpr int kPacketSize = 32;
  // How long a transfer may take; a 1 KB read at 20 kHz needs half a second.
  static constexpr unsigned kTimeoutMs = 5000;

  // Claims the interface of an open handle, detaching a kernel driver bound
  // to it (released with the interface). The libusb error code, 0 on success.
  static int claimInterface(libusb_device_handle* handle);
  // Takes over a context and a handle whose interface is claimed; gives
  // both back at the end.
  LibusbTransport(libusb_context* context, libusb_device_handle* handle)
      : m_context(context), m_handle(handle) {}
  ~LibusbTransport() override;
  LibusbTransport(const LibusbTransport&) = delete;
  LibusbTransport& operator=(const LibusbTransport&) = delete;

  int bulkOut(const uint8_t* data, int length) override;
  int bulkIn(uint8_t* data, int length) override;
  int controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, int length,
                int& received) override;
  uint64_t nowUs() override;
  void sleepUs(uint64_t us) override;

 private:
  libusb_context* m_context;
  libusb_device_handle* m_handle;
};

// A libusb error code (LIBUSB_ERROR_*) or transfer status as an errno value
// of UsbTransport: ENODEV, ETIMEDOUT, EPIPE or EIO.
int usbErrno(int libusbError);
