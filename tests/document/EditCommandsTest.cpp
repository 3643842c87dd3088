// The editing commands: where steps go, how the cycle start H02 follows
// them, what they select, and the enable rules.
#include <gtest/gtest.h>

#include "document/Document.h"
#include "tests/document/FakeHost.h"

namespace {

class EditCommandsTest : public testing::Test {
 protected:
  EditCommandsTest() {
    doc.newDocument();
    doc.addObserver(&log);
    program = &doc.deviceData()->programs.front();
  }
  // The selection's moves told since the last clear.
  int moves() const { return log.count(DocumentChange::Kind::Selection); }
  GroupRef selected() const { return doc.selection() ? doc.selection()->group : GroupRef(); }

  // Steps marked by their original position in U04 (1..n).
  void makeSteps(int n, int h02) {
    for (int i = 1; i <= n; ++i) program->steps.emplace_back()[Step::U04].setValue(i);
    program->H02.setValue(h02);
  }
  Step* step(int position) { return program->stepAt(position - 1); }
  std::vector<int> marks() const {
    std::vector<int> list;
    for (const Step& s : program->steps) list.push_back(s[Step::U04].value());
    return list;
  }
  // The tree selects step `position` (1-based) of the program.
  void selectStep(int position, bool makeCurrent = true) {
    item = NavigationItem{NavigationKind::Step, 1, position, step(position)};
    doc.setSelection(item, program, makeCurrent ? step(position) : nullptr);
    log.told.clear();
  }
  void selectItem(NavigationKind kind) {
    item = NavigationItem{kind, 1, 0, program};
    doc.setSelection(item, program, doc.currentStep());
    log.told.clear();
  }

  FakeHost host;
  Document doc{&host};
  ChangeLog log;
  Program* program = nullptr;
  NavigationItem item;
};

}  // namespace

TEST_F(EditCommandsTest, InsertingKeepsTheCycleStartOnTheSameStep) {
  enum Where { First, Last, Before, After };
  const struct {
    Where where;
    int selected;  // step item selected for Before/After
    int h02;
    std::vector<int> marks;
    int newPosition;
  } cases[] = {
      {Before, 3, 4, {1, 2, 3, 3, 4, 5}, 3}, {After, 3, 3, {1, 2, 3, 3, 4, 5}, 4},
      {After, 2, 4, {1, 2, 2, 3, 4, 5}, 3},  {Before, 4, 3, {1, 2, 3, 4, 4, 5}, 4},
      {First, 0, 4, {1, 1, 2, 3, 4, 5}, 1},  {Last, 0, 3, {1, 2, 3, 4, 5, 5}, 6},
  };
  for (const auto& c : cases) {
    program->steps.clear();
    makeSteps(5, 3);
    if (c.where == First || c.where == Last)
      selectItem(NavigationKind::Steps);
    else
      selectStep(c.selected);
    switch (c.where) {
      case First:
        doc.addStepFirst();
        break;
      case Last:
        doc.addStepLast();
        break;
      case Before:
        doc.addStepBefore();
        break;
      case After:
        doc.addStepAfter();
        break;
    }
    SCOPED_TRACE(testing::Message() << "case " << c.where << " on " << c.selected);
    EXPECT_EQ(program->H02.value(), c.h02);
    EXPECT_EQ(marks(), c.marks);
    EXPECT_EQ(moves(), 1);
    EXPECT_EQ(selected(), GroupRef(step(c.newPosition)));
    EXPECT_EQ(doc.selection()->subIndex, c.newPosition);
  }
}

TEST_F(EditCommandsTest, InsertingIntoEmptyOrCyclelessPrograms) {
  selectItem(NavigationKind::Program);
  doc.addStepFirst();
  ASSERT_EQ(program->stepCount(), 1);
  EXPECT_EQ(program->H02.value(), 1);
  EXPECT_EQ(program->steps.front()[Step::U04].value(), 2);  // a default step

  program->H02.setValue(0);
  doc.addStepFirst();
  doc.addStepLast();
  EXPECT_EQ(program->H02.value(), 0);
  EXPECT_EQ(program->stepCount(), 3);

  // Before a step while another one is current: inserted, not selected.
  makeSteps(1, 0);
  selectStep(2, false);
  doc.setSelection(doc.selection(), program, step(1));
  log.told.clear();
  const GroupRef before = selected();
  doc.addStepBefore();
  EXPECT_EQ(program->stepCount(), 5);
  EXPECT_EQ(moves(), 0);
  EXPECT_EQ(selected(), before);
}

TEST_F(EditCommandsTest, ACycleStartLoadedOutOfRangeNeverOverflows) {
  // "StartStep" is stored as read, so H02 may be the largest number there is.
  makeSteps(2, 1);
  program->H02.valueRef() = INT32_MAX;
  selectItem(NavigationKind::Steps);
  doc.addStepFirst();
  selectStep(1);
  doc.addStepBefore();
  doc.addStepAfter();
  EXPECT_EQ(program->stepCount(), 5);
  EXPECT_EQ(program->H02.value(), INT32_MAX);
}

