// The program's message boxes, with Russian button texts ("Да", "Нет",
// "Отмена", "Справка"), so that every question and error of the program reads
// the same. Tests install a responder that records what would have been shown
// and answers in place of the user. User-interface thread only.
#pragma once

#include <functional>
#include <optional>

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include "resources/ResourcePaths.h"

namespace messages {

enum class Answer { Ok, Yes, No, Cancel };

struct Shown {
  QMessageBox::Icon icon;
  QString title;
  QString text;
  QMessageBox::StandardButtons buttons;
};

using Responder = std::function<Answer(const Shown&)>;
// Replaces the message boxes by the responder (nullptr: real boxes again).
void setResponder(Responder responder);

// A Yes/No question with a warning icon; true on Yes.
bool askYesNo(QWidget* parent, const QString& title, const QString& text);
// A Yes/No/Cancel question with a question icon.
Answer askYesNoCancel(QWidget* parent, const QString& title, const QString& text);
// An error with "OK"; with a help topic it also has "Справка", which opens
// that topic and leaves the box open.
void showError(QWidget* parent, const QString& title, const QString& text,
               std::optional<HelpTopic> topic = std::nullopt);
// A notice with an exclamation icon and "OK", titled with the program's name:
// a form refusing a typed value.
void showWarning(QWidget* parent, const QString& text);
// What a range paste did not store, named in one warning (nothing shown
// when both lists are empty): the cells that refused their values, and the
// values that had no cell (beyond the last step or row). Each entry is a
// refusedCell; each list shows its first 20.
void showPasteFaults(QWidget* parent, const QStringList& refused, const QStringList& unplaced);
// One refused cell: where it lies and the text it was given.
QString refusedCell(const QString& place, const QString& text);
// A plain notice without an icon, "OK", titled with the program's name.
void showNotice(QWidget* parent, const QString& text);
// A report with the information icon and "OK".
void showInformation(QWidget* parent, const QString& title, const QString& text);

// The program's name, the title of its plain message boxes.
inline const QString kAppTitle = QStringLiteral("Конфигуратор ТКВ88");

// A reason made for the middle of a line ("нет такого файла или папки") as a
// sentence of its own: capital first letter, full stop at the end.
QString sentence(const QString& reason);

}  // namespace messages
