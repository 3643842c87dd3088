// The profile of a program: where steps begin and end, the setpoints' ramps,
// conditions the program can and cannot time, the cycle, and their words.
#include <gtest/gtest.h>

#include "model/ProfileText.h"
#include "model/Program.h"
#include "model/ProgramProfile.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"

namespace {

constexpr int kProduct = 1, kDry = 2, kHumidity = 5;
constexpr int kCondition = 0, kTime = 1, kBoth = 2, kEither = 3;

// A step as a test writes it: the transition, then regulator 1 and 2
// (quantity, setpoint, rate in units per minute).
struct StepSpec {
  int u01 = kTime;
  int hours = 0, minutes = 0;
  int input1 = kDry;
  double setpoint1 = 20;
  double rate1 = 0;
  int input2 = kHumidity;
  double setpoint2 = 50;
  double rate2 = 0;
  int u02 = 3;  // dry thermometer above
  int u03 = 80;
};

Program programOf(const std::vector<StepSpec>& specs, int h02 = 0) {
  Program p;
  for (const StepSpec& spec : specs) {
    Step& s = p.steps.emplace_back();
    s[Step::U01].setValue(spec.u01);
    s[Step::U02].setValue(spec.u02);
    s[Step::U04].setValue(spec.hours);
    s[Step::U05].setValue(spec.minutes);
    s[Step::E01].setValue(spec.input1);
    s[Step::E_01].setValue(spec.input2);
    s.applyInputRanges();
    s[Step::U03].setValue(spec.u03);
    setPairFixed(s[Step::E02], s[Step::E03], static_cast<int64_t>(spec.setpoint1 * 10));
    setPairFixed(s[Step::E_02], s[Step::E_03], static_cast<int64_t>(spec.setpoint2 * 10));
    storeSignedTenths(s[Step::E04], s[Step::E05], spec.rate1);
    storeSignedTenths(s[Step::E_04], s[Step::E_05], spec.rate2);
  }
  p.H02.setValue(h02);
  return p;
}

using C = ProfileCertainty;

struct Case {
  const char* name;
  std::vector<StepSpec> steps;
  std::vector<double> ends;  // each step's end minute
  C certainty;
  const char* lastEnding;  // how the last step ends, in words
};

}  // namespace

