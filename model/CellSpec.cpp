#include "model/CellSpec.h"

Parameter makeCell(const CellSpec& spec, uint16_t area, int32_t offsetShift) {
  CellEntry entry{.code = spec.code,
                  .group = {},
                  .description = spec.description,
                  .ranges = {{spec.min, spec.max}},
                  .area = area,
                  .bitOffset = spec.offset + offsetShift,
                  .bitWidth = spec.width};
  if (spec.hasPair1) entry.ranges.push_back({spec.min1, spec.max1});
  return Parameter(CellEntry::shared(std::move(entry)), spec.def);
}

std::vector<Parameter> makeCells(const std::vector<CellSpec>& specs, uint16_t area, int32_t offsetShift) {
  std::vector<Parameter> cells;
  cells.reserve(specs.size());
  for (const CellSpec& s : specs) cells.push_back(makeCell(s, area, offsetShift));
  return cells;
}
