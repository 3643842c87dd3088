#include "document/WriteCheck.h"

#include <gtest/gtest.h>

namespace {

DeviceData withPrograms(int o10, int programs, int steps) {
  DeviceData config;
  config.general.base[BaseParameters::O10].setEnteredValue(o10);
  for (int n = 0; n < programs; ++n) {
    Program p;
    p.setName("Сушка " + std::to_string(n + 1));
    p.steps.resize(steps);
    config.programs.push_back(p);
  }
  return config;
}

}  // namespace

TEST(WriteCheck, NamesProgramsAndStepsBeyondThePartition) {
  EXPECT_TRUE(checkBeforeWrite(withPrograms(2, 20, 25)).fits());
  EXPECT_TRUE(checkBeforeWrite(withPrograms(7, 0, 0)).fits());

  DeviceData config = withPrograms(2, 25, 3);
  config.programAt(1)->steps.resize(30);
  config.programAt(22)->steps.resize(40);  // beyond the programs written: not named twice
  const WriteCheck check = checkBeforeWrite(config);
  ASSERT_EQ(check.overflow.size(), 2u);
  EXPECT_EQ(check.overflow[0],
            "Программ в конфигурации: 25; разбиение памяти O10 = 2 (20 программ по 25 шагов) допускает 20");
  EXPECT_EQ(check.overflow[1], "Программа №2 «Сушка 2»: шагов 30; разбиение памяти допускает 25");
  EXPECT_TRUE(check.adjusted.empty());
}

TEST(WriteCheck, FittedCopyKeepsWhatThePartitionAllows) {
  DeviceData config = withPrograms(0, 62, 2);
  config.setName("Камера 3");
  Program& long1 = *config.programAt(0);
  long1.steps.resize(9);
  long1.H02.valueRef() = 9;
  long1.steps.back()[Step::U04].setEnteredValue(7);
  config.programAt(1)->steps.resize(8);
  config.programAt(1)->H02.setEnteredValue(3);
  config.programAt(2)->steps.front()[Step::U03].setEnteredValue(-42);

  const DeviceData fitted = fitToPartition(config);
  EXPECT_TRUE(checkBeforeWrite(fitted).fits());
  EXPECT_EQ(fitted.name(), config.name());
  ASSERT_EQ(fitted.programCount(), 60);
  EXPECT_EQ(fitted.programAt(0)->stepCount(), 7);
  EXPECT_EQ(fitted.programAt(0)->H02.value(), 7);  // it pointed at a step that is cut
  EXPECT_EQ(fitted.programAt(1)->H02.value(), 3);
  EXPECT_EQ(fitted.programAt(2)->steps.front()[Step::U03].value(), -42);
  EXPECT_EQ(fitted.programAt(59)->name(), "Сушка 60");
  // The original is left alone.
  EXPECT_EQ(config.programCount(), 62);
  EXPECT_EQ(config.programAt(0)->stepCount(), 9);
}

TEST(WriteCheck, ValueDifferencesNameTheCellAndItsPlace) {
  const DeviceData expected = withPrograms(2, 2, 2);
  DeviceData actual = expected;
  EXPECT_TRUE(valueDifferences(expected, actual).empty());

  actual.general.pid[1][PidRegulator::P04].setEnteredValue(30);
  actual.programAt(1)->comparators[2][Comparator::C09].setEnteredValue(5);
  actual.programAt(1)->steps.back()[Step::E_02].setEnteredValue(-7);
  actual.programAt(0)->steps.pop_back();

  const std::vector<std::string> diff = valueDifferences(expected, actual);
  ASSERT_EQ(diff.size(), 4u);
  EXPECT_EQ(diff[0], "P.04 = 30, ожидалось 0");
  EXPECT_EQ(diff[1], "Программа №1: шагов 1, ожидалось 2");
  EXPECT_EQ(diff[2], "Программа №2, компаратор №3: C09 = 5, ожидалось 12");
  EXPECT_EQ(diff[3], "Программа №2, шаг №2: E.02 = -7, ожидалось 10");

  actual.programs.pop_back();
  EXPECT_EQ(valueDifferences(expected, actual)[1], "Программ: 1, ожидалось 2");
}
