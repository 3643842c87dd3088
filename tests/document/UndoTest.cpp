// Undo and redo: every kind of change put back exactly and made again, one
// step per user action, spin clicks merged, the modified state, fresh
// histories, the bound, and the views brought back to the change.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>

#include "document/ConfigSnapshot.h"
#include "document/Document.h"
#include "support/TempDir.h"
#include "tests/document/FakeHost.h"

namespace {

class UndoTest : public testing::Test {
 public:
  UndoTest() {
    doc.addObserver(&log);
    doc.newDocument();
    // Program 1 with four steps marked 1..4 in U04, cycle start 2.
    for (int i = 1; i <= 4; ++i) program(0).steps.emplace_back()[Step::U04].setValue(i);
    doc.announce({DocumentChange::Kind::Steps, nullptr, &program(0)});  // made behind its back
    program(0).H02.setValue(2);
    settle();
  }

  DeviceData& data() { return *doc.deviceData(); }
  Program& program(int i) { return *data().programAt(i); }
  Step& step(int p, int s) { return *program(p).stepAt(s); }
  // What the event loop does after a user action: runs the deferred work.
  void settle() { host.runDeferred(); }
  void selectStep(int s) {
    item = NavigationItem{NavigationKind::Step, 1, s + 1, &step(0, s)};
    doc.setSelection(item, &program(0), &step(0, s));
  }
  void selectSteps() {
    item = NavigationItem{NavigationKind::Steps, 1, 0, &program(0)};
    doc.setSelection(item, &program(0), doc.currentStep());
  }

  FakeHost host;
  Document doc{&host};
  ChangeLog log;
  NavigationItem item;
};

}  // namespace

