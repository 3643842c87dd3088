// The bus engine against the simulated controller: host CPU per clock
// half-period, and the virtual (device) time of reading and writing the whole
// memory, reported as the counter virtual_s. BM_I2cTransfer: the host CPU of
// the i2c-dev engine and the simulated adapter per transfer, for a block read
// (arg 0) and a page write with its acknowledge polls (arg 1).
#include <benchmark/benchmark.h>

#include <memory>

#include "link/I2cDevMemory.h"
#include "link/SimulatedController.h"
#include "link/SimulatedI2cAdapter.h"
#include "link/WireProtocol.h"

namespace {

struct Rig {
  Rig() {
    MemoryImage image;
    for (int i = 0; i < kDeviceMemorySize; ++i) image[i] = static_cast<uint8_t>(i * 13);
    auto port = std::make_unique<SimulatedController>(image);
    sim = port.get();
    link = std::make_unique<DeviceLink>(std::move(port));
    link->lptBase = PortBackend::kLpt1;
  }
  SimulatedController* sim;
  std::unique_ptr<DeviceLink> link;
};

void BM_StepTransferHalfPeriod(benchmark::State& state) {
  Rig rig;
  int64_t steps = 0;
  for (auto _ : state) {
    LinkTransfer t;
    beginRead(t, 0x100, 32);
    while (stepTransfer(*rig.link, t) != kTransferDone) ++steps;
    ++steps;
  }
  state.SetItemsProcessed(steps);
  // Seconds of host CPU per half-period, shown with an SI prefix (n = ns).
  state.counters["s_per_half_period"] = benchmark::Counter(
      static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepTransferHalfPeriod);

void BM_ReadWholeMemory(benchmark::State& state) {
  Rig rig;
  MemoryImage out;
  uint64_t virtualUs = 0;
  for (auto _ : state) {
    const uint64_t start = rig.sim->virtualTimeUs();
    for (int a = 0; a < kDeviceMemorySize; a += LinkTransfer::kMaxBlock)
      readMemory(*rig.link, out.data() + a, static_cast<uint32_t>(a), 0, LinkTransfer::kMaxBlock);
    virtualUs += rig.sim->virtualTimeUs() - start;
  }
  state.counters["virtual_s"] =
      static_cast<double>(virtualUs) / 1e6 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadWholeMemory)->Unit(benchmark::kMillisecond);

void BM_WriteWholeMemory(benchmark::State& state) {
  Rig rig;
  MemoryImage data;
  for (int i = 0; i < kDeviceMemorySize; ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
  uint64_t virtualUs = 0;
  for (auto _ : state) {
    const uint64_t start = rig.sim->virtualTimeUs();
    writeMemory(*rig.link, data.data(), 0, kDeviceMemorySize);
    virtualUs += rig.sim->virtualTimeUs() - start;
  }
  state.counters["virtual_s"] =
      static_cast<double>(virtualUs) / 1e6 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WriteWholeMemory)->Unit(benchmark::kMillisecond);

void BM_I2cTransfer(benchmark::State& state) {
  auto bus = std::make_unique<SimulatedI2cAdapter>(MemoryImage{});
  SimulatedI2cAdapter* adapter = bus.get();
  DeviceLink link(std::make_unique<I2cDevMemory>(std::move(bus)));
  const bool write = state.range(0) == 1;
  uint8_t bytes[32] = {};
  uint32_t address = 0;
  const uint64_t before = adapter->transfers();
  for (auto _ : state) {
    if (write) {
      writeMemory(link, bytes, address, 32);
      link.memory().end(link);
    } else {
      readMemory(link, bytes, address, 0, 32);
    }
    address = (address + 32) % kDeviceMemorySize;
  }
  const auto transfers = static_cast<double>(adapter->transfers() - before);
  state.counters["transfers_per_op"] = transfers / static_cast<double>(state.iterations());
  state.counters["host_s_per_transfer"] =
      benchmark::Counter(transfers, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_I2cTransfer)->ArgName("write")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
