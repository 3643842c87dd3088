// Saving and loading the largest configurations (60 programs of 7 steps,
// 20 of 25 and 5 of 99), the document's modified check, which renders the
// file text and compares it with the one last saved, and the undo history:
// recording one changed cell as a step, undoing and redoing it, and what the
// history holds after 100 such steps, or after 100 steps that each change
// every program; what one value typed into a cell costs; and the names a
// read gets back from the name store. (A step as a copy of the model would take some 10 MB and
// 10 ms on these configurations; as the saved text, a load of over 2 ms per
// undo and no limits or hooks.)
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <unordered_set>

#include "document/ConfigFile.h"
#include "document/ConfigSnapshot.h"
#include "document/Document.h"
#include "document/NameStore.h"

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
BENCHMARK(BM_Save)->Arg(0)->Arg(2)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
  const std::string text = configfile::write(largest(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    auto d = configfile::read(text);
    benchmark::DoNotOptimize(d.get());
  }
}
BENCHMARK(BM_Load)->Arg(0)->Arg(2)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_IsModified(benchmark::State& state) {
  Document doc;
  doc.loadText(configfile::write(largest(static_cast<int>(state.range(0)))));
  for (auto _ : state) benchmark::DoNotOptimize(doc.isModified());
}
BENCHMARK(BM_IsModified)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

// A document holding the largest configuration with every cell observed.
struct UndoDocument {
  explicit UndoDocument(int partition) {
    doc.loadText(configfile::write(largest(partition)));
  }
  Parameter& cell(int i) {
    Program& p = *doc.deviceData()->programAt(i % doc.deviceData()->programCount());
    return (*p.stepAt(i % p.stepCount()))[Step::U03];
  }
  Document doc;
};

void BM_RecordStep(benchmark::State& state) {
  UndoDocument u(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    u.cell(i).setValue(100 + i % 500);
    u.doc.closeUndoStep();
    ++i;
  }
  state.counters["historyMB"] = static_cast<double>(u.doc.history().bytes()) / (1 << 20);
}
BENCHMARK(BM_RecordStep)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

// The worst step for memory: one that changes every program (a read from the
// controller, "По умолчанию" on all of them), so it shares nothing with the
// one before. After 100 of them the history holds its bound: stepKB is what
// one such step holds, historyMB the whole history.
void BM_RecordWholeStep(benchmark::State& state) {
  UndoDocument u(static_cast<int>(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    for (Program& p : u.doc.deviceData()->programs) (*p.stepAt(0))[Step::U03].setValue(100 + i % 500);
    u.doc.closeUndoStep();
    ++i;
  }
  std::unordered_set<const void*> seen;
  state.counters["stepKB"] = static_cast<double>(ConfigSnapshot(*u.doc.deviceData()).bytes(seen)) / 1024;
  state.counters["historyMB"] = static_cast<double>(u.doc.history().bytes()) / (1 << 20);
}
BENCHMARK(BM_RecordWholeStep)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

// One value typed into a cell: of the document's configuration, which the
// document hears, asks about and tells (Arg 1), and of a copy, which no one
// hears (Arg 0). Nothing observes the document, so this is the cell's own
// cost and the document's.
void BM_CellEdit(benchmark::State& state) {
  UndoDocument u(7);
  DeviceData copy = *u.doc.deviceData();
  Parameter& cell = state.range(0) ? u.cell(3) : (*copy.programAt(3)->stepAt(3))[Step::U03];
  int i = 0;
  for (auto _ : state) cell.setEnteredValue(100 + (i++ & 1));
}
BENCHMARK(BM_CellEdit)->ArgName("observed")->Arg(0)->Arg(1);

void BM_UndoAndRedoStep(benchmark::State& state) {
  UndoDocument u(static_cast<int>(state.range(0)));
  u.cell(0).setValue(500);
  u.doc.closeUndoStep();
  for (auto _ : state) {
    u.doc.undo();
    u.doc.redo();
  }
}
BENCHMARK(BM_UndoAndRedoStep)->Arg(0)->Arg(7)->Unit(benchmark::kMillisecond);

// The names a read of 20 programs of 25 steps gets back from a store that
// remembers 1000 programs (and 50 configurations); the store lives in a
// scratch folder.
void BM_NameLookup(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tkv88-bench-names-" + std::to_string(::getpid()));
  const NameStore store((dir / "names.txt").string());
  DeviceData written = largest(2);
  for (int round = 0; round < 50; ++round) {
    for (Program& p : written.programs) p.H02.valueRef() = round + 1;  // 20 new programs each round
    store.remember(written, written, "Цех", "sim:/c.bin");
  }
  for (auto _ : state) {
    DeviceData read = written;
    benchmark::DoNotOptimize(store.restore(read, [](const std::string& port) { return port == "sim:/c.bin"; }));
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_NameLookup)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
