// Saving and loading the largest configurations (60 programs of 7 steps and
// 5 programs of 99 steps), and the document's modified check, which renders
// the file text and compares it with the one last saved.
#include <benchmark/benchmark.h>

#include "document/CTkv88_3Doc.h"
#include "document/ConfigFile.h"

namespace {

DeviceData largest(int partition) {
  DeviceData d;
  d.general.base[BaseParameters::O10].setValue(partition);
  for (int p = 0; p < d.general.programCount(); ++p) {
    Program& program = d.programs.emplace_back();
    for (int s = 0; s < d.general.stepsPerProgram(); ++s)
      program.steps.emplace_back()[Step::U04].setValue(s % 60);
  }
  return d;
}

void BM_Save(benchmark::State& state) {
  const DeviceData d = largest(static_cast<int>(state.range(0)));
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string text = configfile::write(d);
    bytes = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_Save)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
  const std::string text = configfile::write(largest(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    auto d = configfile::read(text);
    benchmark::DoNotOptimize(d.get());
  }
}
BENCHMARK(BM_Load)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_IsModified(benchmark::State& state) {
  CTkv88_3Doc doc;
  doc.loadText(configfile::write(largest(static_cast<int>(state.range(0)))));
  for (auto _ : state) benchmark::DoNotOptimize(doc.isModified());
}
BENCHMARK(BM_IsModified)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
