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
// and the wall time per iteration.
//
// BM_Ports runs what tkv88ctl runs, on the largest configuration of
// partition 2, for each adapter as a port description gives it (see there).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "document/ConfigFile.h"
#include "document/Document.h"
#include "document/HeadlessHost.h"
#include "document/WriteCheck.h"
#include "link/Ch341Memory.h"
#include "link/DeviceExchange.h"
#include "link/FactoryImage.h"
#include "link/I2cDevMemory.h"
#include "link/PageBuffer.h"
#include "link/PortDescription.h"
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

// The read in the protocol's blocks of up to 32 bytes: the headers, then
// each program's steps in one run.
double readBound(const DeviceData& config) {
  MemoryImage image = factoryImage();
  writeConfiguration(config, image);
  double t = 0;
  for (const ByteRange& r : configurationExtent(image))
    for (int at = r.begin; at < r.end; at += kL2BlockBytes)
      t += readBlock(std::min(kL2BlockBytes, r.end - at));
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

// Partition 2 with every program full, and the same with one setpoint
// changed: the controller holds `old` in `before`; `after` is what writing
// `changed` leaves.
struct SetpointChange {
  DeviceData old, changed;
  MemoryImage before, after;
};
SetpointChange withSetpointChanged(const DeviceData& old) {
  SetpointChange c;
  c.old = old;
  c.before = factoryImage();
  writeConfiguration(c.old, c.before);
  c.changed = c.old;
  Parameter& setpoint = c.changed.programAt(9)->steps.back()[Step::U03];
  setpoint.setValueQuiet(setpoint.value() == 50 ? 51 : 50);
  c.after = c.before;
  writeConfiguration(c.changed, c.after);
  return c;
}

// ---- What the tool does, port by port ---------------------------------------

// The memory's own limit for a piece of work: its bits on a 100 kHz bus
// (9 clocks a byte, one for each START and STOP) plus its write cycles,
// whatever the adapter. A sequential read of n bytes: START, 0xA0 and the
// address, a repeated START, 0xA1, the bytes, STOP; a page write of n
// bytes: START, 0xA0, the address, the bytes, STOP, then the write cycle.
constexpr double kBitS = 10e-6;
double readLimit(const std::vector<ByteRange>& ranges) {
  double bits = 0;
  for (const ByteRange& r : ranges) bits += 9.0 * (r.end - r.begin + 4) + 3;
  return bits * kBitS;
}
double pageWritesLimit(const std::vector<ByteRange>& ranges, double cycleS) {
  std::vector<int> perPage(kDeviceMemorySize / PageRun::kPageSize, 0);
  for (const ByteRange& r : ranges)
    for (int i = r.begin; i < r.end; ++i) ++perPage[i / PageRun::kPageSize];
  double s = 0;
  for (const int n : perPage)
    if (n > 0) s += (9.0 * (n + 3) + 2) * kBitS + cycleS;
  return s;
}
std::vector<ByteRange> joined(std::vector<ByteRange> a, const std::vector<ByteRange>& b) {
  a.insert(a.end(), b.begin(), b.end());
  std::sort(a.begin(), a.end(), [](const ByteRange& x, const ByteRange& y) { return x.begin < y.begin; });
  std::vector<ByteRange> out;
  for (const ByteRange& r : a) {
    if (!out.empty() && r.begin <= out.back().end)
      out.back().end = std::max(out.back().end, r.end);
    else
      out.push_back(r);
  }
  return out;
}
// The bytes that differ between two memories, as ranges.
std::vector<ByteRange> differing(const MemoryImage& a, const MemoryImage& b) {
  std::vector<ByteRange> out;
  for (int i = 0; i < kDeviceMemorySize; ++i)
    if (a[i] != b[i]) out.push_back({i, i + 1});
  return joined(std::move(out), {});
}

// The document's framework as tkv88ctl gives it: every exchange on its
// worker, the engine begun and ended around it.
class BenchHost : public HeadlessHost {
 public:
  explicit BenchHost(DeviceLink& link) : m_link(link) {}
  bool runExchange(DeviceData& config, ExchangeMode mode) override {
    DeviceExchange exchange(m_link, config, mode);
    const bool done = exchange.run() == DeviceExchange::kDone;
    if (!done) failed = true;
    return done;
  }
  bool failed = false;

 private:
  DeviceLink& m_link;
};

// One adapter of a port description, on a memory of its own (no file):
// the link the tool would open, and its simulator's clock and memory.
struct BenchPort {
  std::unique_ptr<DeviceLink> link;
  std::function<uint64_t()> nowUs;
  std::function<const MemoryImage&()> memory;
  // USB adapters: the round trips (transfers) so far; empty for the parallel port.
  std::function<uint64_t()> roundTrips;
  double cycleS = 0.005;
};

// "ch341-sim:,speed=400" stands for the simulated CH341A at that speed.
BenchPort openBenchPort(const std::string& description, const MemoryImage& start) {
  BenchPort p;
  if (description.rfind("ch341-sim:", 0) == 0) {
    auto chip = std::make_unique<SimulatedCh341>(start);
    SimulatedCh341* sim = chip.get();
    const bool fast = description.find("speed=400") != std::string::npos;
    p.link = std::make_unique<DeviceLink>(
        std::make_unique<Ch341Memory>(std::move(chip), fast ? ch341::Speed::k400kHz : ch341::Speed::k100kHz));
    p.nowUs = [sim] { return sim->nowUs(); };
    p.memory = [sim]() -> const MemoryImage& { return sim->memory(); };
    p.roundTrips = [sim] { return sim->transfers(); };
    return p;
  }
  PortDescription d = parsePortDescription(description);
  if (d.kind == PortDescription::kI2cSimulator) {
    d.i2cSimulator.imagePath.clear();
    auto bus = std::make_unique<SimulatedI2cAdapter>(d.i2cSimulator);
    SimulatedI2cAdapter* sim = bus.get();
    sim->memory() = start;
    p.cycleS = d.i2cSimulator.writeCycleUs * 1e-6;
    p.link = std::make_unique<DeviceLink>(std::make_unique<I2cDevMemory>(std::move(bus), d.i2cAddress));
    p.nowUs = [sim] { return sim->nowUs(); };
    p.memory = [sim]() -> const MemoryImage& { return sim->memory(); };
    p.roundTrips = [sim] { return sim->transfers(); };
    return p;
  }
  d.simulator.imagePath.clear();
  auto port = std::make_unique<SimulatedController>(d.simulator);
  SimulatedController* sim = port.get();
  sim->memory() = start;
  p.cycleS = d.simulator.writeCycleUs * 1e-6;
  p.link = std::make_unique<DeviceLink>(std::move(port), d.timing);
  p.nowUs = [sim] { return sim->virtualTimeUs(); };
  p.memory = [sim]() -> const MemoryImage& { return sim->memory(); };
  return p;
}

// Partition 2, every program full: random values (half the bits ones) or
// every value at its default (three quarters of the bits zeros, as in most
// configurations); the same with one setpoint changed.
SetpointChange fullPartitionTwo(bool defaults) {
  if (!defaults) {
    std::mt19937 rng(12);
    return withSetpointChanged(randomConfig(rng, 2, -1, true));
  }
  DeviceData config;
  config.general.base[BaseParameters::O10].setValueQuiet(2);
  config.programs.clear();
  for (int n = 0; n < config.general.programCount(); ++n) {
    Program p;
    for (int s = 0; s < config.general.stepsPerProgram(); ++s) p.steps.push_back(Step());
    config.programs.push_back(p);
  }
  return withSetpointChanged(config);
}

const char* const kPorts[] = {
    "sim:m.bin,timing=standard",           // 0: the protocol's own waits
    "sim:m.bin",                           // 1: direct port I/O, 1 us an access
    "sim:m.bin,access=2",                  // 2: ppdev
    "sim:m.bin,access=2,cycle=3",          // 3: ppdev, a typical memory
    "sim:m.bin,access=2,rise=20",          // 4: ppdev, a slow adapter
    "sim:m.bin,access=2,rise=150",         // 5: ppdev, the slowest the fast timing takes
    "i2c-sim:m.bin",                       // 6: i2c-dev, no USB round trip
    "i2c-sim:m.bin,latency=1000",          // 7: a USB-I2C adapter
    "i2c-sim:m.bin,latency=1000,cycle=3",  // 8: the same, a typical memory
    "ch341-sim:,speed=100",                // 9: the CH341A at 100 kHz
    "ch341-sim:,speed=400",                // 10: and at 400 kHz
};

// What tkv88ctl does on the largest configuration of partition 2, on a port
// the tool opens anew (so the port's detection, the line's measurement and
// the first-block check count): a read ("tkv88ctl read", the document's
// read), a verified full write ("tkv88ctl write --verify", on a factory-new
// memory) and a changed write of one setpoint ("tkv88ctl write --changed").
// Each figure in virtual seconds (read_s, write_s, changed_s), beside the
// memory's own limit for the same work (_lim: its bits at 100 kHz and its
// write cycles) and the ratio (_x). The CPU column is the host time of every
// thread (the exchanges run on workers). Args: the port (kPorts), and the
// values: 0 random, 1 defaults. A USB adapter also reports its round trips
// per piece of work (_rt). Targets at access=2: read within 1.1 s (3 s
// at rise=20), write within 3.0 s (2.5 s at cycle=3), changed write within
// 1.1 s; i2c-dev at latency=1000: read within 1.3 s, write within 3 s.
void BM_Ports(benchmark::State& state) {
  const std::string port = kPorts[state.range(0)];
  const SetpointChange c = fullPartitionTwo(state.range(1) == 1);
  state.SetLabel(port + (state.range(1) == 1 ? " (defaults)" : ""));
  MemoryImage written = factoryImage();
  writeConfiguration(c.old, written);
  const DeviceData expected = readAfterWrite(c.old);

  double seconds[3] = {}, roundTrips[3] = {}, cycleS = 0.005;
  bool usb = false;
  // Adds the time and the round trips since `start` to piece i.
  auto count = [&](int i, const BenchPort& p, uint64_t startUs, uint64_t startTrips) {
    seconds[i] += static_cast<double>(p.nowUs() - startUs) / 1e6;
    usb = static_cast<bool>(p.roundTrips);
    if (usb) roundTrips[i] += static_cast<double>(p.roundTrips() - startTrips);
  };
  auto trips = [](const BenchPort& p) { return p.roundTrips ? p.roundTrips() : 0; };
  for (auto _ : state) {
    {
      BenchPort p = openBenchPort(port, c.before);
      cycleS = p.cycleS;
      BenchHost host(*p.link);
      Document doc(&host);
      const uint64_t start = p.nowUs(), startTrips = trips(p);
      doc.readDevice();
      count(0, p, start, startTrips);
      if (host.failed || !valueDifferences(readConfiguration(c.before), *doc.deviceData()).empty())
        state.SkipWithError("the read failed or differs");
    }
    {
      BenchPort p = openBenchPort(port, factoryImage());
      BenchHost host(*p.link);
      Document doc(&host);
      doc.loadText(configfile::write(c.old));
      const uint64_t start = p.nowUs(), startTrips = trips(p);
      DeviceSnapshot seen;  // as "write --verify" checks it
      p.link->readBack = &seen;
      doc.writeDevice();
      p.link->readBack = nullptr;
      DeviceData readBack;
      if (seen.holdsConfiguration())
        readBack = seen.configuration();
      else if (!host.runExchange(readBack, ExchangeMode::ReadL2) ||
               !host.runExchange(readBack, ExchangeMode::ReadL1))
        state.SkipWithError("the read for the verification failed");
      if (!valueDifferences(expected, readBack).empty()) state.SkipWithError("the verification failed");
      count(1, p, start, startTrips);
      if (host.failed || p.memory() != written) state.SkipWithError("the write failed or differs");
    }
    {
      BenchPort p = openBenchPort(port, c.before);
      const uint64_t start = p.nowUs(), startTrips = trips(p);
      DeviceSnapshot snapshot;
      DeviceData read, target = c.changed;
      for (const auto& [mode, config] :
           {std::pair{ExchangeMode::ReadSnapshot, &read}, std::pair{ExchangeMode::WriteChanged, &target}}) {
        DeviceExchange exchange(*p.link, *config, mode, &snapshot);
        if (exchange.run() != DeviceExchange::kDone) state.SkipWithError("the changed write failed");
      }
      count(2, p, start, startTrips);
      if (p.memory() != c.after) state.SkipWithError("the changed write differs");
    }
  }
  const std::vector<ByteRange> extent = configurationExtent(c.before);
  const std::vector<ByteRange> footprint = writeFootprint(c.old);
  const std::vector<ByteRange> changed = differing(c.before, c.after);
  const double limits[3] = {
      readLimit(extent),
      readLimit({{L2_BASE, L2_END}}) + pageWritesLimit(footprint, cycleS) + readLimit(footprint),
      readLimit(joined(extent, writeFootprint(c.changed))) + pageWritesLimit(changed, cycleS) +
          readLimit(changed),
  };
  const char* names[3] = {"read", "write", "changed"};
  const auto n = static_cast<double>(state.iterations());
  for (int i = 0; i < 3; ++i) {
    const double figure = seconds[i] / n;
    state.counters[std::string(names[i]) + "_s"] = figure;
    state.counters[std::string(names[i]) + "_lim"] = limits[i];
    state.counters[std::string(names[i]) + "_x"] = figure / limits[i];
    if (usb) state.counters[std::string(names[i]) + "_rt"] = roundTrips[i] / n;
  }
}
BENCHMARK(BM_Ports)
    ->ArgNames({"port", "defaults"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0}})
    ->Args({2, 1})
    ->Args({4, 1})
    ->Args({5, 1})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
