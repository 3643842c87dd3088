// The document: a new configuration, the memory partition hooks, device
// read and write through the host, resets, what it tells and the modified
// state.
#include "document/Document.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "tests/document/FakeHost.h"
#include "tests/document/TestConfigs.h"

namespace {

class DocumentTest : public testing::Test {
 protected:
  DocumentTest() {
    doc.addObserver(&log);
    doc.newDocument();
  }

  DeviceData& data() { return *doc.deviceData(); }
  Parameter& o10() { return data().general.base[BaseParameters::O10]; }
  void addSteps(Program& p, int n) {
    for (int i = 0; i < n; ++i) p.steps.emplace_back();
  }

  FakeHost host;
  Document doc{&host};
  ChangeLog log;
};

const std::string kFewerPrograms =
    "Изменение этого параметра приведёт \nк удалению программ с номерами выше %d        \n\nПродолжить?";
const std::string kFewerSteps =
    "Изменение этого параметра приведёт \nк удалению шагов с номерами выше %d.          \n\nПродолжить?";

std::string question(const std::string& format, int n) {
  const std::size_t at = format.find("%d");
  return format.substr(0, at) + std::to_string(n) + format.substr(at + 2);
}

}  // namespace

TEST_F(DocumentTest, NewDocumentHasTwentyEmptyProgramsAndTheDefaults) {
  EXPECT_EQ(data().name(), "Новая прошивка");
  EXPECT_EQ(doc.title(), "Новая прошивка");
  ASSERT_EQ(data().programCount(), 20);
  for (const Program& p : data().programs) {
    EXPECT_EQ(p.name(), "Новая программа");
    EXPECT_EQ(p.stepCount(), 0);
    EXPECT_EQ(p.H02.value(), 1);
  }
  const GeneralParameters defaults;
  testconfigs::expectSameCells(std::as_const(data().general).parameterList(), defaults.parameterList(), "L2");
  EXPECT_EQ(data().general.pid[1].index, 1);
  // The first program is selected and current.
  EXPECT_EQ(doc.selection()->group, GroupRef(&data().programs.front()));
  EXPECT_EQ(doc.currentProgram(), &data().programs.front());
  EXPECT_EQ(log.count(DocumentChange::Kind::Configuration), 1);
  EXPECT_FALSE(doc.isModified());

  // A second new document reuses the configuration object, so pointers to
  // the general groups stay valid, and resets everything in it.
  DeviceData* before = doc.deviceData();
  o10().setValueQuiet(7);
  data().programs.front().steps.emplace_back();
  doc.newDocument();
  EXPECT_EQ(doc.deviceData(), before);
  EXPECT_EQ(o10().value(), 2);
  EXPECT_EQ(data().programCount(), 20);
  EXPECT_EQ(data().programs.front().stepCount(), 0);
}

TEST_F(DocumentTest, RaisingThePartitionAsksAboutProgramsAndTrimsOnYes) {
  Program& last = data().programs.back();
  addSteps(data().programs.front(), 25);
  data().programs.front().H02.setValue(3);
  data().programs.back().H02.setValue(0);
  addSteps(last, 10);

  host.answers = {true};
  o10().setValue(3);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].title, "Предупреждение");
  EXPECT_EQ(host.questions[0].text, question(kFewerPrograms, 15));
  EXPECT_EQ(o10().value(), 3);
  ASSERT_EQ(data().programCount(), 15);
  EXPECT_EQ(data().programs.front().stepCount(), 25);  // 34 allowed now
  EXPECT_EQ(data().programs.front().H02.value(), 25);  // a cycle start moves to the last step
  EXPECT_EQ(doc.currentProgram(), &data().programs.front());
  EXPECT_EQ(doc.currentStep(), &data().programs.front().steps.front());
}

TEST_F(DocumentTest, LoweringThePartitionAsksAboutStepsAndGrowsWithCopiesOfTheLastProgram) {
  Program& last = data().programs.back();
  last.setName("last");
  addSteps(last, 20);
  last.H02.setValue(0);

  host.answers = {true};
  o10().setValue(1);
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].text, question(kFewerSteps, 16));
  ASSERT_EQ(data().programCount(), 30);
  for (int i = 19; i < 30; ++i) {
    const Program& p = *data().programAt(i);
    EXPECT_EQ(p.name(), "last") << i;
    EXPECT_EQ(p.stepCount(), 16) << i;
    EXPECT_EQ(p.H02.value(), 0) << i;  // no cycle stays no cycle
  }
}

