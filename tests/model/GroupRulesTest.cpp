// Rules that tie parameters together: partitions, input-dependent ranges,
// setpoint pairs, regulator enabling, names.
#include <gtest/gtest.h>

#include "model/DeviceData.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"

TEST(Partition, CountsFollowO10) {
  GeneralParameters g;
  const int programs[] = {60, 30, 20, 15, 12, 10, 6, 5};
  const int steps[] = {7, 16, 25, 34, 43, 52, 88, 99};
  for (int p = 0; p < 8; ++p) {
    EXPECT_EQ(g.programCount(p), programs[p]);
    EXPECT_EQ(g.stepsPerProgram(p), steps[p]);
    EXPECT_EQ(540 % programs[p], 0);
  }
  EXPECT_EQ(g.programCount(), 20);  // -1: the current O10 (default 2)
  g.base[BaseParameters::O10].setValue(7);
  EXPECT_EQ(g.programCount(-1), 5);
  EXPECT_EQ(g.stepsPerProgram(), 99);
  EXPECT_EQ(g.programCount(8), 0);
  EXPECT_EQ(g.stepsPerProgram(-2), 0);
  g.base[BaseParameters::O10].valueRef() = 9;  // out of range values give 0 too
  EXPECT_EQ(g.programCount(), 0);
  EXPECT_EQ(GeneralParameters::partitionText(3), "15 программ по 34 шага");
  EXPECT_EQ(GeneralParameters::partitionText(8), "");
}

// The base form lists one entry per value, so a word missing or extra would
// shift every choice after it.
TEST(ChoiceTexts, OneWordPerValueOfEachChoiceCell) {
  const BaseParameters base;
  const BaseParameters::Cell choiceCells[] = {BaseParameters::O01, BaseParameters::O03, BaseParameters::O04,
                                              BaseParameters::O05, BaseParameters::O07, BaseParameters::O09,
                                              BaseParameters::O11, BaseParameters::Scr};
  for (BaseParameters::Cell c : choiceCells) {
    const Parameter& cell = base[c];
    const auto& texts = GeneralParameters::choiceTexts(c);
    ASSERT_EQ(static_cast<int>(texts.size()), cell.maxValue() - cell.minValue() + 1) << cell.code();
    EXPECT_EQ(GeneralParameters::choiceText(c, cell.minValue()), texts.front()) << cell.code();
    EXPECT_EQ(GeneralParameters::choiceText(c, cell.maxValue()), texts.back()) << cell.code();
    EXPECT_EQ(GeneralParameters::choiceText(c, cell.maxValue() + 1), "") << cell.code();
    EXPECT_EQ(GeneralParameters::choiceText(c, cell.minValue() - 1), "") << cell.code();
  }
  EXPECT_TRUE(GeneralParameters::choiceTexts(BaseParameters::O10).empty());
  EXPECT_EQ(GeneralParameters::choiceText(BaseParameters::Scr, 3), "без пароля");

  // The comparator's and the regulator's choices: every value of the cell
  // has words but the "switched off" ones (C02 = 0, P07 = 1).
  const Comparator comparator;
  for (int c : {Comparator::C01, Comparator::C02, Comparator::C05}) {
    const Parameter& cell = comparator[c];
    for (int32_t v = cell.minValue(); v <= cell.maxValue(); ++v)
      EXPECT_EQ(Comparator::choiceText(c, v).empty(), c == Comparator::C02 && v == 0) << cell.code() << v;
    EXPECT_EQ(Comparator::choiceText(c, cell.maxValue() + 1), "") << cell.code();
  }
  EXPECT_EQ(Comparator::choiceText(Comparator::C02, 3), "3-е реле");
  EXPECT_EQ(Comparator::choiceText(Comparator::C03, 1), "");
  for (int32_t v = 0; v <= 7; ++v) EXPECT_EQ(PidRegulator::actuatorText(v).empty(), v == 1) << v;
  EXPECT_EQ(PidRegulator::actuatorText(8), "");
  EXPECT_EQ(PidRegulator::actuatorText(2), "Коммутирует свое реле как \"нагреватель\"");
}

TEST(InputRanges, ComparatorHumidityNarrowsSetpoints) {
  Comparator c;
  c[Comparator::C01].setValue(5);
  c[Comparator::C03].setValue(-15);
  c[Comparator::C04].setValue(100);
  c.applyInputRanges();
  EXPECT_EQ(c[Comparator::C03].value(), 0);
  EXPECT_EQ(c[Comparator::C04].value(), 99);
  c[Comparator::C01].setValue(1);
  c.applyInputRanges();
  EXPECT_EQ(c[Comparator::C03].minValue(), -99);
  EXPECT_EQ(c[Comparator::C04].maxValue(), 999);
}

