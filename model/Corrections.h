// Level L2: calibration corrections of the three thermometers (1 product,
// 2 dry, 3 wet): shift magnitude and sign, slope magnitude and sign.
#pragma once

#include <vector>

#include "model/Parameter.h"

class Corrections {
 public:
  static constexpr int kThermometerCount = 3;
  static constexpr int kCellCount = 4 * kThermometerCount;
  enum Part { Shift, ShiftSign, Slope, SlopeSign };

  Corrections();

  // Thermometer t = 1..3, part as above: cell tC<part + 1>.
  Parameter& cell(int t, Part part) { return cells[4 * (t - 1) + part]; }
  const Parameter& cell(int t, Part part) const { return cells[4 * (t - 1) + part]; }

  // 1C1..3C4.
  std::vector<Parameter> snapshot() const;

  Parameter cells[kCellCount];
};