TEST_F(DocumentTest, AnsweringNoKeepsThePartitionAndThePrograms) {
  addSteps(data().programs.front(), 25);
  const std::string before = doc.text();
  host.answers = {false};
  o10().setValue(0);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(o10().value(), 2);
  EXPECT_EQ(doc.text(), before);
  EXPECT_TRUE(host.later.empty());
}

TEST_F(DocumentTest, TheQuestionIsAskedEvenWhenNothingWouldBeRemoved) {
  doc.deviceData()->programs.resize(3);
  host.answers = {true};
  o10().setValue(0);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(data().programCount(), 60);
}

TEST_F(DocumentTest, OnlyTheDocumentsOwnCellsAreHeard) {
  // A copy of the partition is not the partition.
  GeneralParameters copy = data().general;
  copy.base[BaseParameters::O10].setValue(3);
  // Nor is another document's, which adapts its own programs.
  Document other;
  other.newDocument();
  other.deviceData()->general.base[BaseParameters::O10].setValue(3);
  EXPECT_EQ(other.deviceData()->programCount(), 15);
  EXPECT_EQ(data().programCount(), 20);
  EXPECT_TRUE(host.questions.empty());
  EXPECT_EQ(log.count(DocumentChange::Kind::Cell), 0);
}

TEST_F(DocumentTest, ALoadedConfigurationAsksAndAdaptsWhenItsPartitionChanges) {
  // Loading itself neither asks nor trims a configuration beyond its partition.
  doc.deviceData()->programs.resize(25);
  doc.loadText(doc.text());
  EXPECT_TRUE(host.questions.empty());
  EXPECT_EQ(data().programCount(), 25);
  host.answers = {true};
  o10().setValue(0);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(data().programCount(), 60);
  host.questions.clear();

  // "По умолчанию" on the base parameters keeps the hooks, without adapting
  // the programs to the restored O10.
  doc.resetBaseParameters(data().general.base);
  EXPECT_EQ(o10().value(), 2);
  EXPECT_TRUE(host.questions.empty());
  host.answers = {true};
  o10().setValue(3);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(data().programCount(), 15);
}

TEST_F(DocumentTest, ReadDeviceReplacesTheConfigurationOnlyWhenBothExchangesFinish) {
  std::mt19937 rng(5);
  const DeviceData device = testconfigs::randomConfig(rng, 60, 7);
  bool guardDuringRead = true;
  host.onExchange = [&](DeviceData& config, ExchangeMode mode) {
    guardDuringRead = guardDuringRead && !doc.partitionGuarded();
    if (mode == ExchangeMode::ReadL2) config.general = device.general;
    if (mode == ExchangeMode::ReadL1) config.programs = device.programs;
  };
  doc.setSelection(std::nullopt, &data().programs.front(), doc.currentStep());
  log.told.clear();

  doc.readDevice();
  EXPECT_EQ(host.exchanges, (std::vector<ExchangeMode>{ExchangeMode::ReadL2, ExchangeMode::ReadL1}));
  EXPECT_TRUE(guardDuringRead);
  EXPECT_TRUE(doc.partitionGuarded());
  DeviceData expected = device;
  expected.setName("");
  testconfigs::expectSameConfig(expected, data());
  EXPECT_EQ(doc.title(), "Считанная прошивка");
  EXPECT_EQ(doc.currentProgram(), &data().programs.front());
  EXPECT_EQ(doc.selection()->group, GroupRef(&data().programs.front()));
  EXPECT_EQ(log.count(DocumentChange::Kind::Configuration), 1);
  EXPECT_FALSE(doc.isModified());
  // The read O10 asks and adapts like a new configuration's.
  host.answers = {true};
  o10().setValue(7);
  EXPECT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(data().programCount(), 5);
}

