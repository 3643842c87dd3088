// Level L2: one of the two PID regulators (index 0: P01..P08 from bit 125;
// index 1: P.01..P.08 from bit 189). The index is kept as the last member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/Parameter.h"

class PidRegulator {
 public:
  enum Cell { P01, P02, P03, P04, P05, P06, P07, P08, kCellCount };

  explicit PidRegulator(int index = 0);

  Parameter& operator[](int cell) { return cells[cell]; }
  const Parameter& operator[](int cell) const { return cells[cell]; }
  // False when the actuator type P07 is 1 (regulator switched off).
  bool isEnabled() const { return cells[P07].value() != 1; }
  std::vector<Parameter> snapshot() const;

  // The actuator type's words as the regulator's form lists them,
  // UTF-8: P07 = 0 and 2..7; empty for 1 (switched off) and values
  // outside 0..7.
  static std::string actuatorText(int32_t p07);

  Parameter cells[kCellCount];
  int32_t index;
};
