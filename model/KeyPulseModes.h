// Level L2: pulse and pause times of the fourteen key pulse modes. Cells
// F02..F15 (pulses) first, then F.02..F.15 (pauses); a key set to mode v in a
// step (N01..N08 = v, v = 2..15) pulses with F<v> and pauses with F.<v>.
#pragma once

#include <vector>

#include "model/Parameter.h"

class KeyPulseModes {
 public:
  static constexpr int kModeCount = 14;
  static constexpr int kCellCount = 2 * kModeCount;

  KeyPulseModes();

  // Mode j = 1..14 (codes F<j+1>, F.<j+1>).
  Parameter& pulse(int j) { return cells[j - 1]; }
  Parameter& pause(int j) { return cells[kModeCount + j - 1]; }
  const Parameter& pulse(int j) const { return cells[j - 1]; }
  const Parameter& pause(int j) const { return cells[kModeCount + j - 1]; }

  // F02, F.02, F03, F.03, ... F15, F.15.
  std::vector<Parameter> snapshot() const;

  Parameter cells[kCellCount];
};
