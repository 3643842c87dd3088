#include "shell/PortChoice.h"

#include <cstdio>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "link/Ch341Adapters.h"
#include "link/I2cDevBus.h"
#include "link/PortCheck.h"
#include "link/PortDescription.h"

namespace portchoice {

namespace {
const QString kLabelSeparator = QStringLiteral(" — ");
}  // namespace

QString defaultSimulatorImage() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/tkv88/controller.bin");
}

QList<Choice> choices() {
  QList<Choice> list{{QStringLiteral("auto"), {}}};
  const QStringList devices =
      QDir(QStringLiteral("/dev")).entryList({QStringLiteral("parport*")}, QDir::System);
  for (const QString& d : devices) list.append({QStringLiteral("ppdev:/dev/%1").arg(d), {}});
  for (const char* base : {"io:0x378", "io:0x278", "io:0x3BC"}) list.append({QString::fromLatin1(base), {}});
  for (const I2cAdapter& adapter : listI2cAdapters()) {
    QString item = QStringLiteral("i2c:") + QString::fromStdString(adapter.devicePath);
    if (!adapter.name.empty()) item += kLabelSeparator + QString::fromStdString(adapter.name);
    list.append({item, {}});
  }
  for (const Ch341Adapter& adapter : listCh341Adapters()) list.append(ch341Choice(adapter));
  for (const char* simulator : {"sim:", "i2c-sim:", "ch341-sim:"})
    list.append({QString::fromLatin1(simulator) + defaultSimulatorImage(), {}});
  return list;
}

Choice ch341Choice(const Ch341Adapter& adapter) {
  Choice choice{
      QString::fromStdString(adapter.port()) + kLabelSeparator + QString::fromStdString(adapter.where()),
      QString::fromStdString(adapter.problem)};
  if (!choice.problem.isEmpty()) choice.text += QStringLiteral(" (недоступен)");
  return choice;
}

QString descriptionOf(const QString& choice) {
  const qsizetype label = choice.indexOf(kLabelSeparator);
  return (label < 0 ? choice : choice.left(label)).trimmed();
}

std::unique_ptr<MemoryAccess> open(const QString& description) {
  const std::string text = description.toStdString();
  // The simulators create their image, but not the folder it lives in.
  const PortDescription parsed = parsePortDescription(text);
  const std::string image = parsed.kind == PortDescription::kSimulator      ? parsed.simulator.imagePath
                            : parsed.kind == PortDescription::kI2cSimulator ? parsed.i2cSimulator.imagePath
                            : parsed.kind == PortDescription::kCh341Simulator
                                ? parsed.ch341Simulator.imagePath
                                : std::string();
  if (!image.empty())
    QDir().mkpath(QFileInfo(QFile::decodeName(QByteArray::fromStdString(image))).absolutePath());
  return openMemoryAccess(parsed);
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

std::optional<LinkTiming> timingOf(const QString& description) {
  try {
    const PortDescription d = parsePortDescription(description.toStdString());
    if (d.parallel()) return d.timing;
  } catch (const PortError&) {
  }
  return std::nullopt;
}

QString withTiming(const QString& description, LinkTiming timing) {
  QStringList parts = description.split(u',');
  parts.removeIf([](const QString& part) { return part.startsWith(QStringLiteral("timing=")); });
  QString text = parts.join(u',');
  if (timing == LinkTiming::kStandard) text += QStringLiteral(",timing=standard");
  return text;
}

bool runDriverSwitch(bool install) {
  std::fputs(install ? "tkv88: в Linux программе не нужен свой драйвер порта: ничего не устанавливается.\n"
                     : "tkv88: в Linux программе не нужен свой драйвер порта: ничего не удаляется.\n",
             stdout);
  const PortCheck check = checkPorts();
  std::fputs(check.report().c_str(), stdout);
  return check.usable();
}

}  // namespace portchoice
