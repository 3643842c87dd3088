// Programs built from the installed test templates, each with its defaults
// and with every parameter at its limits: the profile the controller runs
// follows the template's segments, the program fits the partition or is
// refused saying how many steps it needs, the target's other values stay,
// and the document takes it as one undo step that a file keeps unchanged.
#include <gtest/gtest.h>

#include <cmath>

#include "document/Document.h"
#include "document/TemplateFill.h"
#include "document/TestConfigs.h"
#include "document/TestTemplateFile.h"
#include "model/FormatText.h"
#include "model/ProgramProfile.h"
#include "model/TemplateProgram.h"

namespace {

const std::vector<TestTemplate>& templates() {
  static const std::vector<TestTemplate> all = loadTestTemplates();
  return all;
}

const TestTemplate& named(const std::string& id) {
  for (const TestTemplate& t : templates())
    if (t.id == id) return t;
  throw std::runtime_error("no template " + id);
}

// A named set of values: the defaults with some parameters changed.
struct ValueSet {
  std::string name;
  TemplateValues values;
};

// The defaults, every parameter at its lower and at its upper limit, and
// each parameter alone at either limit.
std::vector<ValueSet> valueSets(const TestTemplate& t) {
  std::vector<ValueSet> sets{{"defaults", t.defaults()}, {"all at min", {}}, {"all at max", {}}};
  for (const TemplateParam& p : t.params) {
    sets[1].values[p.id] = p.min;
    sets[2].values[p.id] = p.max;
    for (const double v : {p.min, p.max}) {
      TemplateValues values = t.defaults();
      values[p.id] = v;
      sets.push_back({p.id + "=" + p.text(v), values});
    }
  }
  return sets;
}

// The segments a template's values call for, in program order.
struct Expected {
  const TemplateSegment* segment;
  int cycle;
};
std::vector<Expected> expectedSegments(const TestTemplate& t, const TemplateValues& values) {
  std::vector<Expected> out;
  for (const TemplateSegment& s : t.before) out.push_back({&s, 0});
  if (t.repeat.empty()) return out;
  const long count = std::lround(values.at(t.repeat));
  for (long c = 1; c <= std::max(count, 1L); ++c)
    for (const TemplateSegment& s : t.cycle) out.push_back({&s, static_cast<int>(c)});
  if (count > 0)
    for (const TemplateSegment& s : t.after) out.push_back({&s, 0});
  return out;
}

double tenths(const TemplateExpression& e, const TemplateValues& v) {
  return std::round(e.evaluate(v) * 10) / 10;
}

// A target program with something of its own in every part a template
// leaves alone: key modes and conditions of its two steps, comparators.
Program ownProgram() {
  Program p;
  p.setName("Старая");
  p.comparators[1][Comparator::C03].setEnteredValue(77);
  for (int k = 1; k <= 2; ++k) {
    Step& s = p.steps.emplace_back();
    s.key(k).setEnteredValue(k + 2);
    s[Step::U03].setEnteredValue(40 + k);
    s[Step::E_01].setEnteredValue(1);
  }
  return p;
}

// Checks the profile of `build` against the template's segments and says
// how many steps it took.
void expectProfileFollowsSegments(const TestTemplate& t, const TemplateValues& values,
                                  const TemplateBuild& build) {
  const ProgramProfile profile = programProfile(build.program, {true, true});
  EXPECT_EQ(profile.pass.certainty, ProfileCertainty::Exact);
  const std::vector<Expected> expected = expectedSegments(t, values);
  ASSERT_EQ(build.segments.size(), expected.size());
  double start = 0;  // where the segment begins in the profile
  double previous[2] = {0, 0};
  int nextStep = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const TemplateSegment& s = *expected[i].segment;
    const BuiltSegment& b = build.segments[i];
    SCOPED_TRACE(formatText("segment %zu (line %d, cycle %d)", i + 1, s.line, expected[i].cycle));
    ASSERT_EQ(b.segment, &s);
    ASSERT_EQ(b.firstStep, nextStep);
    nextStep += b.stepCount;

    // Where the setpoints go: exactly the template's values.
    double target[2] = {previous[0], previous[1]};
    if (s.temperature) target[0] = tenths(*s.temperature, values);
    if (s.humidity) target[1] = tenths(*s.humidity, values);
    // How long: the template's time, or the ramp at its rate.
    double minutes = 0;
    if (s.time)
      minutes = s.time->evaluate(values);
    else
      minutes = std::fabs(target[0] - previous[0]) / (std::round(s.rate->evaluate(values) * 10) / 10);
    if (b.stepCount == 0) {
      EXPECT_LT(minutes, 0.5);
      continue;
    }
    const ProfileStep& first = profile.steps.at(static_cast<std::size_t>(b.firstStep));
    const ProfileStep& last = profile.steps.at(static_cast<std::size_t>(b.firstStep + b.stepCount - 1));
    EXPECT_DOUBLE_EQ(first.start, start);
    EXPECT_NEAR(last.end - first.start, minutes, 1.0);
    for (int r = 0; r < (t.humidity ? 2 : 1); ++r) {
      EXPECT_DOUBLE_EQ(last.setpoints[r].end, target[r]) << "regulator " << r + 1;
      EXPECT_DOUBLE_EQ(last.setpoints[r].at(last.minutes()), target[r]) << "regulator " << r + 1;
      if (i > 0) {
        EXPECT_DOUBLE_EQ(first.setpoints[r].start, previous[r]) << "regulator " << r + 1;
      }
      // A ramp by time: the slowest rate of tenths that ends within the
      // segment, so one tenth slower would not.
      const double distance = std::fabs(target[r] - previous[r]);
      if (s.jump[r] && distance > 0) {
        EXPECT_TRUE(first.setpoints[r].jump);
      } else if (s.kind == TemplateSegment::Kind::Ramp && s.time && distance > 0 && b.stepCount == 1) {
        const double rate = first.setpoints[r].rate;
        EXPECT_LE(distance / rate, last.end - first.start + 1e-9);
        if (rate > 0.1 + 1e-9) {
          EXPECT_GT(distance / (rate - 0.1), last.end - first.start - 1e-9);
        }
      }
    }
    for (int k = 0; k < b.stepCount; ++k)
      EXPECT_LE(profile.steps.at(static_cast<std::size_t>(b.firstStep + k)).durationMinutes,
                kLongestStepMinutes);
    start = last.end;
    previous[0] = target[0];
    previous[1] = target[1];
  }
  EXPECT_EQ(nextStep, build.program.stepCount());
  EXPECT_DOUBLE_EQ(profile.pass.minutes, start);
  // Without end: the cycle's first step is the cycle start, one loop a cycle.
  if (!t.repeat.empty() && std::lround(values.at(t.repeat)) == 0) {
    const BuiltSegment& cycleStart = build.segments.at(t.before.size());
    EXPECT_EQ(profile.cycleStart, cycleStart.firstStep + 1);
    EXPECT_DOUBLE_EQ(profile.loopTotal.minutes, profile.pass.minutes - profile.cycleStartMinute());
  } else {
    EXPECT_EQ(profile.cycleStart, 0);
  }
}

}  // namespace

