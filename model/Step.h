// One step of a technologist program: eight key modes, the transition to the
// next step and the setpoints of the two regulators. A value type; positions
// are relative to the 119-bit step record.
#pragma once

#include <vector>

#include "model/Parameter.h"

class Step {
 public:
  // The order is the step's parameter list: N01..N08, U01..U05, E01..E05, E.01..E.05.
  enum Cell {
    N01, N02, N03, N04, N05, N06, N07, N08,
    U01, U02, U03, U04, U05,
    E01, E02, E03, E04, E05,
    E_01, E_02, E_03, E_04, E_05,
    kCellCount
  };
  static constexpr int kKeyCount = 8;
  static constexpr int kRecordBits = 119;

  Step();

  Parameter& operator[](int cell) { return cells[cell]; }
  const Parameter& operator[](int cell) const { return cells[cell]; }
  // The cells of regulator 0 or 1: its input, setpoint pair, rate and the
  // rate's sign.
  struct RegulatorCells {
    int input, integer, fraction, speed, sign;
  };
  static constexpr RegulatorCells regulatorCells(int regulator) {
    return regulator == 0 ? RegulatorCells{E01, E02, E03, E04, E05} : RegulatorCells{E_01, E_02, E_03, E_04, E_05};
  }

  Parameter& key(int n) { return cells[N01 + n - 1]; }  // n = 1..8
  const Parameter& key(int n) const { return cells[N01 + n - 1]; }

  // The limits the inputs call for: U03 takes pair 1 for humidity conditions
  // (U02 9, 10), E02/E03 by E01 = 5, E.02/E.03 by E.01 = 5. Values stay as
  // they are, outside the limits too (what loading a step does).
  void selectInputRanges();
  // After input `cell` (U02, E01 or E.01; others do nothing) changed: its
  // dependents take the limits it calls for and a value outside them is
  // clamped, a setpoint as a whole number (150.2 % becomes 99.9, -99.9
  // becomes 0.0), through the entered-value setter.
  void followInput(int cell);
  // followInput for all three inputs.
  void applyInputRanges();
  // Live cells in list order.
  std::vector<Parameter*> parameterList();
  std::vector<const Parameter*> parameterList() const;
  std::vector<Parameter> snapshot() const;

  Parameter cells[kCellCount];
};
