// The tables' figures. The steps table for the largest program (99 steps):
// showing it from scratch and the refresh after one edit (its step's column
// and the charts painted again), both under a frame's 16 ms, and a whole
// program's range of 21 x 25 cells pasted (under 50 ms). The full list
// on the largest configurations (60 programs of 7 steps and 5 programs of
// 99, about 14 000 rows each): a new configuration shown (with and without
// its first paint), what one edit does at once, filtering per keystroke,
// closing and opening a program, and scrolling a page with its repaint.
// Run offscreen (scripts/bench.sh sets it).

#include <benchmark/benchmark.h>

#include <memory>

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>

#include <QApplication>

#include "GuiBenchMain.h"
#include "document/ClipboardText.h"
#include "document/Document.h"
#include "model/SetpointPair.h"
#include "tables/FullListModel.h"
#include "tables/FullListView.h"
#include "tables/StepsTableModel.h"
#include "tables/StepsTablePage.h"
#include "widgets/Messages.h"
#include "widgets/DocumentActions.h"

namespace {


struct Table {
  Document doc;
  Program program, empty;
  DocumentActions actions{doc, nullptr};
  StepsTablePage page{doc, actions};

  Table() {
    doc.newDocument();
    for (int i = 0; i < 99; ++i) {
      Step& s = program.steps.emplace_back();
      s[Step::U01].setEnteredValue(i % 4);
      s[Step::E01].setEnteredValue(1 + i % 5);
      s.applyInputRanges();
      setPairFixed(s[Step::E02], s[Step::E03], (i * 37) % 900);
      s.key(1 + i % 8).setEnteredValue(i % 3);
    }
    page.resize(1200, 700);
    page.show();
    QCoreApplication::processEvents();
  }
};

void BM_StepsTableShowProgram(benchmark::State& state) {
  Table t;
  for (auto _ : state) {
    t.page.setProgram(&t.program);
    QCoreApplication::processEvents();  // the layout and paint it causes
    state.PauseTiming();
    t.page.setProgram(&t.empty);
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StepsTableShowProgram)->Unit(benchmark::kMillisecond);

void BM_StepsTableRefreshAfterEdit(benchmark::State& state) {
  Table t;
  t.page.setProgram(&t.program);
  QCoreApplication::processEvents();
  int i = 0;
  for (auto _ : state) {
    Step& s = *t.program.stepAt(i++ % 99);
    s[Step::U01].setEnteredValue((s[Step::U01].value() + 1) % 4);
    QCoreApplication::processEvents();  // the column and the charts painted again
  }
}
BENCHMARK(BM_StepsTableRefreshAfterEdit)->Unit(benchmark::kMillisecond);

// A whole program's range pasted, 21 rows by 25 steps as a spreadsheet
// gives it: each cell through the typing rules, then the one repaint.
void BM_StepsTablePasteRange(benchmark::State& state) {
  Table t;
  messages::setResponder([](const messages::Shown&) { return messages::Answer::Ok; });
  t.page.setProgram(&t.program);
  QCoreApplication::processEvents();
  const StepsTableModel& model = *t.page.model();
  cliptext::Grid grid(model.rowCount(), std::vector<std::string>(25));
  for (int r = 0; r < model.rowCount(); ++r)
    for (int c = 0; c < 25; ++c) grid[r][c] = model.data(model.index(r, c)).toString().toStdString();
  QGuiApplication::clipboard()->setText(QString::fromStdString(cliptext::joinGrid(grid)));
  int i = 0;
  for (auto _ : state) {
    t.page.table()->setCurrentIndex(model.index(0, 25 + 25 * (i++ % 3)));
    t.page.paste();
    QCoreApplication::processEvents();  // the view painted again
  }
  messages::setResponder(nullptr);
}
BENCHMARK(BM_StepsTablePasteRange)->Unit(benchmark::kMillisecond);


// A shown full list over a headless document of `partition`'s programs,
// each with `steps` steps.
struct ListShell {
  Document doc;
  std::unique_ptr<FullListView> form;

  ListShell(int partition, int steps) {
    doc.newDocument();
    DeviceData& d = *doc.deviceData();
    d.general.base[BaseParameters::O10].setValueQuiet(partition);
    d.programs.resize(d.general.programCount());
    for (Program& p : d.programs) p.steps.resize(steps);
    form = std::make_unique<FullListView>(doc);
    form->resize(1000, 800);
    form->show();
    QCoreApplication::processEvents();
  }
};

int allRows(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
  int n = model.rowCount(parent);
  for (int r = 0, rows = n; r < rows; ++r) n += allRows(model, model.index(r, 0, parent));
  return n;
}

void rowCounters(benchmark::State& state, const ListShell& shell) {
  state.counters["rows"] = allRows(*shell.form->model());
  int shown = 0;
  for (QModelIndex i = shell.form->view()->model()->index(0, 0); i.isValid(); i = shell.form->view()->indexBelow(i))
    ++shown;
  state.counters["shown"] = shown;
}

// A whole new configuration as the list meets it (a file opened): the model
// made again, the groups opened as before, the first page laid out and painted.
void BM_FullListBuild(benchmark::State& state) {
  ListShell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    shell.doc.announce({DocumentChange::Kind::Configuration});
    shell.form->view()->viewport()->repaint();
  }
  rowCounters(state, shell);
}
BENCHMARK(BM_FullListBuild)->Args({0, 7})->Args({7, 99})->Unit(benchmark::kMillisecond);

// The model alone made again over a new configuration, the view told of it
// and its groups opened, nothing laid out or painted yet.
void BM_FullListModelReset(benchmark::State& state) {
  ListShell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) shell.doc.announce({DocumentChange::Kind::Configuration});
}
BENCHMARK(BM_FullListModelReset)->Args({0, 7})->Args({7, 99})->Unit(benchmark::kMillisecond);

