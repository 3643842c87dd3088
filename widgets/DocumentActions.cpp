#include "widgets/DocumentActions.h"

#include <QAction>
#include <QMenu>

#include "document/Document.h"

DocumentActions::DocumentActions(Document& doc, QObject* parent)
    : QObject(parent),
      addStepFirst(make("addStepFirst", "Добавить шаг в начало", &Document::addStepFirst)),
      addStepLast(make("addStepLast", "Добавить шаг в конец", &Document::addStepLast)),
      addStepBefore(make("addStepBefore", "Добавить шаг перед", &Document::addStepBefore)),
      addStepAfter(make("addStepAfter", "Добавить шаг после", &Document::addStepAfter)),
      toggleCycleStart(make("toggleCycleStart", "Начало цикла", &Document::toggleCycleStart)),
      deleteStep(make("deleteStep", "Удалить", &Document::deleteStep)),
      renameProgram(make("renameProgram", "Переименовать", &Document::renameProgram)),
      m_doc(doc) {
  update();
}

QAction* DocumentActions::make(const char* name, const char* text, void (Document::*command)()) {
  auto* action = new QAction(QString::fromUtf8(text), this);
  action->setObjectName(QLatin1String(name));
  connect(action, &QAction::triggered, this, [this, command] { (m_doc.*command)(); });
  return action;
}

void DocumentActions::update() {
  const bool canAdd = m_doc.canAddStep();
  for (QAction* a : {addStepFirst, addStepLast, addStepBefore, addStepAfter}) a->setEnabled(canAdd);
  toggleCycleStart->setEnabled(m_doc.canToggleCycleStart());
  toggleCycleStart->setText(m_doc.selectedStepIsCycleStart() ? QStringLiteral("Отменить цикл")
                                                             : QStringLiteral("Начало цикла"));
}

QMenu* DocumentActions::menu(DocumentMenu which, QWidget* parent) {
  update();
  auto* menu = new QMenu(parent);
  switch (which) {
    case DocumentMenu::Steps:
      menu->addActions({addStepFirst, addStepLast});
      break;
    case DocumentMenu::Step:
      menu->addActions({addStepBefore, addStepAfter, toggleCycleStart, deleteStep});
      break;
    case DocumentMenu::Program:
      menu->addAction(renameProgram);
      break;
  }
  return menu;
}