TEST(InputRanges, StepConditionsAndRegulatorInputs) {
  Step s;
  s[Step::U02].setValue(9);
  s[Step::U03].setValue(150);
  s[Step::E01].setValue(5);
  s[Step::E02].setValue(-10);
  s[Step::E_02].setValue(-10);
  s.applyInputRanges();
  EXPECT_EQ(s[Step::U03].value(), 100);
  EXPECT_EQ(s[Step::E02].value(), 0);
  EXPECT_EQ(s[Step::E_02].value(), -10);  // E.01 is still 1
  s[Step::U02].setValue(10);
  s.applyInputRanges();
  EXPECT_EQ(s[Step::U03].maxValue(), 100);
  s[Step::U02].setValue(8);
  s.applyInputRanges();
  EXPECT_EQ(s[Step::U03].maxValue(), 999);
}

TEST(InputRanges, ANewInputClampsItsSetpointAsAWholeNumberLoadingKeepsIt) {
  const struct {
    int input;         // E01's value
    int64_t from;      // the setpoint in tenths before
    int64_t followed;  // after the input changed to `input`
  } cases[] = {{5, -999, 0}, {5, 1502, 999}, {5, 555, 555}, {1, 1502, 1502}};
  for (const auto& c : cases) {
    Step s;
    setPairFixed(s[Step::E02], s[Step::E03], c.from);
    s[Step::E01].setEnteredValue(c.input);
    Step loaded = s;
    loaded.selectInputRanges();  // a file or a controller: the limits only
    EXPECT_EQ(pairFixed(loaded[Step::E02], loaded[Step::E03]), c.from);
    EXPECT_EQ(loaded[Step::E02].maxValue(), c.input == 5 ? 99 : 999);
    s.followInput(Step::E01);  // the user chose the input
    EXPECT_EQ(pairFixed(s[Step::E02], s[Step::E03]), c.followed) << c.from;
    EXPECT_TRUE(pairInLimits(s[Step::E02], s[Step::E03]));
  }
  // Another input's setpoint is left alone.
  Step s;
  s[Step::E_01].setEnteredValue(5);
  s[Step::E02].setEnteredValue(500);
  s.followInput(Step::E_01);
  EXPECT_EQ(s[Step::E02].value(), 500);
}

TEST(SignedMagnitude, OnlyANumberBelowZeroSetsTheSign) {
  const struct {
    double x;
    int magnitude, sign;
  } cases[] = {{-0.0, 0, 0}, {-0.04, 0, 0}, {-0.1, 1, 1}, {2.3, 23, 0}, {-2.5, 25, 1}, {-1000, 999, 1}};
  for (const auto& c : cases) {
    Step s;
    s[Step::E05].setEnteredValue(1);
    storeSignedTenths(s[Step::E04], s[Step::E05], c.x);
    EXPECT_EQ(s[Step::E04].value(), c.magnitude) << c.x;
    EXPECT_EQ(s[Step::E05].value(), c.sign) << c.x;
  }
}

TEST(SetpointPair, NegativeEdgeAndSpinSteps) {
  Step s;
  Parameter& i = s[Step::E02];
  Parameter& f = s[Step::E03];
  EXPECT_EQ(fractionScale(f), 10);
  EXPECT_DOUBLE_EQ(pairValue(i, f), 10.2);

  setPairFixed(i, f, -5);  // between -1 and 0: not representable
  EXPECT_EQ(i.value(), 0);
  EXPECT_EQ(f.value(), 0);
  setPairFixed(i, f, -125);
  EXPECT_EQ(i.value(), -12);
  EXPECT_EQ(f.value(), 5);
  EXPECT_DOUBLE_EQ(pairValue(i, f), -12.5);
  EXPECT_EQ(pairFixed(i, f), -125);

  setPairFixed(i, f, 0);
  stepPair(i, f, -1);  // the first step below 0.0 goes to -1.0
  EXPECT_EQ(i.value(), -1);
  EXPECT_EQ(f.value(), 0);
  setPairFixed(i, f, 1);
  stepPair(i, f, -1);  // 0.1 steps down to 0.0
  EXPECT_EQ(i.value(), 0);
  EXPECT_EQ(f.value(), 0);
  setPairFixed(i, f, -10);
  stepPair(i, f, 1);  // -1.0 + 0.1 = -0.9: not representable, 0.0
  EXPECT_EQ(pairFixed(i, f), 0);

  setPairFixed(i, f, 99999);  // clamped as a whole
  EXPECT_EQ(i.value(), 999);
  EXPECT_EQ(f.value(), 9);
}

