// What the program remembers between runs: the recent files (4), the main
// window's geometry, the chosen port and whether a full write first keeps a
// backup of the controller. Kept with QSettings under the
// application's organisation and name (set in main); tests point QSettings
// at a scratch location. User-interface thread only.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace settings {

inline constexpr int kRecentFileCount = 4;

// Most recent first.
QStringList recentFiles();
// Moves the path to the front (adding it), keeping at most four.
void addRecentFile(const QString& path);
void removeRecentFile(const QString& path);

QByteArray windowGeometry();
void setWindowGeometry(const QByteArray& geometry);

// The port description last chosen; when none was, $TKV88_PORT or "auto".
QString port();
void setPort(const QString& port);

// "Резервная копия перед записью"; on unless the user turned it off.
bool backupBeforeWrite();
void setBackupBeforeWrite(bool on);

}  // namespace settings
