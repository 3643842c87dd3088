#include "shell/FileMessages.h"

#include <QFile>
#include <QFileInfo>

#include "document/ConfigFile.h"
#include "widgets/Messages.h"

namespace filemessages {

QString errorText(const configfile::FileError& e) {
  const QString file = QFile::decodeName(QByteArray::fromStdString(e.path()));
  const QString reason = messages::sentence(QString::fromLocal8Bit(QByteArray::fromStdString(e.reason())));
  return e.direction() == configfile::FileError::Direction::Read
             ? QStringLiteral("Не удалось открыть файл \"%1\".\n%2").arg(file, reason)
             : QStringLiteral("Не удалось сохранить файл \"%1\".\n%2").arg(file, reason);
}

void showError(QWidget* parent, const configfile::FileError& error) {
  messages::showError(parent, messages::kAppTitle, errorText(error));
}

void showNotes(QWidget* parent, const QString& path, const std::vector<configfile::FileNote>& notes) {
  if (notes.empty()) return;
  constexpr std::size_t kShown = 15;
  QString text =
      QStringLiteral("Файл \"%1\" открыт, но прочитан не так, как записан:").arg(QFileInfo(path).fileName());
  for (std::size_t i = 0; i < notes.size() && i < kShown; ++i)
    text += u'\n' + QString::fromStdString(notes[i].message());
  if (notes.size() > kShown) text += QStringLiteral("\n... и ещё %1").arg(notes.size() - kShown);
  messages::showWarning(parent, text);
}

}  // namespace filemessages