TEST(SetpointPair, AStepAtALimitStaysThere) {
  const struct {
    int range;  // limit pair of E02/E03: 0 -99..999, 1 the humidity 0..99
    int64_t start;
    int32_t delta;
    int64_t expected;
  } cases[] = {
      {0, 9999, 1, 9999}, {0, 9995, 20, 9999}, {0, -999, -1, -999}, {0, -990, -5, -995},
      {1, 999, 1, 999},   {1, 0, -1, 0},       {1, 998, 5, 999},    {0, 9998, 1, 9999},
  };
  for (const auto& c : cases) {
    Step s;
    s[Step::E02].selectRange(c.range);
    s[Step::E03].selectRange(c.range);
    setPairFixed(s[Step::E02], s[Step::E03], c.start);
    ASSERT_EQ(pairFixed(s[Step::E02], s[Step::E03]), c.start);
    stepPair(s[Step::E02], s[Step::E03], c.delta);
    EXPECT_EQ(pairFixed(s[Step::E02], s[Step::E03]), c.expected) << c.start << " + " << c.delta;
  }
}

TEST(SetpointPair, ScaleFollowsTheUpperLimit) {
  EXPECT_EQ(fractionScale(Parameter("F", 0, 0, 9, "", "")), 10);
  EXPECT_EQ(fractionScale(Parameter("F", 0, 0, 10, "", "")), 100);
  EXPECT_EQ(fractionScale(Parameter("F", 0, 0, 100, "", "")), 1000);
  EXPECT_EQ(fractionScale(Parameter("F", 0, 0, 5000, "", "")), 10000);
  // A fraction without digits: the pair is its integer part, no division by zero.
  Parameter i("I", 7, -99, 999, "", ""), f("F", 0, 0, 0, "", "");
  EXPECT_EQ(fractionScale(f), 0);
  EXPECT_DOUBLE_EQ(pairValue(i, f), 7.0);
  setPairFixed(i, f, -3);
  EXPECT_EQ(i.value(), -3);
  stepPair(i, f, 1);
  EXPECT_EQ(i.value(), -2);
}

TEST(PidRegulator, EnabledUnlessSwitchedOff) {
  PidRegulator r(1);
  EXPECT_TRUE(r.isEnabled());
  r[PidRegulator::P07].setValue(1);
  EXPECT_FALSE(r.isEnabled());
  r[PidRegulator::P07].setValue(2);
  EXPECT_TRUE(r.isEnabled());
}

TEST(Names, CutTo63CharactersAsTheFileCountsThem) {
  std::string cyrillic, hearts;
  for (int i = 0; i < 35; ++i) cyrillic += "яж";  // 70 letters: two bytes each here, one in the file
  for (int i = 0; i < 70; ++i) hearts += "♥";     // no Windows-1251 form: one '?' each in the file
  const struct {
    std::string given, kept;
  } cases[] = {
      {std::string(70, 'x'), std::string(63, 'x')},
      {cyrillic, cyrillic.substr(0, 2 * 63)},
      {"ab" + hearts, "ab" + hearts.substr(0, 3 * 61)},
      {std::string("ab\0cd", 5), "ab"},
  };
  EXPECT_EQ(DeviceData().name(), "");
  for (const auto& c : cases) {
    DeviceData d;
    d.setName(c.given);
    EXPECT_EQ(d.name(), c.kept);
    Program p;
    p.setName(c.given);
    EXPECT_EQ(p.name(), c.kept);
  }
}

TEST(DeviceData, IndexingPrograms) {
  DeviceData d;
  d.programs.resize(3);
  EXPECT_EQ(d.programIndexOf(d.programAt(2)), 2);
  EXPECT_EQ(d.programAt(3), nullptr);
  Program other;
  EXPECT_EQ(d.programIndexOf(&other), -1);
  EXPECT_EQ(d.programIndexOf(nullptr), -1);
  Program& p = *d.programAt(1);
  p.steps.resize(4);
  EXPECT_EQ(p.stepIndexOf(p.stepAt(3)), 3);
  EXPECT_EQ(p.stepAt(-1), nullptr);
}
