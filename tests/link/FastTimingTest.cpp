// The parallel-port adapter's two timings on the simulated controller with a
// slow data line (rise=): the fast timing moves every partition byte-exact
// as the standard one does, waits at least the line's rise time, falls back
// when its reads differ, refuses a line too slow for either timing, and
// verifies and mends its page writes.
#include <gtest/gtest.h>

#include <random>

#include "document/WriteCheck.h"
#include "link/DeviceExchange.h"
#include "link/LinkFixture.h"
#include "link/MemoryImage.h"
#include "link/WireProtocol.h"
#include "support/RandomConfig.h"

namespace {

constexpr LinkTiming kTimings[] = {LinkTiming::kStandard, LinkTiming::kFast};

const char* name(LinkTiming timing) { return timing == LinkTiming::kFast ? "fast" : "standard"; }

BitBangedMemory& engine(DeviceLink& link) { return dynamic_cast<BitBangedMemory&>(link.memory()); }

MemoryImage erased() {
  MemoryImage image;
  image.fill(0xFF);
  return image;
}

// Runs the exchanges one after the other; the first error, if any.
std::optional<LinkError> run(DeviceLink& link, DeviceData& config,
                             std::initializer_list<ExchangeMode> modes) {
  for (const ExchangeMode mode : modes) {
    DeviceExchange exchange(link, config, mode);
    if (exchange.run() != DeviceExchange::kDone) {
      auto error = exchange.takeError();
      return error ? error : LinkError(-1, "aborted");
    }
  }
  return std::nullopt;
}

std::optional<LinkError> write(DeviceLink& link, DeviceData config) {
  return run(link, config, {ExchangeMode::WriteL2, ExchangeMode::WriteL1});
}

}  // namespace

// The settle measurement sees the simulated line as it is, and the fast
// timing's waits follow from it: three times the settle time, or the
// data-valid time and twice the settle time when shorter, never below the
// rise time, never above the standard 200 us.
TEST(FastTiming, MeasuredWaitsFollowTheLine) {
  const struct { int rise, settle, wait; } cases[] = {{0, 1, 4}, {2, 2, 6}, {20, 20, 44}, {150, 150, 200}};
  for (const auto& c : cases) {
    SimLink rig(patternImage(), {}, LinkTiming::kFast);
    rig.sim().setRiseTime(c.rise);
    const LineSettle line = measureDataLine(*rig.link);
    EXPECT_TRUE(line.responds());
    EXPECT_EQ(line.riseUs, c.settle) << "rise " << c.rise;
    EXPECT_EQ(line.fallUs, 1) << "a pulled line falls at once";
    EXPECT_EQ(BusTiming::measured(line).sampleWaitUs, c.wait) << "rise " << c.rise;
    EXPECT_FALSE(rig.sim().clockLine());
    EXPECT_TRUE(rig.sim().dataLine()) << "the lines are left idle";
  }
}

// For rise times up to the standard wait and port accesses of 1 and 2 us,
// every partition is written and read byte-exact in the fast timing,
// leaving the memory the standard timing leaves, with a sample wait never
// below the rise time, and never breaking the bus's minimum times.
TEST(FastTiming, EveryPartitionMovesByteExactAtEveryRiseTime) {
  std::mt19937 rng(2121);
  for (const int rise : {0, 2, 20, 150}) {
    for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
      const int access = 1 + o10 % 2;
      SCOPED_TRACE("rise " + std::to_string(rise) + " O10 " + std::to_string(o10) + " access " +
                   std::to_string(access));
      const int programs = std::uniform_int_distribution<int>(1, GeneralParameters::programCountOf(o10))(rng);
      const DeviceData config = randomConfig(rng, o10, programs);
      MemoryImage expected = erased();
      writeConfiguration(config, expected);
      for (const LinkTiming timing : kTimings) {
        SCOPED_TRACE(name(timing));
        SimLink rig(erased(), {}, timing);
        rig.sim().setRiseTime(rise);
        rig.sim().setAccessTime(access);
        const std::optional<LinkError> failed = write(*rig.link, config);
        ASSERT_FALSE(failed) << failed->text();
        ASSERT_EQ(rig.sim().memory(), expected);
        if (timing == LinkTiming::kFast) EXPECT_EQ(rig.sim().timingViolations(), 0);
        if (timing == LinkTiming::kStandard) continue;
        DeviceData read;
        ASSERT_FALSE(run(*rig.link, read, {ExchangeMode::ReadL2, ExchangeMode::ReadL1}));
        const std::vector<std::string> diff = valueDifferences(readConfiguration(expected), read);
        ASSERT_TRUE(diff.empty()) << diff.front();
        const BitBangedMemory& memory = engine(*rig.link);
        EXPECT_TRUE(memory.busTiming().fast);
        EXPECT_GE(memory.busTiming().sampleWaitUs, rise);
        EXPECT_FALSE(memory.standardFallback());
        EXPECT_TRUE(engine(*rig.link).takeMendedPages().empty());
        EXPECT_EQ(rig.sim().timingViolations(), 0);
      }
    }
  }
}

