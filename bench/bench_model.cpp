// Building groups, a program's profile, and copying whole configurations: the document copies on
// every read, every reset and every program-list change. The copy also tells
// what a configuration weighs: the heap it holds (as the C library counts
// it, allocator overhead included) plus its own object, in all and per cell.
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <string>

#include "BenchPrograms.h"
#include "model/DeviceData.h"
#include "model/ProgramProfile.h"

namespace {

std::size_t heapInUse() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

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

// The profile every chart paint and every tree text of a program computes.
void BM_Profile(benchmark::State& state) {
  const Program program = mixedProgram(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(programProfile(program));
}
BENCHMARK(BM_Profile)->Arg(25)->Arg(99)->Unit(benchmark::kMicrosecond);

std::size_t cellsOf(const DeviceData& d) {
  std::size_t cells = GeneralParameters::kCellCount;
  for (const Program& p : d.programs)
    cells += 1 + Program::kComparatorCount * Comparator::kCellCount + p.steps.size() * Step::kCellCount;
  return cells;
}

// Partition 0 (60 programs x 7 steps), 2 (20 x 25, the most cells) and 7 (5 x 99).
void BM_CopyLargestConfiguration(benchmark::State& state) {
  const int partition = static_cast<int>(state.range(0));
  const DeviceData source = largest(partition);
  const std::size_t before = heapInUse();
  double bytes = 0;
  {
    const DeviceData probe = source;
    benchmark::DoNotOptimize(&probe);
    bytes = static_cast<double>(heapInUse() - before + sizeof(DeviceData));
  }
  for (auto _ : state) {
    DeviceData copy = source;
    benchmark::DoNotOptimize(copy);
  }
  state.counters["cells"] = static_cast<double>(cellsOf(source));
  state.counters["MB"] = bytes / (1 << 20);
  state.counters["bytesPerCell"] = bytes / static_cast<double>(cellsOf(source));
  state.SetLabel(std::to_string(GeneralParameters::programCountOf(partition)) + " x " +
                 std::to_string(GeneralParameters::stepsPerProgramOf(partition)));
}
BENCHMARK(BM_CopyLargestConfiguration)->Arg(0)->Arg(2)->Arg(7)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
