#include "model/TemplateProgram.h"

#include <cmath>
#include <cstdlib>

#include "model/FormatText.h"
#include "model/SetpointPair.h"

namespace {

constexpr int kTemperature = 0, kHumidity = 1;
constexpr int kMaxRate = 999;         // E04, E.04: tenths per minute
constexpr int kDryThermometer = 2;    // E01's input
constexpr int kRelativeHumidity = 5;  // E.01's input
constexpr int kTimeEnded = 1;         // U01

// One step to be: its time and both setpoints with their rates (tenths).
struct PlannedStep {
  int minutes = 0;
  int tenths[2] = {0, 0};
  int rate[2] = {0, 0};
  bool falling[2] = {false, false};
};

struct Refusal {
  std::string text;
};

class Builder {
 public:
  Builder(const TestTemplate& test, const TemplateValues& values) : m_test(test), m_values(values) {}

  void run() {
    add(m_test.before, 0);
    if (m_test.repeat.empty()) {
      add(m_test.after, 0);
      return;
    }
    const long count = std::lround(m_values.at(m_test.repeat));
    const int first = static_cast<int>(m_steps.size());
    for (long c = 1; c <= std::max(count, 1L); ++c) add(m_test.cycle, static_cast<int>(c));
    if (count > 0) {
      add(m_test.after, 0);
    } else {
      if (static_cast<int>(m_steps.size()) == first) throw Refusal{"в цикле испытания нет ни одного шага"};
      m_cycleStart = first + 1;
    }
  }

  const std::vector<PlannedStep>& steps() const { return m_steps; }
  std::vector<BuiltSegment>& segments() { return m_segments; }
  int cycleStart() const { return m_cycleStart; }

 private:
  int tenthsOf(const TemplateExpression& e) const {
    return static_cast<int>(std::lround(e.evaluate(m_values) * 10));
  }
  int minutesOf(const TemplateExpression& e, const TemplateSegment& s) const {
    const long minutes = std::lround(e.evaluate(m_values));
    if (minutes < 0)
      throw Refusal{formatText("отрезок в строке %d шаблона выходит отрицательной длительности (%s)", s.line,
                               e.text().c_str())};
    return static_cast<int>(std::min(minutes, 1000000L));
  }

  // A setpoint the step's cells can hold: -99.9..999.9 °C, 0..99.9 %, and
  // no temperature between -1 and 0, which the controller cannot be given.
  static bool isSetpoint(int channel, int tenths) {
    return channel == kTemperature ? tenths >= -999 && tenths <= 9999 && !(tenths > -10 && tenths < 0)
                                   : tenths >= 0 && tenths <= 999;
  }
  static void checkSetpoint(int channel, int tenths, int line) {
    if (!isSetpoint(channel, tenths))
      throw Refusal{formatText("уставку %s %s%d.%d %s из строки %d шаблона прибору не задать",
                               channel == kTemperature ? "температуры" : "влажности", tenths < 0 ? "-" : "",
                               std::abs(tenths) / 10, std::abs(tenths) % 10,
                               channel == kTemperature ? "°C" : "%", line)};
  }

  static int rateFor(int distance, int minutes) {
    return minutes > 0 ? (distance + minutes - 1) / minutes : 0;
  }

  // Where setpoint `channel` is after `minutes` of its ramp towards `target`.
  int reached(int channel, int minutes, const int target[2], const int distance[2], const int rate[2]) const {
    const int reach =
        rate[channel] > 0 ? std::min(distance[channel], rate[channel] * minutes) : distance[channel];
    return target[channel] >= m_at[channel] ? m_at[channel] + reach : m_at[channel] - reach;
  }

  void add(const std::vector<TemplateSegment>& segments, int cycle) {
    for (const TemplateSegment& s : segments) addSegment(s, cycle);
  }

