// What the steps table shows of a step and how it takes an edit, apart from
// the grid that shows it: the 21 rows with their keys and labels, the text of
// every cell, the editor profile each cell uses, which cells are inactive or
// coloured, and the rules that turn an edited text into the step's values.
//
// Pure functions over a Step (and the regulators' on/off state); the steps
// table (CDlgStepsTable) applies them to its grid. Values change only through
// the cells' guarded setters, so every value keeps its limits.
// User-interface thread only (the texts are QStrings).
#pragma once

#include <array>
#include <string_view>

#include <QString>

class Step;

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

// The grid's editor profiles, in the order the table creates them.
enum Profile : int {
  kTransitionList,         // U01 texts
  kTransitionByValueList,  // U02 texts
  kInputList,              // E01 / E.01 texts
  kKeyModeList,            // N01..N08 texts
  kSetpointInt,            // -99 .. 999
  kSetpointPercent,        // 0 .. 100
  kTime,                   // hh:mm
  kSetpointReal,           // -99.9 .. 999.9
  kSetpointRealPercent,    // 0.0 .. 99.9
  kSpeedReal,              // -99.9 .. 99.9
  kProfileCount
};
// The catalogue key of a list profile's texts, or 0 for the other profiles.
int listKeyOf(Profile profile);

// The row that shows a step cell ("U04" and "U05" both the duration row),
// or kNoKey.
int rowKeyOfCode(std::string_view code);

// The regulator (0 or 1) a row belongs to, or -1.
int regulatorOf(int key);

// "Шаг 3", "Шаг 3 *" for the cycle start.
QString stepHeader(int number, bool cycleStart);

// The cell's text as the table shows it.
QString cellText(const Step& step, int key);
// The profile the cell edits with, by the step's current values.
Profile cellProfile(const Step& step, int key);

enum class Look {
  Normal,
  Inactive,   // grey and read-only: the value has no effect
  KeyOpen,    // a key that stays open (red)
  KeyClosed,  // a key closed all the time (green)
  Outside     // a value beyond its limits, read so and kept until edited (red)
};
// regulatorOn[i]: regulator i is switched on (its P07 is not 1).
Look cellLook(const Step& step, int key, const bool regulatorOn[2]);
// The label in column 0 is grey when its regulator is off.
bool labelInactive(int key, const bool regulatorOn[2]);
// The mark of a cell whose value lies beyond its limits ("вне допустимого
// диапазона 0…99.9"), or an empty text.
QString outsideTip(const Step& step, int key);

// Applies an edited cell to the step. `text` is the new text: the chosen
// entry's short text for list rows. False, changing nothing, when the text
// is no entry of the row's list or no number for a number row. On success
// `text` becomes what the cell shows now: the value as stored, after
// clamping and snapping.
bool applyEdit(Step& step, int key, QString& text);

}  // namespace stepstable
