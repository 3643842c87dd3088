#include "shell/PortChoice.h"

#include <cstdio>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "link/PortDescription.h"
#include "link/PortCheck.h"
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

bool runDriverSwitch(bool install) {
  std::fputs(install ? "tkv88: в Linux программе не нужен свой драйвер порта: ничего не устанавливается.\n"
                     : "tkv88: в Linux программе не нужен свой драйвер порта: ничего не удаляется.\n",
             stdout);
  const PortCheck check = checkPorts();
  std::fputs(check.report().c_str(), stdout);
  return check.usable();
}

bool loadPortDriver(PortBackend& port, const std::function<void(const QString&)>& showError) {
  NativeDriverPlatform platform(
      [&](const std::string& text) { showError(QString::fromStdString(cp1251::toUtf8(text))); });
  return LoadPortDriver(platform, port);
}

}  // namespace portchoice