  void addSegment(const TemplateSegment& s, int cycle) {
    const int channels = m_test.humidity ? 2 : 1;
    int target[2] = {m_at[0], m_at[1]};
    const std::optional<TemplateExpression>* given[2] = {&s.temperature, &s.humidity};
    for (int c = 0; c < channels; ++c) {
      if (*given[c]) target[c] = tenthsOf(**given[c]);
      checkSetpoint(c, target[c], s.line);
    }
    int distance[2] = {std::abs(target[0] - m_at[0]), std::abs(target[1] - m_at[1])};
    if (m_steps.empty()) distance[0] = distance[1] = 0;  // the first hold sets them
    int rate[2] = {0, 0};
    int minutes = 0;
    if (s.kind == TemplateSegment::Kind::Hold) {
      minutes = minutesOf(*s.time, s);
    } else if (s.rate) {
      rate[kTemperature] = static_cast<int>(std::lround(s.rate->evaluate(m_values) * 10));
      if (rate[kTemperature] < 1 || rate[kTemperature] > kMaxRate)
        throw Refusal{formatText("скорость из строки %d шаблона не от 0.1 до 99.9 °C/мин", s.line)};
      minutes = rateFor(distance[kTemperature], rate[kTemperature]);
      rate[kHumidity] = rateFor(distance[kHumidity], minutes);
    } else {
      minutes = minutesOf(*s.time, s);
      for (int c = 0; c < channels; ++c) rate[c] = rateFor(distance[c], minutes);
    }
    for (int c = 0; c < 2; ++c)
      if (s.jump[c]) rate[c] = 0;
    // The first hold says where the setpoints start; a ramp needs time.
    const bool moves = s.kind == TemplateSegment::Kind::Ramp && distance[0] + distance[1] > 0;
    if (minutes == 0 && (m_steps.empty() || moves))
      throw Refusal{formatText("отрезок в строке %d шаблона выходит нулевой длительности", s.line)};
    for (int c = 0; c < channels; ++c)
      if (rate[c] > kMaxRate)
        throw Refusal{
            formatText("для отрезка в строке %d шаблона нужна скорость %d.%d %s/мин, а прибор задаёт "
                       "не более 99.9",
                       s.line, rate[c] / 10, rate[c] % 10, c == kTemperature ? "°C" : "%")};

    BuiltSegment built;
    built.segment = &s;
    built.cycle = cycle;
    built.firstStep = static_cast<int>(m_steps.size());
    built.minutes = minutes;
    built.rateTenths = rate[kTemperature] ? rate[kTemperature] : rate[kHumidity];
    for (int c = 0; c < 2; ++c) built.startTenths[c] = m_steps.empty() ? target[c] : m_at[c];
    if (minutes == 0) {
      // A segment of no time changes nothing.
      for (int c = 0; c < 2; ++c) built.targetTenths[c] = built.startTenths[c];
      m_segments.push_back(built);
      return;
    }
    if (m_steps.empty()) std::copy(target, target + 2, m_at);
    // Steps of at most 63:59, each ramp going on from where the last left it.
    for (int left = minutes; left > 0;) {
      PlannedStep step;
      step.minutes = std::min(left, kLongestStepMinutes);
      // A ramp cut between steps must stop on a temperature the controller
      // can be given: a shorter step rather than one at -0.5 °C. The last
      // step reaches the target, which is checked above.
      while (step.minutes > 1 &&
             !isSetpoint(kTemperature, reached(kTemperature, step.minutes, target, distance, rate)))
        --step.minutes;
      left -= step.minutes;
      for (int c = 0; c < 2; ++c) {
        const int next = reached(c, step.minutes, target, distance, rate);
        distance[c] -= std::abs(next - m_at[c]);
        step.falling[c] = next < m_at[c];
        step.rate[c] = next != m_at[c] ? rate[c] : 0;
        step.tenths[c] = m_at[c] = next;
      }
      m_steps.push_back(step);
    }
    built.stepCount = static_cast<int>(m_steps.size()) - built.firstStep;
    std::copy(m_at, m_at + 2, built.targetTenths);
    m_segments.push_back(built);
  }

  const TestTemplate& m_test;
  const TemplateValues& m_values;
  std::vector<PlannedStep> m_steps;
  std::vector<BuiltSegment> m_segments;
  int m_at[2] = {0, 0};  // where the setpoints are (tenths)
  int m_cycleStart = 0;
};

// Regulator `r` of `step` set to the planned setpoint and rate.
void setRegulator(Step& step, int r, int input, const PlannedStep& plan) {
  const Step::RegulatorCells c = Step::regulatorCells(r);
  step[c.input].setEnteredValue(input);
  step.followInput(c.input);
  setPairFixed(step[c.integer], step[c.fraction], plan.tenths[r]);
  step[c.speed].setEnteredValue(plan.rate[r]);
  step[c.sign].setEnteredValue(plan.falling[r] ? 1 : 0);
}

}  // namespace

TemplateBuild buildTemplateProgram(const TestTemplate& test, const TemplateValues& given,
                                   const Program& target, int stepsPerProgram) {
  TemplateBuild out;
  TemplateValues values = given;
  for (const TemplateParam& p : test.params) {
    const auto it = values.try_emplace(p.id, p.value).first;
    if (it->second < p.min - 1e-9 || it->second > p.max + 1e-9) {
      out.refusal = p.label + ": " + p.limitsText() + ".";
      return out;
    }
  }
  Builder builder(test, values);
  try {
    builder.run();
  } catch (const Refusal& r) {
    out.refusal = r.text;
    return out;
  }
  const std::string name = test.programName(values);
  const int count = static_cast<int>(builder.steps().size());
  out.stepsNeeded = count;
  if (count > stepsPerProgram) {
    out.refusal = formatText(
        "Программа «%s» не помещается: нужно %d %s, в программе этой прошивки их может быть "
        "не более %d",
        name.c_str(), count, stepsWord(count), stepsPerProgram);
    return out;
  }

  out.program = target;
  out.program.setName(name);
  out.program.steps.clear();
  auto base = target.steps.begin();
  for (const PlannedStep& plan : builder.steps()) {
    Step step = base != target.steps.end() ? *base : target.steps.empty() ? Step() : target.steps.back();
    if (base != target.steps.end()) ++base;
    step[Step::U01].setEnteredValue(kTimeEnded);
    step[Step::U04].setEnteredValue(plan.minutes / 60);
    step[Step::U05].setEnteredValue(plan.minutes % 60);
    setRegulator(step, 0, kDryThermometer, plan);
    if (test.humidity) setRegulator(step, 1, kRelativeHumidity, plan);
    out.program.steps.push_back(step);
  }
  out.program.H02.setEnteredValue(builder.cycleStart());
  out.segments = std::move(builder.segments());
  return out;
}
