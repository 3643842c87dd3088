// What a parameter's field in the controller's memory can hold. A cell's
// limits and its bit width do not always agree (D01..D06 allow 64 in 6 bits;
// the file loader stores N01..N08 and H02 unchecked), so whatever writes a
// configuration saturates to the field instead of cutting the value to its
// low bits, which would silently turn a filter of 64 s into one switched off.
//
// Pure functions; any thread.
#pragma once

#include <cstdint>

#include "model/Parameter.h"

struct FieldCapacity {
  int32_t min;
  int32_t max;
};

// A field is two's complement when the cell can be negative: its active or
// its first limit pair reaches below 0 (the decoder sign-extends those).
inline bool fieldIsSigned(const Parameter& cell) {
  return cell.minValue() < 0 || (cell.rangeCount() > 0 && cell.rangeMin(0) < 0);
}

// The values the cell's bitWidth bits hold; unbounded for widths outside 1..31.
inline FieldCapacity fieldCapacityOf(const Parameter& cell) {
  const int32_t w = cell.bitWidth();
  if (w < 1 || w > 31) return {INT32_MIN, INT32_MAX};
  if (fieldIsSigned(cell)) return {-(int32_t{1} << (w - 1)), (int32_t{1} << (w - 1)) - 1};
  return {0, static_cast<int32_t>((uint32_t{1} << w) - 1)};
}

// v saturated to what the cell's field holds.
inline int32_t saturateToField(const Parameter& cell, int32_t v) {
  const FieldCapacity c = fieldCapacityOf(cell);
  return v < c.min ? c.min : v > c.max ? c.max : v;
}

// The value the cell's field receives when the configuration is written.
inline int32_t storedFieldValue(const Parameter& cell) { return saturateToField(cell, cell.value()); }
