// What the document tells its observers: each kind of change is told once,
// as the kind it is, with the cell or program it concerns, a move of the
// selection after the change that caused it, and nothing is told for the
// work a load or a new document does on the way.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "document/Document.h"
#include "tests/document/FakeHost.h"

namespace {

using Kind = DocumentChange::Kind;

struct Fixture {
  FakeHost host;
  Document doc{&host};
  ChangeLog recorder;
  NavigationItem item;

  Fixture() {
    doc.newDocument();
    Program& p = program();
    for (int i = 0; i < 3; ++i) p.steps.emplace_back();
    doc.announce({Kind::Steps, nullptr, &p});  // made behind its back
    doc.closeUndoStep();
    doc.addObserver(&recorder);
  }
  Program& program() { return *doc.deviceData()->programAt(1); }
  void selectStep(int index) {
    item = NavigationItem{NavigationKind::Step, 1, index, program().stepAt(index)};
    doc.setSelection(item, &program(), program().stepAt(index));
    recorder.told.clear();  // what the action tells, not the selection before it
  }
};

struct Case {
  const char* name;
  std::function<void(Fixture&)> act;
  // What is told, given the fixture after the action.
  std::function<std::vector<DocumentChange>(Fixture&)> expected;
};
using Expected = decltype(Case::expected);

std::vector<DocumentChange> steps(Fixture& f) { return {{Kind::Steps, nullptr, &f.program()}}; }
// A whole program replaced: its steps, then the comparators' and name's values.
std::vector<DocumentChange> wholeProgram(Fixture& f) { return {{Kind::Steps, nullptr, &f.program()}, {Kind::Values}}; }
// What `told` gives, with the selection's move told after the first change.
Expected selecting(Expected told) {
  return [told](Fixture& f) {
    std::vector<DocumentChange> changes = told(f);
    changes.insert(changes.begin() + 1, {Kind::Selection});
    return changes;
  };
}

const Case kCases[] = {
    {"a cell set through its setter",
     [](Fixture& f) { f.program().stepAt(1)->cells[Step::U03].setEnteredValue(40); },
     [](Fixture& f) { return std::vector<DocumentChange>{{Kind::Cell, &f.program().stepAt(1)->cells[Step::U03]}}; }},
    {"a value set as it is already: nothing", [](Fixture& f) { f.program().H02.setValue(1); },
     [](Fixture&) { return std::vector<DocumentChange>{}; }},
    {"a step added",
     [](Fixture& f) {
       f.selectStep(1);
       f.doc.addStepAfter();
     },
     selecting(steps)},
    {"a step deleted, its cycle start following within the one notice",
     [](Fixture& f) {
       f.program().H02.valueRef() = 3;
       f.selectStep(2);
       f.doc.deleteStep();
     },
     selecting(steps)},
    {"the step count", [](Fixture& f) { f.doc.setStepCount(f.program(), 5); }, selecting(steps)},
    {"steps pasted", [](Fixture& f) { f.doc.insertSteps(f.program(), 2, {Step(), Step()}); }, selecting(steps)},
    {"steps cut: told step by step",
     [](Fixture& f) {
       f.program().H02.valueRef() = 0;
       f.doc.removeSteps(f.program(), 1, 2);
     },
     selecting([](Fixture& f) {
       auto told = steps(f);
       told.push_back(told.front());
       return told;
     })},
    {"a program pasted over another",
     [](Fixture& f) { f.doc.replaceProgram(f.program(), *f.doc.deviceData()->programAt(0)); },
     selecting(wholeProgram)},
    {"a step reset", [](Fixture& f) { f.doc.resetStep(*f.program().stepAt(0)); },
     [](Fixture&) { return std::vector<DocumentChange>{{Kind::Values}}; }},
    {"a program reset", [](Fixture& f) { f.doc.resetProgram(f.program()); }, wholeProgram},
    {"undo of a value",
     [](Fixture& f) {
       f.program().stepAt(1)->cells[Step::U03].setEnteredValue(40);
       f.doc.closeUndoStep();
       f.recorder.told.clear();
       f.doc.undo();
     },
     selecting([](Fixture&) { return std::vector<DocumentChange>{{Kind::Values}, {Kind::Shown}}; })},
    {"undo of a step added",
     [](Fixture& f) {
       f.doc.setStepCount(f.program(), 4);
       f.recorder.told.clear();
       f.doc.undo();
     },
     [](Fixture& f) {
       auto told = steps(f);
       told.push_back({Kind::Values});
       told.push_back({Kind::Shown});
       return told;
     }},
    {"a program renamed",
     [](Fixture& f) {
       f.selectStep(0);
       f.host.renameAnswer = "Сушка";
       f.doc.renameProgram();
     },
     [](Fixture& f) { return std::vector<DocumentChange>{{Kind::Name, nullptr, &f.program()}}; }},
    {"a new partition: the program list, then the cell",
     [](Fixture& f) {
       for (Program& p : f.doc.deviceData()->programs) p.H02.valueRef() = 0;  // no cycle start to follow
       f.host.answers.push_back(true);
       f.doc.deviceData()->general.base[BaseParameters::O10].setEnteredValue(0);
     },
     [](Fixture& f) {
       return std::vector<DocumentChange>{{Kind::Programs},
                                          {Kind::Cell, &f.doc.deviceData()->general.base[BaseParameters::O10]}};
     }},
    {"a new document, told once", [](Fixture& f) { f.doc.newDocument(); },
     selecting([](Fixture&) { return std::vector<DocumentChange>{{Kind::Configuration}}; })},
    {"a configuration loaded, told once", [](Fixture& f) { f.doc.loadText(f.doc.text()); },
     selecting([](Fixture&) { return std::vector<DocumentChange>{{Kind::Configuration}}; })},
    {"closed", [](Fixture& f) { f.doc.closeDocument(); },
     selecting([](Fixture&) { return std::vector<DocumentChange>{{Kind::Configuration}}; })},
    {"the selection", [](Fixture& f) { f.doc.select(std::nullopt); },
     [](Fixture&) { return std::vector<DocumentChange>{{Kind::Selection}}; }},
};

TEST(DocumentChange, EachChangeIsToldOnceAsWhatItIs) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    c.act(f);
    const auto expected = c.expected(f);
    ASSERT_EQ(f.recorder.told.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_TRUE(f.recorder.told[i] == expected[i]) << i;
  }
}

TEST(DocumentChange, AnObserverMayLeaveWhileBeingTold) {
  Fixture f;
  ChangeLog second;
  f.doc.addObserver(&second);
  f.recorder.onChange = [&] {
    f.doc.removeObserver(&second);
    f.doc.removeObserver(&f.recorder);
  };
  f.doc.select(std::nullopt);
  f.doc.select(std::nullopt);
  EXPECT_EQ(f.recorder.told.size(), 1u);
  EXPECT_TRUE(second.told.empty());
}

}  // namespace
