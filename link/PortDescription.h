// The port description string the GUI and tkv88ctl share to choose a port:
//
//   sim:PATH[,trace=FILE.vcd][,fault=absent|stuck-low|dropout:N][,base=0x278]
//       the simulated controller; PATH holds its 8192-byte memory (created
//       with a factory-new controller's contents when missing)
//   ppdev:/dev/parportN   a Linux parallel port through ppdev
//   io:0x378              direct port I/O (x86 Linux, root)
//   auto                  /dev/parport0..2 through ppdev, else direct I/O at
//                         0x378, 0x278 and 0x3BC
//
// Opening a port may touch the file system and the operating system; any
// thread, but the backend it returns is used by one thread at a time.
#pragma once

#include <memory>
#include <string>

#include "link/PortBackend.h"
#include "link/SimulatedController.h"

struct PortDescription {
  enum Kind { kSimulator, kPpdev, kDirectIo, kAuto };
  Kind kind = kAuto;
  std::string devicePath;      // kPpdev
  uint16_t ioBase = 0;         // kDirectIo
  SimulatorOptions simulator;  // kSimulator
};

// Where the real backends look; tests point them at temporary folders.
struct PortEnvironment {
  std::string devRoot = "/dev";
  std::string procRoot = "/proc";
  bool directIo = true;  // false: never try direct port I/O
};

// Throws PortError naming what is wrong and the accepted forms.
PortDescription parsePortDescription(const std::string& text);
// Opens the described port. Throws PortError with a message that says what
// to do (no such device, permission denied, not root, bad image file...).
std::unique_ptr<PortBackend> openPort(const std::string& description, const PortEnvironment& env = {});
std::unique_ptr<PortBackend> openPort(const PortDescription& description, const PortEnvironment& env = {});

// $TKV88_PORT when set and not empty, else "auto".
std::string defaultPortDescription();
// The forms above, for help texts; a literal so help texts can be put
// together at compile time.
#define TKV88_PORT_FORMS_HELP                                                         \
  "  sim:PATH[,trace=FILE.vcd][,fault=absent|stuck-low|dropout:N][,base=ADDR]\n"      \
  "                  the simulated controller; PATH holds its 8 KB memory and is\n"   \
  "                  created with a factory-new controller's contents when missing\n" \
  "  ppdev:/dev/parportN  a parallel port through Linux ppdev (group lp)\n"           \
  "  io:0x378        direct port I/O (x86 Linux, root)\n"                             \
  "  auto            /dev/parport0..2, else direct I/O at 0x378, 0x278, 0x3BC\n"
