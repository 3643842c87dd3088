// A controller program built from a test template and its parameter values.
//
// Each segment becomes steps that end by time: the temperature on regulator
// 1 with the dry thermometer as its input, the humidity on regulator 2 with
// relative humidity where the test has one. A ramp is a step with its rate
// (tenths per minute): by time, the slowest rate whose ramp ends within the
// segment's time, the step then holding the setpoint to the segment's end;
// by rate, that rate and a step as long as the ramp, rounded up to the
// minute. A hold keeps the setpoints (rate 0, so a new one is taken at
// once). A step lasts at most 63:59, so longer segments take several, a
// ramp moving on from where the step before left it. Cycles are written out
// in full; a count of 0 writes the cycle once and makes its first step the
// cycle start (H02), so the controller repeats it without end.
//
// The steps are copies of the target program's steps, position by position
// (the last one, or a new step, where it has fewer), with only the
// transition, the duration and the regulators the test drives set anew: key
// modes, conditions, comparators and a regulator the test leaves alone stay
// as they were.
//
// Pure functions; any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/Program.h"
#include "model/TestTemplate.h"

// One segment as built: where the setpoints go and which steps carry it.
struct BuiltSegment {
  const TemplateSegment* segment = nullptr;
  int cycle = 0;                 // 1.. for a cycle's segments, 0 outside
  int firstStep = 0;             // 0-based, in the built program
  int stepCount = 0;             // 0 for a segment of no time
  int minutes = 0;               // its time
  int startTenths[2] = {0, 0};   // the setpoints at its start (°C, %)
  int targetTenths[2] = {0, 0};  // and at its end
  int rateTenths = 0;            // the ramp's rate (temperature, else humidity)
};

struct TemplateBuild {
  Program program;
  std::vector<BuiltSegment> segments;  // in program order
  // The reason the template cannot be built, in Russian; the rest is then
  // empty. "нужно 31 шаг, в программе этой прошивки их может быть не более 25"
  std::optional<std::string> refusal;
  // The steps the program takes, also when the partition refuses it; 0 when
  // it is refused for another reason.
  int stepsNeeded = 0;
};

// Builds `test` with `values` (every parameter, within its limits) over a
// copy of `target` for a controller whose programs hold at most
// `stepsPerProgram` steps.
TemplateBuild buildTemplateProgram(const TestTemplate& test, const TemplateValues& values,
                                   const Program& target, int stepsPerProgram);

// The longest step, 63:59, in minutes.
inline constexpr int kLongestStepMinutes = 63 * 60 + 59;
