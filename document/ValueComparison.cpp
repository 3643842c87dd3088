#include "document/ValueComparison.h"

#include <optional>
#include <set>

#include "model/FormatText.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"

namespace {

// A value kept in two cells, and how it is shown.
enum class Shape { Duration, Setpoint, Rate, Correction };

struct CellPair {
  Shape shape;
  int first;  // the cell index of its first cell; the second follows it
  int regulator = 0;
};

// The pair a step cell belongs to, if any.
std::optional<CellPair> stepPair(int cell) {
  switch (cell) {
    case Step::U04:
    case Step::U05:
      return CellPair{Shape::Duration, Step::U04};
    case Step::E02:
    case Step::E03:
      return CellPair{Shape::Setpoint, Step::E02, 1};
    case Step::E04:
    case Step::E05:
      return CellPair{Shape::Rate, Step::E04, 1};
    case Step::E_02:
    case Step::E_03:
      return CellPair{Shape::Setpoint, Step::E_02, 2};
    case Step::E_04:
    case Step::E_05:
      return CellPair{Shape::Rate, Step::E_04, 2};
    default:
      return std::nullopt;
  }
}

std::string pairText(Shape shape, const Parameter& first, const Parameter& second) {
  switch (shape) {
    case Shape::Duration:
      return formatText("%02d:%02d", first.value(), second.value());
    case Shape::Setpoint: {
      int decimals = 0;
      for (int32_t scale = fractionScale(second); scale > 1; scale /= 10) ++decimals;
      return formatText("%.*f", decimals, pairValue(first, second));
    }
    case Shape::Rate:
      return formatText("%.1f", signedRate(first, second));
    case Shape::Correction:
      return formatText("%.1f", signedTenths(first, second));
  }
  return {};
}

std::string pairDescription(const CellPair& pair, const Parameter& first) {
  switch (pair.shape) {
    case Shape::Duration:
      return "Длительность шага (чч:мм)";
    case Shape::Setpoint:
      return formatText("Уставка входной величины %d-го регулятора", pair.regulator);
    case Shape::Rate:
      return formatText("Скорость выхода на уставку %d-го регулятора", pair.regulator);
    case Shape::Correction:
      return std::string(first.description());
  }
  return {};
}

// The cells of a pair on one side of the comparison.
struct PairCells {
  const Parameter* first = nullptr;
  const Parameter* second = nullptr;
};

class Grouping {
 public:
  Grouping(const DeviceData& a, const DeviceData& b)
      : m_a(a),
        m_b(b),
        m_generalA(generalInListOrder(a.general)),
        m_generalB(generalInListOrder(b.general)) {}

  // The pair of a value difference, with its cells on both sides.
  std::optional<CellPair> pairOf(const ConfigDifference& d, PairCells& a, PairCells& b) const {
    if (d.kind != ConfigDifference::kValue || d.cell < 0) return std::nullopt;
    if (d.step >= 0) {
      const std::optional<CellPair> pair = stepPair(d.cell);
      const Step* sa = pair ? stepOf(m_a, d) : nullptr;
      const Step* sb = pair ? stepOf(m_b, d) : nullptr;
      if (!sa || !sb) return std::nullopt;
      a = {&sa->cells[pair->first], &sa->cells[pair->first + 1]};
      b = {&sb->cells[pair->first], &sb->cells[pair->first + 1]};
      return pair;
    }
    if (d.scope != "L2" || d.cell >= static_cast<int>(m_generalA.size())) return std::nullopt;
    const Parameter* cell = m_generalA[d.cell];
    const Parameter* corrections = m_a.general.corrections.cells;
    if (cell < corrections || cell >= corrections + Corrections::kCellCount) return std::nullopt;
    // Magnitude and sign: 1C1 with 1C2, 1C3 with 1C4.
    const int first = d.cell - static_cast<int>(cell - corrections) % 2;
    a = {m_generalA[first], m_generalA[first + 1]};
    b = {m_generalB[first], m_generalB[first + 1]};
    return CellPair{Shape::Correction, first};
  }

 private:
  static const Step* stepOf(const DeviceData& d, const ConfigDifference& at) {
    const Program* p = d.programAt(at.program);
    return p ? p->stepAt(at.step) : nullptr;
  }

  const DeviceData& m_a;
  const DeviceData& m_b;
  std::vector<const Parameter*> m_generalA;
  std::vector<const Parameter*> m_generalB;
};

}  // namespace

ValueComparison::ValueComparison(const DeviceData& a, const DeviceData& b, CompareOptions options)
    : m_cells(compareConfigurations(a, b, options)),
      m_partitionA(a.general.partition()),
      m_partitionB(b.general.partition()) {
  const Grouping grouping(a, b);
  m_valueOfCell.assign(m_cells.size(), -1);
  // The cells of a pair stand next to each other in the list: a cell joins
  // the value before it when both are the same pair of the same group.
  std::optional<CellPair> last;
  for (std::size_t i = 0; i < m_cells.size(); ++i) {
    const ConfigDifference& d = m_cells[i];
    PairCells cellsA, cellsB;
    const std::optional<CellPair> pair = grouping.pairOf(d, cellsA, cellsB);
    if (pair && last && last->first == pair->first && !m_values.empty()) {
      const ConfigDifference& previous = m_cells[m_values.back().cells.front()];
      if (previous.scope == d.scope) {
        m_values.back().cells.push_back(static_cast<int>(i));
        m_valueOfCell[i] = static_cast<int>(m_values.size()) - 1;
        continue;
      }
    }
    last = pair;
    ValueDifference& v = m_values.emplace_back();
    v.cells.push_back(static_cast<int>(i));
    m_valueOfCell[i] = static_cast<int>(m_values.size()) - 1;
    if (pair) {
      v.code = std::string(cellsA.first->code()) + "/" + std::string(cellsA.second->code());
      v.description = pairDescription(*pair, *cellsA.first);
      v.textA = pairText(pair->shape, *cellsA.first, *cellsA.second);
      v.textB = pairText(pair->shape, *cellsB.first, *cellsB.second);
    } else {
      v.code = d.code;
      v.description = d.description;
      v.textA = d.textA;
      v.textB = d.textB;
    }
    // Followers follow cells that are values of their own.
    if (d.follows >= 0) v.follows = m_valueOfCell[d.follows];
  }
}

std::vector<bool> ValueComparison::cellsTaken(const std::vector<bool>& valuesTaken) const {
  std::vector<bool> out(m_cells.size(), false);
  for (std::size_t i = 0; i < m_cells.size(); ++i) {
    const auto value = static_cast<std::size_t>(m_valueOfCell[i]);
    out[i] = value < valuesTaken.size() && valuesTaken[value];
  }
  return out;
}

ChangeSummary ValueComparison::summary() const {
  ChangeSummary s;
  s.partitionA = m_partitionA;
  s.partitionB = m_partitionB;
  std::set<int> programs;
  for (const ValueDifference& v : m_values) {
    const ConfigDifference& d = m_cells[v.cells.front()];
    if (d.program >= 0) programs.insert(d.program);
    if (d.kind == ConfigDifference::kValue || d.kind == ConfigDifference::kStepCount) ++s.values;
  }
  s.programs = static_cast<int>(programs.size());
  return s;
}
