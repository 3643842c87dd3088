#include "shell/PortChoice.h"

#include <cstdio>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "link/PortDescription.h"
#include "link/PortDriver.h"
#include "model/Cp1251.h"

namespace portchoice {

QString defaultSimulatorImage() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/tkv88/controller.bin");
}

QStringList choices() {
  QStringList list{QStringLiteral("auto")};
  const QStringList devices =
      QDir(QStringLiteral("/dev")).entryList({QStringLiteral("parport*")}, QDir::System);
  for (const QString& d : devices) list << QStringLiteral("ppdev:/dev/%1").arg(d);
  list << QStringLiteral("io:0x378") << QStringLiteral("io:0x278") << QStringLiteral("io:0x3BC");
  list << QStringLiteral("sim:") + defaultSimulatorImage();
  return list;
}

std::unique_ptr<PortBackend> open(const QString& description) {
  const std::string text = description.toStdString();
  // The simulator creates its image, but not the folder it lives in.
  const PortDescription parsed = parsePortDescription(text);
  if (parsed.kind == PortDescription::kSimulator && !parsed.simulator.imagePath.empty())
    QDir().mkpath(
        QFileInfo(QFile::decodeName(QByteArray::fromStdString(parsed.simulator.imagePath))).absolutePath());
  return openPort(parsed);
}

bool valid(const QString& description, QString* error) {
  try {
    parsePortDescription(description.toStdString());
    return true;
  } catch (const std::exception& e) {
    if (error) *error = QString::fromUtf8(e.what());
    return false;
  }
}

namespace {

// The driver's own messages, on the terminal: the switches run without a window.
NativeDriverPlatform terminalPlatform() {
  return NativeDriverPlatform(
      [](const std::string& text) { std::fprintf(stderr, "tkv88: %s\n", cp1251::toUtf8(text).c_str()); });
}

}  // namespace

bool installPortDriver() {
  NativeDriverPlatform platform = terminalPlatform();
  if (InstallPortDriver(platform)) return true;
  std::fputs(
      "tkv88: the port driver was not installed. On Linux none is needed: the kernel's\n"
      "ppdev driver serves /dev/parportN (\"modprobe ppdev parport_pc\"), and members of\n"
      "the group lp may use it.\n",
      stderr);
  return false;
}

bool removePortDriver() {
  NativeDriverPlatform platform = terminalPlatform();
  return RemovePortDriver(platform);
}

bool loadPortDriver(PortBackend& port, const std::function<void(const QString&)>& showError) {
  NativeDriverPlatform platform(
      [&](const std::string& text) { showError(QString::fromStdString(cp1251::toUtf8(text))); });
  return LoadPortDriver(platform, port);
}

}  // namespace portchoice
