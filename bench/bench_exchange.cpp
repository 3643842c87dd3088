// Whole exchanges against the simulated controller: a full write (L2 then
// L1) and a full read (L2 then L1) of the largest configuration of a
// partition (every program with every step), each run on its worker thread
// as the GUI runs it. Reported per exchange pair:
//   virtual_s  the device time the simulated controller counted,
//   bound_s    the lower bound the protocol's fixed waits impose (10 ms
//              before each block read, 200 us in each half-period of a
//              received bit, 10 ms after each written byte),
// and the wall time per iteration. Target: a write plus a read of the
// largest configuration well under 3 s of wall time.
//
// BM_Engines sets the two memory engines side by side on the largest
// configuration (O10 = 6, every step of every program): the bit-banged
// parallel-port bus on the simulated controller and the i2c-dev engine on the
// simulated 100 kHz I2C adapter. virtual_s is the device time of a full write
// (L2 then L1) or a full read; for i2c-dev also the transfers (acknowledge
// polls included). The wall time of a read is mostly the model's decoding;
// bench_link's BM_I2cTransfer gives the engine's own host cost per transfer.
// Targets for i2c-dev: read under 1.5 s, write under 4 s (the memory's own
// limit is about 0.75 s and 2 s).
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "link/DeviceExchange.h"
#include "link/FactoryImage.h"
#include "link/I2cDevMemory.h"
#include "link/SimulatedController.h"
#include "link/SimulatedI2cAdapter.h"
#include "tests/support/RandomConfig.h"