TEST_F(EditCommandsTest, DeletingMovesTheCycleStartAndTheSelection) {
  const struct {
    int steps, h02, deleted, h02After;
    int selectedMark;  // U04 mark of the step selected afterwards; 0 = the program
  } cases[] = {
      {5, 3, 2, 2, 3}, {5, 3, 3, 3, 4}, {5, 3, 5, 3, 4}, {3, 3, 3, 2, 2}, {1, 1, 1, 0, 0}, {5, 0, 1, 0, 2},
  };
  for (const auto& c : cases) {
    program->steps.clear();
    makeSteps(c.steps, c.h02);
    selectStep(c.deleted);
    doc.deleteStep();
    SCOPED_TRACE(testing::Message() << c.steps << " steps, H02 " << c.h02 << ", deleting " << c.deleted);
    EXPECT_EQ(program->stepCount(), c.steps - 1);
    EXPECT_EQ(program->H02.value(), c.h02After);
    EXPECT_EQ(moves(), 1);
    if (c.selectedMark == 0) {
      EXPECT_EQ(selected(), GroupRef(program));
      EXPECT_EQ(doc.currentStep(), nullptr);
    } else {
      const Step* selected = this->selected().get<Step>();
      ASSERT_TRUE(selected);
      EXPECT_EQ((*selected)[Step::U04].value(), c.selectedMark);
      EXPECT_EQ(doc.currentStep(), selected);
    }
  }
}

TEST_F(EditCommandsTest, CommandsWithoutTheirSelectionDoNothing) {
  makeSteps(3, 2);
  Step foreign;
  item = NavigationItem{NavigationKind::Step, 1, 1, &foreign};
  doc.setSelection(item, program, doc.currentStep());
  log.told.clear();
  using Command = void (Document::*)();
  for (Command command : {&Document::addStepBefore, &Document::addStepAfter, &Document::deleteStep,
                          &Document::toggleCycleStart})
    (doc.*command)();
  EXPECT_EQ(moves(), 0);
  doc.setSelection(std::nullopt, nullptr, doc.currentStep());
  log.told.clear();
  for (Command command : {&Document::addStepFirst, &Document::addStepLast, &Document::addStepBefore,
                          &Document::deleteStep, &Document::toggleCycleStart, &Document::renameProgram})
    (doc.*command)();
  EXPECT_EQ(program->stepCount(), 3);
  EXPECT_EQ(program->H02.value(), 2);
  EXPECT_EQ(moves(), 0);
  EXPECT_TRUE(host.renameShown.empty());
}

TEST_F(EditCommandsTest, ToggleCycleStartAndWhetherTheStepIsIt) {
  makeSteps(5, 3);
  selectStep(3);
  EXPECT_TRUE(doc.selectedStepIsCycleStart());
  doc.toggleCycleStart();
  EXPECT_EQ(program->H02.value(), 0);
  EXPECT_FALSE(doc.selectedStepIsCycleStart());
  selectStep(5);
  doc.toggleCycleStart();
  EXPECT_EQ(program->H02.value(), 5);

  selectItem(NavigationKind::Steps);
  EXPECT_FALSE(doc.canToggleCycleStart());
}

TEST_F(EditCommandsTest, InsertCommandsAreDisabledAtThePartitionsStepLimit) {
  doc.deviceData()->general.base[BaseParameters::O10].setValueQuiet(0);  // 7 steps per program
  makeSteps(6, 1);
  selectItem(NavigationKind::Steps);
  EXPECT_TRUE(doc.canAddStep());
  doc.addStepLast();
  EXPECT_FALSE(doc.canAddStep());
  doc.setSelection(doc.selection(), nullptr, doc.currentStep());
  EXPECT_FALSE(doc.canAddStep());
}

TEST_F(EditCommandsTest, RenameCutsTo63CharactersAndCancelKeepsTheName) {
  selectItem(NavigationKind::Program);
  host.renameAnswer = std::string(70, 'r');
  doc.renameProgram();
  EXPECT_EQ(host.renameShown, std::vector<std::string>{"Новая программа"});
  EXPECT_EQ(program->name(), std::string(63, 'r'));
  host.renameAnswer.reset();
  doc.renameProgram();
  EXPECT_EQ(program->name(), std::string(63, 'r'));
}

TEST_F(EditCommandsTest, ProgramsMenuSelectsPrograms) {
  log.told.clear();
  doc.selectProgram(2);
  EXPECT_EQ(moves(), 1);
  EXPECT_EQ(selected(), GroupRef(doc.deviceData()->programAt(2)));
  EXPECT_EQ(doc.currentProgram(), doc.deviceData()->programAt(2));

  doc.selectProgram(20);  // beyond the 20 programs
  EXPECT_EQ(moves(), 1);
}