TEST_F(UndoTest, EveryKindOfChangeIsPutBackExactlyAndMadeAgain) {
  using Action = std::function<void(UndoTest&)>;
  const Action nothing = [](UndoTest&) {};
  const struct {
    const char* label;
    Action prepare;  // steps of their own before the change
    Action change;
    ChangePlace place;
  } cases[] = {
      {"U03 в программе 1, шаг 2",
       nothing,
       [](UndoTest& t) { t.step(0, 1)[Step::U03].setValue(40); },
       {NavigationKind::Step, 0, 1, "U03"}},
      // The humidity condition narrows U03's limits and clamps it; the undo
      // puts back the value and the wider limits.
      {"U02 в программе 1, шаг 1",
       [](UndoTest& t) { t.step(0, 0)[Step::U03].setValue(500); },
       [](UndoTest& t) {
         const Document::SpinClick spin;  // two cells changed: merges with nothing
         t.step(0, 0)[Step::U02].setValue(9);
         t.step(0, 0).applyInputRanges();
       },
       {NavigationKind::Step, 0, 0, "U02"}},
      {"C03 в программе 2, компаратор 3",
       nothing,
       [](UndoTest& t) { t.program(1).comparators[2][Comparator::C03].setValue(7); },
       {NavigationKind::Comparator, 1, 2, "C03"}},
      {"H02 в программе 1",
       nothing,
       [](UndoTest& t) { t.program(0).H02.setValue(4); },
       {NavigationKind::Program, 0, -1, "H02"}},
      {"Scr в основных параметрах",
       nothing,
       [](UndoTest& t) { t.data().general.base[BaseParameters::Scr].setValue(1); },
       {NavigationKind::BaseParameters, -1, -1, "Scr"}},
      {"P.02 в ПИД-регуляторе 2",
       nothing,
       [](UndoTest& t) { t.data().general.pid[1].cells[1].setValue(5); },
       {NavigationKind::Pid, -1, 1, "P.02"}},
      {"добавление шага 1 в программу 1",
       nothing,
       [](UndoTest& t) {
         t.selectSteps();
         t.doc.addStepFirst();
       },
       {NavigationKind::Step, 0, 0, ""}},
      {"добавление шага 4 в программу 1",
       nothing,
       [](UndoTest& t) {
         t.selectStep(2);
         t.doc.addStepAfter();
       },
       {NavigationKind::Step, 0, 3, ""}},
      {"удаление шага 2 программы 1",
       nothing,
       [](UndoTest& t) {
         t.selectStep(1);
         t.doc.deleteStep();
       },
       {NavigationKind::Step, 0, 1, ""}},
      {"отмена цикла в программе 1",
       nothing,
       [](UndoTest& t) {
         t.selectStep(1);
         t.doc.toggleCycleStart();
       },
       {NavigationKind::Step, 0, 1, ""}},
      {"переименование программы 1",
       nothing,
       [](UndoTest& t) {
         t.doc.setSelection(t.doc.selection(), &t.program(0), t.doc.currentStep());
         t.host.renameAnswer = "Сушка";
         t.doc.renameProgram();
       },
       {NavigationKind::Program, 0, -1, ""}},
      {"число шагов программы 2",
       nothing,
       [](UndoTest& t) { t.doc.setStepCount(t.program(1), 5); },
       {NavigationKind::Program, 1, -1, "H01"}},
      // A program and its first comparator begin at one address and are still two places.
      {"значения по умолчанию в программе 1, компаратор 1",
       [](UndoTest& t) { t.program(0).comparators[0][Comparator::C03].setValue(7); },
       [](UndoTest& t) { t.doc.resetComparator(t.program(0).comparators[0], 0); },
       {NavigationKind::Comparator, 0, 0, ""}},
      {"значения по умолчанию в программе 1",
       nothing,
       [](UndoTest& t) { t.doc.resetProgram(t.program(0)); },
       {NavigationKind::Program, 0, -1, ""}},
      {"значения по умолчанию в программе 1, шаг 3",
       nothing,
       [](UndoTest& t) { t.doc.resetStep(t.step(0, 2)); },
       {NavigationKind::Step, 0, 2, ""}},
      {"значения по умолчанию в основных параметрах",
       [](UndoTest& t) { t.data().general.base[BaseParameters::Scr].setValue(1); },
       [](UndoTest& t) { t.doc.resetBaseParameters(t.data().general.base); },
       {NavigationKind::BaseParameters, -1, -1, ""}},
      // 60 programs of 7 steps: the undo brings back the steps above 7, and
      // everything the partition change did is one step.
      {"разбиение памяти",
       [](UndoTest& t) { t.doc.setStepCount(t.program(0), 10); },
       [](UndoTest& t) {
         t.host.answers = {true};
         t.data().general.base[BaseParameters::O10].setValue(0);
       },
       {NavigationKind::BaseParameters, -1, -1, "O10"}},
      {"чтение из прибора",
       nothing,
       [](UndoTest& t) {
         t.host.onExchange = [](DeviceData& config, ExchangeMode mode) {
           if (mode == ExchangeMode::ReadL1) config.programs.resize(3);
         };
         t.doc.readDevice();
       },
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    doc.newDocument();
    for (int i = 1; i <= 4; ++i) program(0).steps.emplace_back()[Step::U04].setValue(i);
    doc.announce({DocumentChange::Kind::Steps, nullptr, &program(0)});  // made behind its back
    program(0).H02.setValue(2);
    settle();
    c.prepare(*this);
    settle();
    doc.setModified(false);
    const ConfigSnapshot before(data());
    const std::string title = doc.title();

    c.change(*this);
    settle();
    const ConfigSnapshot after(data());
    const std::string afterTitle = doc.title();
    ASSERT_EQ(doc.undoText(), c.label);
    log.shown.clear();
    doc.undo();
    // Exactly as before: values, limits, programs, steps and names.
    EXPECT_EQ(ConfigSnapshot(data()), before);
    EXPECT_EQ(doc.title(), title);
    EXPECT_FALSE(doc.isModified());
    ASSERT_EQ(log.shown.size(), 1u);
    EXPECT_EQ(log.shown[0], c.place);
    ASSERT_EQ(doc.redoText(), c.label);

    doc.redo();
    EXPECT_EQ(ConfigSnapshot(data()), after);
    EXPECT_EQ(doc.title(), afterTitle);
    EXPECT_EQ(doc.undoText(), c.label);
    EXPECT_FALSE(doc.canRedo());
  }
}

TEST_F(UndoTest, OneUserActionIsOneStepAndNonChangesAreNone) {
  // Two cells changed in one event: one close deferred, one step named by the first.
  step(0, 3)[Step::U05].setValue(3);
  step(0, 0)[Step::U01].setValue(3);
  EXPECT_EQ(host.later.size(), 1u);
  settle();
  EXPECT_EQ(doc.history().undoCount(), 2);  // the fixture's setup, then this
  EXPECT_EQ(doc.undoText(), "U01 в программе 1, шаг 1");

  // A value set back within one action, a refused partition change and
  // limits switched by a view are no step.
  step(0, 0)[Step::U01].setValue(0);
  step(0, 0)[Step::U01].setValue(3);
  host.answers = {false};
  data().general.base[BaseParameters::O10].setValue(5);
  step(0, 0)[Step::U02].valueRef() = 9;
  step(0, 0).applyInputRanges();
  step(0, 0)[Step::U02].valueRef() = 1;
  settle();
  doc.closeUndoStep();
  EXPECT_EQ(doc.history().undoCount(), 2);

  // A device worker decoding on its own thread is never observed.
  std::thread([&] { step(0, 0)[Step::U01].setValue(7); }).join();
  EXPECT_TRUE(host.later.empty());
}

TEST_F(UndoTest, SpinClicksOnOneCellMergeIntoOneStep) {
  Parameter& u03 = step(0, 1)[Step::U03];
  const int32_t start = u03.value();
  const auto click = [&](Parameter& cell, int delta, bool spin = true) {
    std::optional<Document::SpinClick> clicking;
    if (spin) clicking.emplace();
    cell.setValue(cell.value() + delta);
    clicking.reset();
    settle();
  };
  click(u03, 1);
  click(u03, 1);
  click(u03, 1);
  EXPECT_EQ(doc.history().undoCount(), 2);
  click(step(0, 1)[Step::U04], 1);  // another field: a step of its own
  click(u03, 1, false);             // typed into the field: not a click
  click(u03, 1);
  EXPECT_EQ(doc.history().undoCount(), 5);
  doc.undo();
  doc.undo();
  doc.undo();
  doc.undo();
  EXPECT_EQ(u03.value(), start);

  // After an undo or a save, a click starts a new step.
  doc.redo();
  click(u03, 1);
  EXPECT_EQ(doc.history().undoCount(), 3);
  TempDir dir;
  doc.saveFile((dir / "a.tkv88").string());
  click(u03, 1);
  doc.undo();
  EXPECT_FALSE(doc.isModified());
}

TEST_F(UndoTest, TheDocumentIsUnmodifiedExactlyAtTheSavedState) {
  TempDir dir;
  EXPECT_TRUE(doc.isModified());  // the fixture's steps
  doc.saveFile((dir / "a.tkv88").string());
  const int changes = host.historyChanges;
  EXPECT_FALSE(doc.isModified());
  step(0, 0)[Step::U01].setValue(5);
  settle();
  EXPECT_TRUE(doc.isModified());
  doc.undo();
  EXPECT_FALSE(doc.isModified());
  doc.undo();  // before the save
  EXPECT_TRUE(doc.isModified());
  EXPECT_EQ(doc.title(), "a.tkv88");  // the file's name, in every state
  doc.redo();
  EXPECT_FALSE(doc.isModified());
  doc.redo();
  EXPECT_TRUE(doc.isModified());
  EXPECT_EQ(host.historyChanges, changes + 5);  // each change told, for the title's mark
}

TEST_F(UndoTest, NewOpenAndLoadStartAFreshHistoryWithoutCellSteps) {
  TempDir dir;
  doc.saveFile((dir / "a.tkv88").string());
  for (auto start : std::vector<std::function<void()>>{[&] { doc.newDocument(); },
                                                       [&] { doc.openFile((dir / "a.tkv88").string()); },
                                                       [&] { doc.loadText(doc.text()); }}) {
    program(0).comparators[0][Comparator::C03].setValue(7);
    settle();
    ASSERT_TRUE(doc.canUndo());
    start();
    settle();
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.canRedo());
  }
  // A read replacing an untouched new configuration (as at start-up) has
  // nothing to go back to.
  doc.newDocument();
  doc.readDevice();
  EXPECT_EQ(doc.title(), "Считанная прошивка");
  EXPECT_FALSE(doc.canUndo());
  // A configuration read before is: the controller may have changed since.
  const std::string first = doc.text();
  host.onExchange = [](DeviceData& config, ExchangeMode mode) {
    if (mode == ExchangeMode::ReadL1) config.programs.resize(3);
  };
  doc.readDevice();
  EXPECT_EQ(doc.undoText(), "чтение из прибора");
  doc.undo();
  EXPECT_EQ(doc.text(), first);
  EXPECT_FALSE(doc.isModified());
}

