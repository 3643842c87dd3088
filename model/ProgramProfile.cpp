#include "model/ProgramProfile.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "model/GeneralParameters.h"
#include "model/Program.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"

namespace {

constexpr int kQuantityCount = 5;  // the regulators' inputs 1..5

// Where the previous step left a regulator's setpoint.
struct Left {
  int input;
  double value;
};
using State = std::array<std::optional<Left>, 2>;

SetpointCourse courseOf(const Step& s, int r, bool on, const std::optional<Left>& left) {
  const Step::RegulatorCells c = Step::regulatorCells(r);
  SetpointCourse course;
  course.on = on;
  course.input = s[c.input].value();
  course.target = pairValue(s[c.integer], s[c.fraction]);
  course.rate = std::fabs(signedRate(s[c.speed], s[c.sign]));
  // A ramp starts from the same quantity's setpoint only.
  course.startKnown = left && left->input == course.input;
  course.start = course.startKnown ? left->value : course.target;
  if (course.rate == 0 || course.start == course.target) {
    course.jump = course.start != course.target;
    course.rampMinutes = 0;
  } else {
    course.rampMinutes = std::fabs(course.target - course.start) / course.rate;
  }
  return course;
}

// When a ramp of the condition's quantity meets the condition, in minutes
// after the step's start; nothing when the program cannot tell.
struct ConditionTime {
  std::optional<double> minutes;
  bool unreached = false;
};

ConditionTime conditionTime(const ProfileStep& step) {
  const auto met = [&](double v) {
    return step.conditionAbove ? v >= step.conditionSetpoint : v <= step.conditionSetpoint;
  };
  ConditionTime out;
  bool candidate = false, allUnreached = true;
  for (const SetpointCourse& c : step.setpoints) {
    if (!c.on || c.input != step.conditionInput || step.conditionInput == 0) continue;
    candidate = true;
    if (!c.startKnown) {
      allUnreached = false;
      continue;
    }
    std::optional<double> t;
    if (met(c.start))
      t = 0.0;
    else if (!met(c.target))
      continue;  // the setpoint stops short of it
    else if (!c.jump)
      t = std::fabs(step.conditionSetpoint - c.start) / c.rate;
    allUnreached = false;  // reached; when, the chamber decides after a jump
    if (t && (!out.minutes || *t < *out.minutes)) out.minutes = t;
  }
  out.unreached = candidate && allUnreached;
  return out;
}

StepEnding endingOf(int32_t u01) {
  switch (u01) {
    case 0:
      return StepEnding::Condition;
    case 2:
      return StepEnding::ConditionAndTime;
    case 3:
      return StepEnding::ConditionOrTime;
    default:
      return StepEnding::Time;  // 1, and values a file may hold beyond the cell's limits
  }
}

// One step laid out from `at` on, the setpoints starting where `state`
// says; `state` then holds where the step leaves them.
ProfileStep layOutStep(const Step& s, int number, double at, const std::array<bool, 2>& on, State& state) {
  ProfileStep step;
  step.number = number;
  step.start = at;
  step.ending = endingOf(s[Step::U01].value());
  step.durationMinutes = std::max(0, s[Step::U04].value()) * 60.0 + std::max(0, s[Step::U05].value());
  const int32_t u02 = s[Step::U02].value();
  step.conditionInput = u02 >= 1 && u02 <= 2 * kQuantityCount ? (u02 + 1) / 2 : 0;
  step.conditionAbove = u02 % 2 == 1;
  step.conditionSetpoint = s[Step::U03].value();
  double ramps = 0;
  for (int r = 0; r < 2; ++r) {
    step.setpoints[r] = courseOf(s, r, on[r], state[r]);
    if (on[r]) ramps = std::max(ramps, step.setpoints[r].rampMinutes);
  }

  double length = step.durationMinutes;
  if (step.ending != StepEnding::Time) {
    const ConditionTime condition = conditionTime(step);
    step.conditionUnreached = condition.unreached;
    if (condition.minutes) {
      step.conditionMinutes = *condition.minutes;
      const double t = *condition.minutes;
      length = step.ending == StepEnding::Condition          ? t
               : step.ending == StepEnding::ConditionAndTime ? std::max(step.durationMinutes, t)
                                                             : std::min(step.durationMinutes, t);
    } else if (step.ending == StepEnding::ConditionOrTime) {
      step.certainty = ProfileCertainty::AtMost;
    } else {
      // It waits for the condition at least until its setpoints have settled.
      step.certainty = ProfileCertainty::AtLeast;
      length = step.ending == StepEnding::Condition ? ramps : std::max(step.durationMinutes, ramps);
    }
  }
  step.end = at + length;
  for (int r = 0; r < 2; ++r) {
    SetpointCourse& c = step.setpoints[r];
    c.end = c.at(length);
    state[r] = Left{c.input, c.end};
  }
  return step;
}

}  // namespace

