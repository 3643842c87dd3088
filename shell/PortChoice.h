// The ports the device exchanges can use, as the descriptions "--port" and
// the "&Прибор" menu's "&Порт..." accept: "auto", "ppdev:DEVICE", "io:BASE",
// "sim:IMAGE" (the simulated controller keeping its memory in a file),
// "i2c:DEVICE" (a USB-I2C adapter), "i2c-sim:IMAGE" (the simulated one),
// "ch341:BUS-ADDRESS" (a CH341A programmer) and "ch341-sim:IMAGE". Also the
// driver switches "i" and "u". User-interface thread.
#pragma once

#include <memory>
#include <optional>

#include <QList>
#include <QString>

#include "link/BusTiming.h"

class MemoryAccess;
struct Ch341Adapter;

namespace portchoice {

// One entry of the port list: its text (the description, then " — " and a
// label where there is one) and, for a port found that cannot be used as it
// is, why and what mends it.
struct Choice {
  QString text;
  QString problem;  // empty when nothing is known to keep it from use
};

// The simulated controller's image in the user's data folder.
QString defaultSimulatorImage();
// The choices to offer: "auto", every parallel port found, the three classic
// direct-I/O bases, every I2C adapter (USB ones first) followed by " — " and
// its name, every CH341A programmer, and the three simulators with the
// default image.
QList<Choice> choices();
// A CH341A programmer's entry: "ch341:B-A — CH341A, шина B, адрес A", marked
// and with the reason when it cannot be opened as it is.
Choice ch341Choice(const Ch341Adapter& adapter);
// The description in a choice: the text before a " — " label.
QString descriptionOf(const QString& choice);
// Opens the port of a description; throws std::exception with a UTF-8
// message naming the port and the reason.
std::unique_ptr<MemoryAccess> open(const QString& description);
// True when the description has one of the accepted forms; else the reason.
bool valid(const QString& description, QString* error);
// The timing a description asks for; nothing when it is not a valid
// parallel-port description (an I2C adapter has no timing to choose).
std::optional<LinkTiming> timingOf(const QString& description);
// The description with its timing set: ",timing=standard" for the standard
// one, nothing for the fast one (the default); a timing given before is
// replaced.
QString withTiming(const QString& description, LinkTiming timing);

// The driver switches "i" (install) and "u" (remove). On Linux the program
// has no driver of its own to install or remove, and nothing is written or
// deleted: both print on the terminal which ports this user can reach and
// what to do about the others. True when a port is usable.
bool runDriverSwitch(bool install);

}  // namespace portchoice