// The file a configuration belongs to is part of each state: a save made
// after undoing a read leaves the read's state belonging to no file, so a
// save there asks for a name instead of overwriting the file.
TEST_F(UndoTest, AReadBelongsToNoFileUntilSavedWhateverWasSavedBeforeIt) {
  TempDir dir;
  const std::string a = (dir / "a.tkv88").string(), b = (dir / "b.tkv88").string();
  doc.saveFile(a);
  doc.readDevice();
  doc.undo();
  doc.saveFile(a);
  doc.redo();
  EXPECT_EQ(doc.title(), "Считанная прошивка");

  // Saved under a name, the read's states belong to that file; the states
  // before the read still to theirs, unmodified.
  doc.saveFile(b);
  doc.undo();
  EXPECT_EQ(doc.title(), "a.tkv88");
  EXPECT_EQ(doc.pathName(), a);
  EXPECT_FALSE(doc.isModified());
  doc.redo();
  EXPECT_EQ(doc.title(), "b.tkv88");
  EXPECT_EQ(doc.pathName(), b);
  EXPECT_FALSE(doc.isModified());
}

TEST_F(UndoTest, TheHistoryKeepsTheLatestHundredStepsOfTheLargestConfiguration) {
  doc.newDocument();
  host.answers = {true};
  data().general.base[BaseParameters::O10].setValue(7);  // 5 programs of 99 steps
  for (Program& p : data().programs) doc.setStepCount(p, 99);
  settle();
  // 149 steps (80 is U03's default): the 55 oldest steps, the 6 above
  // included, are forgotten.
  for (int i = 1; i <= 150; ++i) {
    step(i % 5, i % 99)[Step::U03].setValue(i);
    settle();
  }
  EXPECT_EQ(doc.history().undoCount(), UndoHistory::kLimit);
  // Each step holds only the program it changed.
  EXPECT_LT(doc.history().bytes(), 6u << 20);
  while (doc.canUndo()) doc.undo();
  EXPECT_EQ(step(49 % 5, 49)[Step::U03].value(), 49);
  EXPECT_EQ(step(50 % 5, 50)[Step::U03].value(), 80);
}

