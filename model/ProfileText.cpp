#include "model/ProfileText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/FormatText.h"
#include "model/ValueTexts.h"

namespace profiletext {

namespace {
constexpr int kHumidity = 5;
}

const char* unit(int input) { return input == kHumidity ? "%" : "°С"; }

std::string quantity(int input) {
  return std::string(shortTextOf(valueTexts(valuetext::kRegulator1Input), input));
}

std::string number(double v, int decimals) {
  // -0.04 is "0.0", not "-0.0".
  const double scale = std::pow(10.0, decimals);
  if (std::round(v * scale) == 0) v = 0;
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals).ptr;
  return std::string(buf, end);
}

std::string hoursMinutes(double minutes) {
  const long long m = std::llround(std::max(0.0, minutes));
  return formatText("%02lld:%02lld", m / 60, m % 60);
}

std::string total(const ProfileTotal& t) {
  switch (t.certainty) {
    case ProfileCertainty::AtLeast:
      return "не менее " + hoursMinutes(t.minutes);
    case ProfileCertainty::AtMost:
      return "не более " + hoursMinutes(t.minutes);
    case ProfileCertainty::Estimate:
      return "около " + hoursMinutes(t.minutes);
    case ProfileCertainty::Exact:
      break;
  }
  return hoursMinutes(t.minutes);
}

std::string lengths(const ProgramProfile& p) {
  std::string out = total(p.pass);
  if (p.cycleStart > 0) out += formatText(", цикл с шага %d: ", p.cycleStart) + total(p.loopTotal);
  return out;
}

std::string durations(const ProgramProfile& p) { return "длительность " + lengths(p); }

std::string setpoint(const SetpointCourse& c) {
  if (!c.on) return "выключен";
  const std::string name = quantity(c.input).empty() ? formatText("величина %d", c.input) : quantity(c.input);
  std::string values = number(c.target, 1);
  if (!c.jump && c.rampMinutes > 0) {
    values = number(c.start, 1) + " → " + number(c.end, 1);
    if (c.end != c.target) values += " (до " + number(c.target, 1) + ")";
  }
  return name + " " + values + " " + unit(c.input);
}

std::string condition(const ProfileStep& s) {
  if (s.conditionInput == 0) return {};
  return quantity(s.conditionInput) + (s.conditionAbove ? " > " : " < ") + number(s.conditionSetpoint, 0) +
         " " + unit(s.conditionInput);
}

std::string ending(const ProfileStep& s) {
  if (s.ending == StepEnding::Time) return "по времени";
  const std::string c = condition(s);
  std::string out = "по условию " + (c.empty() ? std::string("(не задано)") : c);
  if (s.ending == StepEnding::ConditionAndTime) out += " и времени";
  if (s.ending == StepEnding::ConditionOrTime) out += " или времени";
  if (s.conditionUnreached)
    out += "; уставки условия не достигают";
  else if (s.endsOnCondition())
    out += "; когда — не определить по программе";
  return out;
}

std::string listing(const ProgramProfile& p, int number, std::string_view name) {
  std::string out =
      "Программа " + std::to_string(number) + " «" + std::string(name) + "»: " + durations(p) + "\n";
  for (const ProfileStep& s : p.steps)
    out += std::to_string(s.number) + "\t" + hoursMinutes(s.start) + "\t" + hoursMinutes(s.end) + "\t" +
           setpoint(s.setpoints[0]) + "\t" + setpoint(s.setpoints[1]) + "\t" + ending(s) + "\n";
  return out;
}

}  // namespace profiletext
