// The editing commands of Document: steps, cycle start, rename, the
// "Программы" menu, the full list's step count, and their enable rules.
#include <climits>
#include <cstdio>
#include <iterator>

#include "document/Document.h"
#include "model/FormatText.h"

namespace {

// Inserts a copy of `source` (a default step when none) before `where`.
Step* insertStep(Program& program, std::list<Step>::iterator where, const Step* source) {
  const auto it = source ? program.steps.insert(where, *source) : program.steps.emplace(where);
  return &*it;
}

// H02 follows its step `by` places further down. A cycle start read from a
// file is stored unchecked and may be any number; it saturates instead of
// overflowing.
void moveCycleStartDown(Parameter& h02, int by = 1) {
  h02.valueRef() = h02.value() > INT32_MAX - by ? INT32_MAX : h02.value() + by;
}

// 1-based position of `step` in the program, 0 when it is not there.
int positionOf(const Program& program, const Step* step) { return program.stepIndexOf(step) + 1; }

// "шага 3" or "шагов 3–5" in an undo step's name.
std::string stepRange(int first, int count) {
  if (count == 1) return "шага " + std::to_string(first);
  return "шагов " + std::to_string(first) + "–" + std::to_string(first + count - 1);
}

}  // namespace

Step* Document::selectedStep() const {
  if (!m_selection || m_selection->kind != NavigationKind::Step) return nullptr;
  return m_selection->group.get<Step>();
}

int Document::selectedStepPosition() const {
  const Step* step = selectedStep();
  return step && m_currentProgram ? positionOf(*m_currentProgram, step) : 0;
}

