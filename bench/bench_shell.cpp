// The shell's figures: rebuilding the navigation tree for the largest
// configurations (60 programs of 7 steps, 5 programs of 99 steps),
// switching the right pane between kinds, a value typed while the tree
// shows every program's duration, and switching it to each
// parameter form (its initial update, the step form's key lists included),
// an edit undone and redone, and a step added and deleted, so that every
// edit, undo and arrow key in the tree stays instant.
// Run offscreen (QT_QPA_PLATFORM=offscreen; scripts/bench.sh sets it).

#include <benchmark/benchmark.h>

#include <memory>

#include <QApplication>

#include "GuiBenchMain.h"
#include "document/Document.h"
#include "document/LevelMask.h"
#include "shell/GroupPane.h"
#include "shell/MainWindow.h"
#include "shell/NavigationTree.h"
#include "shell/QtDocumentHost.h"

namespace {

// A shown main frame over a document of `programs` programs of `steps` steps.
struct Shell {
  QtDocumentHost host;
  Document doc{&host};
  std::unique_ptr<MainWindow> frame;

  Shell(int partition, int steps) {
    frame = std::make_unique<MainWindow>(doc, levelMask);
    host.setFrame(frame.get());
    doc.newDocument();
    DeviceData& d = *doc.deviceData();
    d.general.base[BaseParameters::O10].setValueQuiet(partition);
    d.programs.resize(d.general.programCount());
    for (Program& p : d.programs) p.steps.resize(steps);
    doc.closeUndoStep();  // the steps made, as one undo step
    doc.announce({DocumentChange::Kind::Configuration});  // the steps made behind the document
    frame->show();
    QCoreApplication::processEvents();
  }
};

void BM_TreeRebuild(benchmark::State& state) {
  Shell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  NavigationTree* tree = shell.frame->treeView();
  // A selection deep in the tree, restored by every rebuild.
  tree->selectGroup(&shell.doc.deviceData()->programs.back().steps.back(), true);
  for (auto _ : state) {
    tree->rebuild();
    QCoreApplication::processEvents();  // the layout and paint the rebuild causes
  }
  state.counters["items"] = static_cast<double>(shell.doc.deviceData()->programCount()) *
                                (7 + shell.doc.deviceData()->programs.front().stepCount()) +
                            9;
}
// Arguments: the partition O10 and the steps of every program; partition 0
// holds 60 programs of 7 steps, partition 7 five programs of 99.
BENCHMARK(BM_TreeRebuild)->Args({0, 7})->Args({7, 99})->Unit(benchmark::kMillisecond);

void BM_RightPaneSwitch(benchmark::State& state) {
  Shell shell(2, 10);
  NavigationTree* tree = shell.frame->treeView();
  Program& program = shell.doc.deviceData()->programs.front();
  GeneralParameters& g = shell.doc.deviceData()->general;
  // Form to page to another form and back: every switch changes the view.
  const GroupRef targets[] = {&program.steps.front(), &program, &g.pid[1], &program.comparators[0], &g.base};
  std::size_t i = 0;
  for (auto _ : state) {
    tree->selectGroup(targets[i++ % std::size(targets)], false);
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_RightPaneSwitch)->Unit(benchmark::kMillisecond);

// A step's duration typed while the tree shows 20 programs of 25 steps:
// the tree follows with the one program's text (steps and duration), the
// right pane with the step form; the figure includes the layout and paint.
void BM_TreeValueEdit(benchmark::State& state) {
  Shell shell(2, 25);
  Step& step = shell.doc.deviceData()->programs.back().steps.back();
  shell.frame->treeView()->selectGroup(&step, true);
  QCoreApplication::processEvents();
  int i = 0;
  for (auto _ : state) {
    step.cells[Step::U05].setEnteredValue(10 + (i++ & 1));
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_TreeValueEdit)->Unit(benchmark::kMillisecond);

// Switching from a page to one form and back; the figure is per switch to
// the form (its binding, initial update, layout and paint). Argument: the
// form, in the order below; on the largest configuration, 5 programs of 99
// steps.
void BM_FormSwitch(benchmark::State& state) {
  Shell shell(7, 99);
  NavigationTree* tree = shell.frame->treeView();
  DeviceData& d = *shell.doc.deviceData();
  Program& program = d.programs.back();
  const GroupRef forms[] = {&program.steps.back(),  &program.comparators[3], &d.general.keys,
                         &d.general.corrections, &d.general.filters,      &d.general.base,
                         &d.general.pid[1]};
  const GroupRef form = forms[state.range(0)];
  for (auto _ : state) {
    state.PauseTiming();
    tree->selectGroup(&program, false);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    tree->selectGroup(form, false);
    QCoreApplication::processEvents();
  }
  static const char* const names[] = {"step", "comparator", "keys", "corrections", "filters", "base", "pid"};
  state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_FormSwitch)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

// Moving from step to step with the arrow keys: the step form stays and is
// bound and refreshed anew.
void BM_StepToStep(benchmark::State& state) {
  Shell shell(7, 99);
  NavigationTree* tree = shell.frame->treeView();
  Program& program = shell.doc.deviceData()->programs.back();
  tree->selectGroup(&program.steps.front(), true);
  std::size_t i = 0;
  for (auto _ : state) {
    tree->selectGroup(program.stepAt(static_cast<int>(i++ % 99)), false);
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_StepToStep)->Unit(benchmark::kMillisecond);

// Undo as the user meets it with the last step's form on show: a value
// committed (the step recorded, the "Правка" items renamed, the title's
// mark checked), and an undo and a redo of it with every view brought back.
void BM_EditUndoRedo(benchmark::State& state) {
  Shell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Step& step = shell.doc.deviceData()->programs.back().steps.back();
  shell.frame->treeView()->selectGroup(&step, true);
  QCoreApplication::processEvents();
  const bool edit = state.range(2) == 0;
  int i = 0;
  if (!edit) {
    step[Step::U03].setValue(500);
    QCoreApplication::processEvents();
  }
  for (auto _ : state) {
    if (edit) {
      step[Step::U03].setValue(100 + i++ % 300);
      QCoreApplication::processEvents();
      continue;
    }
    shell.frame->actions().undo->trigger();
    QCoreApplication::processEvents();
    shell.frame->actions().redo->trigger();
    QCoreApplication::processEvents();
  }
}
// Arguments: the partition, the steps of every program, and 0 for the
// edit, 1 for an undo and a redo.
BENCHMARK(BM_EditUndoRedo)
    ->Args({0, 7, 0})
    ->Args({2, 25, 0})
    ->Args({7, 99, 0})
    ->Args({0, 7, 1})
    ->Args({7, 99, 1})
    ->Unit(benchmark::kMillisecond);

// A step added after the selected one and deleted again with the tree on
// show: each command followed by every view it concerns (the tree's step
// items of that program above all). Arguments: the partition and the steps
// of every program (one fewer than the partition allows, so one fits).
void BM_StepAddDelete(benchmark::State& state) {
  Shell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  DeviceData& d = *shell.doc.deviceData();
  Program& program = *d.programAt(static_cast<int>(d.programs.size() / 2));
  shell.frame->treeView()->selectGroup(program.stepAt(2), true);
  QCoreApplication::processEvents();
  for (auto _ : state) {
    shell.doc.addStepAfter();
    QCoreApplication::processEvents();
    shell.doc.deleteStep();
    QCoreApplication::processEvents();
  }
  state.SetLabel("add + delete");
}
BENCHMARK(BM_StepAddDelete)->Args({0, 6})->Args({7, 98})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return runGuiBenchmarks<QApplication>(argc, argv); }
