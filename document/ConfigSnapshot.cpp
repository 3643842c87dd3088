#include "document/ConfigSnapshot.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <type_traits>

#include "document/NavigationItem.h"

namespace {

using State = Parameter::State;

// The groups of level L2 in the navigation tree's order, with the item kind
// and regulator index a change in them is shown at.
template <typename General>
auto groupsOf(General& g) {
  using Cell = std::conditional_t<std::is_const_v<General>, const Parameter, Parameter>;
  struct Group {
    NavigationKind kind;
    int index;
    std::span<Cell> cells;
  };
  return std::array<Group, 6>{{{NavigationKind::BaseParameters, -1, g.base.cells},
                               {NavigationKind::KeyPulseModes, -1, g.keys.cells},
                               {NavigationKind::Corrections, -1, g.corrections.cells},
                               {NavigationKind::DigitalFilters, -1, g.filters.cells},
                               {NavigationKind::Pid, 0, g.pid[0].cells},
                               {NavigationKind::Pid, 1, g.pid[1].cells}}};
}

template <typename General, typename Visit>
void forEachGeneralCell(General& g, Visit visit) {
  for (auto& group : groupsOf(g))
    for (auto& cell : group.cells) visit(cell);
}

// A program's cells in the order a snapshot keeps them: H02, C01..C10 of
// comparators 1..4, then every step's cells.
constexpr std::size_t kHeadCells = 1 + Program::kComparatorCount * Comparator::kCellCount;

template <typename P, typename Visit>
void forEachProgramCell(P& program, Visit visit) {
  visit(program.H02);
  for (auto& comparator : program.comparators)
    for (auto& cell : comparator.cells) visit(cell);
  for (auto& step : program.steps)
    for (auto& cell : step.cells) visit(cell);
}

// Cell codes by position, from default groups (the codes never change).
const GeneralParameters& defaultGeneral() {
  static const GeneralParameters g;
  return g;
}

ChangePlace programCellPlace(int program, std::size_t offset) {
  static const Program codes;
  static const Step stepCodes;
  if (offset == 0) return {NavigationKind::Program, program, -1, std::string(codes.H02.code())};
  if (offset < kHeadCells) {
    const std::size_t c = offset - 1;
    const int comparator = static_cast<int>(c / Comparator::kCellCount);
    return {NavigationKind::Comparator, program, comparator,
            std::string(codes.comparators[0].cells[c % Comparator::kCellCount].code())};
  }
  const std::size_t s = offset - kHeadCells;
  return {NavigationKind::Step, program, static_cast<int>(s / Step::kCellCount),
          std::string(stepCodes.cells[s % Step::kCellCount].code())};
}

}  // namespace

struct ConfigSnapshot::General {
  std::string name;  // the configuration's
  std::vector<State> cells;
  bool operator==(const General&) const = default;
};

struct ConfigSnapshot::ProgramPart {
  std::string name;
  std::string nameRecord;  // where a restored name came from
  std::vector<State> cells;
  int stepCount() const { return static_cast<int>((cells.size() - kHeadCells) / Step::kCellCount); }
  bool operator==(const ProgramPart&) const = default;
};

namespace {

template <typename Part>
bool sameGeneral(const DeviceData& data, const Part& part) {
  if (data.name() != part.name) return false;
  std::size_t i = 0;
  bool same = true;
  forEachGeneralCell(data.general, [&](const Parameter& cell) {
    same = same && cell.state() == part.cells[i];
    ++i;
  });
  return same;
}

template <typename Part>
bool sameProgram(const Program& program, const Part& part) {
  if (program.name() != part.name || program.nameRecord() != part.nameRecord ||
      program.stepCount() != part.stepCount())
    return false;
  std::size_t i = 0;
  bool same = true;
  forEachProgramCell(program, [&](const Parameter& cell) { same = same && cell.state() == part.cells[i++]; });
  return same;
}

}  // namespace

ConfigSnapshot::ConfigSnapshot(const DeviceData& data, const ConfigSnapshot* previous) {
  if (previous && previous->m_general && sameGeneral(data, *previous->m_general)) {
    m_general = previous->m_general;
  } else {
    auto general = std::make_shared<General>();
    general->name = data.name();
    general->cells.reserve(GeneralParameters::kCellCount);
    forEachGeneralCell(data.general, [&](const Parameter& cell) { general->cells.push_back(cell.state()); });
    m_general = std::move(general);
  }

  m_programs.reserve(data.programs.size());
  std::size_t i = 0;
  for (const Program& program : data.programs) {
    if (previous && i < previous->m_programs.size() && sameProgram(program, *previous->m_programs[i])) {
      m_programs.push_back(previous->m_programs[i]);
    } else {
      auto part = std::make_shared<ProgramPart>();
      part->name = program.name();
      part->nameRecord = program.nameRecord();
      part->cells.reserve(kHeadCells + program.steps.size() * Step::kCellCount);
      forEachProgramCell(program, [&](const Parameter& cell) { part->cells.push_back(cell.state()); });
      m_programs.push_back(std::move(part));
    }
    ++i;
  }
}

