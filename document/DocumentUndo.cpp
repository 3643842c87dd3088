// Undo and redo of Document: recording the changes that reach the
// configuration, naming the steps, and putting states back with the views
// brought to where the change was made.
#include <cstdio>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "document/Document.h"
#include "model/FormatText.h"

namespace {

// The programs (by object), their step counts and cycle starts: what tells
// an undo or redo that changed the program list or a program's steps from
// one that changed values only.
using StepsShape = std::vector<std::tuple<const Program*, int, int32_t>>;

StepsShape stepsShape(const DeviceData& data) {
  StepsShape shape;
  shape.reserve(data.programs.size());
  for (const Program& p : data.programs) shape.emplace_back(&p, p.stepCount(), p.H02.value());
  return shape;
}

// How many SpinClick live on this thread.
thread_local int t_spinDepth = 0;

}  // namespace

Document::SpinClick::SpinClick() { ++t_spinDepth; }
Document::SpinClick::~SpinClick() { --t_spinDepth; }
bool Document::SpinClick::inProgress() { return t_spinDepth > 0; }

bool Document::ChangeRecorder::mayChange(Parameter& cell, const Parameter& proposed) {
  return !m_doc.isGuardedPartition(cell) || m_doc.confirmPartitionChange(cell, proposed);
}

void Document::ChangeRecorder::cellChanged(Parameter& cell) {
  Document& doc = m_doc;
  if (doc.isGuardedPartition(cell)) doc.adaptToPartition();
  doc.announce({DocumentChange::Kind::Cell, &cell});
  if (SpinClick::inProgress()) doc.m_spinPending = true;
  if (doc.m_closePending || !doc.m_host) return;
  // Everything the user action changes is one step, closed once control
  // is back in the event loop.
  doc.m_closePending = true;
  doc.m_host->runLater([&doc] { doc.closeUndoStep(); });
}

void Document::historyChanged() {
  if (m_host) m_host->historyChanged();
}

void Document::resetHistory() {
  m_history.reset({m_deviceData ? ConfigSnapshot(*m_deviceData) : ConfigSnapshot(),
                   {},
                   {},
                   m_title,
                   m_pathName,
                   m_unmodifiedText});
  m_spinPending = false;
  historyChanged();
}

void Document::recordStep(std::string label, ChangePlace place, bool fromDevice) {
  if (!m_deviceData || m_history.empty()) return;
  const ConfigSnapshot& before = m_history.current().state;
  ConfigSnapshot now(*m_deviceData, &before);
  if (!fromDevice && now == before) return;
  m_history.push({std::move(now), std::move(label), std::move(place), m_title, m_pathName, m_unmodifiedText,
                  false, fromDevice});
  historyChanged();
}

void Document::closeUndoStep() {
  m_closePending = false;
  const bool spin = std::exchange(m_spinPending, false);
  if (!m_deviceData || m_history.empty()) return;
  const ConfigSnapshot& before = m_history.current().state;
  ConfigSnapshot now(*m_deviceData, &before);
  const ConfigSnapshot::Difference d = ConfigSnapshot::compare(before, now);
  // Limits alone switch when a form shows a step; that is no change to undo.
  if (!d.any) return;
  ChangePlace place = d.first;
  // The partition question is asked on the base parameters' form.
  if (d.partition) place = {NavigationKind::BaseParameters, -1, -1, "O10"};
  const bool oneCell = d.cells == 1 && !d.structure && !d.partition && !place.code.empty();
  m_history.push({std::move(now), describe(d), std::move(place), m_title, m_pathName, m_unmodifiedText,
                  spin && oneCell});
  historyChanged();
}

std::string Document::undoText() const {
  const UndoHistory::Entry* step = m_history.undoStep();
  return step ? step->label : std::string();
}

std::string Document::redoText() const {
  const UndoHistory::Entry* step = m_history.redoStep();
  return step ? step->label : std::string();
}

void Document::undo() {
  closeUndoStep();
  const UndoHistory::Entry* step = m_history.undoStep();
  if (!step || !m_deviceData) return;
  const ChangePlace place = step->place;
  m_history.undo();
  restoreCurrent(place);
}

void Document::redo() {
  closeUndoStep();
  if (!m_deviceData || !m_history.redo()) return;
  restoreCurrent(m_history.current().place);
}

void Document::restoreCurrent(const ChangePlace& place) {
  const UndoHistory::Entry& state = m_history.current();
  const StepsShape shape = stepsShape(*m_deviceData);
  state.state.restoreInto(*m_deviceData);
  const StepsShape restored = stepsShape(*m_deviceData);

  // The place's program (and step) become current and its item selected
  // before anyone is told, so no one meets a program or step that is gone.
  if (Program* program = m_deviceData->programAt(place.program)) {
    m_currentProgram = program;
    m_currentStep = place.kind == NavigationKind::Step ? program->stepAt(place.index) : nullptr;
  }
  if (const GroupRef group = groupAt(place)) moveSelection(itemOf(group));

  // The steps that came or went; then the values everywhere else.
  if (restored.size() != shape.size()) {
    announce({DocumentChange::Kind::Programs});
  } else {
    for (std::size_t i = 0; i < shape.size(); ++i)
      if (restored[i] != shape[i]) announce({DocumentChange::Kind::Steps, nullptr, std::get<0>(restored[i])});
    announce({DocumentChange::Kind::Values});
  }
  m_unmodifiedText = state.savedText;
  m_pathName = state.pathName;
  if (m_title != state.title) setTitle(state.title);

  announce({DocumentChange::Kind::Shown, nullptr, nullptr, &place});
  historyChanged();
}

