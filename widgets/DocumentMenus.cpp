#include "widgets/DocumentMenus.h"

#include <iterator>
#include <span>

#include <QMenu>

#include "document/CommandIds.h"
#include "document/Document.h"
#include "widgets/GuiText.h"

namespace {

struct MenuEntry {
  int command;
  const char* text;  // UTF-8
};

const MenuEntry kStepsMenu[] = {{CommandId::AddStepFirst, "Добавить шаг в начало"},
                                {CommandId::AddStepLast, "Добавить шаг в конец"}};
const MenuEntry kStepMenu[] = {{CommandId::AddStepBefore, "Добавить шаг перед"},
                               {CommandId::AddStepAfter, "Добавить шаг после"},
                               {CommandId::ToggleCycleStart, "Начало цикла"},
                               {CommandId::DeleteStep, "Удалить"}};
const MenuEntry kProgramMenu[] = {{CommandId::RenameProgram, "Переименовать"}};

std::span<const MenuEntry> entriesOf(DocumentMenu which) {
  switch (which) {
    case DocumentMenu::Steps:
      return kStepsMenu;
    case DocumentMenu::Step:
      return kStepMenu;
    case DocumentMenu::Program:
      return kProgramMenu;
  }
  return {};
}

}  // namespace

QMenu* createDocumentMenu(Document& doc, DocumentMenu which, QWidget* parent) {
  auto* menu = new QMenu(parent);
  for (const MenuEntry& e : entriesOf(which)) {
    QAction* a = menu->addAction(QString::fromUtf8(e.text));
    a->setObjectName(QString::number(e.command));
    a->setData(e.command);
    if (auto state = doc.commandState(e.command)) {
      a->setEnabled(state->enabled);
      if (!state->text.empty()) a->setText(fromCp1251(state->text));
    }
    const int command = e.command;
    QObject::connect(a, &QAction::triggered, menu, [&doc, command] { doc.onCommand(command); });
  }
  return menu;
}
