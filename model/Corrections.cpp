#include "model/Corrections.h"

#include "model/CellSpec.h"
#include "model/MemoryAreas.h"

namespace {

const std::vector<Parameter>& prototype() {
  static const std::vector<Parameter> cells = [] {
    static const char* const kOf[] = {"для термометра продукта", "для сухого термометра",
                                      "для влажного термометра"};
    std::vector<CellSpec> specs;
    for (int t = 1; t <= Corrections::kThermometerCount; ++t) {
      const std::string of = kOf[t - 1];
      const std::string p = std::to_string(t) + "C";
      const int base = 19 * (t - 1);
      specs.insert(specs.end(), {
          {p + "1", "Сдвиг характеристики датчика " + of, 0, 0, 511, base + 0, 9},
          {p + "2", "Знак сдвига характеристики " + of, 0, 0, 1, base + 9, 1},
          {p + "3", "Изменение наклона характеристики датчика " + of, 0, 0, 255, base + 10, 8},
          {p + "4", "Знак наклона характеристики датчика " + of, 0, 0, 1, base + 18, 1},
      });
    }
    return makeCells(specs, kL2Area);
  }();
  return cells;
}

}  // namespace

Corrections::Corrections() {
  assignCells(cells, prototype());
}

std::vector<Parameter> Corrections::snapshot() const {
  return copiesOf(cells);
}