TEST_F(DocumentTest, ACancelledOrFailedReadChangesNothing) {
  std::mt19937 rng(6);
  const DeviceData device = testconfigs::randomConfig(rng, 5, 3);
  host.onExchange = [&](DeviceData& config, ExchangeMode mode) {
    if (mode == ExchangeMode::ReadL2) config.general = device.general;
  };
  const std::string before = doc.text();

  host.exchangeResults = {true, false};  // L2 read, L1 cancelled
  doc.readDevice();
  EXPECT_EQ(doc.text(), before);
  EXPECT_EQ(doc.title(), "Новая прошивка");
  EXPECT_TRUE(doc.partitionGuarded());

  host.exchangeResults = {false};
  doc.readDevice();
  EXPECT_EQ(host.exchanges.size(), 3u);  // no L1 read after a failed L2 read
  EXPECT_EQ(doc.text(), before);

  host.onExchange = [](DeviceData&, ExchangeMode) { throw std::runtime_error("bus"); };
  EXPECT_THROW(doc.readDevice(), std::runtime_error);
  EXPECT_TRUE(doc.partitionGuarded());
  EXPECT_EQ(doc.text(), before);
}

TEST_F(DocumentTest, WriteDeviceRunsL2ThenL1OnTheDocumentsOwnConfiguration) {
  std::vector<const DeviceData*> configs;
  host.onExchange = [&](DeviceData& config, ExchangeMode) { configs.push_back(&config); };
  log.told.clear();
  doc.writeDevice();
  EXPECT_EQ(host.exchanges, (std::vector<ExchangeMode>{ExchangeMode::WriteL2, ExchangeMode::WriteL1}));
  EXPECT_EQ(configs, (std::vector<const DeviceData*>{doc.deviceData(), doc.deviceData()}));
  EXPECT_TRUE(log.told.empty());  // a write changes nothing
  EXPECT_EQ(host.writesDone, 1);

  // A failed exchange is never told as a finished write.
  for (std::deque<bool> results : {std::deque<bool>{false}, std::deque<bool>{true, false}}) {
    host.exchanges.clear();
    host.exchangeResults = results;
    doc.writeDevice();
    EXPECT_EQ(host.exchanges.size(), results.size());
    EXPECT_EQ(host.writesDone, 1);
  }
}

TEST_F(DocumentTest, WriteDeviceOffersToWriteOnlyWhatFitsTheMemory) {
  // A loaded file may hold more than the partition allows: 22 programs under
  // O10 = 2 (20 programs of at most 25 steps), the first with 30 steps.
  data().programs.resize(22);
  data().programs.front().steps.resize(30);
  const std::string before = doc.text();
  std::vector<std::pair<int, int>> written;  // programs and steps of the first one
  host.onExchange = [&](DeviceData& config, ExchangeMode) {
    written.emplace_back(config.programCount(), config.programs.front().stepCount());
  };

  host.answers = {false};
  doc.writeDevice();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_EQ(host.questions[0].title, "Предупреждение");
  EXPECT_NE(host.questions[0].text.find("Записать в прибор только то, что помещается?"), std::string::npos);
  EXPECT_TRUE(host.exchanges.empty());  // No: nothing is written

  host.answers = {true};
  doc.writeDevice();
  EXPECT_EQ(host.exchanges, (std::vector<ExchangeMode>{ExchangeMode::WriteL2, ExchangeMode::WriteL1}));
  EXPECT_EQ(written, (std::vector<std::pair<int, int>>{{20, 25}, {20, 25}}));
  EXPECT_EQ(doc.text(), before);  // the document keeps everything
}

TEST_F(DocumentTest, WriteDeviceAsksBeforeErasingEveryProgram) {
  data().programs.clear();
  host.answers = {false};
  doc.writeDevice();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_NE(host.questions[0].text.find("сотрёт все программы прибора"), std::string::npos);
  EXPECT_TRUE(host.exchanges.empty());
  host.answers = {true};
  doc.writeDevice();
  EXPECT_EQ(host.exchanges, (std::vector<ExchangeMode>{ExchangeMode::WriteL2, ExchangeMode::WriteL1}));
}

