#include "model/Step.h"

#include <cstdio>

#include "model/CellSpec.h"

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

Step::Step() {
  assignCells(cells, prototype());
}

void Step::applyInputRanges() {
  const int u02 = cells[U02].value();
  cells[U03].selectRange(u02 == 9 || u02 == 10 ? 1 : 0);
  const int pair1 = cells[E01].value() == 5 ? 1 : 0;
  cells[E02].selectRange(pair1);
  cells[E03].selectRange(pair1);
  const int pair2 = cells[E_01].value() == 5 ? 1 : 0;
  cells[E_02].selectRange(pair2);
  cells[E_03].selectRange(pair2);
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
