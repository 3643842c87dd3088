// How the steps table edits a step, apart from the grid that shows it: the
// editor profile each cell uses, which cells are coloured, and the rules
// that turn an edited text into the step's values. The rows, their labels
// and the cell texts are report/StepsTableTexts.h's.
//
// Pure functions over a Step (and the regulators' on/off state); the steps
// table (StepsTablePage) applies them to its grid. Values change only through
// the cells' guarded setters, so every value keeps its limits.
// User-interface thread only (the texts are QStrings).
#pragma once

#include <QString>

#include "report/StepsTableTexts.h"

class Step;

namespace stepstable {

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
// The mark of a cell whose value lies beyond its limits ("вне допустимого
// диапазона 0…99.9"), or an empty text.
QString outsideTip(const Step& step, int key);

// Applies an edited cell to the step. `text` is the new text: the chosen
// entry's short text or its value for list rows. False, changing nothing, when the text
// is no entry of the row's list or no number for a number row. On success
// `text` becomes what the cell shows now: the value as stored, after
// clamping and snapping.
bool applyEdit(Step& step, int key, QString& text);

}  // namespace stepstable
