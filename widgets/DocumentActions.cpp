#include "widgets/DocumentActions.h"

#include <functional>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>

#include "document/Document.h"
#include "widgets/DocumentSignals.h"
#include "widgets/Messages.h"
#include "widgets/StepClipboard.h"

DocumentActions::DocumentActions(Document& doc, QObject* parent)
    : QObject(parent),
      addStepFirst(make("addStepFirst", "Добавить шаг в начало", &Document::addStepFirst)),
      addStepLast(make("addStepLast", "Добавить шаг в конец", &Document::addStepLast)),
      addStepBefore(make("addStepBefore", "Добавить шаг перед", &Document::addStepBefore)),
      addStepAfter(make("addStepAfter", "Добавить шаг после", &Document::addStepAfter)),
      toggleCycleStart(make("toggleCycleStart", "Начало цикла", &Document::toggleCycleStart)),
      deleteStep(make("deleteStep", "Удалить", &Document::deleteStep)),
      renameProgram(make("renameProgram", "Переименовать", &Document::renameProgram)),
      copyStep(make("copyStep", "Копировать шаг", QKeySequence::Copy, &DocumentActions::doCopyStep)),
      cutStep(make("cutStep", "Вырезать шаг", QKeySequence::Cut, &DocumentActions::doCutStep)),
      pasteStepBefore(make("pasteStepBefore", "Вставить шаг перед", QKeySequence::UnknownKey,
                           &DocumentActions::doPasteStepBefore)),
      pasteStepAfter(make("pasteStepAfter", "Вставить шаг после", QKeySequence::Paste,
                          &DocumentActions::doPasteStepAfter)),
      pasteStepsAtEnd(make("pasteStepsAtEnd", "Вставить шаги в конец", QKeySequence::UnknownKey,
                           &DocumentActions::doPasteStepsAtEnd)),
      copyProgram(make("copyProgram", "Копировать программу", QKeySequence::UnknownKey,
                       &DocumentActions::doCopyProgram)),
      pasteProgram(make("pasteProgram", "Вставить программу", QKeySequence::UnknownKey,
                        &DocumentActions::doPasteProgram)),
      m_doc(doc) {
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &DocumentActions::update);
  auto* notices = new DocumentSignals(m_doc, this);
  for (auto signal : {&DocumentSignals::selectionMoved, &DocumentSignals::valuesChanged,
                      &DocumentSignals::programsChanged, &DocumentSignals::configurationReplaced})
    connect(notices, signal, this, &DocumentActions::update);
  connect(notices, &DocumentSignals::stepsChanged, this, &DocumentActions::update);
  // The cycle start's text, and the room for steps a new partition gives.
  connect(notices, &DocumentSignals::cellChanged, this, [this](const Parameter* cell) {
    const DeviceData* data = m_doc.deviceData();
    if ((m_doc.currentProgram() && cell == &m_doc.currentProgram()->H02) ||
        (data && cell == &data->general.base[BaseParameters::O10]))
      update();
  });
  update();
}

QAction* DocumentActions::make(const char* name, const char* text, void (Document::*command)()) {
  auto* action = new QAction(QString::fromUtf8(text), this);
  action->setObjectName(QLatin1String(name));
  connect(action, &QAction::triggered, this, [this, command] { std::invoke(command, m_doc); });
  return action;
}

QAction* DocumentActions::make(const char* name, const char* text, QKeySequence::StandardKey key,
                               void (DocumentActions::*command)()) {
  auto* action = new QAction(QString::fromUtf8(text), this);
  action->setObjectName(QLatin1String(name));
  // Shown in the menus only: the window's own clipboard keys reach the
  // focused view, which triggers the action.
  action->setShortcut(key);
  action->setShortcutContext(Qt::WidgetShortcut);
  connect(action, &QAction::triggered, this, command);
  return action;
}

QWidget* DocumentActions::window() const { return qobject_cast<QWidget*>(parent()); }