// One value changed (as a form or the list would store it): what the list
// does about it at once.
void BM_FullListRefreshAfterEdit(benchmark::State& state) {
  ListShell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  Parameter& p = shell.doc.deviceData()->programs.back().steps.back().cells[Step::U03];
  int v = 0;
  for (auto _ : state) p.setEnteredValue(++v % 100);
  rowCounters(state, shell);
}
BENCHMARK(BM_FullListRefreshAfterEdit)->Args({0, 7})->Args({7, 99})->Unit(benchmark::kMillisecond);

// Typing a search word one letter at a time and deleting it again; one
// iteration is one keystroke. The first letter matches nearly every row.
void BM_FullListFilterKeystroke(benchmark::State& state) {
  ListShell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  const QString word = QStringLiteral("уставка");
  QStringList texts;
  for (int n = 1; n <= word.size(); ++n) texts << word.left(n);
  for (int n = word.size() - 1; n >= 0; --n) texts << word.left(n);
  QLineEdit* search = shell.form->searchField();
  int i = 0;
  for (auto _ : state) search->setText(texts[i++ % texts.size()]);
}
BENCHMARK(BM_FullListFilterKeystroke)->Args({0, 7})->Args({7, 99})->Unit(benchmark::kMillisecond);

// Closing and opening the first program (its rows leave and re-enter the view).
void BM_FullListToggleProgram(benchmark::State& state) {
  ListShell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  QTreeView* view = shell.form->view();
  const QModelIndex first = view->model()->index(0, 0);
  for (auto _ : state) {
    view->collapse(first);
    view->expand(first);
  }
}
BENCHMARK(BM_FullListToggleProgram)->Args({0, 7})->Args({7, 99})->Unit(benchmark::kMicrosecond);

// Paging down through the list, each page painted at once.
void BM_FullListScrollPage(benchmark::State& state) {
  ListShell shell(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  QTreeView* view = shell.form->view();
  QScrollBar* bar = view->verticalScrollBar();
  for (auto _ : state) {
    const int next = bar->value() + bar->pageStep();
    bar->setValue(next > bar->maximum() ? 0 : next);
    view->viewport()->repaint();
  }
  state.counters["rows_per_page"] = bar->pageStep();
}
BENCHMARK(BM_FullListScrollPage)->Args({0, 7})->Args({7, 99})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return runGuiBenchmarks<QApplication>(argc, argv); }
