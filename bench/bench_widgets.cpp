// The widgets' figures: one paint of the regulator chart and of the profile
// chart for the largest program (99 steps of mixed inputs, timed and
// untimed), which the steps table repaints after every edit. Run offscreen
// (scripts/bench.sh sets it).

#include <benchmark/benchmark.h>

#include <QImage>

#include <QApplication>

#include "BenchPrograms.h"
#include "GuiBenchMain.h"
#include "model/PidRegulator.h"
#include "widgets/ProfileChart.h"
#include "widgets/RegulatorChart.h"

namespace {

void BM_GraphPaint(benchmark::State& state) {
  const PidRegulator regulator(0);
  const Program program = mixedProgram(static_cast<int>(state.range(0)));
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

// The profile chart computes the profile at every paint; the table shows it
// beside the steps at about this size.
void BM_ProfileChartPaint(benchmark::State& state) {
  const Program program = mixedProgram(static_cast<int>(state.range(0)));
  ProfileChart chart;
  chart.resize(480, 300);
  chart.setProgram(&program, nullptr);
  QImage image(chart.size(), QImage::Format_RGB32);
  for (auto _ : state) {
    chart.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_ProfileChartPaint)->Arg(25)->Arg(99)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return runGuiBenchmarks<QApplication>(argc, argv); }
