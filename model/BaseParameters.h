// Level L2: the main device parameters O01..O11 and the access setting Scr.
// O10 is the memory partition that fixes how many programs and steps exist.
#pragma once

#include <vector>

#include "model/Parameter.h"

class BaseParameters {
 public:
  enum Cell { O01, O02, O03, O04, O05, O06, O07, O08, O09, O10, O11, Scr, kCellCount };

  BaseParameters();

  Parameter& operator[](int cell) { return cells[cell]; }
  const Parameter& operator[](int cell) const { return cells[cell]; }
  // O01..O11, Scr.
  std::vector<Parameter> snapshot() const;

  Parameter cells[kCellCount];
};
