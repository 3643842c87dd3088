// Level L2 as a whole: the six general groups in the order of the device's
// data model, and the memory partition rules derived from O10.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/BaseParameters.h"
#include "model/Corrections.h"
#include "model/DigitalFilters.h"
#include "model/KeyPulseModes.h"
#include "model/PidRegulator.h"

class GeneralParameters {
 public:
  static constexpr int kPartitionCount = 8;
  static constexpr int kCellCount = 74;

  GeneralParameters();

  // Programs and steps per program of partition o10; -1 means the current O10.
  // Values outside 0..7 give 0.
  int programCount(int partition = -1) const;
  int stepsPerProgram(int partition = -1) const;
  static int programCountOf(int partition);
  static int stepsPerProgramOf(int partition);
  // "20 программ по 25 шагов", or empty outside 0..7.
  static std::string partitionText(int partition);
  // The words of the base cells whose values are choices (O01, O03, O04,
  // O05, O07, O09, O11, Scr), one per value from the cell's lowest, and
  // as the base form shows them (some end in a blank); empty for other cells.
  static const std::vector<std::string>& choiceTexts(int baseCell);
  // The words of value v of a base cell, or empty.
  static std::string choiceText(int baseCell, int32_t v);

  int partition() const { return base[BaseParameters::O10].value(); }

  // O01..O11, Scr, 1C1..3C4, D01..D06, P01..P08, P.01..P.08, F02, F.02 .. F15, F.15.
  std::vector<Parameter*> parameterList();
  std::vector<const Parameter*> parameterList() const;

  KeyPulseModes keys;
  Corrections corrections;
  DigitalFilters filters;
  BaseParameters base;
  PidRegulator pid[2];
};