// A line that needs longer than the standard wait is refused before any
// transfer, in either timing: the memory is neither misread nor written.
TEST(FastTiming, ALineTooSlowForEitherTimingFailsClearly) {
  for (const LinkTiming timing : kTimings) {
    SCOPED_TRACE(name(timing));
    SimLink rig(factoryImage(), {}, timing);
    rig.sim().setRiseTime(250);
    DeviceData config;
    for (const ExchangeMode mode : {ExchangeMode::ReadL2, ExchangeMode::WriteL2}) {
      const std::optional<LinkError> error = run(*rig.link, config, {mode});
      ASSERT_TRUE(error);
      EXPECT_EQ(error->errorCode, LinkError::kNoAnswer);
      EXPECT_EQ(error->text(), "адаптер слишком медленный: линия данных устанавливается 250 мкс");
    }
    EXPECT_TRUE(valueDifferences(DeviceData(), config).empty()) << "nothing was read into it";
    EXPECT_EQ(rig.sim().completedWriteCycles(), 0);
  }
}

// Once per port, before anything is read or written fast, the first block
// is read again with every wait at the standard 200 us. A line that slows
// down after its measurement reads differently there: the standard timing
// takes over for the rest of the run, a write goes byte by byte in it (no
// page needs mending), and the memory ends right all the same. Later
// exchanges on the port do not check again.
TEST(FastTiming, TheCheckOncePerPortCatchesAMisjudgedLineBeforeWriting) {
  std::mt19937 rng(36);
  const DeviceData config = randomConfig(rng, 2, 3);
  MemoryImage written = factoryImage();
  writeConfiguration(config, written);
  for (const bool writeFirst : {false, true}) {
    for (const int riseAfterMeasuring : {0, 40}) {
      SCOPED_TRACE(std::string(writeFirst ? "write" : "read") + ", rise " +
                   std::to_string(riseAfterMeasuring));
      SimLink rig(factoryImage(), {}, LinkTiming::kFast);
      if (riseAfterMeasuring > 0) rig.slowDownAfterMeasuring(riseAfterMeasuring);
      DeviceData read;
      if (writeFirst) {
        ASSERT_FALSE(write(*rig.link, config));
        EXPECT_EQ(rig.sim().memory(), written);
        EXPECT_TRUE(rig.link->memory().takeMendedPages().empty());
      } else {
        ASSERT_FALSE(run(*rig.link, read, {ExchangeMode::ReadL2, ExchangeMode::ReadL1}));
        EXPECT_TRUE(valueDifferences(readConfiguration(factoryImage()), read).empty());
      }
      const bool slower = riseAfterMeasuring > 0;
      EXPECT_EQ(rig.link->memory().standardFallback(), slower);
      EXPECT_EQ(engine(*rig.link).busTiming().fast, !slower);

      // Checked once: the next exchange reads L2 and its closing byte only.
      const uint64_t before = engine(*rig.link).transactions();
      ASSERT_FALSE(run(*rig.link, read, {ExchangeMode::ReadL2}));
      EXPECT_EQ(engine(*rig.link).transactions() - before, slower ? 3u + 1u : 1u + 1u);
    }
  }
}

// A memory that falls silent while the first block is read again in the
// standard timing (the check of the fast one) is a lost answer, not a slow
// line: wherever the silence begins, a read that fails keeps the fast
// timing and never says "адаптер медленный".
TEST(FastTiming, ADropOutDuringTheFirstBlockCheckIsNoSlowLine) {
  int failed = 0;
  for (int bytes = 1; bytes < 120; ++bytes) {
    SimulatorFault dropout;
    dropout.kind = SimulatorFault::kDropout;
    dropout.dropoutBytes = bytes;
    SimLink rig(factoryImage(), dropout, LinkTiming::kFast);
    DeviceData read;
    if (!run(*rig.link, read, {ExchangeMode::ReadL2})) continue;
    ++failed;
    EXPECT_FALSE(rig.link->memory().standardFallback()) << "silent after " << bytes << " bytes";
  }
  EXPECT_GT(failed, 60);
}

