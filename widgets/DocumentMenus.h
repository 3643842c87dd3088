// The context menus whose commands the document carries out (the popups of
// the program menu resource): the steps group's, a step's and a program's.
// The navigation tree and the steps table open them; every item shows the
// document's enable state and text for its command at the time it is built
// and runs the command on the document. User-interface thread only.
#pragma once

class Document;
class QMenu;
class QWidget;

enum class DocumentMenu {
  Steps,    // "Добавить шаг в начало", "Добавить шаг в конец"
  Step,     // "Добавить шаг перед", "Добавить шаг после", "Начало цикла", "Удалить"
  Program,  // "Переименовать"
};

// A new menu owned by `parent`; each item's objectName is its command id.
QMenu* createDocumentMenu(Document& doc, DocumentMenu which, QWidget* parent);