TEST(TemplateProgram, ProfilesFollowTheTemplatesAtDefaultsAndLimits) {
  const Program target = ownProgram();
  int built = 0, refused = 0;
  for (const TestTemplate& t : templates()) {
    for (const ValueSet& set : valueSets(t)) {
      SCOPED_TRACE(t.id + " " + set.name);
      TemplateValues values = t.defaults();
      for (const auto& [id, v] : set.values) values[id] = v;
      // The largest a program can be: every count is told, nothing refused
      // but what no partition holds.
      const TemplateBuild unlimited = buildTemplateProgram(t, values, target, 1 << 20);
      ASSERT_FALSE(unlimited.refusal) << *unlimited.refusal;
      expectProfileFollowsSegments(t, values, unlimited);
      const int needed = unlimited.program.stepCount();

      // Each partition takes it or refuses it, with the count it needs.
      for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
        const int limit = GeneralParameters::stepsPerProgramOf(o10);
        const TemplateBuild b = buildTemplateProgram(t, values, target, limit);
        if (needed <= limit) {
          ASSERT_FALSE(b.refusal) << *b.refusal;
          EXPECT_EQ(b.program.stepCount(), needed);
          ++built;
        } else {
          ASSERT_TRUE(b.refusal) << limit;
          EXPECT_NE(
              b.refusal->find(formatText("нужно %d %s, в программе этой прошивки их может быть не более %d",
                                         needed, stepsWord(needed), limit)),
              std::string::npos)
              << *b.refusal;
          EXPECT_EQ(b.program.stepCount(), 0);
          ++refused;
        }
      }

      // The parts the test does not drive are the target's own.
      const Program& p = unlimited.program;
      EXPECT_EQ(p.name(), t.programName(values));
      EXPECT_EQ(p.comparators[1][Comparator::C03].value(), 77);
      int k = 0;
      for (const Step& s : p.steps) {
        const int own = std::min(++k, 2);  // the target's step at this place, else its last
        EXPECT_EQ(s.key(own).value(), own + 2) << "step " << k;
        EXPECT_EQ(s[Step::U03].value(), 40 + own) << "step " << k;
        EXPECT_EQ(s[Step::U01].value(), 1) << "step " << k;
        EXPECT_EQ(s[Step::E01].value(), 2) << "step " << k;
        EXPECT_EQ(s[Step::E_01].value(), t.humidity ? 5 : 1) << "step " << k;
      }
    }
  }
  EXPECT_GT(built, 0);
  EXPECT_GT(refused, 0);
}

