// The comparison of two configurations and the merge of chosen differences.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "TestConfigs.h"
#include "document/ConfigCompare.h"

namespace {

// Two programs, the first with two steps, the second with one.
DeviceData base() {
  DeviceData d;
  d.setName("Камера 1");
  d.programs.resize(2);
  d.programAt(0)->steps.resize(2);
  d.programAt(1)->steps.resize(1);
  return d;
}

// "scope code A|B" of every difference, A and B in UTF-8.
std::vector<std::string> lines(const std::vector<ConfigDifference>& diffs) {
  std::vector<std::string> out;
  for (const ConfigDifference& d : diffs)
    out.push_back(d.scope + " " + d.code + " " + d.textA + "|" + d.textB);
  return out;
}

}  // namespace

TEST(ConfigCompare, NamesEveryDifferenceAsTheListDoes) {
  const struct {
    const char* what;
    std::function<void(DeviceData&)> change;
    std::vector<std::string> expected;
  } cases[] = {
      {"same", [](DeviceData&) {}, {}},
      {"general value",
       [](DeviceData& d) { d.general.pid[1][PidRegulator::P04].setEnteredValue(30); },
       {"L2 P.04 0|30"}},
      {"key mode with its text",
       [](DeviceData& d) { d.programAt(1)->steps.front()[Step::N03].setEnteredValue(2); },
       {"P2.S1 N03 0 (ключ не замкнут)|2 (1-ый импульсный режим)"}},
      {"partition",
       [](DeviceData& d) { d.general.base[BaseParameters::O10].setValueQuiet(5); },
       {"L2 O10 2 (20 программ по 25 шагов)|5 (10 программ по 52 шага)"}},
      {"general choices with their words",
       [](DeviceData& d) {
         d.general.base[BaseParameters::O01].setEnteredValue(3);
         d.general.base[BaseParameters::O04].setEnteredValue(1);
         d.general.base[BaseParameters::O06].setEnteredValue(70);
       },
       {"L2 O01 0 (ТСМ (50М/100М)   W100= 1,426)|3 (ТСМ (50М/100М)   W100= 1,428)",
        "L2 O04 3 (индицируется температура сухого, влажного и датчика продукта)|1 (индицируется "
        "температура сухого датчика)",
        "L2 O06 64|70"}},
      {"comparator and cycle start",
       [](DeviceData& d) {
         d.programAt(0)->H02.setEnteredValue(2);
         d.programAt(0)->comparators[3][Comparator::C03].setEnteredValue(-20);
       },
       {"P1 H02 1|2", "P1.C4 C03 -15|-20"}},
      {"names",
       [](DeviceData& d) { d.setName("Камера 2"), d.programAt(1)->setName("Сушка"); },
       {"- DeviceDataName Камера 1|Камера 2", "P2 name Новая программа|Сушка"}},
      {"steps added",
       [](DeviceData& d) { d.programAt(1)->steps.resize(3); },
       {"P2 H01 1|3", "P2.S2 - нет|есть", "P2.S3 - нет|есть"}},
      {"programs removed",
       [](DeviceData& d) { d.programs.clear(); },
       {"P1 - есть, шагов 2|нет", "P2 - есть, шагов 1|нет"}},
      {"program added",
       [](DeviceData& d) { d.programs.emplace_back().steps.resize(4); },
       {"P3 - нет|есть, шагов 4"}},
  };
  for (const auto& c : cases) {
    DeviceData b = base();
    c.change(b);
    EXPECT_EQ(lines(compareConfigurations(base(), b)), c.expected) << c.what;
  }
}

