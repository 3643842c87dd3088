// Whole exchanges against the simulated controller: a full write (L2 then
// L1) and a full read (L2 then L1) of the largest configuration of a
// partition (every program with every step), each run on its worker thread
// as the GUI runs it. Reported per exchange pair:
//   virtual_s  the device time the simulated controller counted,
//   bound_s    the lower bound the protocol's fixed waits impose (10 ms
//              before each block read, 200 us in each half-period of a
//              received bit, 10 ms after each written byte),
//   readback_s the part of a write's bound that reads back what it wrote
//              (one block read per record, one per L2 block),
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

#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "link/Ch341Memory.h"
#include "link/DeviceExchange.h"
#include "link/FactoryImage.h"
#include "link/I2cDevMemory.h"
#include "link/SimulatedCh341.h"
#include "link/SimulatedController.h"
#include "link/SimulatedI2cAdapter.h"
#include "link/WireProtocol.h"
#include "tests/support/RandomConfig.h"

namespace {

constexpr double kBlockSleep = 0.010;        // before each block read
constexpr double kBitSample = 2 * 0.000200;  // both halves of each received bit
constexpr double kByteWrite = 0.010;         // the write cycle after each byte

double readBlock(int bytes) { return kBlockSleep + 8 * kBitSample * bytes; }

// A record write: an offset record first reads the byte it starts in, and
// the bytes written are read back (added to `readBack`).
double writeRecord(int32_t bit, int bytes, double& readBack) {
  const int written = bit % 8 ? bytes + 1 : bytes;
  readBack += readBlock(written);
  return (bit % 8 ? readBlock(1) : 0) + written * kByteWrite + readBlock(written);
}

double l2Bound(bool write, double& readBack) {
  double t = 0;
  for (int offset = 0; offset < kL2Size; offset += kL2BlockBytes) {
    const int n = std::min(kL2BlockBytes, kL2Size - offset);
    t += readBlock(n);
    if (!write) continue;
    t += n * kByteWrite + readBlock(n);
    readBack += readBlock(n);
  }
  return t;
}

double writeBound(const DeviceData& config, double& readBack) {
  const int programs = config.general.programCount();
  double t = l2Bound(true, readBack);
  for (int n = 0; n < programs; ++n) {
    t += writeRecord(programBit(programs, n), kHeaderRecordBytes, readBack);
    const Program* p = config.programAt(n);
    for (int s = 0; p && s < p->stepCount(); ++s)
      t += writeRecord(stepBit(programs, n, s), kStepRecordBytes, readBack);
  }
  return t;
}

double readBound(const DeviceData& config) {
  const int programs = config.general.programCount();
  double none = 0;
  // The header pass, then again.
  double t = l2Bound(false, none) + 2 * programs * readBlock(kHeaderReadBytes);
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
    DeviceLink link(std::move(port), LinkTiming::kStandard);
    link.lptBase = PortBackend::kLpt1;
    if (!write) writeConfiguration(config, sim->memory());
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
  double readBack = 0;
  state.counters["bound_s"] = (write ? writeBound(config, readBack) : 0) + (read ? readBound(config) : 0);
  state.counters["readback_s"] = readBack;
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

// Arg engine: 0 bit-banged (standard timing), 1 i2c-dev, 2 bit-banged in
// the fast timing; arg op: 0 full write, 1 full read.
void BM_Engines(benchmark::State& state) {
  std::mt19937 rng(6);
  DeviceData config = randomConfig(rng, 6, -1, true);
  const bool i2c = state.range(0) == 1, write = state.range(1) == 0;
  const LinkTiming timing = state.range(0) == 2 ? LinkTiming::kFast : LinkTiming::kStandard;
  MemoryImage written = factoryImage();
  writeConfiguration(config, written);
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
      link = std::make_unique<DeviceLink>(std::move(port), timing);
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
    ->ArgNames({"engine", "read"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The changed write against the full write, partition 2 with every program
// full and one setpoint changed, both on a controller holding the old
// configuration, in one run:
//   full_s     the full write (L2, then every slot), virtual seconds,
//   changed_s  the changed write: read the controller, write the differing
//              bytes, read them back,
//   ratio      changed_s / full_s (the goal: under 0.4).
// Partition 2 with every program full, and the same with one setpoint
// changed: the controller holds `old` in `before`; `after` is what writing
// `changed` leaves.
struct SetpointChange {
  DeviceData old, changed;
  MemoryImage before, after;
};
SetpointChange oneSetpointChanged() {
  std::mt19937 rng(12);
  SetpointChange c;
  c.old = randomConfig(rng, 2, -1, true);
  c.before = factoryImage();
  writeConfiguration(c.old, c.before);
  c.changed = c.old;
  Parameter& setpoint = c.changed.programAt(9)->steps.back()[Step::U03];
  setpoint.setValueQuiet(setpoint.value() == 50 ? 51 : 50);
  c.after = c.before;
  writeConfiguration(c.changed, c.after);
  return c;
}

void BM_ChangedWrite(benchmark::State& state) {
  SetpointChange c = oneSetpointChanged();
  const MemoryImage& before = c.before;
  const MemoryImage& expected = c.after;
  DeviceData& changed = c.changed;

  uint64_t fullUs = 0, changedUs = 0;
  for (auto _ : state) {
    for (const bool full : {true, false}) {
      auto port = std::make_unique<SimulatedController>(before);
      SimulatedController* sim = port.get();
      DeviceLink link(std::move(port), LinkTiming::kStandard);
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

// The two timings of the parallel-port adapter side by side on the largest
// configuration of partition 2, on the default simulated adapter and on ones
// whose data line rises in 20 and 150 us (rise=). Each row runs, as the GUI runs
// them (the line measured first, every exchange on its worker):
//   read_s     a full read (L2, then every slot), virtual seconds,
//   write_s    a full write (L2, then every slot); in the fast timing with
//              the read-back of every page it writes,
//   changed_s  a changed write of one setpoint (read the controller, write
//              the byte, read it back),
//   cpu_us     host CPU per bus transaction (acknowledge polls included)
//              over all three, and cpu_ms all of it: a slow line's longer
//              waits must not cost the host more per transaction (the fast
//              timing's transactions are longer: page writes, and a block
//              read twice at the start of each exchange).
// Targets for the fast timing: read under 2 s (4 s with rise=20), write
// under 5 s, changed write under 2 s; the standard timing stands at about
// 38.6 s, 131 s and 30 s (its write was 97 s before it read back what it
// wrote: 35 % slower).
void BM_Timings(benchmark::State& state) {
  const LinkTiming timing = state.range(0) ? LinkTiming::kFast : LinkTiming::kStandard;
  const int rise = static_cast<int>(state.range(1));
  SetpointChange c = oneSetpointChanged();
  MemoryImage written = factoryImage();
  writeConfiguration(c.old, written);
  DeviceData scratch;

  struct Phase {
    const char* counter;
    const MemoryImage& start;
    std::vector<ExchangeMode> modes;
    DeviceData& config;
    const MemoryImage& expected;
  };
  const Phase phases[] = {
      {"read_s", c.before, {ExchangeMode::ReadL2, ExchangeMode::ReadL1}, scratch, c.before},
      {"write_s", factoryImage(), {ExchangeMode::WriteL2, ExchangeMode::WriteL1}, c.old, written},
      {"changed_s", c.before, {ExchangeMode::ReadSnapshot, ExchangeMode::WriteChanged}, c.changed, c.after},
  };
  double seconds[std::size(phases)] = {};
  uint64_t transactions = 0;
  std::clock_t cpu = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < std::size(phases); ++i) {
      const Phase& phase = phases[i];
      auto port = std::make_unique<SimulatedController>(phase.start);
      port->setRiseTime(rise);
      SimulatedController* sim = port.get();
      auto memory = std::make_unique<BitBangedMemory>(std::move(port), timing);
      BitBangedMemory* engine = memory.get();
      DeviceLink link(std::move(memory));
      link.lptBase = PortBackend::kLpt1;
      const std::clock_t cpuStart = std::clock();
      const uint64_t start = sim->virtualTimeUs();
      DeviceSnapshot snapshot;
      for (const ExchangeMode mode : phase.modes) {
        // The changed write's read goes into a configuration of its own.
        DeviceData& config = mode == ExchangeMode::ReadSnapshot ? scratch : phase.config;
        DeviceExchange exchange(link, config, mode, &snapshot);
        if (exchange.run() != DeviceExchange::kDone) state.SkipWithError("exchange failed");
      }
      seconds[i] += static_cast<double>(sim->virtualTimeUs() - start) / 1e6;
      cpu += std::clock() - cpuStart;
      transactions += engine->transactions();
      if (sim->memory() != phase.expected) state.SkipWithError("the memory differs");
      if (engine->standardFallback()) state.SkipWithError("fell back to the standard timing");
    }
  }
  const auto n = static_cast<double>(state.iterations());
  for (std::size_t i = 0; i < std::size(phases); ++i) state.counters[phases[i].counter] = seconds[i] / n;
  state.counters["cpu_us"] =
      static_cast<double>(cpu) * 1e6 / CLOCKS_PER_SEC / static_cast<double>(transactions);
  state.counters["cpu_ms"] = static_cast<double>(cpu) * 1e3 / CLOCKS_PER_SEC / n;
  state.counters["transactions"] = static_cast<double>(transactions) / n;
}
BENCHMARK(BM_Timings)
    ->ArgNames({"fast", "rise"})
    ->ArgsProduct({{0, 1}, {0, 20, 150}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The adapters side by side on the largest configuration of partition 2,
// as BM_Timings measures them: the parallel-port simulator in the fast
// timing, the i2c-dev engine on the simulated I2C adapter (100 kHz), and the
// CH341A engine on the simulated chip at 100 and 400 kHz (1 ms per USB round
// trip). read_s, write_s (the fast timing and the CH341A read every page
// back) and changed_s in virtual seconds; for the USB adapter also its round trips
// per operation (read_rt, write_rt, changed_rt). Targets for the CH341A:
// read under 1.2 s at 100 kHz and 0.5 s at 400 kHz, write under 3 s,
// changed write under 1.5 s.
void BM_Adapters(benchmark::State& state) {
  enum Adapter { kParallelFast, kI2cDev, kCh341At100, kCh341At400 };
  const auto adapter = static_cast<Adapter>(state.range(0));
  SetpointChange c = oneSetpointChanged();
  MemoryImage written = factoryImage();
  writeConfiguration(c.old, written);
  DeviceData scratch;
  struct Phase {
    const char* seconds;
    const char* roundTrips;
    const MemoryImage& start;
    std::vector<ExchangeMode> modes;
    DeviceData& config;
    const MemoryImage& expected;
  };
  const Phase phases[] = {
      {"read_s", "read_rt", c.before, {ExchangeMode::ReadL2, ExchangeMode::ReadL1}, scratch, c.before},
      {"write_s", "write_rt", factoryImage(), {ExchangeMode::WriteL2, ExchangeMode::WriteL1}, c.old, written},
      {"changed_s",
       "changed_rt",
       c.before,
       {ExchangeMode::ReadSnapshot, ExchangeMode::WriteChanged},
       c.changed,
       c.after},
  };
  double seconds[std::size(phases)] = {}, trips[std::size(phases)] = {};
  for (auto _ : state) {
    for (std::size_t i = 0; i < std::size(phases); ++i) {
      const Phase& phase = phases[i];
      std::unique_ptr<DeviceLink> link;
      std::function<uint64_t()> nowUs;
      std::function<const MemoryImage&()> memory;
      Ch341Memory* usb = nullptr;
      if (adapter == kParallelFast) {
        auto port = std::make_unique<SimulatedController>(phase.start);
        SimulatedController* sim = port.get();
        link = std::make_unique<DeviceLink>(std::move(port), LinkTiming::kFast);
        link->lptBase = PortBackend::kLpt1;
        nowUs = [sim] { return sim->virtualTimeUs(); };
        memory = [sim]() -> const MemoryImage& { return sim->memory(); };
      } else if (adapter == kI2cDev) {
        auto bus = std::make_unique<SimulatedI2cAdapter>(phase.start);
        SimulatedI2cAdapter* sim = bus.get();
        link = std::make_unique<DeviceLink>(std::make_unique<I2cDevMemory>(std::move(bus)));
        nowUs = [sim] { return sim->nowUs(); };
        memory = [sim]() -> const MemoryImage& { return sim->memory(); };
      } else {
        auto chip = std::make_unique<SimulatedCh341>(phase.start);
        SimulatedCh341* sim = chip.get();
        auto engine = std::make_unique<Ch341Memory>(
            std::move(chip), adapter == kCh341At100 ? ch341::Speed::k100kHz : ch341::Speed::k400kHz);
        usb = engine.get();
        link = std::make_unique<DeviceLink>(std::move(engine));
        nowUs = [sim] { return sim->nowUs(); };
        memory = [sim]() -> const MemoryImage& { return sim->memory(); };
      }
      const uint64_t start = nowUs();
      DeviceSnapshot snapshot;
      for (const ExchangeMode mode : phase.modes) {
        DeviceData& config = mode == ExchangeMode::ReadSnapshot ? scratch : phase.config;
        DeviceExchange exchange(*link, config, mode, &snapshot);
        if (exchange.run() != DeviceExchange::kDone) state.SkipWithError("exchange failed");
      }
      seconds[i] += static_cast<double>(nowUs() - start) / 1e6;
      if (usb) trips[i] += static_cast<double>(usb->roundTrips());
      if (memory() != phase.expected) state.SkipWithError("the memory differs");
    }
  }
  const auto n = static_cast<double>(state.iterations());
  for (std::size_t i = 0; i < std::size(phases); ++i) {
    state.counters[phases[i].seconds] = seconds[i] / n;
    if (adapter >= kCh341At100) state.counters[phases[i].roundTrips] = trips[i] / n;
  }
}
BENCHMARK(BM_Adapters)
    ->ArgName("adapter")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
