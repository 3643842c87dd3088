// How the parameter groups describe their cells: one row per cell with the
// factory default, limits, optional second limit pair and memory position.
// Internal to model/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "model/Parameter.h"

struct CellSpec {
  std::string code;         // ASCII menu code
  std::string description;  // UTF-8
  int32_t def;
  int32_t min;
  int32_t max;
  int32_t offset;  // first bit within the area or record
  int32_t width;
  bool hasPair1 = false;
  int32_t min1 = 0;
  int32_t max1 = 0;
};

// Builds the cell of a row: its catalogue entry (its texts, the
// limit pairs, the position), pair 0 active, the default clamped into it.
Parameter makeCell(const CellSpec& spec, uint16_t area, int32_t offsetShift = 0);

// Builds every row of a table, in order.
std::vector<Parameter> makeCells(const std::vector<CellSpec>& specs, uint16_t area, int32_t offsetShift = 0);

// A group's cells from its prototype, in order (the group's default constructor).
template <std::size_t N>
void assignCells(Parameter (&cells)[N], const std::vector<Parameter>& prototype) {
  for (std::size_t i = 0; i < N; ++i) cells[i] = prototype[i];
}

// Copies of a group's cells, in order (a group's snapshot).
template <std::size_t N>
std::vector<Parameter> copiesOf(const Parameter (&cells)[N]) {
  return std::vector<Parameter>(std::begin(cells), std::end(cells));
}