double SetpointCourse::at(double minutes) const {
  if (jump || minutes >= rampMinutes) return target;
  const double moved = rate * std::max(0.0, minutes);
  return target > start ? start + moved : start - moved;
}

ProfileCertainty combine(ProfileCertainty a, ProfileCertainty b) {
  if (a == b || b == ProfileCertainty::Exact) return a;
  if (a == ProfileCertainty::Exact) return b;
  return ProfileCertainty::Estimate;
}

ProgramProfile programProfile(const Program& program, std::array<bool, 2> regulatorOn) {
  ProgramProfile p;
  p.regulatorOn = regulatorOn;
  const int n = program.stepCount();
  const int32_t h02 = program.H02.value();
  p.cycleStart = h02 >= 1 && h02 <= n ? h02 : 0;

  State state;  // the chamber's state before the first step is not known
  double at = 0;
  p.steps.reserve(static_cast<size_t>(n));
  int number = 1;
  for (const Step& s : program.steps) {
    p.steps.push_back(layOutStep(s, number++, at, regulatorOn, state));
    at = p.steps.back().end;
    p.pass.certainty = combine(p.pass.certainty, p.steps.back().certainty);
  }
  p.pass.minutes = at;
  if (p.cycleStart == 0) return p;

  number = 1;
  p.loop.reserve(static_cast<size_t>(n - p.cycleStart + 1));
  for (const Step& s : program.steps) {
    if (number >= p.cycleStart) {
      p.loop.push_back(layOutStep(s, number, at, regulatorOn, state));
      at = p.loop.back().end;
      p.loopTotal.certainty = combine(p.loopTotal.certainty, p.loop.back().certainty);
    }
    ++number;
  }
  p.loopTotal.minutes = at - p.pass.minutes;
  return p;
}

ProgramProfile programProfile(const Program& program, const GeneralParameters& general) {
  return programProfile(program, {general.pid[0].isEnabled(), general.pid[1].isEnabled()});
}

double ProgramProfile::cycleStartMinute() const {
  return cycleStart > 0 ? steps[static_cast<size_t>(cycleStart - 1)].start : -1;
}

std::vector<int> ProgramProfile::inputsInUse() const {
  bool used[kQuantityCount + 1] = {};
  for (const ProfileStep& s : steps)
    for (const SetpointCourse& c : s.setpoints)
      if (c.on && c.input >= 1 && c.input <= kQuantityCount) used[c.input] = true;
  std::vector<int> out;
  for (int q = 1; q <= kQuantityCount; ++q)
    if (used[q]) out.push_back(q);
  return out;
}

std::vector<ProfilePoint> profilePoints(const std::vector<ProfileStep>& steps) {
  std::vector<ProfilePoint> points;
  points.reserve(steps.size() * 4 + 1);
  const auto add = [&](const ProfileStep& s, double after) {
    ProfilePoint pt;
    pt.minute = s.start + after;
    for (int r = 0; r < 2; ++r) {
      pt.value[r] = s.setpoints[r].at(after);
      pt.input[r] = s.setpoints[r].input;
    }
    if (!points.empty()) {
      const ProfilePoint& last = points.back();
      if (last.minute == pt.minute && last.value == pt.value && last.input == pt.input) return;
    }
    points.push_back(pt);
  };
  // A jump needs no corner of its own: the previous step's last one stands
  // at the same minute.
  for (const ProfileStep& s : steps) {
    const double length = s.minutes();
    add(s, 0);
    double ramps[2] = {s.setpoints[0].rampMinutes, s.setpoints[1].rampMinutes};
    if (ramps[0] > ramps[1]) std::swap(ramps[0], ramps[1]);
    for (double t : ramps)
      if (t > 0 && t < length) add(s, t);
    add(s, length);
  }
  return points;
}
