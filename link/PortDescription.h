// The port description string the GUI and tkv88ctl share to choose a port:
//
//   sim:PATH[,trace=FILE.vcd][,fault=absent|stuck-low|dropout:N|readonly:ADDR][,base=0x278][,rise=US]
//       [,access=US][,cycle=MS]
//       the simulated controller; PATH holds its 8192-byte memory (created
//       with a factory-new controller's contents when missing); rise= makes
//       its data line slow, access= is what one port access costs (1 us,
//       direct I/O; ppdev takes about 2), cycle= the memory's write cycle
//       (5 ms, the datasheet's longest) (SimulatedController.h)
//   ppdev:/dev/parportN   a Linux parallel port through ppdev
//   io:0x378              direct port I/O (x86 Linux, root)
//   auto                  /dev/parport0..2 through ppdev, else direct I/O at
//                         0x378, 0x278 and 0x3BC
//   Each of the four parallel-port forms takes ",timing=fast" (the default:
//   waits measured on the adapter) or ",timing=standard" (link/BusTiming.h).
//   i2c:/dev/i2c-N[,addr=0x50]
//       an I2C adapter through Linux i2c-dev wired to the controller's memory
//       (7-bit address 0x50 unless given)
//   i2c-sim:PATH[,addr=0x50][,fault=absent|nack:N|eio:N|eagain:N|readonly:ADDR][,latency=US][,cycle=MS]
//       the simulated I2C adapter; PATH as for sim:, a fault at transfer N
//       or a byte that does not keep what is written; latency= is the
//       round trip of one transfer through a USB adapter (0; they take about
//       125 us to 1 ms), cycle= as for sim:
//   ch341:[N|BUS-ADDRESS][,speed=20|100|400|750]
//       a CH341A USB programmer through libusb: the first one, the N-th from
//       0 in bus order, or the one at a bus and address as lsusb prints
//       them; the I2C bus at 100 kHz unless told
//   ch341-sim:PATH[,speed=...][,fault=absent|unplug:N|nack:ADDR][,trace=FILE.vcd][,cycle=MS]
//       the simulated CH341A; PATH as for sim:; unplug:N makes USB transfer
//       N (from 0) and every later one fail as an unplugged adapter; cycle=
//       as for sim:
//   auto also tries the first CH341A when no parallel port can be used.
//
// Options are "word=value" parts after the path, matched exactly: a part
// that looks like one but is no option of its form (a misspelt or
// capitalised word), an empty part, an option without a value or given
// twice, and a part that begins or ends with a space are refused, naming
// the options the form takes. The forms and their options are one table
// (portForms() in the .cpp).
//
// Opening a port may touch the file system and the operating system; any
// thread, but the backend it returns is used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "link/BusTiming.h"
#include "link/Ch341Adapters.h"
#include "link/Ch341Stream.h"
#include "link/MemoryAccess.h"
#include "link/PortBackend.h"
#include "link/SimulatedCh341.h"
#include "link/SimulatedController.h"
#include "link/SimulatedI2cAdapter.h"

struct PortDescription {
  enum Kind { kSimulator, kPpdev, kDirectIo, kAuto, kI2cDev, kI2cSimulator, kCh341, kCh341Simulator };
  Kind kind = kAuto;
  std::string devicePath;                 // kPpdev, kI2cDev
  uint16_t ioBase = 0;                    // kDirectIo
  SimulatorOptions simulator;             // kSimulator
  uint16_t i2cAddress = 0x50;             // kI2cDev
  I2cSimulatorOptions i2cSimulator;       // kI2cSimulator
  LinkTiming timing = LinkTiming::kFast;  // the parallel-port forms
  Ch341Selector ch341;                    // kCh341
  Ch341SimulatorOptions ch341Simulator;   // kCh341Simulator
  ch341::Speed ch341Speed = ch341::Speed::k100kHz;

  // A port of the parallel-port adapter (the bit-banged engine).
  bool parallel() const { return kind == kSimulator || kind == kPpdev || kind == kDirectIo || kind == kAuto; }
};

