// Whether this computer can reach a controller, and what to do when it
// cannot. On Linux the program needs no port driver of its own: the kernel's
// ppdev driver serves /dev/parportN to the members of the device's group
// (lp on Debian), root may use direct port I/O, and a CH341A programmer is
// reached through libusb once udev gives it to the user. The driver switches
// "tkv88 i" and "tkv88 u" print this check instead of installing anything.
//
// Opening a port for the check claims it for a moment and writes nothing to
// it. Any thread, but not while an exchange holds the same port.
#pragma once

#include <string>
#include <vector>

#include "link/PortDescription.h"

struct PortCheck {
  struct Line {
    std::string port;  // a --port description ("ppdev:/dev/parport0"), or the kind
                       // of port when there is none of it
    bool usable = false;
    std::string text;  // UTF-8: "доступен", or the reason and what to do
  };
  std::vector<Line> lines;

  bool usable() const;
  // The report for the terminal, UTF-8, a line per port and then advice.
  std::string report() const;
};

PortCheck checkPorts(const PortEnvironment& env = {});
// Adds a line for each CH341A programmer found (checkPorts does unless
// env.usb is false).
void addUsbProgrammers(PortCheck& check);