void DocumentActions::report(const std::optional<std::string>& refusal) {
  if (refusal) messages::showWarning(window(), QString::fromUtf8(*refusal));
}

void DocumentActions::doCopyStep() {
  if (m_doc.selectedStepPosition() == 0) return;
  stepclipboard::putSteps({m_doc.currentProgram()->stepAt(m_doc.selectedStepPosition() - 1)});
}

void DocumentActions::doCutStep() {
  const int p = m_doc.selectedStepPosition();
  if (p == 0) return;
  stepclipboard::putSteps({m_doc.currentProgram()->stepAt(p - 1)});
  m_doc.removeSteps(*m_doc.currentProgram(), p, 1);
}

void DocumentActions::pasteSteps(Program& program, int position) {
  const std::vector<Step> steps = stepclipboard::steps();
  if (!steps.empty()) report(m_doc.insertSteps(program, position, steps));
}

void DocumentActions::doPasteSteps(bool after) {
  if (const int p = m_doc.selectedStepPosition(); p != 0) pasteSteps(*m_doc.currentProgram(), after ? p + 1 : p);
}

void DocumentActions::doPasteStepsAtEnd() {
  if (Program* program = m_doc.programOfSelection()) pasteSteps(*program, program->stepCount() + 1);
}

void DocumentActions::doCopyProgram() {
  if (const Program* program = m_doc.programOfSelection()) stepclipboard::putProgram(*program);
}

void DocumentActions::doPasteProgram() {
  Program* target = m_doc.programOfSelection();
  const std::optional<Program> source = stepclipboard::program();
  if (!target || !source || !m_doc.deviceData()) return;
  const QString question = QStringLiteral("Вставить программу \"%1\" вместо программы %2 \"%3\"?")
                               .arg(QString::fromUtf8(source->name()))
                               .arg(m_doc.deviceData()->programIndexOf(target) + 1)
                               .arg(QString::fromUtf8(target->name()));
  if (!messages::askYesNo(window(), QStringLiteral("Вставить программу"), question)) return;
  report(m_doc.replaceProgram(*target, *source));
}

void DocumentActions::update() {
  const bool canAdd = m_doc.canAddStep();
  for (QAction* a : {addStepFirst, addStepLast, addStepBefore, addStepAfter}) a->setEnabled(canAdd);
  toggleCycleStart->setEnabled(m_doc.canToggleCycleStart());
  const bool step = m_doc.selectedStepPosition() != 0;
  copyStep->setEnabled(step);
  cutStep->setEnabled(step);
  const bool steps = step && stepclipboard::holdsSteps();
  pasteStepBefore->setEnabled(steps);
  pasteStepAfter->setEnabled(steps);
  const bool program = m_doc.programOfSelection() != nullptr;
  pasteStepsAtEnd->setEnabled(program && stepclipboard::holdsSteps());
  copyProgram->setEnabled(program);
  pasteProgram->setEnabled(program && stepclipboard::holdsProgram());
  toggleCycleStart->setText(m_doc.selectedStepIsCycleStart() ? QStringLiteral("Отменить цикл")
                                                             : QStringLiteral("Начало цикла"));
}

QMenu* DocumentActions::menu(DocumentMenu which, QWidget* parent) {
  update();
  auto* menu = new QMenu(parent);
  switch (which) {
    case DocumentMenu::Steps:
      menu->addActions({addStepFirst, addStepLast});
      menu->addSeparator();
      menu->addAction(pasteStepsAtEnd);
      break;
    case DocumentMenu::Step:
      menu->addActions({addStepBefore, addStepAfter, toggleCycleStart, deleteStep});
      menu->addSeparator();
      menu->addActions({copyStep, cutStep, pasteStepBefore, pasteStepAfter});
      break;
    case DocumentMenu::Program:
      menu->addAction(renameProgram);
      menu->addSeparator();
      menu->addActions({copyProgram, pasteProgram});
      break;
  }
  return menu;
}