TEST(TemplateProgram, TheIssuesExamples) {
  struct Case {
    const char* test;
    TemplateValues values;
    int o10;
    const char* refusal;  // empty: built
    const char* name;
    int steps;
  };
  const Case cases[] = {
      {"Db1",
       {{"upper", 55}, {"cycles", 6}},
       2,
       "Программа «Db 55 °C, 6 циклов» не помещается: нужно 31 шаг, в программе этой прошивки их может быть "
       "не "
       "более 25 (20 программ по 25 шагов).",
       "",
       0},
      {"Db1", {{"upper", 55}, {"cycles", 6}}, 3, "", "Db 55 °C, 6 циклов", 31},
      {"Db1", {{"upper", 60}}, 2, "Верхняя температура: от 40 до 55 °C.", "", 0},
      {"Db1", {{"cycles", 0}}, 2, "", "Db 55 °C, без конца", 6},
      {"Nb", {{"low", -40}, {"high", 85}}, 2, "", "Nb -40…85 °C, 5 циклов", 23},
      {"Cab",
       {{"hold", 1344 * 60}},
       2,
       "Программа «Cab 40 °C 93 %, 1344 ч» не помещается: нужно 27 шагов, в программе этой прошивки их может "
       "быть "
       "не более 25 (20 программ по 25 шагов).",
       "",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.test) + " " + std::to_string(c.o10));
    Document doc;
    doc.newDocument();
    doc.deviceData()->general.base[BaseParameters::O10].setEnteredValue(c.o10);
    Program& target = doc.deviceData()->programs.front();
    const std::string before = doc.text();
    TemplateValues values = named(c.test).defaults();
    for (const auto& [id, v] : c.values) values[id] = v;
    const auto refusal = fillProgramFromTemplate(doc, target, named(c.test), values);
    if (*c.refusal) {
      ASSERT_TRUE(refusal);
      EXPECT_EQ(*refusal, c.refusal);
      EXPECT_EQ(doc.text(), before);
      continue;
    }
    ASSERT_FALSE(refusal) << *refusal;
    EXPECT_EQ(target.name(), c.name);
    EXPECT_EQ(target.stepCount(), c.steps);
  }
}

TEST(TemplateProgram, FillingIsOneUndoStepAndAFileKeepsIt) {
  Document doc;
  doc.newDocument();
  doc.deviceData()->general.base[BaseParameters::O10].setEnteredValue(7);  // 99 steps a program
  doc.closeUndoStep();
  const std::string empty = doc.text();
  Program& target = *doc.deviceData()->programAt(2);
  for (const TestTemplate& t : templates()) {
    SCOPED_TRACE(t.id);
    ASSERT_FALSE(fillProgramFromTemplate(doc, target, t, t.defaults()));
    EXPECT_EQ(doc.undoText(), "заполнение программы 3 по методике " + t.id);
    // Through the file and back: the same program, the same bytes.
    Document reread;
    reread.loadText(doc.text());
    testconfigs::expectSameConfig(*doc.deviceData(), *reread.deviceData());
    EXPECT_EQ(reread.text(), doc.text());
  }
  for (std::size_t i = 0; i < templates().size(); ++i) doc.undo();
  EXPECT_EQ(doc.text(), empty);
}

