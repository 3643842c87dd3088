// The time profile of a technologist program: what the setpoints of its two
// regulators do over time as the controller runs the program, where each step
// begins and ends, and how long one pass and one loop of its cycle last. The
// table mode's chart, the program page, the tree, the report and
// "tkv88ctl profile" all show this one computation.
//
// The profile takes the chamber to follow its setpoints. A step moves each
// setpoint from where the previous step left it towards the step's value at
// the step's rate (E04/E05, E.04/E.05: tenths per minute; the sign is not a
// direction, the ramp always heads for the value), then holds it; a zero
// rate, a change of the regulator's quantity and the program's first step
// jump. A step ends by its transition (U01): by time at its duration; by its
// condition (U02/U03) when a ramp of the condition's quantity reaches the
// condition's setpoint; "and" at the later of the two, "or" at the earlier.
// When that cannot be told from the program (no regulator drives the
// condition's quantity, the setpoint jumps and the chamber takes its own
// time, the ramp never reaches the condition, the first step starts from a
// chamber whose state is unknown), the step's length is an estimate: the
// time its ramps take ("не менее") when it waits for the condition, its
// duration when the condition may end it sooner ("не более").
//
// A program with a cycle start (H02 naming a step) runs one pass from step 1,
// then loops from step H02 for ever; the loop is computed once, from where
// the pass leaves the setpoints.
//
// Pure functions of a Program; any thread.
#pragma once

#include <array>
#include <vector>

class GeneralParameters;
class Program;

// How well a length is known.
enum class ProfileCertainty {
  Exact,     // as the program says
  AtLeast,   // a step waits for a condition: it may last longer
  AtMost,    // a condition may end a step sooner
  Estimate,  // both of these
};

// How a step ends (U01).
enum class StepEnding {
  Condition,         // 0: temperature or humidity reached
  Time,              // 1: its duration elapsed
  ConditionAndTime,  // 2: both
  ConditionOrTime,   // 3: whichever comes first
};

// One regulator's setpoint over one step.
struct SetpointCourse {
  bool on = true;          // the regulator is switched on (P07/P.07 not 1)
  int input = 0;           // the quantity it controls (E01/E.01), 1..5
  double target = 0;       // the step's setpoint
  double start = 0;        // at the step's start, before a jump
  double end = 0;          // at the step's end (a ramp may be cut short)
  double rate = 0;         // units per minute, 0 for a jump
  double rampMinutes = 0;  // from the start until the setpoint is reached
  bool jump = false;       // the setpoint takes its value at once
  bool startKnown = true;  // the previous step left this quantity's setpoint

  // The setpoint `minutes` after the step's start (the target after a jump).
  double at(double minutes) const;
};

struct ProfileStep {
  int number = 0;    // from 1
  double start = 0;  // minutes from the program's start
  double end = 0;
  StepEnding ending = StepEnding::Time;
  double durationMinutes = 0;  // U04:U05
  // The condition U02/U03: the quantity (1..5, 0 when U02 names none), above
  // or below its setpoint.
  int conditionInput = 0;
  bool conditionAbove = true;
  double conditionSetpoint = 0;
  // The minute after the step's start at which the condition is met, when
  // the program tells it; -1 when it does not.
  double conditionMinutes = -1;
  // The setpoints never reach the condition: the step would wait for ever
  // unless the chamber does better than its setpoints.
  bool conditionUnreached = false;
  ProfileCertainty certainty = ProfileCertainty::Exact;
  std::array<SetpointCourse, 2> setpoints;

  double minutes() const { return end - start; }
  // The step's end depends on its condition and the program cannot tell when.
  bool endsOnCondition() const { return certainty != ProfileCertainty::Exact; }
};

struct ProfileTotal {
  double minutes = 0;
  ProfileCertainty certainty = ProfileCertainty::Exact;
};

// One corner of the setpoint lines: both setpoints at a minute. Two points
// at one minute are a jump.
struct ProfilePoint {
  double minute = 0;
  std::array<double, 2> value{};
  std::array<int, 2> input{};  // the quantities, 1..5
};

struct ProgramProfile {
  std::vector<ProfileStep> steps;  // one pass, steps 1..n, from minute 0
  // The loop: steps H02..n again, from the pass's end on; empty when the
  // program has no cycle (H02 = 0 or no such step).
  std::vector<ProfileStep> loop;
  int cycleStart = 0;  // H02 when it names a step, else 0
  ProfileTotal pass;
  ProfileTotal loopTotal;
  std::array<bool, 2> regulatorOn{true, true};

  // The minute the pass reaches the cycle start, or -1.
  double cycleStartMinute() const;
  // The quantities (1..5) the switched-on regulators control somewhere in
  // the pass, in order.
  std::vector<int> inputsInUse() const;
};

// The profile of `program` with the regulators switched on as given.
ProgramProfile programProfile(const Program& program, std::array<bool, 2> regulatorOn = {true, true});
// The same with the regulators `general` switches on (P07, P.07).
ProgramProfile programProfile(const Program& program, const GeneralParameters& general);

// The corners of the setpoint lines of `steps`, in time order.
std::vector<ProfilePoint> profilePoints(const std::vector<ProfileStep>& steps);

// Two certainties of lengths added up.
ProfileCertainty combine(ProfileCertainty a, ProfileCertainty b);