TEST_F(UndoTest, ViewsAreBroughtBackToTheChangeAndNothingPointsAtRemovedSteps) {
  selectStep(3);
  doc.addStepAfter();  // step 5, then selected
  Step* added = &step(0, 4);
  doc.setSelection(doc.selection(), doc.currentProgram(), added);
  log.told.clear();
  doc.undo();
  // Step 5 is gone: the program is selected, and no pointer names the step.
  EXPECT_EQ(program(0).stepCount(), 4);
  EXPECT_EQ(log.count(DocumentChange::Kind::Selection), 1);
  EXPECT_EQ(doc.selection()->group, GroupRef(&program(0)));
  EXPECT_EQ(doc.currentStep(), nullptr);
  EXPECT_EQ(doc.currentProgram(), &program(0));

  doc.redo();
  EXPECT_EQ(doc.selection()->group, GroupRef(&step(0, 4)));
  EXPECT_EQ(doc.currentStep(), &step(0, 4));
  EXPECT_EQ(log.shown.back(), (ChangePlace{NavigationKind::Step, 0, 4, ""}));
}

// Whoever is told of an undo finds the selection and the current program and
// step still in the configuration, also when the undo has just removed them.
TEST_F(UndoTest, ObserversNeverMeetACurrentProgramOrStepThatIsGone) {
  bool sound = true;
  log.onChange = [&] {
    const Program* p = doc.currentProgram();
    const Step* s = doc.currentStep();
    const std::optional<NavigationItem>& selected = doc.selection();
    sound = sound && (!p || data().programIndexOf(p) >= 0) && (!s || (p && p->stepIndexOf(s) >= 0)) &&
            (!selected || !selected->group || doc.holds(selected->group));
  };
  // A step appended and made current.
  doc.setStepCount(program(0), 6);
  settle();
  doc.setSelection(std::nullopt, &program(0), &step(0, 5));
  doc.undo();
  EXPECT_TRUE(sound);
  // A partition with room for 60 programs, the last one current.
  host.answers = {true};
  data().general.base[BaseParameters::O10].setValue(0);
  settle();
  ASSERT_EQ(data().programCount(), 60);
  doc.setSelection(std::nullopt, &program(59), nullptr);
  doc.undo();
  EXPECT_EQ(data().programCount(), 20);
  EXPECT_TRUE(sound);
}
