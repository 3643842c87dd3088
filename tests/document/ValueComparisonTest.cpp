// The differences by value: the cells of a duration, a setpoint, a rate or
// a correction are one value, shown as the forms show it and taken whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "TestConfigs.h"
#include "document/ValueComparison.h"
#include "model/SetpointPair.h"

namespace {

DeviceData base() {
  DeviceData d;
  d.programs.resize(2);
  d.programAt(0)->steps.resize(2);
  return d;
}

Step& step1(DeviceData& d) { return d.programAt(0)->steps.front(); }

// "scope code A|B (cells)" of every value.
std::vector<std::string> lines(const ValueComparison& c) {
  std::vector<std::string> out;
  for (int i = 0; i < static_cast<int>(c.values().size()); ++i) {
    const ValueDifference& v = c.values()[i];
    out.push_back(c.place(i).scope + " " + v.code + " " + v.textA + "|" + v.textB + " (" +
                  std::to_string(v.cells.size()) + ")");
  }
  return out;
}

}  // namespace

TEST(ValueComparison, ShowsEachValueOnceAsTheFormsDo) {
  const struct {
    const char* what;
    std::function<void(DeviceData&)> change;
    std::vector<std::string> expected;
  } cases[] = {
      {"duration, both cells",
       [](DeviceData& d) {
         step1(d)[Step::U04].setEnteredValue(1);
         step1(d)[Step::U05].setEnteredValue(30);
       },
       {"P1.S1 U04/U05 02:15|01:30 (2)"}},
      {"duration, the hours alone",
       [](DeviceData& d) { step1(d)[Step::U04].setEnteredValue(0); },
       {"P1.S1 U04/U05 02:15|00:15 (1)"}},
      {"setpoint of regulator 2 and the rate of regulator 1",
       [](DeviceData& d) {
         setPairFixed(step1(d)[Step::E_02], step1(d)[Step::E_03], -400);
         step1(d)[Step::E05].setEnteredValue(0);
       },
       {"P1.S1 E04/E05 -4.5|4.5 (1)", "P1.S1 E.02/E.03 10.2|-40.0 (2)"}},
      {"the same cell in two steps is two values",
       [](DeviceData& d) {
         for (Step& s : d.programAt(0)->steps) s[Step::U05].setEnteredValue(0);
       },
       {"P1.S1 U04/U05 02:15|02:00 (1)", "P1.S2 U04/U05 02:15|02:00 (1)"}},
      {"corrections: shift and slope of one thermometer are two values",
       [](DeviceData& d) {
         d.general.corrections.cell(2, Corrections::Shift).setEnteredValue(25);
         d.general.corrections.cell(2, Corrections::ShiftSign).setEnteredValue(1);
         d.general.corrections.cell(2, Corrections::Slope).setEnteredValue(10);
       },
       {"L2 2C1/2C2 0.0|-2.5 (2)", "L2 2C3/2C4 0.0|1.0 (1)"}},
      {"single cells stay as they are, followers follow their value",
       [](DeviceData& d) {
         d.general.base[BaseParameters::O10].setValueQuiet(5);
         d.programAt(1)->steps.resize(1);
       },
       {"P2 H01 0|1 (1)", "P2.S1 - нет|есть (1)",
        "L2 O10 2 (20 программ по 25 шагов)|5 (10 программ по 52 шага) (1)"}},
  };
  for (const auto& c : cases) {
    DeviceData b = base();
    c.change(b);
    const ValueComparison comparison(base(), b);
    EXPECT_EQ(lines(comparison), c.expected) << c.what;
    for (int i = 0; i < static_cast<int>(comparison.cells().size()); ++i) {
      const std::vector<int>& cells = comparison.values()[comparison.valueOf(i)].cells;
      EXPECT_NE(std::find(cells.begin(), cells.end(), i), cells.end()) << c.what;
    }
  }
  DeviceData b = base();
  b.programAt(1)->steps.resize(2);
  const ValueComparison comparison(base(), b);
  ASSERT_EQ(comparison.values().size(), 3u);
  EXPECT_EQ(comparison.values()[2].follows, 0);
}

// The values of two cells in a merge that are neither side's: the hours of
// one with the minutes of the other.
int mixedValues(const DeviceData& merged, const DeviceData& a, const DeviceData& b) {
  auto same = [](const Parameter* x, const Parameter* y) {
    return x[0].value() == y[0].value() && x[1].value() == y[1].value();
  };
  int mixed = 0;
  for (int n = 0; n < merged.programCount(); ++n) {
    const Program *m = merged.programAt(n), *pa = a.programAt(n), *pb = b.programAt(n);
    for (int s = 0; pa && pb && s < m->stepCount(); ++s) {
      const Step *sm = m->stepAt(s), *sa = pa->stepAt(s), *sb = pb->stepAt(s);
      if (!sa || !sb) continue;
      for (int first : {Step::U04, Step::E02, Step::E04, Step::E_02, Step::E_04})
        mixed += !same(&sm->cells[first], &sa->cells[first]) && !same(&sm->cells[first], &sb->cells[first]);
    }
  }
  for (int first = 0; first < Corrections::kCellCount; first += 2) {
    const Parameter* m = &merged.general.corrections.cells[first];
    mixed += !same(m, &a.general.corrections.cells[first]) && !same(m, &b.general.corrections.cells[first]);
  }
  return mixed;
}

// Whatever is chosen, every value of the merge is the controller's or the
// document's whole; a choice cell by cell would mix them.
TEST(ValueComparison, AMergeTakesEveryValueWhole) {
  std::mt19937 rng(11);
  int mixedByCell = 0;
  for (int round = 0; round < 20; ++round) {
    const DeviceData controller = testconfigs::randomConfig(rng, 20, 6);
    DeviceData document = testconfigs::randomConfig(rng, 20, 6);
    document.general.base[BaseParameters::O10].setValueQuiet(controller.general.partition());
    const ValueComparison comparison(controller, document);
    std::vector<bool> take(comparison.values().size());
    for (std::size_t i = 0; i < take.size(); ++i) take[i] = std::uniform_int_distribution<int>(0, 1)(rng);
    const DeviceData merged =
        mergeDifferences(controller, document, comparison.cells(), comparison.cellsTaken(take));
    EXPECT_EQ(mixedValues(merged, controller, document), 0) << round;

    std::vector<bool> byCell(comparison.cells().size());
    for (std::size_t i = 0; i < byCell.size(); ++i) byCell[i] = i % 2;
    mixedByCell +=
        mixedValues(mergeDifferences(controller, document, comparison.cells(), byCell), controller, document);
  }
  EXPECT_GT(mixedByCell, 0);
}

TEST(ValueComparison, SummarySaysHowMuchAWriteChanges) {
  DeviceData b = base();
  step1(b)[Step::U04].setEnteredValue(1);
  step1(b)[Step::U05].setEnteredValue(1);
  b.programAt(1)->H02.setEnteredValue(0);
  b.programAt(1)->setName("Сушка");
  b.programs.emplace_back();
  ChangeSummary s = ValueComparison(base(), b).summary();
  EXPECT_EQ(s.values, 2);
  EXPECT_EQ(s.programs, 3);
  EXPECT_FALSE(s.partitionChanges());
  b.general.base[BaseParameters::O10].setValueQuiet(0);
  s = ValueComparison(base(), b).summary();
  EXPECT_EQ(s.values, 3);
  EXPECT_TRUE(s.partitionChanges());
  EXPECT_EQ(s.partitionA, 2);
  EXPECT_EQ(s.partitionB, 0);
}
