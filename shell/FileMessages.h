// The messages about configuration files: one that could not be opened or
// saved, and what the reader noticed in one it loaded. User-interface thread.
#pragma once

#include <vector>

#include <QString>

class QWidget;
namespace configfile {
class FileError;
struct FileNote;
}  // namespace configfile

namespace filemessages {

// "Не удалось открыть файл …" or "Не удалось сохранить файл …" with the reason.
QString errorText(const configfile::FileError& error);
// errorText in an error box titled with the program's name.
void showError(QWidget* parent, const configfile::FileError& error);
// One warning listing what the reader noticed in the file at `path` (values
// loaded otherwise than written, lines skipped); none: nothing shown.
void showNotes(QWidget* parent, const QString& path, const std::vector<configfile::FileNote>& notes);

}  // namespace filemessages
