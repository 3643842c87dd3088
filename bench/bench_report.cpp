// The report's figures: the whole PDF of the largest configurations, every
// program full (partition 2: 20 programs of 25 steps, the figure the export
// is held to, under 2 s of CPU; partition 7: 5 of 99; partition 0: 60 of 7),
// from the configuration to the file's bytes. Run offscreen
// (scripts/bench.sh sets it).

#include <benchmark/benchmark.h>

#include "GuiBenchMain.h"
#include "model/DeviceData.h"
#include "model/SetpointPair.h"
#include "report/ConfigurationReport.h"

namespace {

DeviceData fullConfiguration(int partition) {
  DeviceData d;
  d.setName("Bench");
  d.general.base[BaseParameters::O10].setEnteredValue(partition);
  for (int p = 0; p < GeneralParameters::programCountOf(partition); ++p) {
    Program& program = d.programs.emplace_back();
    for (int i = 0; i < GeneralParameters::stepsPerProgramOf(partition); ++i) {
      Step& s = program.steps.emplace_back();
      s[Step::U01].setEnteredValue((i + p) % 4);
      s[Step::U02].setEnteredValue(1 + i % 10);
      s[Step::E01].setEnteredValue(1 + i % 5);
      s[Step::E_01].setEnteredValue(1 + (i + 2) % 5);
      s.applyInputRanges();
      setPairFixed(s[Step::E02], s[Step::E03], (i * 37 + p) % 900);
      setPairFixed(s[Step::E_02], s[Step::E_03], (i * 53 + p) % 900);
      s[Step::U04].setEnteredValue(i % 3);
      s[Step::U05].setEnteredValue((i * 7) % 60);
      for (int n = 1; n <= Step::kKeyCount; ++n) s.key(n).setEnteredValue((n + i) % 16);
    }
  }
  return d;
}

void BM_ReportPdf(benchmark::State& state) {
  const DeviceData d = fullConfiguration(static_cast<int>(state.range(0)));
  const ConfigurationReport report(d, {QStringLiteral("Bench"), QStringLiteral("файл bench.tkv88"), {}},
                                   ConfigurationReport::programsWithSteps(d));
  qsizetype bytes = 0;
  for (auto _ : state) bytes = report.pdf().size();
  state.counters["kB"] = static_cast<double>(bytes) / 1024;
}
BENCHMARK(BM_ReportPdf)->Arg(2)->Arg(7)->Arg(0)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

int main(int argc, char** argv) { return runGuiBenchmarks(argc, argv); }
