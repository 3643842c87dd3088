// Building groups and copying whole configurations: the document copies on
// every read, every reset and every program-list change.
#include <benchmark/benchmark.h>

#include "model/DeviceData.h"

namespace {

DeviceData largest(int partition) {
  DeviceData d;
  d.general.base[BaseParameters::O10].setValue(partition);
  for (int p = 0; p < d.general.programCount(); ++p) {
    Program& prog = d.programs.emplace_back();
    prog.steps.resize(d.general.stepsPerProgram());
  }
  return d;
}

void BM_BuildGeneralParameters(benchmark::State& state) {
  for (auto _ : state) {
    GeneralParameters g;
    benchmark::DoNotOptimize(g);
  }
}
BENCHMARK(BM_BuildGeneralParameters);

void BM_BuildStep(benchmark::State& state) {
  for (auto _ : state) {
    Step s;
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_BuildStep);

void BM_BuildProgramWith99Steps(benchmark::State& state) {
  for (auto _ : state) {
    Program p;
    p.steps.resize(99);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_BuildProgramWith99Steps);

// Partition 0 (60 programs x 7 steps) and 7 (5 x 99).
void BM_CopyLargestConfiguration(benchmark::State& state) {
  const DeviceData source = largest(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    DeviceData copy = source;
    benchmark::DoNotOptimize(copy);
  }
  state.SetLabel(state.range(0) == 0 ? "60 x 7" : "5 x 99");
}
BENCHMARK(BM_CopyLargestConfiguration)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
