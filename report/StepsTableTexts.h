// What the steps table shows of a program's steps, apart from any grid that
// shows them: the 21 rows with their keys and labels, the step columns'
// headers, the text of every cell and which cells have no effect. The steps
// table of the table mode and the printed report both show steps through it.
//
// Pure functions over a Step (and the regulators' on/off state). The texts
// are QStrings; the list rows' words are converted once and kept, so call
// from one thread at a time (the user-interface thread, or the one that
// prints).
#pragma once

#include <array>
#include <string_view>

#include <QString>

#include "model/Step.h"

namespace stepstable {

// Row keys: the catalogue keys of the list rows, 33 for the transition
// setpoint and 4097.. for the rows that combine two parameters.
enum RowKey : int {
  kNoKey = 0,  // the empty separator rows
  kInput1 = 12,
  kInput2 = 17,
  kFirstKey = 23,  // N01; N08 is 30
  kLastKey = 30,
  kTransition = 31,
  kTransitionByValue = 32,
  kTransitionSetpoint = 33,
  kDuration = 4097,
  kSetpoint1 = 4098,
  kSpeed1 = 4099,
  kSetpoint2 = 4100,
  kSpeed2 = 4101,
};

struct RowSpec {
  int key;
  const char* label;  // UTF-8; empty for a separator
};
inline constexpr int kRowCount = 21;
// The rows in display order.
const std::array<RowSpec, kRowCount>& rows();
QString rowLabel(int row);

// The row that shows a step cell ("U04" and "U05" both the duration row),
// or kNoKey.
int rowKeyOfCode(std::string_view code);

// The regulator (0 or 1) a row belongs to, or -1.
int regulatorOf(int key);

// The step cells of regulator 0 or 1: input, setpoint pair, speed and its sign.
using RegulatorCells = Step::RegulatorCells;
constexpr RegulatorCells regulatorCells(int regulator) { return Step::regulatorCells(regulator); }

// "Шаг 3", "Шаг 3 *" for the cycle start.
QString stepHeader(int number, bool cycleStart);

// The cell's text as the table shows it.
QString cellText(const Step& step, int key);
// The step's transition waits for a humidity (U02 is 9 or 10): its
// setpoint U03 is in percent.
bool humidityCondition(const Step& step);
// The unit of a setpoint cell's value: "%" for humidity, "°С" for a
// temperature; empty for the other rows.
QString setpointUnit(const Step& step, int key);

// regulatorOn[i]: regulator i is switched on (its P07 is not 1).
// The cell's value has no effect: the duration of a step that waits for
// its condition, the condition of a step that only waits out its time, the
// rows of a regulator switched off.
bool cellInactive(const Step& step, int key, const bool regulatorOn[2]);
// The label in column 0 is grey when its regulator is off.
bool labelInactive(int key, const bool regulatorOn[2]);

}  // namespace stepstable
