#include "shell/AppSettings.h"

#include <QFileInfo>
#include <QSettings>

#include "link/PortDescription.h"

namespace settings {
namespace {
const QString kRecent = QStringLiteral("recentFiles");
const QString kGeometry = QStringLiteral("mainWindow/geometry");
const QString kPort = QStringLiteral("device/port");
const QString kBackupBeforeWrite = QStringLiteral("device/backupBeforeWrite");
}  // namespace

QStringList recentFiles() {
  QStringList files = QSettings().value(kRecent).toStringList();
  files.removeAll(QString());
  while (files.size() > kRecentFileCount) files.removeLast();
  return files;
}

void addRecentFile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList files = recentFiles();
  files.removeAll(absolute);
  files.prepend(absolute);
  while (files.size() > kRecentFileCount) files.removeLast();
  QSettings().setValue(kRecent, files);
}

void removeRecentFile(const QString& path) {
  QStringList files = recentFiles();
  files.removeAll(path);
  QSettings().setValue(kRecent, files);
}

QByteArray windowGeometry() { return QSettings().value(kGeometry).toByteArray(); }

void setWindowGeometry(const QByteArray& geometry) { QSettings().setValue(kGeometry, geometry); }

QString port() {
  const QString p = QSettings().value(kPort).toString();
  return p.isEmpty() ? QString::fromStdString(defaultPortDescription()) : p;
}

void setPort(const QString& port) { QSettings().setValue(kPort, port); }

bool backupBeforeWrite() { return QSettings().value(kBackupBeforeWrite, true).toBool(); }

void setBackupBeforeWrite(bool on) { QSettings().setValue(kBackupBeforeWrite, on); }

}  // namespace settings