void ConfigSnapshot::restoreInto(DeviceData& data) const {
  if (!m_general) return;
  data.setName(m_general->name);
  std::size_t i = 0;
  forEachGeneralCell(data.general, [&](Parameter& cell) { cell.restore(m_general->cells[i++]); });

  while (data.programs.size() > m_programs.size()) data.programs.pop_back();
  while (data.programs.size() < m_programs.size()) data.programs.emplace_back();
  auto program = data.programs.begin();
  for (const auto& part : m_programs) {
    Program& p = *program++;
    p.setName(part->name, part->nameRecord);
    const std::size_t steps = static_cast<std::size_t>(part->stepCount());
    while (p.steps.size() > steps) p.steps.pop_back();
    while (p.steps.size() < steps) p.steps.emplace_back();
    const State* state = part->cells.data();
    forEachProgramCell(p, [&](Parameter& cell) { cell.restore(*state++); });
  }
}

bool ConfigSnapshot::operator==(const ConfigSnapshot& other) const {
  if (m_general != other.m_general && (!m_general || !other.m_general || !(*m_general == *other.m_general)))
    return false;
  return std::equal(m_programs.begin(), m_programs.end(), other.m_programs.begin(), other.m_programs.end(),
                    [](const auto& a, const auto& b) { return a == b || *a == *b; });
}

ConfigSnapshot::Difference ConfigSnapshot::compare(const ConfigSnapshot& before,
                                                   const ConfigSnapshot& after) {
  Difference d;
  const auto note = [&d](ChangePlace place, bool counts) {
    if (!d.any) d.first = std::move(place);
    d.any = true;
    if (counts && d.cells < 2) ++d.cells;
  };
  if (!before.m_general || !after.m_general) {
    d.any = d.structure = before.m_general != after.m_general;
    return d;
  }

  const General& a = *before.m_general;
  const General& b = *after.m_general;
  if (&a != &b) {
    if (a.name != b.name) note({}, true);
    std::size_t i = 0;
    for (const auto& group : groupsOf(defaultGeneral())) {
      for (const Parameter& cell : group.cells) {
        if (a.cells[i].value != b.cells[i].value)
          note({group.kind, -1, group.index, std::string(cell.code())}, true);
        ++i;
      }
    }
    d.partition = a.cells[BaseParameters::O10].value != b.cells[BaseParameters::O10].value;
  }

  const std::size_t common = std::min(before.m_programs.size(), after.m_programs.size());
  for (std::size_t p = 0; p < common; ++p) {
    const ProgramPart& pa = *before.m_programs[p];
    const ProgramPart& pb = *after.m_programs[p];
    if (&pa == &pb) continue;
    const int program = static_cast<int>(p);
    if (pa.name != pb.name) note({NavigationKind::Program, program, -1, {}}, true);
    if (pa.stepCount() != pb.stepCount()) {
      d.structure = true;
      note({NavigationKind::Program, program, -1, {}}, false);
    }
    const std::size_t cells = std::min(pa.cells.size(), pb.cells.size());
    for (std::size_t c = 0; c < cells; ++c)
      if (pa.cells[c].value != pb.cells[c].value) note(programCellPlace(program, c), true);
  }
  if (before.m_programs.size() != after.m_programs.size()) {
    d.structure = true;
    note({NavigationKind::Program, static_cast<int>(common), -1, {}}, false);
  }
  return d;
}

std::size_t ConfigSnapshot::bytes(std::unordered_set<const void*>& seen) const {
  std::size_t total = sizeof(*this) + m_programs.capacity() * sizeof(m_programs[0]);
  if (m_general && seen.insert(m_general.get()).second)
    total += sizeof(General) + m_general->name.capacity() + m_general->cells.capacity() * sizeof(State);
  for (const auto& part : m_programs)
    if (seen.insert(part.get()).second)
      total += sizeof(ProgramPart) + part->name.capacity() + part->cells.capacity() * sizeof(State);
  return total;
}