namespace {

constexpr double kBlockSleep = 0.010;        // before each block read
constexpr double kBitSample = 2 * 0.000200;  // both halves of each received bit
constexpr double kByteWrite = 0.010;         // the write cycle after each byte

double readBlock(int bytes) { return kBlockSleep + 8 * kBitSample * bytes; }

// A record write: an offset record first reads the byte it starts in.
double writeRecord(int32_t bit, int bytes) {
  return bit % 8 ? readBlock(1) + (bytes + 1) * kByteWrite : bytes * kByteWrite;
}

double l2Bound(bool write) {
  double t = 0;
  for (int offset = 0; offset < kL2Size; offset += kL2BlockBytes) {
    const int n = std::min(kL2BlockBytes, kL2Size - offset);
    t += readBlock(n) + (write ? n * kByteWrite : 0);
  }
  return t;
}

double writeBound(const DeviceData& config) {
  const int programs = config.general.programCount();
  double t = l2Bound(true);
  for (int n = 0; n < programs; ++n) {
    t += writeRecord(ProgramBit(programs, n), kHeaderRecordBytes);
    const Program* p = config.programAt(n);
    for (int s = 0; p && s < p->stepCount(); ++s) t += writeRecord(StepBit(programs, n, s), kStepRecordBytes);
  }
  return t;
}

double readBound(const DeviceData& config) {
  const int programs = config.general.programCount();
  double t = l2Bound(false) + 2 * programs * readBlock(kHeaderReadBytes);  // the header pass, then again
  for (const Program& p : config.programs) t += p.stepCount() * readBlock(kStepReadBytes);
  return t + 2 * readBlock(1);  // each area's read ends with a byte that tells the memory still answers
}

void runExchange(DeviceLink& link, DeviceData& config, ExchangeMode mode, benchmark::State& state) {
  DeviceExchange exchange(link, config, mode);
  if (exchange.run() != DeviceExchange::kDone) state.SkipWithError("exchange failed");
}

// Arg: the partition O10; arg 2: 0 write, 1 read, 2 both.
void BM_Exchange(benchmark::State& state) {
  std::mt19937 rng(static_cast<unsigned>(state.range(0)));
  DeviceData config = randomConfig(rng, static_cast<int>(state.range(0)), -1, true);
  const bool write = state.range(1) != 1, read = state.range(1) != 0;
  uint64_t virtualUs = 0;
  for (auto _ : state) {
    auto port = std::make_unique<SimulatedController>(factoryImage());
    SimulatedController* sim = port.get();
    DeviceLink link(std::move(port));
    link.lptBase = PortBackend::kLpt1;
    if (!write) WriteConfiguration(config, sim->memory());
    const uint64_t start = sim->virtualTimeUs();
    if (write) {
      runExchange(link, config, ExchangeMode::WriteL2, state);
      runExchange(link, config, ExchangeMode::WriteL1, state);
    }
    if (read) {
      DeviceData scratch;
      runExchange(link, scratch, ExchangeMode::ReadL2, state);
      runExchange(link, scratch, ExchangeMode::ReadL1, state);
    }
    virtualUs += sim->virtualTimeUs() - start;
  }
  state.counters["virtual_s"] =
      static_cast<double>(virtualUs) / 1e6 / static_cast<double>(state.iterations());
  state.counters["bound_s"] = (write ? writeBound(config) : 0) + (read ? readBound(config) : 0);
  int steps = 0;
  for (const Program& p : config.programs) steps += p.stepCount();
  state.counters["steps"] = steps;
}
BENCHMARK(BM_Exchange)
    ->ArgNames({"O10", "op"})
    ->ArgsProduct({{0, 2, 7}, {0, 1}})
    ->Args({6, 2})  // the most steps of any partition: 6 x 88
    ->Args({0, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Arg engine: 0 bit-banged, 1 i2c-dev; arg op: 0 full write, 1 full read.
void BM_Engines(benchmark::State& state) {
  std::mt19937 rng(6);
  DeviceData config = randomConfig(rng, 6, -1, true);
  const bool i2c = state.range(0) == 1, write = state.range(1) == 0;
  MemoryImage written = factoryImage();
  WriteConfiguration(config, written);
  const MemoryImage& start = write ? factoryImage() : written;
  uint64_t virtualUs = 0, transfers = 0;
  for (auto _ : state) {
    state.PauseTiming();
    SimulatedController* sim = nullptr;
    SimulatedI2cAdapter* adapter = nullptr;
    I2cDevMemory* engine = nullptr;
    std::unique_ptr<DeviceLink> link;
    if (i2c) {
      auto bus = std::make_unique<SimulatedI2cAdapter>(start);
      adapter = bus.get();
      auto memory = std::make_unique<I2cDevMemory>(std::move(bus));
      engine = memory.get();
      link = std::make_unique<DeviceLink>(std::move(memory));
    } else {
      auto port = std::make_unique<SimulatedController>(start);
      sim = port.get();
      link = std::make_unique<DeviceLink>(std::move(port));
      link->lptBase = PortBackend::kLpt1;
    }
    auto now = [&] { return i2c ? adapter->nowUs() : sim->virtualTimeUs(); };
    state.ResumeTiming();
    const uint64_t before = now();
    DeviceData scratch;
    for (ExchangeMode mode : write ? std::vector{ExchangeMode::WriteL2, ExchangeMode::WriteL1}
                                   : std::vector{ExchangeMode::ReadL2, ExchangeMode::ReadL1})
      runExchange(*link, write ? config : scratch, mode, state);
    virtualUs += now() - before;
    if (engine) transfers += engine->transfers();
    const MemoryImage& after = i2c ? adapter->memory() : sim->memory();
    if (write && after != written) state.SkipWithError("the memory differs from the image");
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["virtual_s"] = static_cast<double>(virtualUs) / 1e6 / n;
  if (i2c) state.counters["transfers"] = static_cast<double>(transfers) / n;
}
BENCHMARK(BM_Engines)
    ->ArgNames({"i2c", "read"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The changed write against the full write, partition 2 with every program
// full and one setpoint changed, both on a controller holding the old
// configuration, in one run:
//   full_s     the full write (L2, then every slot), virtual seconds,
//   changed_s  the changed write: read the controller, write the differing
//              bytes, read them back,
//   ratio      changed_s / full_s (the goal: under 0.4).
void BM_ChangedWrite(benchmark::State& state) {
  std::mt19937 rng(12);
  const DeviceData old = randomConfig(rng, 2, -1, true);
  MemoryImage before = factoryImage();
  WriteConfiguration(old, before);
  DeviceData changed = old;
  Parameter& setpoint = changed.programAt(9)->steps.back()[Step::U03];
  setpoint.setValueQuiet(setpoint.value() == 50 ? 51 : 50);
  MemoryImage expected = before;
  WriteConfiguration(changed, expected);

  uint64_t fullUs = 0, changedUs = 0;
  for (auto _ : state) {
    for (const bool full : {true, false}) {
      auto port = std::make_unique<SimulatedController>(before);
      SimulatedController* sim = port.get();
      DeviceLink link(std::move(port));
      link.lptBase = PortBackend::kLpt1;
      DeviceSnapshot snapshot;
      DeviceData read;
      const std::vector<std::pair<ExchangeMode, DeviceData*>> exchanges =
          full ? std::vector<std::pair<ExchangeMode, DeviceData*>>{{ExchangeMode::WriteL2, &changed},
                                                                   {ExchangeMode::WriteL1, &changed}}
               : std::vector<std::pair<ExchangeMode, DeviceData*>>{{ExchangeMode::ReadSnapshot, &read},
                                                                   {ExchangeMode::WriteChanged, &changed}};
      for (const auto& [mode, config] : exchanges) {
        DeviceExchange exchange(link, *config, mode, &snapshot);
        if (exchange.run() != DeviceExchange::kDone) state.SkipWithError("exchange failed");
      }
      if (sim->memory() != expected) state.SkipWithError("the memory differs from a full write's");
      (full ? fullUs : changedUs) += sim->virtualTimeUs();
    }
  }
  const auto n = static_cast<double>(state.iterations());
  state.counters["full_s"] = static_cast<double>(fullUs) / 1e6 / n;
  state.counters["changed_s"] = static_cast<double>(changedUs) / 1e6 / n;
  state.counters["ratio"] = static_cast<double>(changedUs) / static_cast<double>(fullUs);
}
BENCHMARK(BM_ChangedWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
