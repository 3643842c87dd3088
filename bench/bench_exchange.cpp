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
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "link/DeviceExchange.h"
#include "link/FactoryImage.h"
#include "link/SimulatedController.h"
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
  return t;
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

}  // namespace

BENCHMARK_MAIN();
