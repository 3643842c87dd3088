// The port description string the GUI and tkv88ctl share to choose a port:
//
//   sim:PATH[,trace=FILE.vcd][,fault=absent|stuck-low|dropout:N|readonly:ADDR][,base=0x278][,rise=US]
//       the simulated controller; PATH holds its 8192-byte memory (created
//       with a factory-new controller's contents when missing); rise= makes
//       its data line slow (SimulatedController.h)
//   ppdev:/dev/parportN   a Linux parallel port through ppdev
//   io:0x378              direct port I/O (x86 Linux, root)
//   auto                  /dev/parport0..2 through ppdev, else direct I/O at
//                         0x378, 0x278 and 0x3BC
//   Each of the four parallel-port forms takes ",timing=fast" (the default:
//   waits measured on the adapter) or ",timing=standard" (link/BusTiming.h).
//   i2c:/dev/i2c-N[,addr=0x50]
//       an I2C adapter through Linux i2c-dev wired to the controller's memory
//       (7-bit address 0x50 unless given)
//   i2c-sim:PATH[,addr=0x50][,fault=absent|nack:N|eio:N|eagain:N]
//       the simulated I2C adapter; PATH as for sim:, a fault at transfer N
//
// Options are "word=value" parts after the path; a part that looks like one
// but is no option of its form is refused, naming those the form takes.
//
// Opening a port may touch the file system and the operating system; any
// thread, but the backend it returns is used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "link/BusTiming.h"
#include "link/MemoryAccess.h"
#include "link/PortBackend.h"
#include "link/SimulatedController.h"
#include "link/SimulatedI2cAdapter.h"

struct PortDescription {
  enum Kind { kSimulator, kPpdev, kDirectIo, kAuto, kI2cDev, kI2cSimulator };
  Kind kind = kAuto;
  std::string devicePath;                 // kPpdev, kI2cDev
  uint16_t ioBase = 0;                    // kDirectIo
  SimulatorOptions simulator;             // kSimulator
  uint16_t i2cAddress = 0x50;             // kI2cDev
  I2cSimulatorOptions i2cSimulator;       // kI2cSimulator
  LinkTiming timing = LinkTiming::kFast;  // the parallel-port forms

  // A port of the parallel-port adapter (the bit-banged engine).
  bool parallel() const { return kind != kI2cDev && kind != kI2cSimulator; }
};

// Where the real backends look; tests point them at temporary folders.
struct PortEnvironment {
  std::string devRoot = "/dev";
  std::string procRoot = "/proc";
  bool directIo = true;  // false: never try direct port I/O
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

// $TKV88_PORT when set and not empty, else "auto".
std::string defaultPortDescription();
// The forms above, for help texts; a literal so help texts can be put
// together at compile time.
#define TKV88_PORT_FORMS_HELP                                                          \
  "  sim:PATH[,trace=FILE.vcd][,fault=absent|stuck-low|dropout:N|readonly:ADDR]\n"     \
  "                  [,base=ADDR][,rise=US]\n"                                         \
  "                  the simulated controller; PATH holds its 8 KB memory and is\n"    \
  "                  created with a factory-new controller's contents when missing;\n" \
  "                  rise=US: its data line reads low for US us after a release\n"     \
  "  ppdev:/dev/parportN  a parallel port through Linux ppdev (group lp)\n"            \
  "  io:0x378        direct port I/O (x86 Linux, root)\n"                              \
  "  auto            /dev/parport0..2, else direct I/O at 0x378, 0x278, 0x3BC\n"       \
  "  The four forms above take ,timing=fast (default: waits measured on the\n"         \
  "  adapter) or ,timing=standard (the protocol's fixed waits).\n"                     \
  "  i2c:/dev/i2c-N[,addr=0x50]  a USB-I2C adapter through Linux i2c-dev\n"            \
  "  i2c-sim:PATH[,addr=0x50][,fault=absent|nack:N|eio:N|eagain:N]\n"                  \
  "                  the simulated I2C adapter; PATH as for sim:\n"
