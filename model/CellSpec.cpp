#include "model/CellSpec.h"

#include "model/Cp1251.h"

Parameter makeCell(const CellSpec& spec, uint16_t area, int32_t offsetShift) {
  Parameter cell(spec.code, spec.def, spec.min, spec.max, "", cp1251::fromUtf8(spec.description));
  if (spec.hasPair1) cell.addRange(spec.min1, spec.max1);
  cell.setStorage(area, spec.offset + offsetShift, spec.width);
  return cell;
}

std::vector<Parameter> makeCells(const std::vector<CellSpec>& specs, uint16_t area,
                                 int32_t offsetShift) {
  std::vector<Parameter> cells;
  cells.reserve(specs.size());
  for (const CellSpec& s : specs) cells.push_back(makeCell(s, area, offsetShift));
  return cells;
}
