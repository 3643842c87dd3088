// The editing commands of Document: steps, cycle start, rename, the
// "Программы" menu, the full list's step count, and their enable rules.
#include <climits>
#include <cstdio>
#include <iterator>

#include "document/Document.h"
#include "model/Cp1251.h"

namespace {

// Inserts a copy of `source` (a default step when none) before `where`.
Step* insertStep(Program& program, std::list<Step>::iterator where, const Step* source) {
  const auto it = source ? program.steps.insert(where, *source) : program.steps.emplace(where);
  return &*it;
}

// H02 follows its step one place further down. A cycle start read from a
// file is stored unchecked and may be any number; the largest one stays as
// it is instead of overflowing.
void moveCycleStartDown(Parameter& h02) {
  if (h02.value() < INT32_MAX) ++h02.valueRef();
}

// 1-based position of `step` in the program, 0 when it is not there.
int positionOf(const Program& program, const Step* step) { return program.stepIndexOf(step) + 1; }

// A label with a step and a program number, Windows-1251.
std::string stepLabel(const char* utf8Format, int step, int program) {
  char buf[160];
  std::snprintf(buf, sizeof buf, utf8Format, step, program);
  return cp1251::fromUtf8(buf);
}

std::string programLabel(const char* utf8Format, int program) {
  char buf[160];
  std::snprintf(buf, sizeof buf, utf8Format, program);
  return cp1251::fromUtf8(buf);
}

}  // namespace

Step* Document::selectedStep() const {
  if (!selection || selection->kind != NavigationKind::Step) return nullptr;
  return static_cast<Step*>(selection->data);
}

void Document::recordAddedStep(const Program& program, const Step* added) {
  const int number = programNumber(program);
  const int position = positionOf(program, added);
  recordStep(stepLabel("добавление шага %d в программу %d", position, number),
             {NavigationKind::Step, number - 1, position - 1, {}});
}

void Document::addStepFirst() {
  closeUndoStep();
  Program* program = programOfSelection();
  if (!program) return;
  const Step* source = program->steps.empty() ? nullptr : &program->steps.front();
  Step* added = insertStep(*program, program->steps.begin(), source);
  // H02 keeps naming the same step, now one further down.
  if (program->H02.value() != 0 && program->stepCount() > 1) moveCycleStartDown(program->H02);
  recordAddedStep(*program, added);
  notifyViews();
  if (m_host) m_host->selectTreeItem(added, true);
}

void Document::addStepLast() {
  closeUndoStep();
  Program* program = programOfSelection();
  if (!program) return;
  const Step* source = program->steps.empty() ? nullptr : &program->steps.back();
  Step* added = insertStep(*program, program->steps.end(), source);
  recordAddedStep(*program, added);
  notifyViews();
  if (m_host) m_host->selectTreeItem(added, true);
}

void Document::addStepBefore() {
  closeUndoStep();
  Step* step = selectedStep();
  if (!step || !currentProgram) return;
  Program& program = *currentProgram;
  const int p = positionOf(program, step);
  if (p == 0) return;
  Step* added = insertStep(program, std::next(program.steps.begin(), p - 1), step);
  Parameter& h02 = program.H02;
  if (h02.value() != 0 && h02.value() >= p) moveCycleStartDown(h02);
  recordAddedStep(program, added);
  const bool select = currentStep == nullptr || currentStep == step;
  notifyViews();
  if (select && m_host) m_host->selectTreeItem(added, false);
}

void Document::addStepAfter() {
  closeUndoStep();
  Step* step = selectedStep();
  if (!step || !currentProgram) return;
  Program& program = *currentProgram;
  const int p = positionOf(program, step);
  if (p == 0) return;
  Step* added = insertStep(program, std::next(program.steps.begin(), p), step);
  Parameter& h02 = program.H02;
  if (h02.value() != 0 && h02.value() > p) moveCycleStartDown(h02);
  recordAddedStep(program, added);
  notifyViews();
  if (m_host) m_host->selectTreeItem(added, false);
}