TEST(ProgramProfile, StepEndsAndTotals) {
  const StepSpec first{.hours = 1, .setpoint1 = 20};  // starts from an unknown chamber: no ramp
  const Case cases[] = {
      {"time only: the durations add up",
       {{.hours = 2}, {.hours = 1, .minutes = 30}, {.minutes = 45}},
       {120, 210, 255},
       C::Exact,
       "по времени"},
      {"a condition met on the ramp: 20 -> 80 at 1/min passes 70 at minute 50",
       {first, {.u01 = kCondition, .setpoint1 = 80, .rate1 = 1, .u02 = 3, .u03 = 70}},
       {60, 110},
       C::Exact,
       "по условию Т[сух] > 70 °С"},
      {"below: 80 -> 20 at -2/min falls under 30 at minute 25",
       {{.hours = 1, .setpoint1 = 80},
        {.u01 = kCondition, .setpoint1 = 20, .rate1 = -2, .u02 = 4, .u03 = 30}},
       {60, 85},
       C::Exact,
       "по условию Т[сух] < 30 °С"},
      {"a condition already met at the step's start ends it at once",
       {{.hours = 1, .setpoint1 = 75}, {.u01 = kCondition, .setpoint1 = 80, .rate1 = 1, .u03 = 70}},
       {60, 60},
       C::Exact,
       "по условию Т[сух] > 70 °С"},
      {"humidity on regulator 2: 50 -> 90 % at 2/min reaches 85 % at minute 17.5",
       {first, {.u01 = kCondition, .setpoint2 = 90, .rate2 = 2, .u02 = 9, .u03 = 85}},
       {60, 77.5},
       C::Exact,
       "по условию влажность > 85 %"},
      {"condition and time: the later of 50 and 90 minutes",
       {first, {.u01 = kBoth, .hours = 1, .minutes = 30, .setpoint1 = 80, .rate1 = 1, .u03 = 70}},
       {60, 150},
       C::Exact,
       "по условию Т[сух] > 70 °С и времени"},
      {"condition or time: the earlier of 50 and 30 minutes",
       {first, {.u01 = kEither, .minutes = 30, .setpoint1 = 80, .rate1 = 1, .u03 = 70}},
       {60, 90},
       C::Exact,
       "по условию Т[сух] > 70 °С или времени"},
      {"a condition on a quantity no regulator drives waits at least for the ramp (60 min)",
       {first, {.u01 = kCondition, .setpoint1 = 80, .rate1 = 1, .u02 = 1, .u03 = 70}},
       {60, 120},
       C::AtLeast,
       "по условию Т[прод] > 70 °С; когда — не определить по программе"},
      {"a condition beyond the setpoint is never reached by the ramp",
       {first, {.u01 = kCondition, .setpoint1 = 80, .rate1 = 1, .u03 = 90}},
       {60, 120},
       C::AtLeast,
       "по условию Т[сух] > 90 °С; уставки условия не достигают"},
      {"after a jump the chamber takes its own time",
       {first, {.u01 = kBoth, .minutes = 10, .setpoint1 = 80, .u03 = 70}},
       {60, 70},
       C::AtLeast,
       "по условию Т[сух] > 70 °С и времени; когда — не определить по программе"},
      {"condition or time, not to be told: at most the duration",
       {first, {.u01 = kEither, .minutes = 40, .setpoint1 = 80, .u03 = 70}},
       {60, 100},
       C::AtMost,
       "по условию Т[сух] > 70 °С или времени; когда — не определить по программе"},
      {"the first step starts from a chamber the program does not know",
       {{.u01 = kCondition, .setpoint1 = 80, .rate1 = 1, .u03 = 70}, {.minutes = 5}},
       {0, 5},
       C::AtLeast,
       "по времени"},
      {"a quantity that changes between steps starts anew: no ramp to time",
       {first, {.u01 = kCondition, .input1 = kProduct, .setpoint1 = 80, .rate1 = 1, .u02 = 1, .u03 = 70}},
       {60, 60},
       C::AtLeast,
       "по условию Т[прод] > 70 °С; когда — не определить по программе"},
      {"mixed: one step may last longer, one may end sooner",
       {{.u01 = kCondition, .u03 = 70}, {.u01 = kEither, .minutes = 20, .u03 = 90}},
       {0, 20},
       C::Estimate,
       "по условию Т[сух] > 90 °С или времени; уставки условия не достигают"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramProfile p = programProfile(programOf(c.steps));
    ASSERT_EQ(p.steps.size(), c.ends.size());
    double start = 0;
    for (size_t i = 0; i < c.ends.size(); ++i) {
      EXPECT_EQ(p.steps[i].number, static_cast<int>(i) + 1);
      EXPECT_DOUBLE_EQ(p.steps[i].start, start) << "step " << i + 1;
      EXPECT_DOUBLE_EQ(p.steps[i].end, c.ends[i]) << "step " << i + 1;
      start = c.ends[i];
    }
    EXPECT_DOUBLE_EQ(p.pass.minutes, c.ends.back());
    EXPECT_EQ(p.pass.certainty, c.certainty);
    EXPECT_EQ(profiletext::ending(p.steps.back()), c.lastEnding);
    EXPECT_TRUE(p.loop.empty());
  }
}

TEST(ProgramProfile, RampsFromThePreviousSetpoint) {
  struct RampCase {
    const char* name;
    StepSpec step;  // after one hour at 20.0 and 50 %
    int regulator;
    double rampMinutes, end;
    bool jump;
    const char* words;
  };
  const RampCase cases[] = {
      {"up at 0.5/min: 120 minutes",
       {.hours = 3, .setpoint1 = 80, .rate1 = 0.5},
       0,
       120,
       80,
       false,
       "Т[сух] 20.0 → 80.0 °С"},
      {"the sign is no direction: -0.5 still heads up",
       {.hours = 3, .setpoint1 = 80, .rate1 = -0.5},
       0,
       120,
       80,
       false,
       "Т[сух] 20.0 → 80.0 °С"},
      {"down at 1.5/min: 10 minutes",
       {.hours = 1, .setpoint1 = 5, .rate1 = -1.5},
       0,
       10,
       5,
       false,
       "Т[сух] 20.0 → 5.0 °С"},
      {"cut short by the step's end",
       {.minutes = 30, .setpoint1 = 80, .rate1 = 0.5},
       0,
       120,
       35,
       false,
       "Т[сух] 20.0 → 35.0 (до 80.0) °С"},
      {"a zero rate jumps", {.hours = 1, .setpoint1 = 80}, 0, 0, 80, true, "Т[сух] 80.0 °С"},
      {"humidity on regulator 2",
       {.hours = 1, .setpoint2 = 90, .rate2 = 2},
       1,
       20,
       90,
       false,
       "влажность 50.0 → 90.0 %"},
      {"a held setpoint", {.hours = 1, .setpoint1 = 20, .rate1 = 3}, 0, 0, 20, false, "Т[сух] 20.0 °С"},
  };
  for (const RampCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ProgramProfile p = programProfile(programOf({{.hours = 1}, c.step}));
    const SetpointCourse& course = p.steps.at(1).setpoints[c.regulator];
    EXPECT_DOUBLE_EQ(course.rampMinutes, c.rampMinutes);
    EXPECT_DOUBLE_EQ(course.end, c.end);
    EXPECT_EQ(course.jump, c.jump);
    EXPECT_EQ(profiletext::setpoint(course), c.words);
  }
}

TEST(ProgramProfile, CycleStartAndLoop) {
  // 20.0 for an hour, up to 80.0 at 1/min for two hours, back to 20.0 at
  // -2/min with a condition below 25.
  const std::vector<StepSpec> steps{
      {.hours = 1, .setpoint1 = 20},
      {.hours = 2, .setpoint1 = 80, .rate1 = 1},
      {.u01 = kCondition, .setpoint1 = 20, .rate1 = -2, .u02 = 4, .u03 = 25},
  };
  struct CycleCase {
    int h02;
    int cycleStart;
    double cycleStartMinute, loopMinutes;
    const char* words;
  };
  const CycleCase cases[] = {
      {0, 0, -1, 0, "длительность 03:28"},
      {4, 0, -1, 0, "длительность 03:28"},  // no such step: no cycle
      // Step 2 ramps from 25.0, where the condition ended step 3: 55 minutes.
      {2, 2, 60, 147.5, "длительность 03:28, цикл с шага 2: 02:28"},
      // Step 1 jumps from 25.0 to 20.0: the loop is as long as the pass.
      {1, 1, 0, 207.5, "длительность 03:28, цикл с шага 1: 03:28"},
  };
  for (const CycleCase& c : cases) {
    SCOPED_TRACE(c.h02);
    const ProgramProfile p = programProfile(programOf(steps, c.h02));
    EXPECT_DOUBLE_EQ(p.pass.minutes, 60 + 120 + 27.5);
    EXPECT_EQ(p.cycleStart, c.cycleStart);
    EXPECT_DOUBLE_EQ(p.cycleStartMinute(), c.cycleStartMinute);
    EXPECT_DOUBLE_EQ(p.loopTotal.minutes, c.loopMinutes);
    EXPECT_EQ(profiletext::durations(p), c.words);
    if (c.cycleStart) {
      ASSERT_EQ(p.loop.size(), steps.size() - c.cycleStart + 1);
      EXPECT_EQ(p.loop.front().number, c.cycleStart);
      EXPECT_DOUBLE_EQ(p.loop.front().start, p.pass.minutes);
    }
  }

  // The loop starts from where the pass left the setpoints: step 3 ended
  // on its condition at 25.0, on the way down to 20.0.
  const ProgramProfile looped = programProfile(programOf(steps, 2));
  EXPECT_DOUBLE_EQ(looped.steps.back().setpoints[0].end, 25);
  EXPECT_DOUBLE_EQ(looped.loop.front().setpoints[0].start, 25);
  EXPECT_TRUE(looped.loop.front().setpoints[0].startKnown);
}

TEST(ProgramProfile, PartitionExtremes) {
  // 99 steps of 63:59: the longest program the controller holds.
  std::vector<StepSpec> longest(99, StepSpec{.hours = 63, .minutes = 59});
  const ProgramProfile p = programProfile(programOf(longest, 99));
  EXPECT_DOUBLE_EQ(p.pass.minutes, 99 * 3839.0);
  EXPECT_EQ(profiletext::total(p.pass), "6334:21");
  EXPECT_DOUBLE_EQ(p.loopTotal.minutes, 3839);
  EXPECT_DOUBLE_EQ(p.cycleStartMinute(), 98 * 3839.0);

  const ProgramProfile empty = programProfile(Program());
  EXPECT_TRUE(empty.steps.empty());
  EXPECT_EQ(profiletext::durations(empty), "длительность 00:00");  // H02 = 1 names no step
}

TEST(ProgramProfile, RegulatorSwitchedOff) {
  const Program program = programOf({{.hours = 1, .input1 = kDry, .input2 = kHumidity},
                                     {.u01 = kCondition, .setpoint2 = 90, .rate2 = 2, .u02 = 9, .u03 = 85}});
  const ProgramProfile on = programProfile(program);
  EXPECT_EQ(on.inputsInUse(), (std::vector<int>{kDry, kHumidity}));
  // Regulator 2 off: nothing drives the humidity, the step cannot be timed.
  const ProgramProfile off = programProfile(program, {true, false});
  EXPECT_EQ(off.inputsInUse(), std::vector<int>{kDry});
  EXPECT_EQ(off.pass.certainty, C::AtLeast);
  EXPECT_EQ(profiletext::setpoint(off.steps[1].setpoints[1]), "выключен");
}

TEST(ProgramProfile, PointsOfTheSetpointLines) {
  // 20.0 for an hour; a ramp to 80.0 at 1/min (60 min) while humidity jumps
  // to 70 %; 30 minutes held.
  const ProgramProfile p =
      programProfile(programOf({{.hours = 1, .setpoint1 = 20},
                                {.hours = 1, .minutes = 30, .setpoint1 = 80, .rate1 = 1, .setpoint2 = 70}}));
  const std::vector<ProfilePoint> points = profilePoints(p.steps);
  const std::vector<std::array<double, 3>> expected{
      {0, 20, 50}, {60, 20, 50}, {60, 20, 70}, {120, 80, 70}, {150, 80, 70}};
  ASSERT_EQ(points.size(), expected.size());
  for (size_t i = 0; i < points.size(); ++i) {
    EXPECT_DOUBLE_EQ(points[i].minute, expected[i][0]) << i;
    EXPECT_DOUBLE_EQ(points[i].value[0], expected[i][1]) << i;
    EXPECT_DOUBLE_EQ(points[i].value[1], expected[i][2]) << i;
  }
}

TEST(ProfileText, NumbersAndLengths) {
  EXPECT_EQ(profiletext::number(-12.5, 1), "-12.5");
  EXPECT_EQ(profiletext::number(-0.04, 1), "0.0");
  EXPECT_EQ(profiletext::hoursMinutes(59.6), "01:00");
  EXPECT_EQ(profiletext::total({750, C::AtLeast}), "не менее 12:30");
  EXPECT_EQ(profiletext::total({750, C::AtMost}), "не более 12:30");
  EXPECT_EQ(profiletext::total({750, C::Estimate}), "около 12:30");
  EXPECT_EQ(profiletext::unit(kHumidity), std::string("%"));
  EXPECT_EQ(profiletext::unit(kProduct), std::string("°С"));
}
