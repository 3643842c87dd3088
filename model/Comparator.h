// One of the four comparators of a technologist program (C01..C10). A value
// type; copying copies every cell. Positions are relative to the program
// header record; comparator k (index k - 1) starts at bit 14 + 53 * (k - 1).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Parameter.h"

class Comparator {
 public:
  enum Cell { C01, C02, C03, C04, C05, C06, C07, C08, C09, C10, kCellCount };
  static constexpr int kBlockBits = 53;
  static constexpr int kFirstBit = 14;

  // index 0..3 shifts the memory positions to comparator index + 1.
  explicit Comparator(int index = 0);

  Parameter& operator[](int cell) { return cells[cell]; }
  const Parameter& operator[](int cell) const { return cells[cell]; }

  // C03 and C04 take limit pair 1 (0..99 %) when the input C01 is humidity
  // (5), else pair 0. Values stay as they are, outside the limits too (what
  // loading a comparator does).
  void selectInputRanges();
  // The same after C01 changed: a setpoint outside its new limits is clamped
  // into them through the entered-value setter.
  void applyInputRanges();
  // Copies of C01..C10.
  std::vector<Parameter> snapshot() const;

  // The words of a choice cell's value as the comparator page lists them,
  // UTF-8: the input C01 (1..7), the relay C02 (1..6; 0, switched
  // off, has none) and the logic C05 (0..3). Empty for other cells and
  // values.
  static std::string choiceText(int cell, int32_t v);

  Parameter cells[kCellCount];
};