// Where the real backends look; tests point them at temporary folders.
struct PortEnvironment {
  std::string devRoot = "/dev";
  std::string procRoot = "/proc";
  bool directIo = true;  // false: never try direct port I/O
  bool usb = true;       // false: auto never looks for USB programmers
};

// Throws PortError naming what is wrong and the accepted forms.
PortDescription parsePortDescription(const std::string& text);
// Opens the engine of the described port: the bit-banged engine on a
// parallel port, or the I2C adapter's. Throws PortError with a message that
// says what to do (no such device, permission denied, not root, bad image
// file, driver not loaded...).
std::unique_ptr<MemoryAccess> openMemoryAccess(const std::string& description,
                                               const PortEnvironment& env = {});
std::unique_ptr<MemoryAccess> openMemoryAccess(const PortDescription& description,
                                               const PortEnvironment& env = {});
// Opens a parallel port alone; PortError for an I2C adapter.
std::unique_ptr<PortBackend> openPort(const std::string& description, const PortEnvironment& env = {});
std::unique_ptr<PortBackend> openPort(const PortDescription& description, const PortEnvironment& env = {});

// Whether two descriptions reach the same controller: the same memory file
// for the simulators (sim:, i2c-sim: and ch341-sim: may share one; relative
// paths from the current folder), the same device, port base or CH341A
// selector otherwise; options (trace, faults, timing, addr, speed) do not
// count. One that does not parse
// matches only its own text.
bool samePort(const std::string& a, const std::string& b);

// $TKV88_PORT when set and not empty, else "auto".
std::string defaultPortDescription();
// The forms above, for help texts; a literal so help texts can be put
// together at compile time.
#define TKV88_PORT_FORMS_HELP                                                          \
  "  sim:PATH[,trace=FILE.vcd][,fault=absent|stuck-low|dropout:N|readonly:ADDR]\n"     \
  "                  [,base=ADDR][,rise=US][,access=US][,cycle=MS]\n"                  \
  "                  the simulated controller; PATH holds its 8 KB memory and is\n"    \
  "                  created with a factory-new controller's contents when missing;\n" \
  "                  rise=US: its data line reads low for US us after a release;\n"    \
  "                  access=US: one port access costs US us (default 1; ppdev 2);\n"   \
  "                  cycle=MS: the memory's write cycle (default 5 ms)\n"              \
  "  ppdev:/dev/parportN  a parallel port through Linux ppdev (group lp)\n"            \
  "  io:0x378        direct port I/O (x86 Linux, root)\n"                              \
  "  auto            /dev/parport0..2, else direct I/O at 0x378, 0x278, 0x3BC\n"       \
  "  The four forms above take ,timing=fast (default: waits measured on the\n"         \
  "  adapter) or ,timing=standard (the protocol's fixed waits).\n"                     \
  "  i2c:/dev/i2c-N[,addr=0x50]  a USB-I2C adapter through Linux i2c-dev\n"            \
  "  i2c-sim:PATH[,addr=0x50][,fault=absent|nack:N|eio:N|eagain:N|readonly:ADDR]\n"    \
  "                  [,latency=US][,cycle=MS]\n"                                       \
  "                  the simulated I2C adapter; PATH as for sim:; latency=US: the\n"   \
  "                  round trip of one transfer (default 0; USB adapters take\n"       \
  "                  125..1000); cycle=MS as for sim:\n"                              \
  "  ch341:[N|BUS-ADDRESS][,speed=20|100|400|750]\n"                                   \
  "                  a CH341A USB programmer: the first, the N-th from 0 or the one\n"  \
  "                  at a bus and address as lsusb prints them; 100 kHz by default\n"  \
  "  ch341-sim:PATH[,speed=KHZ][,fault=absent|unplug:N|nack:ADDR][,trace=FILE.vcd]\n"  \
  "                  [,cycle=MS]\n"                                                    \
  "                  the simulated CH341A; PATH as for sim:\n"                         \
  "  auto also tries the first CH341A when no parallel port can be used.\n"
