#include "model/Step.h"

#include <cstdio>

#include "model/CellSpec.h"
#include "model/SetpointPair.h"

namespace {

std::vector<CellSpec> stepSpecs() {
  std::vector<CellSpec> specs;
  for (int n = 1; n <= Step::kKeyCount; ++n) {
    char code[8], desc[64];
    std::snprintf(code, sizeof code, "N%02d", n);
    std::snprintf(desc, sizeof desc, "Режим ключа № %d", n);
    specs.push_back({code, desc, 0, 0, 15, 4 * (n - 1), 4});
  }
  specs.insert(specs.end(), {
      {"U01", "Условие перехода к следующему шагу", 2, 0, 3, 32, 2},
      {"U02", "Условие перехода к следующему шагу по температурам или влажности", 1, 1, 10, 34, 4},
      {"U03", "Уставка перехода к следующему шагу по температурам или влажности", 80, -99, 999, 38, 11, true, 0, 100},
      {"U04", "Длительность шага (часы)", 2, 0, 63, 49, 6},
      {"U05", "Длительность шага (мин.)", 15, 0, 59, 55, 6},
  });
  // Regulator 1 from bit 61, regulator 2 the same cells 29 bits later.
  for (int reg = 0; reg < 2; ++reg) {
    const int base = 61 + 29 * reg;
    const char* dot = reg ? "." : "";
    auto code = [dot](int i) { return std::string("E") + dot + "0" + std::to_string(i); };
    specs.insert(specs.end(), {
        {code(1), "Входная величина", 1, 1, 5, base + 0, 3},
        {code(2), "Уставка входной величины (целая часть)", 10, -99, 999, base + 3, 11, true, 0, 99},
        {code(3), "Уставка входной величины (дробная часть)", 2, 0, 9, base + 14, 4, true, 0, 9},
        {code(4), "Скорость выхода на уставку", 45, 0, 999, base + 18, 10},
        {code(5), "Знак скорости выхода на уставку", 1, 0, 1, base + 28, 1},
    });
  }
  return specs;
}

const std::vector<Parameter>& prototype() {
  static const std::vector<Parameter> cells = makeCells(stepSpecs(), 0);
  return cells;
}

}  // namespace

Step::Step() { assignCells(cells, prototype()); }

namespace {

constexpr int kHumidityInput = 5;

int rangeOfInput(const Step& s, int input) {
  if (input == Step::U02) return s[Step::U02].value() == 9 || s[Step::U02].value() == 10 ? 1 : 0;
  return s[input].value() == kHumidityInput ? 1 : 0;
}

}  // namespace

void Step::selectInputRanges() {
  cells[U03].selectLimits(rangeOfInput(*this, U02));
  for (int input : {E01, E_01}) {
    cells[input + 1].selectLimits(rangeOfInput(*this, input));
    cells[input + 2].selectLimits(rangeOfInput(*this, input));
  }
}

void Step::followInput(int cell) {
  if (cell == U02) {
    cells[U03].selectLimits(rangeOfInput(*this, U02));
    cells[U03].setEnteredValue(cells[U03].value());  // clamped into the new limits
  } else if (cell == E01 || cell == E_01) {
    cells[cell + 1].selectLimits(rangeOfInput(*this, cell));
    cells[cell + 2].selectLimits(rangeOfInput(*this, cell));
    clampPair(cells[cell + 1], cells[cell + 2]);
  }
}

void Step::applyInputRanges() {
  for (int input : {U02, E01, E_01}) followInput(input);
}

std::vector<Parameter*> Step::parameterList() {
  std::vector<Parameter*> list;
  for (Parameter& c : cells) list.push_back(&c);
  return list;
}

std::vector<const Parameter*> Step::parameterList() const {
  std::vector<const Parameter*> list;
  for (const Parameter& c : cells) list.push_back(&c);
  return list;
}

std::vector<Parameter> Step::snapshot() const {
  return copiesOf(cells);
}
