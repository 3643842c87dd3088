#include "model/KeyPulseModes.h"

#include <cstdio>

#include "model/CellSpec.h"
#include "model/MemoryAreas.h"

namespace {

const std::vector<Parameter>& prototype() {
  static const std::vector<Parameter> cells = [] {
    std::vector<CellSpec> specs;
    for (int pause = 0; pause < 2; ++pause) {
      for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
        char code[8], desc[64];
        std::snprintf(code, sizeof code, pause ? "F.%02d" : "F%02d", j + 1);
        std::snprintf(desc, sizeof desc, pause ? "Режим № %d, пауза (с)" : "Режим № %d, импульс (с)", j);
        specs.push_back({code, desc, 0, 0, 999, (pause ? 418 : 408) + 20 * (j - 1), 10});
      }
    }
    return makeCells(specs, kL2Area);
  }();
  return cells;
}

}  // namespace

KeyPulseModes::KeyPulseModes() {
  assignCells(cells, prototype());
}

std::vector<Parameter> KeyPulseModes::snapshot() const {
  std::vector<Parameter> list;
  list.reserve(kCellCount);
  for (int j = 1; j <= kModeCount; ++j) {
    list.push_back(pulse(j));
    list.push_back(pause(j));
  }
  return list;
}
