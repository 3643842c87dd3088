#include "link/LibusbTransport.h"

#include <libusb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

namespace {

// At most this many IN transfers wait at once (1 KB of answer).
constexpr int kQueuedTransfers = 32;

// One queued IN transfer of one packet.
struct InSlot {
  libusb_transfer* transfer = nullptr;
  unsigned char buffer[LibusbTransport::kPacketSize] = {};
  bool done = false;
};

extern "C" void LIBUSB_CALL markDone(libusb_transfer* transfer) {
  static_cast<InSlot*>(transfer->user_data)->done = true;
}

int transferErrno(libusb_transfer_status status) {
  switch (status) {
    case LIBUSB_TRANSFER_COMPLETED:
      return 0;
    case LIBUSB_TRANSFER_NO_DEVICE:
      return ENODEV;
    case LIBUSB_TRANSFER_TIMED_OUT:
      return ETIMEDOUT;
    case LIBUSB_TRANSFER_STALL:
      return EPIPE;
    default:
      return EIO;
  }
}

}  // namespace

int usbErrno(int libusbError) {
  switch (libusbError) {
    case LIBUSB_SUCCESS:
      return 0;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
      return ENODEV;
    case LIBUSB_ERROR_TIMEOUT:
      return ETIMEDOUT;
    case LIBUSB_ERROR_PIPE:
      return EPIPE;
    default:
      return EIO;
  }
}

int LibusbTransport::claimInterface(libusb_device_handle* handle) {
  // Detaches a kernel driver (some kernels bind the ch341 serial driver to
  // these devices) on claiming and gives it back on release; a no-op where
  // the platform has no kernel drivers to detach.
  libusb_set_auto_detach_kernel_driver(handle, 1);
  return libusb_claim_interface(handle, kInterface);
}

LibusbTransport::~LibusbTransport() {
  libusb_release_interface(m_handle, kInterface);
  libusb_close(m_handle);
  libusb_exit(m_context);
}

int LibusbTransport::bulkOut(const uint8_t* data, int length) {
  int sent = 0;
  const int error =
      libusb_bulk_transfer(m_handle, kBulkOut, const_cast<unsigned char*>(data), length, &sent, kTimeoutMs);
  if (error) return usbErrno(error);
  return sent == length ? 0 : EIO;
}

// Keeps up to kQueuedTransfers one-packet transfers in flight, never more
// than the answer still expected can fill: a transfer left waiting would
// take the first packet of the next answer.
int LibusbTransport::bulkIn(uint8_t* data, int length) {
  std::deque<InSlot> slots;  // in submission order, which is completion order
  int received = 0, queuedRoom = 0, error = 0;
  auto submitMore = [&] {
    while (error == 0 && static_cast<int>(slots.size()) < kQueuedTransfers &&
           received + queuedRoom < length) {
      InSlot& slot = slots.emplace_back();
      slot.transfer = libusb_alloc_transfer(0);
      if (!slot.transfer) {
        slots.pop_back();
        error = ENOMEM;
        return;
      }
      libusb_fill_bulk_transfer(slot.transfer, m_handle, kBulkIn, slot.buffer, kPacketSize, markDone, &slot,
                                kTimeoutMs);
      if (const int e = libusb_submit_transfer(slot.transfer)) {
        libusb_free_transfer(slot.transfer);
        slots.pop_back();
        error = usbErrno(e);
        return;
      }
      queuedRoom += kPacketSize;
    }
  };
  submitMore();
  while (!slots.empty()) {
    InSlot& head = slots.front();
    if (!head.done) {
      if (error != 0) {
        for (InSlot& s : slots)
          if (!s.done) libusb_cancel_transfer(s.transfer);
      }
      timeval tv{1, 0};
      int completed = 0;
      libusb_handle_events_timeout_completed(m_context, &tv, &completed);
      continue;
    }
    queuedRoom -= kPacketSize;
    if (error == 0) error = transferErrno(head.transfer->status);
    if (error == 0) {
      const int n = std::min(head.transfer->actual_length, length - received);
      std::memcpy(data + received, head.buffer, static_cast<std::size_t>(n));
      received += n;
    }
    libusb_free_transfer(head.transfer);
    slots.pop_front();
    submitMore();
  }
  if (error) return error;
  return received == length ? 0 : ETIMEDOUT;
}

int LibusbTransport::controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, int length,
                               int& received) {
  received = 0;
  const int n = libusb_control_transfer(
      m_handle, static_cast<uint8_t>(LIBUSB_ENDPOINT_IN) | static_cast<uint8_t>(LIBUSB_REQUEST_TYPE_VENDOR),
      request, value, index, data, static_cast<uint16_t>(length), kTimeoutMs);
  if (n < 0) return usbErrno(n);
  received = n;
  return 0;
}

uint64_t LibusbTransport::nowUs() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

void LibusbTransport::sleepUs(uint64_t us) { std::this_thread::sleep_for(std::chrono::microseconds(us)); }