TEST(ConfigCompare, PresenceFollowsOneChoiceAndNamesCanBeLeftOut) {
  DeviceData a = base();
  DeviceData b = base();
  b.programAt(0)->steps.resize(4);
  b.programs.emplace_back();
  b.programs.emplace_back();
  b.setName("Другая");
  std::vector<ConfigDifference> diffs = compareConfigurations(a, b, {.names = false});
  ASSERT_EQ(lines(diffs), (std::vector<std::string>{"P1 H01 2|4", "P1.S3 - нет|есть", "P1.S4 - нет|есть",
                                                    "P3 - нет|есть, шагов 0", "P4 - нет|есть, шагов 0"}));
  EXPECT_EQ(diffs[1].follows, 0);
  EXPECT_EQ(diffs[2].follows, 0);
  EXPECT_EQ(diffs[3].follows, -1);
  EXPECT_EQ(diffs[4].follows, 3);
}

// Taking everything gives the source, taking nothing the base; a choice in
// between keeps the base's value wherever it was not taken.
TEST(ConfigCompare, MergeTakesExactlyTheChosenDifferences) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    const DeviceData controller = testconfigs::randomConfig(rng, 20, 6);
    DeviceData document = testconfigs::randomConfig(rng, 20, 6);
    document.general.base[BaseParameters::O10].setValueQuiet(controller.general.partition());
    if (round % 3 == 0) document.programs.resize(12);
    const std::vector<ConfigDifference> diffs = compareConfigurations(controller, document);
    EXPECT_TRUE(
        compareConfigurations(
            mergeDifferences(controller, document, diffs, std::vector<bool>(diffs.size(), true)), document)
            .empty());
    EXPECT_TRUE(compareConfigurations(mergeDifferences(controller, document, diffs, {}), controller).empty());

    std::vector<bool> take(diffs.size());
    for (std::size_t i = 0; i < take.size(); ++i) take[i] = std::uniform_int_distribution<int>(0, 1)(rng);
    const DeviceData merged = mergeDifferences(controller, document, diffs, take);
    // What still differs from the document was not taken; what differs from
    // the controller was.
    auto expectOnly = [&](const DeviceData& other, bool taken) {
      for (const ConfigDifference& d : compareConfigurations(merged, other)) {
        std::size_t i = 0;
        while (i < diffs.size() && !(diffs[i].scope == d.scope && diffs[i].code == d.code)) ++i;
        ASSERT_LT(i, diffs.size()) << d.scope << " " << d.code;
        const int lead = diffs[i].follows >= 0 ? diffs[i].follows : static_cast<int>(i);
        EXPECT_EQ(take[lead], taken) << d.scope << " " << d.code;
      }
    };
    expectOnly(document, false);
    expectOnly(controller, true);
  }
}

TEST(ConfigCompare, MergeKeepsTheControllersLayout) {
  DeviceData controller = base();
  controller.general.base[BaseParameters::O10].setValueQuiet(0);  // 60 programs of 7 steps
  DeviceData document = base();
  document.general.base[BaseParameters::O10].setValueQuiet(7);  // 5 programs of 99 steps
  document.programAt(0)->steps.resize(20);
  document.programAt(0)->steps.back()[Step::U04].setEnteredValue(9);
  const std::vector<ConfigDifference> diffs = compareConfigurations(controller, document);
  const int partition = partitionDifference(diffs);
  ASSERT_GE(partition, 0);

  // The partition kept: steps only up to the controller's 7.
  std::vector<bool> take(diffs.size(), true);
  take[partition] = false;
  DeviceData merged = mergeDifferences(controller, document, diffs, take);
  EXPECT_EQ(merged.general.partition(), 0);
  EXPECT_EQ(merged.programAt(0)->stepCount(), 7);

  // The partition taken: the document's programs whole, chosen or not.
  take.assign(diffs.size(), false);
  take[partition] = true;
  merged = mergeDifferences(controller, document, diffs, take);
  EXPECT_EQ(merged.general.partition(), 7);
  ASSERT_EQ(merged.programAt(0)->stepCount(), 20);
  EXPECT_EQ(merged.programAt(0)->steps.back()[Step::U04].value(), 9);
}
