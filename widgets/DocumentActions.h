// The document's editing commands as actions: the step inserts, the cycle
// start, deleting a step and renaming a program. The main window makes them
// once; the places that offer them share them: the navigation tree's and the
// steps table's context menus and the step form's button bar. Triggering one
// runs the document's command.
//
// Their enabled states and the cycle start's text ("Начало цикла" or
// "Отменить цикл") follow the document: update() runs whenever what they
// depend on changes (the selection, the configuration), and menus are brought
// up to date when they are made. User-interface thread only; the document
// outlives the actions.
#pragma once

#include <QObject>

class Document;
class QAction;
class QMenu;
class QWidget;

enum class DocumentMenu {
  Steps,  // "Добавить шаг в начало", "Добавить шаг в конец"
  Step,  // "Добавить шаг перед", "Добавить шаг после", "Начало цикла", "Удалить"
  Program,  // "Переименовать"
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

  // A new context menu of these actions, owned by `parent`.
  QMenu* menu(DocumentMenu which, QWidget* parent);

 public slots:
  // Enabled states and texts from the document as it is now.
  void update();

 private:
  QAction* make(const char* name, const char* text, void (Document::*command)());

  Document& m_doc;
};
