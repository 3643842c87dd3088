#include "model/DigitalFilters.h"

#include "model/CellSpec.h"
#include "model/MemoryAreas.h"

namespace {

const std::vector<Parameter>& prototype() {
  static const std::vector<Parameter> cells = makeCells(
      {
          {"D01", "Постоянная времени фильтра влажного термометра", 0, 0, 64, 57, 6},
          {"D02", "Постоянная времени фильтра сухого термометра", 0, 0, 64, 63, 6},
          {"D03", "Постоянная времени фильтра термометра продукта", 0, 0, 64, 69, 6},
          {"D04", "Постоянная времени фильтра относительной влажности", 0, 0, 64, 75, 6},
          {"D05", "Постоянная времени фильтра датчика положения задвижки 1", 0, 0, 64, 81, 6},
          {"D06", "Постоянная времени фильтра датчика положения задвижки 2", 0, 0, 64, 87, 6},
      },
      kL2Area);
  return cells;
}

}  // namespace

DigitalFilters::DigitalFilters() {
  assignCells(cells, prototype());
}

std::vector<Parameter> DigitalFilters::snapshot() const {
  return copiesOf(cells);
}
