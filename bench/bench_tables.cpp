// The table mode's figures for the largest program (99 steps): showing it
// from scratch (every step column built) and the refresh after one edit
// (every cell rewritten, no column rebuilt), both under a frame's 16 ms.
// Run offscreen (scripts/bench.sh sets it).

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "GuiBenchMain.h"
#include "document/CTkv88_3Doc.h"
#include "model/SetpointPair.h"
#include "tables/CDlgStepsTable.h"

namespace {

struct Table {
  CTkv88_3Doc doc;
  Program program, empty;
  CDlgStepsTable page{doc};

  Table() {
    CTkv88_3Doc::setActive(&doc);
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
  ~Table() { CTkv88_3Doc::setActive(nullptr); }
};

void BM_StepsTableShowProgram(benchmark::State& state) {
  Table t;
  for (auto _ : state) {
    t.page.SetProgram(&t.program);
    QCoreApplication::processEvents();  // the layout and paint it causes
    state.PauseTiming();
    t.page.SetProgram(&t.empty);
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StepsTableShowProgram)->Unit(benchmark::kMillisecond);

void BM_StepsTableRefreshAfterEdit(benchmark::State& state) {
  Table t;
  t.page.SetProgram(&t.program);
  QCoreApplication::processEvents();
  int i = 0;
  for (auto _ : state) {
    Step& s = *t.program.stepAt(i++ % 99);
    s[Step::U01].setEnteredValue((s[Step::U01].value() + 1) % 4);
    t.page.SetProgram(&t.program);
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_StepsTableRefreshAfterEdit)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return runGuiBenchmarks(argc, argv); }