// Every fast page write is read back: a page the memory lost is written
// again in the standard timing and reported; a byte it cannot keep fails
// the write naming its address.
TEST(FastTiming, PageVerificationMendsOrNamesTheByte) {
  std::mt19937 rng(19);
  const DeviceData config = randomConfig(rng, 2, 6);
  MemoryImage expected = erased();
  writeConfiguration(config, expected);
  int worn = 0;
  while (expected[worn] == 0xFF) ++worn;

  SimulatorFault lost;
  lost.kind = SimulatorFault::kDropWrite;
  lost.droppedWrite = 5;
  SimulatorFault readonly;
  readonly.kind = SimulatorFault::kReadonly;
  readonly.readonlyAddress = worn;
  const struct {
    const char* what;
    SimulatorFault fault;
    std::size_t mended;
    bool fails;
  } cases[] = {{"lost page", lost, 1, false}, {"worn cell", readonly, 0, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SimLink rig(erased(), c.fault, LinkTiming::kFast);
    const std::optional<LinkError> error = write(*rig.link, config);
    EXPECT_EQ(rig.link->memory().takeMendedPages().size(), c.mended);
    if (!c.fails) {
      EXPECT_FALSE(error) << error->what();
      EXPECT_EQ(rig.sim().memory(), expected);
      continue;
    }
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorCode, kErrorVerify);
    char address[128];
    std::snprintf(address, sizeof address, "байт по адресу %d (0x%04X) хранит 0xFF вместо записанного 0x%02X",
                  worn, worn, expected[worn]);
    EXPECT_NE(error->text().find(address), std::string::npos) << error->text();
  }
}

// A memory that never ends its write cycle: the acknowledge polling gives up
// 20 ms after the page write with the broken link's code and text.
TEST(FastTiming, AcknowledgePollingEndsWithinItsBound) {
  SimLink rig(patternImage(), {}, LinkTiming::kFast);
  rig.link->memory().begin(*rig.link);
  uint64_t writeEnded = 0;
  rig.watch->afterWrite = [&] {
    if (writeEnded == 0 && rig.sim().writeCycleRunning()) {
      writeEnded = rig.sim().virtualTimeUs();
      rig.sim().setFault({SimulatorFault::kAbsent});
    }
  };
  const uint8_t bytes[3] = {1, 2, 3};
  writeMemory(*rig.link, bytes, 100, 3);
  try {
    rig.link->memory().end(*rig.link);
    FAIL() << "the write cycle never ended, yet the write went through";
  } catch (const LinkError& e) {
    EXPECT_EQ(e.errorCode, LinkError::kLinkBroken);
    EXPECT_EQ(e.text(), "Связь с прибором прервалась");
  }
  ASSERT_NE(writeEnded, 0u);
  const uint64_t polled = rig.sim().virtualTimeUs() - writeEnded;
  EXPECT_GE(polled, 20000u);
  EXPECT_LT(polled, 22000u);
}

// A long sequential read keeps the guards of a block read: a memory that
// misses the start of a run is read again, and a line stuck low midway is
// given up after the no-progress limit, five attempts and the long code-1
// message, not waited on for ever.
TEST(FastTiming, LongReadsKeepTheRetryAndNoProgressGuards) {
  {
    SimLink rig(patternImage(), {}, LinkTiming::kFast);
    rig.link->memory().begin(*rig.link);
    rig.sim().setFault({SimulatorFault::kAbsent});
    rig.watch->sleeps = 0;
    rig.watch->afterWrite = [&] {
      if (rig.watch->sleeps > 0) rig.sim().setFault({});  // back after the pause
    };
    uint8_t out[MemoryAccess::kMaxRun];
    readMemory(*rig.link, out, 8000, 0, MemoryAccess::kMaxRun);
    for (int i = 0; i < MemoryAccess::kMaxRun; ++i)
      ASSERT_EQ(out[i], patternImage()[(8000 + i) % kDeviceMemorySize]) << i;
    EXPECT_EQ(rig.watch->sleeps, 1) << "one attempt failed";
  }
  {
    SimLink rig(patternImage(), {}, LinkTiming::kFast);
    rig.link->memory().begin(*rig.link);
    rig.sim().setFault({SimulatorFault::kStuckLow});
    rig.watch->clockToggles = 0;
    uint8_t out[MemoryAccess::kMaxRun];
    try {
      readMemory(*rig.link, out, 0, 0, MemoryAccess::kMaxRun);
      FAIL() << "read a line stuck low";
    } catch (const LinkError& e) {
      EXPECT_EQ(e.text(), "Прибор не отвечает, возможно он не подключен или LPT настроен на другой порт");
    }
    EXPECT_EQ(rig.watch->clockToggles, 5 * 1001);
  }
}