void Document::recordAddedStep(const Program& program, const Step* added) {
  const int number = programNumber(program);
  const int position = positionOf(program, added);
  recordStep(formatText("добавление шага %d в программу %d", position, number),
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
  moveSelection(itemOf(added));
  recordAddedStep(*program, added);
  announce({DocumentChange::Kind::Steps, nullptr, program});
}

void Document::addStepLast() {
  closeUndoStep();
  Program* program = programOfSelection();
  if (!program) return;
  const Step* source = program->steps.empty() ? nullptr : &program->steps.back();
  Step* added = insertStep(*program, program->steps.end(), source);
  moveSelection(itemOf(added));
  recordAddedStep(*program, added);
  announce({DocumentChange::Kind::Steps, nullptr, program});
}

void Document::addStepBefore() {
  closeUndoStep();
  Step* step = selectedStep();
  const int p = selectedStepPosition();
  if (p == 0) return;
  Program& program = *m_currentProgram;
  Step* added = insertStep(program, std::next(program.steps.begin(), p - 1), step);
  Parameter& h02 = program.H02;
  if (h02.value() != 0 && h02.value() >= p) moveCycleStartDown(h02);
  if (m_currentStep == nullptr || m_currentStep == step) moveSelection(itemOf(added));
  recordAddedStep(program, added);
  announce({DocumentChange::Kind::Steps, nullptr, &program});
}

void Document::addStepAfter() {
  closeUndoStep();
  Step* step = selectedStep();
  const int p = selectedStepPosition();
  if (p == 0) return;
  Program& program = *m_currentProgram;
  Step* added = insertStep(program, std::next(program.steps.begin(), p), step);
  Parameter& h02 = program.H02;
  if (h02.value() != 0 && h02.value() > p) moveCycleStartDown(h02);
  moveSelection(itemOf(added));
  recordAddedStep(program, added);
  announce({DocumentChange::Kind::Steps, nullptr, &program});
}

Step* Document::removeStepAt(Program& program, int p) {
  const auto it = std::next(program.steps.begin(), p - 1);
  // What to select afterwards: the next step, else the previous one, else
  // the program itself.
  Step* next = nullptr;
  if (std::next(it) != program.steps.end())
    next = &*std::next(it);
  else if (it != program.steps.begin())
    next = &*std::prev(it);
  // H02 follows quietly: the steps' notice covers it.
  Parameter& h02 = program.H02;
  const int remaining = program.stepCount() - 1;
  if (p < h02.value())
    --h02.valueRef();
  else if (p == h02.value() && h02.value() > remaining)
    h02.valueRef() = remaining;
  program.steps.erase(it);
  return next;
}

void Document::deleteStep() {
  closeUndoStep();
  const int p = selectedStepPosition();
  if (p == 0) return;
  Program& program = *m_currentProgram;
  Step* next = removeStepAt(program, p);
  moveSelection(itemOf(next ? GroupRef(next) : GroupRef(&program)));
  m_currentStep = next;
  announce({DocumentChange::Kind::Steps, nullptr, &program});
  const int number = programNumber(program);
  recordStep(formatText("удаление шага %d программы %d", p, number),
             {NavigationKind::Step, number - 1, p - 1, {}});
}

void Document::toggleCycleStart() {
  closeUndoStep();
  Step* step = selectedStep();
  if (!step) return;
  if (m_currentProgram) {
    const int p = positionOf(*m_currentProgram, step);
    if (p != 0) {
      Parameter& h02 = m_currentProgram->H02;
      h02.setValue(h02.value() == p ? 0 : p);
      announce({DocumentChange::Kind::Steps, nullptr, m_currentProgram});
      const int number = programNumber(*m_currentProgram);
      const char* what = h02.value() == 0 ? "отмена цикла в программе %d" : "начало цикла в программе %d";
      recordStep(formatText(what, number), {NavigationKind::Step, number - 1, p - 1, {}});
    }
  }
}

void Document::renameProgram() {
  closeUndoStep();
  if (!m_currentProgram) return;
  if (m_host) {
    if (const auto name = m_host->askProgramName(m_currentProgram->name())) {
      m_currentProgram->setName(*name);
      announce({DocumentChange::Kind::Name, nullptr, m_currentProgram});
      const int number = programNumber(*m_currentProgram);
      recordStep(formatText("переименование программы %d", number),
                 {NavigationKind::Program, number - 1, -1, {}});
    }
  }
}

void Document::selectProgram(int index) {
  Program* program = m_deviceData ? m_deviceData->programAt(index) : nullptr;
  if (!program) return;
  moveSelection(itemOf(program));
  tellSelection();
}

bool Document::setStepCount(Program& program, int count) {
  closeUndoStep();
  // The program becomes the one worked on, in the tree too.
  moveSelection(itemOf(&program));
  const bool changed = changeStepCount(program, count);
  if (changed) {
    announce({DocumentChange::Kind::Steps, nullptr, &program});
    const int number = programNumber(program);
    recordStep(formatText("число шагов программы %d", number),
               {NavigationKind::Program, number - 1, -1, "H01"});
  }
  tellSelection();
  return changed;
}

bool Document::changeStepCount(Program& program, int count) {
  m_currentProgram = &program;
  m_currentStep = nullptr;
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

// ---- Clipboard edits ---------------------------------------------------------

std::optional<std::string> Document::insertSteps(Program& program, int position,
                                                 const std::vector<Step>& steps) {
  closeUndoStep();
  if (!m_deviceData || steps.empty() || position < 1 || position > program.stepCount() + 1)
    return std::nullopt;
  const int count = static_cast<int>(steps.size());
  const int limit = m_deviceData->general.stepsPerProgram();
  const int number = programNumber(program);
  if (program.stepCount() + count > limit) {
    const int room = program.stepCount() < limit ? limit - program.stepCount() : 0;
    return formatText("Вставить %d %s нельзя: в программе %d есть место ещё для %d (%s).", count,
                      stepsWord(count), number, room,
                      GeneralParameters::partitionText(m_deviceData->general.partition()).c_str());
  }
  // H02 follows the step it names; one that names none (a program without
  // steps has H02 = 1) stays as it is.
  Parameter& h02 = program.H02;
  if (h02.value() != 0 && h02.value() >= position && h02.value() <= program.stepCount())
    moveCycleStartDown(h02, count);
  const auto where = std::next(program.steps.begin(), position - 1);
  const auto first = program.steps.insert(where, steps.begin(), steps.end());
  moveSelection(itemOf(&*first));
  announce({DocumentChange::Kind::Steps, nullptr, &program});
  recordStep("вставка " + stepRange(position, count) + " в программу " + std::to_string(number),
             {NavigationKind::Step, number - 1, position - 1, {}});
  return std::nullopt;
}

void Document::removeSteps(Program& program, int first, int count) {
  closeUndoStep();
  if (first < 1 || count < 1 || first > program.stepCount()) return;
  if (count > program.stepCount() - first + 1) count = program.stepCount() - first + 1;
  // The step after them is selected, else the one before, else the program.
  Step* next = program.stepAt(first + count - 1);
  if (!next) next = program.stepAt(first - 2);
  moveSelection(itemOf(next ? GroupRef(next) : GroupRef(&program)));
  m_currentProgram = &program;
  m_currentStep = next;
  // From the last one up, so every position still names the step it named.
  for (int p = first + count - 1; p >= first; --p) {
    removeStepAt(program, p);
    announce({DocumentChange::Kind::Steps, nullptr, &program});
  }
  const int number = programNumber(program);
  recordStep("вырезание " + stepRange(first, count) + " программы " + std::to_string(number),
             {NavigationKind::Step, number - 1, first - 1, {}});
}

std::optional<std::string> Document::replaceProgram(Program& target, const Program& source,
                                                    std::string_view undoLabel) {
  closeUndoStep();
  if (!m_deviceData) return std::nullopt;
  const int limit = m_deviceData->general.stepsPerProgram();
  const int number = programNumber(target);
  if (source.stepCount() > limit) {
    return formatText(
        "Вставить программу \"%s\" нельзя: в ней %d %s, а в программе этой прошивки их может быть не "
        "более %d (%s).",
        std::string(source.name()).c_str(), source.stepCount(), stepsWord(source.stepCount()), limit,
        GeneralParameters::partitionText(m_deviceData->general.partition()).c_str());
  }
  moveSelection(itemOf(&target));
  m_currentProgram = &target;
  m_currentStep = nullptr;
  target = source;
  // Its comparators and name come with it: steps first, then the values of the rows that stayed.
  announce({DocumentChange::Kind::Steps, nullptr, &target});
  announce({DocumentChange::Kind::Values});
  recordStep(undoLabel.empty() ? formatText("вставка программы %d", number) : std::string(undoLabel),
             {NavigationKind::Program, number - 1, -1, {}});
  return std::nullopt;
}

// ---- Enable rules ----------------------------------------------------------

bool Document::canAddStep() const {
  return m_currentProgram && m_deviceData &&
         m_currentProgram->stepCount() < m_deviceData->general.stepsPerProgram();
}

bool Document::canToggleCycleStart() const { return selectedStep() != nullptr; }

bool Document::selectedStepIsCycleStart() const {
  const int p = selectedStepPosition();
  return p != 0 && m_currentProgram->H02.value() == p;
}
