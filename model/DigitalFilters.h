// Level L2: time constants (seconds) of the six digital input filters D01..D06.
#pragma once

#include <vector>

#include "model/Parameter.h"

class DigitalFilters {
 public:
  static constexpr int kCellCount = 6;

  DigitalFilters();

  Parameter& operator[](int i) { return cells[i]; }
  const Parameter& operator[](int i) const { return cells[i]; }
  std::vector<Parameter> snapshot() const;

  Parameter cells[kCellCount];
};
