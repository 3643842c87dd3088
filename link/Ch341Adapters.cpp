#include "link/Ch341Adapters.h"

#include <libusb.h>

#include <algorithm>

#include "link/LibusbTransport.h"
#include "link/PortBackend.h"

namespace {

// A libusb context for one look or one adapter; nullptr when USB cannot be
// reached (no usbfs in a container, for instance).
libusb_context* newContext() {
  libusb_context* context = nullptr;
  return libusb_init(&context) == 0 ? context : nullptr;
}

struct Found {
  Ch341Adapter adapter;
  libusb_device* device = nullptr;
};

// The adapters of both modes in bus order; the devices keep a reference
// until `release` is called with them.
std::vector<Found> scan(libusb_context* context) {
  std::vector<Found> found;
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  for (ssize_t i = 0; i < count; ++i) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(list[i], &d) != 0 || d.idVendor != kCh341Vendor) continue;
    if (d.idProduct != kCh341I2cProduct && d.idProduct != kCh341SerialProduct) continue;
    Found f;
    f.adapter.bus = libusb_get_bus_number(list[i]);
    f.adapter.address = libusb_get_device_address(list[i]);
    f.adapter.serialMode = d.idProduct == kCh341SerialProduct;
    f.device = libusb_ref_device(list[i]);
    found.push_back(f);
  }
  if (count >= 0) libusb_free_device_list(list, 1);
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return a.adapter.bus != b.adapter.bus ? a.adapter.bus < b.adapter.bus
                                          : a.adapter.address < b.adapter.address;
  });
  return found;
}

void release(std::vector<Found>& found) {
  for (Found& f : found) libusb_unref_device(f.device);
  found.clear();
}

// Opens the adapter and claims its interface: the handle on success, else
// the text of what went wrong.
std::string openAndClaim(const Found& f, libusb_device_handle*& handle) {
  handle = nullptr;
  if (f.adapter.serialMode) return ch341_texts::serialMode(f.adapter);
  int error = libusb_open(f.device, &handle);
  if (error == 0) {
    error = LibusbTransport::claimInterface(handle);
    if (error != 0) {
      libusb_close(handle);
      handle = nullptr;
    }
  }
  switch (error) {
    case 0:
      return {};
    case LIBUSB_ERROR_ACCESS:
      return ch341_texts::noPermission(f.adapter);
    case LIBUSB_ERROR_BUSY:
      return ch341_texts::busy(f.adapter);
    case LIBUSB_ERROR_NO_DEVICE:
      return "адаптер " + f.adapter.where() + " отключён";
    default:
      return "не удаётся открыть адаптер " + f.adapter.where() + ": " + libusb_strerror(error);
  }
}

bool selected(const Ch341Selector& which, const Ch341Adapter& a, int index) {
  switch (which.kind) {
    case Ch341Selector::kFirst:
      return index == 0;
    case Ch341Selector::kIndex:
      return index == which.index;
    case Ch341Selector::kBusAddress:
      return a.bus == which.bus && a.address == which.address;
  }
  return false;
}

}  // namespace

std::string Ch341Adapter::port() const {
  return "ch341:" + std::to_string(bus) + "-" + std::to_string(address);
}

std::string Ch341Adapter::where() const {
  return "CH341A, шина " + std::to_string(bus) + ", адрес " + std::to_string(address);
}

namespace ch341_texts {

std::string notFound() {
  return "адаптер CH341A не найден: подключите программатор к USB (в lsusb он виден как 1a86:5512)";
}

std::string serialMode(const Ch341Adapter& adapter) {
  return "адаптер " + adapter.where() +
         " в последовательном режиме (1a86:5523): переставьте перемычку режима в положение I2C/SPI и "
         "подключите его заново";
}

std::string noPermission(const Ch341Adapter& adapter) {
  return "нет доступа к адаптеру " + adapter.where() +
         ": правило udev пакета tkv88 даёт его вошедшему в систему пользователю и группе plugdev; после "
         "установки пакета подключите адаптер заново, для входа по сети войдите в группу (sudo usermod -aG "
         "plugdev $USER) и войдите в систему заново";
}

std::string busy(const Ch341Adapter& adapter) {
  return "адаптер " + adapter.where() +
         " занят: его держит другая программа или драйвер ядра, который не удалось отсоединить (закройте "
         "другую программу; драйвер: sudo rmmod ch341)";
}

}  // namespace ch341_texts

std::vector<Ch341Adapter> listCh341Adapters(bool check) {
  libusb_context* context = newContext();
  if (!context) return {};
  std::vector<Found> found = scan(context);
  std::vector<Ch341Adapter> adapters;
  for (const Found& f : found) {
    Ch341Adapter a = f.adapter;
    if (check) {
      libusb_device_handle* handle = nullptr;
      a.problem = openAndClaim(f, handle);
      if (handle) {
        libusb_release_interface(handle, LibusbTransport::kInterface);
        libusb_close(handle);
      }
    } else if (a.serialMode) {
      a.problem = ch341_texts::serialMode(a);
    }
    adapters.push_back(a);
  }
  release(found);
  libusb_exit(context);
  return adapters;
}

std::unique_ptr<UsbTransport> openCh341(const Ch341Selector& which, Ch341Adapter* opened) {
  libusb_context* context = newContext();
  if (!context) throw PortError("USB недоступен: библиотека libusb не может открыть шины USB");
  std::vector<Found> found = scan(context);
  std::string serial;
  int index = 0;
  for (const Found& f : found) {
    if (f.adapter.serialMode && which.kind != Ch341Selector::kBusAddress) {
      if (serial.empty()) serial = ch341_texts::serialMode(f.adapter);
      continue;  // not counted: the index counts adapters in I2C mode
    }
    if (!selected(which, f.adapter, index++)) continue;
    libusb_device_handle* handle = nullptr;
    const std::string problem = openAndClaim(f, handle);
    const Ch341Adapter adapter = f.adapter;  // `f` goes with the list
    release(found);
    if (handle) {
      if (opened) *opened = adapter;
      return std::make_unique<LibusbTransport>(context, handle);
    }
    libusb_exit(context);
    throw PortError(problem);
  }
  release(found);
  libusb_exit(context);
  if (!serial.empty()) throw PortError(serial);
  if (which.kind == Ch341Selector::kFirst || found.empty()) throw PortError(ch341_texts::notFound());
  throw PortError(which.kind == Ch341Selector::kIndex
                      ? "адаптера CH341A с номером " + std::to_string(which.index) + " нет: подключено " +
                            std::to_string(index) + " (нумерация с 0)"
                      : "на шине " + std::to_string(which.bus) + " по адресу " +
                            std::to_string(which.address) +
                            " адаптера CH341A нет (адрес меняется при каждом подключении: lsusb)");
}
