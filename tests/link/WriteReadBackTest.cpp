// Every write reads back what it wrote, whichever engine and timing moves
// it: the full write (masked L2 blocks, bit-aligned records), the changed
// write and the raw writes of restore and poke. A byte the memory does not
// keep fails the write naming its address and what it holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>

#include "link/ChangedWrite.h"
#include "link/DeviceExchange.h"
#include "link/I2cDevMemory.h"
#include "link/LinkFixture.h"
#include "link/MemoryImage.h"
#include "link/SimulatedI2cAdapter.h"
#include "support/RandomConfig.h"

namespace {

enum class Engine { kStandard, kFast, kFallenBack, kI2c };

// A controller whose memory does not keep a write to `worn`.
struct WornController {
  WornController(Engine engine, const MemoryImage& image, int worn) {
    if (engine == Engine::kI2c) {
      auto bus = std::make_unique<SimulatedI2cAdapter>(image);
      bus->setFault({I2cFault::kReadonly, 0, 0, 1, worn});
      memory = [adapter = bus.get()] { return adapter->memory(); };
      link = std::make_unique<DeviceLink>(std::make_unique<I2cDevMemory>(std::move(bus)));
      return;
    }
    SimulatorFault fault;
    fault.kind = SimulatorFault::kReadonly;
    fault.readonlyAddress = worn;
    rig = std::make_unique<SimLink>(image, fault,
                                    engine == Engine::kStandard ? LinkTiming::kStandard : LinkTiming::kFast);
    memory = [this] { return rig->sim().memory(); };
    link.reset(rig->link.release());
    // The line slows down after its measurement: the cross-check falls back.
    if (engine == Engine::kFallenBack) rig->slowDownAfterMeasuring(40);
  }
  std::unique_ptr<SimLink> rig;
  std::unique_ptr<DeviceLink> link;
  std::function<MemoryImage()> memory;
};

std::optional<LinkError> exchanges(DeviceLink& link, DeviceData config, std::vector<ExchangeMode> modes) {
  DeviceSnapshot snapshot;
  DeviceData read;
  for (const ExchangeMode mode : modes) {
    DeviceExchange exchange(link, mode == ExchangeMode::ReadSnapshot ? read : config, mode, &snapshot);
    if (exchange.run() != DeviceExchange::kDone) return exchange.takeError();
  }
  return std::nullopt;
}

// restore and poke: bytes written as they are, between the engine's begin and end.
std::optional<LinkError> rawWrite(DeviceLink& link, const MemoryImage& target, int from, int to) {
  try {
    link.memory().begin(link);
    writeMemory(link, target.data() + from, static_cast<uint32_t>(from), to - from);
    link.memory().end(link);
  } catch (const LinkError& e) {
    return e;
  }
  return std::nullopt;
}

}  // namespace

TEST(WriteReadBack, AByteTheMemoryDoesNotKeepFailsEveryWriteNamingIt) {
  std::mt19937 rng(31);
  const DeviceData config = randomConfig(rng, 7, 2);
  const MemoryImage before = patternImage();
  MemoryImage target = before;
  writeConfiguration(config, target);
  auto firstChange = [&](int from) {
    while (target[from] == before[from]) ++from;
    return from;
  };

  const struct {
    const char* name;
    std::function<std::optional<LinkError>(DeviceLink&, int worn)> write;
  } paths[] = {
      {"full write",
       [&](DeviceLink& link, int) {
         return exchanges(link, config, {ExchangeMode::WriteL2, ExchangeMode::WriteL1});
       }},
      {"changed write",
       [&](DeviceLink& link, int) {
         return exchanges(link, config, {ExchangeMode::ReadSnapshot, ExchangeMode::WriteChanged});
       }},
      {"restore or poke",
       [&](DeviceLink& link, int worn) {
         return rawWrite(link, target, std::max(worn - 3, 0), std::min(worn + 40, kDeviceMemorySize));
       }},
  };
  const struct {
    const char* name;
    Engine engine;
  } engines[] = {{"standard", Engine::kStandard},
                 {"fast", Engine::kFast},
                 {"fallen back", Engine::kFallenBack},
                 {"i2c", Engine::kI2c}};

  for (const int worn : {firstChange(0), firstChange(L2_BASE)}) {
    for (const auto& path : paths) {
      for (const auto& engine : engines) {
        SCOPED_TRACE(std::string(path.name) + ", " + engine.name + ", byte " + std::to_string(worn));
        WornController controller(engine.engine, before, worn);
        const std::optional<LinkError> error = path.write(*controller.link, worn);
        ASSERT_TRUE(error) << "the write went through";
        EXPECT_EQ(error->errorCode, kErrorVerify) << error->text();
        char says[64];
        std::snprintf(says, sizeof says, "по адресу %d (0x%04X) хранит 0x%02X", worn, worn, before[worn]);
        EXPECT_NE(error->text().find(says), std::string::npos) << error->text();
        EXPECT_EQ(controller.memory()[worn], before[worn]);
        if (engine.engine == Engine::kFallenBack) {
          EXPECT_TRUE(controller.link->memory().standardFallback());
        }
      }
    }
  }
}
