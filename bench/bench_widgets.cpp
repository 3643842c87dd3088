// The widgets' figures: one paint of the regulator chart for the largest
// program (99 steps of mixed inputs, timed and untimed), which the steps
// table repaints after every edit. Run offscreen (scripts/bench.sh sets it).

#include <benchmark/benchmark.h>

#include <QImage>

#include <QApplication>

#include "GuiBenchMain.h"
#include "model/PidRegulator.h"
#include "model/Program.h"
#include "model/SetpointPair.h"
#include "widgets/RegulatorChart.h"

namespace {

void BM_GraphPaint(benchmark::State& state) {
  const PidRegulator regulator(0);
  Program program;
  const int steps = static_cast<int>(state.range(0));
  for (int i = 0; i < steps; ++i) {
    Step& s = program.steps.emplace_back();
    s[Step::E01].setEnteredValue(1 + i % 5);
    s.applyInputRanges();
    setPairFixed(s[Step::E02], s[Step::E03], (i * 37) % 900);
    s[Step::U01].setEnteredValue(i % 4);
    s[Step::U04].setEnteredValue(i % 3);
    s[Step::U05].setEnteredValue((i * 7) % 60);
  }
  RegulatorChart graph;
  graph.resize(1200, 110);
  graph.setProgram(&program, 0, &regulator);
  QImage image(graph.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    graph.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_GraphPaint)->Arg(2)->Arg(25)->Arg(99)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return runGuiBenchmarks<QApplication>(argc, argv); }
