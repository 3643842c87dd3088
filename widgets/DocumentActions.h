// The document's editing commands as actions: the step inserts, the cycle
// start, deleting a step, renaming a program, and copying, cutting and
// pasting steps and programs through the clipboard (widgets/StepClipboard.h).
// The main window makes them once; the places that offer them share them:
// the navigation tree's and the steps table's context menus and the step
// form's button bar. Triggering one runs the document's command.
//
// Their enabled states and the cycle start's text ("Начало цикла" or
// "Отменить цикл") follow the document's notices and the clipboard. A paste that is refused
// says why in a message box; one over a program asks first, naming both.
// User-interface thread only; the document outlives the actions.
#pragma once

#include <optional>
#include <string>

#include <QKeySequence>
#include <QObject>

class Document;
class Program;
class QAction;
class QMenu;
class QWidget;

enum class DocumentMenu {
  Steps,  // "Добавить шаг в начало", "Добавить шаг в конец", "Вставить шаги в конец"
  Step,  // "Добавить шаг перед", "Добавить шаг после", "Начало цикла", "Удалить",
         // "Копировать шаг", "Вырезать шаг", "Вставить шаг перед", "Вставить шаг после"
  Program,  // "Переименовать", "Копировать программу", "Вставить программу"
};

class DocumentActions : public QObject {
  Q_OBJECT

 public:
  DocumentActions(Document& doc, QObject* parent);

  QAction* const addStepFirst;
  QAction* const addStepLast;
  QAction* const addStepBefore;
  QAction* const addStepAfter;
  QAction* const toggleCycleStart;
  QAction* const deleteStep;
  QAction* const renameProgram;
  QAction* const copyStep;
  QAction* const cutStep;
  QAction* const pasteStepBefore;
  QAction* const pasteStepAfter;
  // The steps on the clipboard after the last step of the selected program
  // (also into a program that has none).
  QAction* const pasteStepsAtEnd;
  QAction* const copyProgram;
  QAction* const pasteProgram;

  // A new context menu of these actions, owned by `parent`.
  QMenu* menu(DocumentMenu which, QWidget* parent);

 public slots:
  // Enabled states and texts from the document as it is now.
  void update();

 private:
  QAction* make(const char* name, const char* text, void (Document::*command)());
  // A clipboard command; `key` is shown in the menus, where the focused view
  // takes it (NavigationTree's copy, cut and paste).
  QAction* make(const char* name, const char* text, QKeySequence::StandardKey key,
                void (DocumentActions::*command)());

  void doCopyStep();
  void doCutStep();
  // The clipboard's steps into `program` before step `position` (1-based).
  void pasteSteps(Program& program, int position);
  void doPasteSteps(bool after);
  void doPasteStepBefore() { doPasteSteps(false); }
  void doPasteStepAfter() { doPasteSteps(true); }
  void doPasteStepsAtEnd();
  void doCopyProgram();
  void doPasteProgram();
  // Shows a paste's refusal, if any.
  void report(const std::optional<std::string>& refusal);
  QWidget* window() const;

  Document& m_doc;
};