TEST(TemplateProgram, RefusesWhatTheControllerCannotBeGiven) {
  // A template file may ask for more than its parameters' limits allow.
  const auto refusalOf = [](const std::string& segments, TemplateValues values = {}) {
    const std::string text =
        "test X \"x\"\nname \"x\"\nparam v temperature \"Температура\" 20 -90..990\n" + segments;
    const TestTemplate t = parseTestTemplates(text).front();
    for (const auto& [id, v] : t.defaults()) values.try_emplace(id, v);
    const TemplateBuild b = buildTemplateProgram(t, values, Program(), 99);
    return b.refusal.value_or("");
  };
  struct Case {
    std::string segments;
    TemplateValues values;
    const char* refusal;
  };
  const Case cases[] = {
      {"hold T=v time=1:00\n", {{"v", 100}}, ""},
      {"hold T=v time=1:00\n", {{"v", 995}}, "Температура: от -90 до 990 °C."},
      {"hold T=v-20.5 time=1:00\n", {}, "уставку температуры -0.5 °C из строки 4 шаблона прибору не задать"},
      {"hold T=v*100 time=1:00\n", {}, "уставку температуры 2000.0 °C из строки 4 шаблона прибору не задать"},
      {"hold T=20 RH=v*5 time=1:00\n", {}, "уставку влажности 100.0 % из строки 4 шаблона прибору не задать"},
      {"hold T=20 time=v-30\n", {}, "отрезок в строке 4 шаблона выходит отрицательной длительности (v-30)"},
      {"hold T=20 time=v-20\n", {}, "отрезок в строке 4 шаблона выходит нулевой длительности"},
      {"hold T=20 time=1:00\nramp T=v+20 time=0\n",
       {},
       "отрезок в строке 5 шаблона выходит нулевой длительности"},
      {"hold T=20 time=1:00\nramp T=v+200 time=1\n",
       {},
       "для отрезка в строке 5 шаблона нужна скорость 200.0 °C/мин, а прибор задаёт не более 99.9"},
      {"hold T=20 time=1:00\nramp T=50 rate=v*10\n",
       {},
       "скорость из строки 5 шаблона не от 0.1 до 99.9 °C/мин"},
      {"hold T=20 time=1:00\nramp T=50 rate=0.01\n",
       {},
       "скорость из строки 5 шаблона не от 0.1 до 99.9 °C/мин"},
      // A segment of no time is left out; the ramp after it starts from 20.
      {"hold T=20 time=1:00\nhold T=v time=0\nramp T=30 time=10\n", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(refusalOf(c.segments, c.values), c.refusal) << c.segments;
}

TEST(TemplateProgram, LongSegmentsGoOnOverSteps) {
  const TestTemplate t = parseTestTemplates(
                             "test L \"l\"\nname \"l\"\n"
                             "hold T=25 time=100:00\n"  // 63:59 and 36:01
                             "ramp T=125 rate=0.1\n"    // 16:40
                             "ramp T=525 rate=0.1\n"    // 4000 min: on to 508.9 in 63:59, then 2:41
                             "ramp T=-75 time=70:00\n"  // 0.2 °C/min for 50 h, then held
                             "hold T=383.5 time=1\n"
                             "ramp T=-50 rate=0.1\n")  // not through -0.4: 63:55 to 0, then 8:20
                             .front();
  const TemplateBuild b = buildTemplateProgram(t, {}, Program(), 99);
  ASSERT_FALSE(b.refusal);
  struct StepCase {
    double minutes, start, end, rate;
  };
  const StepCase steps[] = {
      {3839, 25, 25, 0},      {2161, 25, 25, 0},     {1000, 25, 125, 0.1},       {3839, 125, 508.9, 0.1},
      {161, 508.9, 525, 0.1}, {3839, 525, -75, 0.2}, {4200 - 3839, -75, -75, 0}, {1, -75, 383.5, 0},
      {3835, 383.5, 0, 0.1},  {500, 0, -50, 0.1},
  };
  const ProgramProfile p = programProfile(b.program);
  ASSERT_EQ(p.steps.size(), std::size(steps));
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i + 1);
    const SetpointCourse& c = p.steps[i].setpoints[0];
    EXPECT_DOUBLE_EQ(p.steps[i].durationMinutes, steps[i].minutes);
    EXPECT_DOUBLE_EQ(c.start, steps[i].start);
    EXPECT_DOUBLE_EQ(c.end, steps[i].end);
    EXPECT_DOUBLE_EQ(c.rate, steps[i].rate);
  }
  ASSERT_EQ(b.segments.size(), 6u);
  EXPECT_EQ(b.segments[2].stepCount, 2);
  EXPECT_EQ(b.segments[2].minutes, 4000);
}
