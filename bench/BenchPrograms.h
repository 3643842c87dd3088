// Programs the benchmarks share: the largest kind a chart or a profile has
// to follow, steps of mixed inputs, timed and untimed, ramps and jumps.
#pragma once

#include "model/Program.h"
#include "model/SetpointPair.h"

inline Program mixedProgram(int steps) {
  Program program;
  for (int i = 0; i < steps; ++i) {
    Step& s = program.steps.emplace_back();
    s[Step::E01].setEnteredValue(1 + i % 5);
    s.applyInputRanges();
    setPairFixed(s[Step::E02], s[Step::E03], (i * 37) % 900);
    s[Step::E04].setEnteredValue(i % 3 == 0 ? 0 : 5 + i % 20);  // every third a jump
    s[Step::U01].setEnteredValue(i % 4);
    s[Step::U04].setEnteredValue(i % 3);
    s[Step::U05].setEnteredValue((i * 7) % 60);
  }
  program.H02.setEnteredValue(steps / 2);
  return program;
}