TEST_F(DocumentTest, WriteDeviceNamesSaturatedValuesFirst) {
  data().general.filters[0].setEnteredValue(64);  // D01: legal, but its field holds 0..63
  host.answers = {false};
  doc.writeDevice();
  ASSERT_EQ(host.questions.size(), 1u);
  EXPECT_NE(host.questions[0].text.find("D01"), std::string::npos);
  EXPECT_TRUE(host.exchanges.empty());

  host.answers = {true};
  doc.writeDevice();
  EXPECT_EQ(host.exchanges, (std::vector<ExchangeMode>{ExchangeMode::WriteL2, ExchangeMode::WriteL1}));
}

TEST_F(DocumentTest, ResetsRestoreDefaultsInPlaceAndKeepPositions) {
  Program& p = data().programs.front();
  Comparator& c = p.comparators[2];
  c[Comparator::C09].setValue(500);
  doc.resetComparator(c, 2);
  EXPECT_EQ(c[Comparator::C09].value(), 12);
  EXPECT_EQ(c[Comparator::C01].bitOffset(), 14 + 53 * 2);

  PidRegulator& pid = data().general.pid[1];
  pid[PidRegulator::P03].setValue(100);
  doc.resetPid(pid);
  EXPECT_EQ(pid[PidRegulator::P03].value(), 0);
  EXPECT_EQ(pid.index, 1);
  EXPECT_EQ(pid[PidRegulator::P01].code(), "P.01");

  p.setName("x");
  p.steps.emplace_back();
  p.H02.setValue(0);
  doc.resetProgram(p);
  EXPECT_EQ(p.name(), "Новая программа");
  EXPECT_EQ(p.stepCount(), 0);
  EXPECT_EQ(p.H02.value(), 1);

  Step& s = p.steps.emplace_back();
  s[Step::U04].setValue(9);
  doc.resetStep(s);
  EXPECT_EQ(s[Step::U04].value(), 2);
}

TEST_F(DocumentTest, ProgramOfSelectionFollowsTheItemKind) {
  Program& second = *data().programAt(1);
  Step& step = second.steps.emplace_back();
  NavigationItem item;
  const struct {
    NavigationKind kind;
    GroupRef group;
    Program* expected;
  } cases[] = {
      {NavigationKind::Program, &second, &second},
      {NavigationKind::Comparators, &second, nullptr},
      {NavigationKind::Steps, &second, &second},
      {NavigationKind::Step, &step, &second},
      {NavigationKind::Comparator, &second.comparators[0], nullptr},
      {NavigationKind::L1Root, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    item = NavigationItem{c.kind, 2, 0, c.group};
    doc.setSelection(item, doc.currentProgram(), doc.currentStep());
    EXPECT_EQ(doc.programOfSelection(), c.expected) << static_cast<int>(c.kind);
  }
  doc.setSelection(std::nullopt, doc.currentProgram(), doc.currentStep());
  EXPECT_EQ(doc.programOfSelection(), nullptr);
}

TEST_F(DocumentTest, ModifiedFollowsTheTextSinceTheLastNewLoadOrSave) {
  EXPECT_FALSE(doc.isModified());
  Parameter& c03 = data().programs.front().comparators[0][Comparator::C03];
  c03.setValue(5);
  EXPECT_TRUE(doc.isModified());
  c03.setValue(-15);
  EXPECT_FALSE(doc.isModified());  // back to what was made

  data().programs.front().setName("renamed");
  doc.setModified(false);
  EXPECT_FALSE(doc.isModified());
  doc.setModified(true);
  EXPECT_TRUE(doc.isModified());
  doc.loadText(doc.text());
  EXPECT_FALSE(doc.isModified());
}

TEST(DocumentHeadless, WorksWithoutAHost) {
  Document doc;
  ChangeLog log;
  doc.addObserver(&log);
  doc.newDocument();
  EXPECT_EQ(log.count(DocumentChange::Kind::Configuration), 1);
  // Without anyone to ask, the partition change goes ahead.
  doc.deviceData()->general.base[BaseParameters::O10].setValue(7);
  EXPECT_EQ(doc.deviceData()->programCount(), 5);
  doc.readDevice();
  EXPECT_TRUE(doc.partitionGuarded());
  EXPECT_EQ(doc.deviceData()->programCount(), 5);
}
