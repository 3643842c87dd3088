// The CH341A programmers on this computer's USB buses: finding them,
// opening one for the engine (Ch341Memory), and saying what keeps one from
// being used (permission, a kernel driver or another program holding it,
// the chip in its serial mode) with the step that mends it. Through
// libusb-1.0; nothing here needs root.
//
// USB ids: 1a86:5512 is the chip in its I2C/parallel mode, the one the
// engine drives; 1a86:5523 is the same chip in its serial mode (a jumper on
// the board selects the mode), listed so the user can be told to move it.
//
// Any thread, but an adapter is opened by one user at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/UsbTransport.h"

inline constexpr uint16_t kCh341Vendor = 0x1a86;
inline constexpr uint16_t kCh341I2cProduct = 0x5512;
inline constexpr uint16_t kCh341SerialProduct = 0x5523;

// Which adapter a port description means: the first in I2C mode, the n-th
// (from 0) in bus order, or the one at a bus and address as lsusb prints
// them.
struct Ch341Selector {
  enum Kind { kFirst, kIndex, kBusAddress };
  Kind kind = kFirst;
  int index = 0;
  int bus = 0;
  int address = 0;
};

struct Ch341Adapter {
  int bus = 0;
  int address = 0;
  bool serialMode = false;  // 1a86:5523: the mode jumper is in its serial place
  std::string problem;      // UTF-8; empty when the adapter can be used

  // "ch341:3-7"
  std::string port() const;
  // "CH341A, шина 3, адрес 7"
  std::string where() const;
};

// The adapters in both modes, in bus order (bus, then address). With
// `check`, each one in I2C mode is opened and claimed for a moment (nothing
// is sent) and `problem` says what went wrong. An empty list when USB cannot
// be reached at all.
std::vector<Ch341Adapter> listCh341Adapters(bool check = true);

// Opens the selected adapter in I2C mode. Throws PortError saying what is
// missing and how to mend it: no adapter, the adapter in serial mode, no
// permission, a driver or program holding it.
// `opened`, when given, receives the adapter opened.
std::unique_ptr<UsbTransport> openCh341(const Ch341Selector& which, Ch341Adapter* opened = nullptr);

// The texts of those failures (UTF-8), for the checks and the port dialog.
namespace ch341_texts {
std::string notFound();
std::string serialMode(const Ch341Adapter& adapter);
std::string noPermission(const Ch341Adapter& adapter);
std::string busy(const Ch341Adapter& adapter);
}  // namespace ch341_texts