TEST_F(EditCommandsTest, StepCountFollowsTheFullListsRules) {
  makeSteps(3, 2);
  const struct {
    int count;
    int expected;
    bool changed;
  } cases[] = {{5, 5, true}, {5, 5, false}, {-1, 5, false}, {40, 25, true}, {2, 2, true}, {0, 0, true}};
  for (const auto& c : cases) {
    doc.setSelection(doc.selection(), nullptr, step(1));
    EXPECT_EQ(doc.setStepCount(*program, c.count), c.changed) << c.count;
    EXPECT_EQ(program->stepCount(), c.expected) << c.count;
    EXPECT_EQ(doc.currentProgram(), program);
    EXPECT_EQ(doc.currentStep(), nullptr);
  }
  EXPECT_EQ(program->H02.value(), 2);  // not adjusted
  makeSteps(2, 2);
  doc.setStepCount(*program, 4);
  EXPECT_EQ(marks(), (std::vector<int>{1, 2, 2, 2}));  // default steps appended
}

TEST_F(EditCommandsTest, PastedAndCutStepsKeepTheCycleStartOnItsStep) {
  enum Op { Insert, Remove };
  const struct {
    Op op;
    int position, count;  // where and how many; inserted steps are marked 9
    int h02;              // before
    std::vector<int> marks;
    int h02After;
  } cases[] = {
      {Insert, 3, 2, 3, {1, 2, 9, 9, 3, 4, 5}, 5},
      {Insert, 4, 2, 3, {1, 2, 3, 9, 9, 4, 5}, 3},
      {Insert, 1, 1, 0, {9, 1, 2, 3, 4, 5}, 0},
      {Insert, 6, 3, 5, {1, 2, 3, 4, 5, 9, 9, 9}, 5},
      {Remove, 1, 2, 3, {3, 4, 5}, 1},
      {Remove, 2, 3, 3, {1, 5}, 2},
      {Remove, 4, 2, 5, {1, 2, 3}, 3},
      {Remove, 4, 9, 3, {1, 2, 3}, 3},
  };
  for (const auto& c : cases) {
    program->steps.clear();
    makeSteps(5, c.h02);
    if (c.op == Insert) {
      Step marked;
      marked[Step::U04].setValue(9);
      EXPECT_FALSE(doc.insertSteps(*program, c.position, std::vector<Step>(c.count, marked)));
    } else {
      doc.removeSteps(*program, c.position, c.count);
    }
    EXPECT_EQ(marks(), c.marks) << c.op << " " << c.position;
    EXPECT_EQ(program->H02.value(), c.h02After) << c.op << " " << c.position;
  }
  // Into a program without steps the cycle start stays on the first one.
  program->steps.clear();
  program->H02.setValue(1);
  EXPECT_FALSE(doc.insertSteps(*program, 1, std::vector<Step>(3)));
  EXPECT_EQ(program->H02.value(), 1);
}

TEST_F(EditCommandsTest, PastesBeyondThePartitionAreRefusedSayingWhatFits) {
  makeSteps(23, 1);  // partition 2: 25 steps a program
  const std::string before = doc.text();
  const auto refusal = doc.insertSteps(*program, 1, std::vector<Step>(3));
  ASSERT_TRUE(refusal);
  EXPECT_EQ(*refusal,
            "Вставить 3 шага нельзя: в программе 1 есть место ещё для 2 (20 программ по 25 шагов).");
  Program big;
  big.setName("Сушка");
  big.steps.resize(26);
  const auto programRefusal = doc.replaceProgram(doc.deviceData()->programs.back(), big);
  ASSERT_TRUE(programRefusal);
  EXPECT_EQ(
      *programRefusal,
      "Вставить программу \"Сушка\" нельзя: в ней 26 шагов, а в программе этой прошивки их может быть не "
      "более 25 (20 программ по 25 шагов).");
  EXPECT_EQ(doc.text(), before);
  EXPECT_FALSE(doc.insertSteps(*program, 24, std::vector<Step>(2)));
  EXPECT_EQ(program->stepCount(), 25);
}

TEST_F(EditCommandsTest, EachPasteIsOneUndoStep) {
  makeSteps(3, 2);
  doc.closeUndoStep();
  const std::string start = doc.text();
  Program source;
  source.setName("Сушка");
  source.steps.resize(4);
  source.H02.setValue(4);
  source.comparators[2][Comparator::C03].setValue(-20);
  Program& target = doc.deviceData()->programs.back();
  ASSERT_FALSE(doc.replaceProgram(target, source));
  EXPECT_EQ(target.name(), "Сушка");
  EXPECT_EQ(target.stepCount(), 4);
  EXPECT_EQ(target.H02.value(), 4);
  EXPECT_EQ(target.comparators[2][Comparator::C03].value(), -20);
  EXPECT_EQ(selected(), GroupRef(&target));
  EXPECT_EQ(doc.undoText(), "вставка программы 20");

  ASSERT_FALSE(doc.insertSteps(*program, 2, std::vector<Step>(2)));
  EXPECT_EQ(selected(), GroupRef(step(2)));
  EXPECT_EQ(doc.undoText(), "вставка шагов 2–3 в программу 1");
  doc.removeSteps(*program, 1, 1);
  EXPECT_EQ(doc.undoText(), "вырезание шага 1 программы 1");
  EXPECT_EQ(doc.currentStep(), step(1));
  for (int i = 0; i < 3; ++i) doc.undo();
  EXPECT_EQ(doc.text(), start);
}