void Document::deleteStep() {
  closeUndoStep();
  Step* step = selectedStep();
  if (!step || !currentProgram) return;
  Program& program = *currentProgram;
  const int p = positionOf(program, step);
  if (p == 0) return;
  const auto it = std::next(program.steps.begin(), p - 1);
  // What to select afterwards: the next step, else the previous one, else
  // the program itself.
  Step* next = nullptr;
  if (std::next(it) != program.steps.end())
    next = &*std::next(it);
  else if (it != program.steps.begin())
    next = &*std::prev(it);
  program.steps.erase(it);

  Parameter& h02 = program.H02;
  if (p < h02.value())
    --h02.valueRef();
  else if (p == h02.value() && h02.value() > program.stepCount())
    h02.setValue(program.stepCount());
  const int number = programNumber(program);
  recordStep(stepLabel("удаление шага %d программы %d", p, number),
             {NavigationKind::Step, number - 1, p - 1, {}});

  currentStep = next;
  notifyViews();
  if (m_host) m_host->selectTreeItem(next ? static_cast<const void*>(next) : &program, false);
}

void Document::toggleCycleStart() {
  closeUndoStep();
  Step* step = selectedStep();
  if (!step) return;
  if (currentProgram) {
    const int p = positionOf(*currentProgram, step);
    if (p != 0) {
      Parameter& h02 = currentProgram->H02;
      h02.setValue(h02.value() == p ? 0 : p);
      const int number = programNumber(*currentProgram);
      const char* what = h02.value() == 0 ? "отмена цикла в программе %d" : "начало цикла в программе %d";
      recordStep(programLabel(what, number), {NavigationKind::Step, number - 1, p - 1, {}});
    }
  }
  notifyViews();
}

void Document::renameProgram() {
  closeUndoStep();
  if (!currentProgram) return;
  if (m_host) {
    if (const auto name = m_host->askProgramName(currentProgram->name())) {
      currentProgram->setName(*name);
      const int number = programNumber(*currentProgram);
      recordStep(programLabel("переименование программы %d", number),
                 {NavigationKind::Program, number - 1, -1, {}});
    }
  }
  notifyViews();
}

void Document::selectProgram(int index) {
  Program* program = m_deviceData ? m_deviceData->programAt(index) : nullptr;
  if (!program) return;
  if (m_host) m_host->selectTreeItem(program, false);
  notifyView(tableView);
}

bool Document::setStepCount(Program& program, int count) {
  closeUndoStep();
  // The program becomes the one worked on, in the tree too: its rebuild
  // would otherwise put back the item selected before, and with it that
  // item's program. Selected before any step goes, so no view shows one.
  if (m_host) m_host->selectTreeItem(&program, false);
  const bool changed = changeStepCount(program, count);
  if (changed) {
    const int number = programNumber(program);
    recordStep(programLabel("число шагов программы %d", number),
               {NavigationKind::Program, number - 1, -1, "H01"});
  }
  return changed;
}

bool Document::changeStepCount(Program& program, int count) {
  currentProgram = &program;
  currentStep = nullptr;
  const int current = program.stepCount();
  if (count < 0 || count == current) return false;
  if (count > current) {
    const int limit = m_deviceData ? m_deviceData->general.stepsPerProgram() : 0;
    if (count >= limit) count = limit;
    bool added = false;
    while (program.stepCount() < count) {
      program.steps.emplace_back();
      added = true;
    }
    return added;
  }
  while (program.stepCount() > count) program.steps.pop_back();
  return true;
}

// ---- Enable rules ----------------------------------------------------------

bool Document::canAddStep() const {
  return currentProgram && m_deviceData &&
         currentProgram->stepCount() < m_deviceData->general.stepsPerProgram();
}

bool Document::canToggleCycleStart() const { return selectedStep() != nullptr; }

bool Document::selectedStepIsCycleStart() const {
  const Step* step = selectedStep();
  if (!step || !currentProgram) return false;
  const int p = positionOf(*currentProgram, step);
  return p != 0 && currentProgram->H02.value() == p;
}