// ---- Names and places --------------------------------------------------------

std::string Document::describe(const ConfigSnapshot::Difference& d) const {
  if (d.partition) return "разбиение памяти";
  const ChangePlace& place = d.first;
  if (!place.code.empty()) return place.code + " " + whereText(place);
  if (place.kind == NavigationKind::Program && d.structure)
    return formatText("изменение шагов программы %d", place.program + 1);
  if (place.kind == NavigationKind::Program) return formatText("название программы %d", place.program + 1);
  return "изменение прошивки";
}

std::string Document::whereText(const ChangePlace& place) const {
  switch (place.kind) {
    case NavigationKind::Program:
      return formatText("в программе %d", place.program + 1);
    case NavigationKind::Comparator:
      return formatText("в программе %d, компаратор %d", place.program + 1, place.index + 1);
    case NavigationKind::Step:
      return formatText("в программе %d, шаг %d", place.program + 1, place.index + 1);
    case NavigationKind::BaseParameters:
      return "в основных параметрах";
    case NavigationKind::KeyPulseModes:
      return "в режимах ключей";
    case NavigationKind::Corrections:
      return "в коррекции термометров";
    case NavigationKind::DigitalFilters:
      return "в цифровых фильтрах";
    case NavigationKind::Pid:
      return formatText("в ПИД-регуляторе %d", place.index + 1);
    default:
      return "в прошивке";
  }
}

int Document::programNumber(const Program& program) const {
  return m_deviceData ? m_deviceData->programIndexOf(&program) + 1 : 0;
}

ChangePlace Document::placeOf(GroupRef group) const {
  if (!m_deviceData) return {};
  GeneralParameters& g = m_deviceData->general;
  if (group == &g.base) return {NavigationKind::BaseParameters, -1, -1, {}};
  if (group == &g.keys) return {NavigationKind::KeyPulseModes, -1, -1, {}};
  if (group == &g.corrections) return {NavigationKind::Corrections, -1, -1, {}};
  if (group == &g.filters) return {NavigationKind::DigitalFilters, -1, -1, {}};
  for (int i = 0; i < 2; ++i)
    if (group == &g.pid[i]) return {NavigationKind::Pid, -1, i, {}};
  int p = 0;
  for (Program& program : m_deviceData->programs) {
    if (group == &program) return {NavigationKind::Program, p, -1, {}};
    for (int c = 0; c < Program::kComparatorCount; ++c)
      if (group == &program.comparators[c]) return {NavigationKind::Comparator, p, c, {}};
    if (const Step* step = group.get<Step>()) {
      const int s = program.stepIndexOf(step);
      if (s >= 0) return {NavigationKind::Step, p, s, {}};
    }
    ++p;
  }
  return {};
}

GroupRef Document::groupAt(const ChangePlace& place) const {
  if (!m_deviceData) return {};
  GeneralParameters& g = m_deviceData->general;
  switch (place.kind) {
    case NavigationKind::BaseParameters:
      return &g.base;
    case NavigationKind::KeyPulseModes:
      return &g.keys;
    case NavigationKind::Corrections:
      return &g.corrections;
    case NavigationKind::DigitalFilters:
      return &g.filters;
    case NavigationKind::Pid:
      return place.index == 0 || place.index == 1 ? GroupRef(&g.pid[place.index]) : GroupRef();
    default:
      break;
  }
  Program* program = m_deviceData->programAt(place.program);
  if (!program) return {};
  if (place.kind == NavigationKind::Comparator && place.index >= 0 && place.index < Program::kComparatorCount)
    return &program->comparators[place.index];
  if (place.kind == NavigationKind::Step)
    if (Step* step = program->stepAt(place.index)) return step;
  // A step that is gone shows its program.
  return program;
}

Parameter* Document::cellOf(const ChangePlace& place) const {
  if (place.code.empty()) return nullptr;
  const auto find = [&place](std::span<Parameter> cells) -> Parameter* {
    for (Parameter& cell : cells)
      if (cell.code() == place.code) return &cell;
    return nullptr;
  };
  // A step that is gone leaves its program, whose only cell of its own is H02.
  return groupAt(place).visit(
      [&](auto* group) -> Parameter* {
        if constexpr (std::is_same_v<decltype(group), Program*>)
          return group->H02.code() == place.code ? &group->H02 : nullptr;
        else
          return find(group->cells);
      },
      []() -> Parameter* { return nullptr; });
}

bool Document::holds(GroupRef group) const {
  return group && placeOf(group).kind != NavigationKind::None;
}
