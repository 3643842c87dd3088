// The changed write on the simulated controller: the memory ends as a full
// write leaves it, only the differing bytes travel, and the check after the
// write catches a controller that does not keep a byte.
#include "link/ChangedWrite.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "LinkFixture.h"
#include "document/ConfigCompare.h"
#include "link/DeviceExchange.h"
#include "link/MemoryImage.h"
#include "support/I2cTrace.h"
#include "support/RandomConfig.h"
#include "support/TempDir.h"

namespace {

// Runs ReadSnapshot then WriteChanged as the GUI and tkv88ctl do; the error of the one that failed.
struct ChangedRun {
  std::optional<LinkError> error;
  ChangedWriteResult result;
  DeviceData read;
};

ChangedRun writeChanged(DeviceLink& link, DeviceData config) {
  ChangedRun run;
  DeviceSnapshot snapshot;
  for (ExchangeMode mode : {ExchangeMode::ReadSnapshot, ExchangeMode::WriteChanged}) {
    DeviceExchange exchange(link, mode == ExchangeMode::ReadSnapshot ? run.read : config, mode, &snapshot);
    const bool done = exchange.run() == DeviceExchange::kDone;
    run.result = exchange.changed();
    if (!done) {
      run.error = exchange.takeError();
      break;
    }
  }
  return run;
}

// The memory a controller holds after config was written fully over `before`.
MemoryImage fullWrite(const DeviceData& config, MemoryImage before) {
  writeConfiguration(config, before);
  return before;
}

int bytesDiffering(const MemoryImage& a, const MemoryImage& b) {
  int n = 0;
  for (int i = 0; i < kDeviceMemorySize; ++i) n += a[i] != b[i];
  return n;
}

}  // namespace

// The runs of consecutive differing bytes inside one 32-byte page: what
// the fast timing writes as one page write each.
int pageRuns(const MemoryImage& a, const MemoryImage& b) {
  int runs = 0;
  for (int i = 0; i < kDeviceMemorySize; ++i)
    if (a[i] != b[i] && (i % 32 == 0 || a[i - 1] == b[i - 1])) ++runs;
  return runs;
}

// Whatever the controller held and whatever the configuration, the changed
// write leaves exactly the memory of a full write, moving only the bytes
// that differ: in the standard timing each byte written is one write cycle
// of the memory, in the fast one each run of them inside a page.
TEST(ChangedWrite, LeavesWhatAFullWriteLeavesWritingOnlyTheDifferences) {
  for (const LinkTiming timing : {LinkTiming::kStandard, LinkTiming::kFast}) {
    std::mt19937 rng(11);
    for (int partition : {0, 2, 5, 7}) {
      const DeviceData old = randomConfig(rng, partition, -1);
      const MemoryImage before = fullWrite(old, patternImage());
      for (int variant = 0; variant < 3; ++variant) {
        SCOPED_TRACE("partition " + std::to_string(partition) + " variant " + std::to_string(variant) +
                     (timing == LinkTiming::kFast ? " fast" : " standard"));
        DeviceData target = old;
        if (variant == 0) target = randomConfig(rng, partition, 3);  // fewer programs, other steps
        if (variant == 1) target.programAt(1)->steps.clear();
        if (variant == 2 && target.programAt(0)->stepCount() > 0)
          target.programAt(0)->steps.front()[Step::U03].setValueQuiet(-12);
        SimLink sim(before, {}, timing);
        const ChangedRun run = writeChanged(*sim.link, target);
        ASSERT_FALSE(run.error) << run.error->what();
        const MemoryImage expected = fullWrite(target, before);
        EXPECT_EQ(sim.sim().memory(), expected);
        EXPECT_EQ(run.result.bytesChanged, bytesDiffering(before, expected));
        EXPECT_EQ(run.result.bytesWritten, run.result.bytesChanged);
        EXPECT_EQ(sim.sim().completedWriteCycles(),
                  timing == LinkTiming::kFast ? pageRuns(before, expected) : run.result.bytesChanged);
        EXPECT_EQ(run.read.programCount(), old.programCount());  // the snapshot decodes as a read
      }
    }
  }
}

// Every byte a full write can change lies in the footprint, and the
// snapshot holds the configuration a read gives.
TEST(ChangedWrite, FootprintAndSnapshotCoverTheConfiguration) {
  std::mt19937 rng(5);
  for (int partition = 0; partition < 8; ++partition) {
    const DeviceData config = randomConfig(rng, partition, -1);
    MemoryImage noise;
    for (uint8_t& b : noise) b = static_cast<uint8_t>(rng());
    std::vector<bool> inside(kDeviceMemorySize);
    for (const ByteRange& r : writeFootprint(config))
      for (int i = r.begin; i < r.end; ++i) inside[i] = true;
    const MemoryImage written = fullWrite(config, noise);
    for (int i = 0; i < kDeviceMemorySize; ++i)
      if (written[i] != noise[i]) {
        ASSERT_TRUE(inside[i]) << "partition " << partition << " byte " << i;
      }

    SimLink sim(written);
    DeviceSnapshot snapshot;
    readSnapshot(*sim.link, snapshot);
    EXPECT_TRUE(snapshot.holdsConfiguration());
    EXPECT_TRUE(compareConfigurations(snapshot.configuration(), readConfiguration(written)).empty());
  }
}

// On the bus: the differing bytes and nothing else are written at their
// addresses, in the standard timing one transaction per byte, in the fast
// one a page write per run of them; the check reads them back.
TEST(ChangedWrite, TheBusCarriesOnlyTheChangedBytes) {
  std::mt19937 rng(2);
  const DeviceData old = randomConfig(rng, 2, -1, true);
  const MemoryImage before = fullWrite(old, patternImage());
  DeviceData target = old;
  target.general.pid[0][PidRegulator::P02].setValueQuiet(old.general.pid[0][PidRegulator::P02].value() ^ 1);
  target.programAt(7)->steps.back()[Step::E02].setValueQuiet(-3);
  const MemoryImage expected = fullWrite(target, before);
  std::set<int> differing;
  for (int i = 0; i < kDeviceMemorySize; ++i)
    if (before[i] != expected[i]) differing.insert(i);
  ASSERT_FALSE(differing.empty());

  for (const LinkTiming timing : {LinkTiming::kStandard, LinkTiming::kFast}) {
    const bool fast = timing == LinkTiming::kFast;
    SCOPED_TRACE(fast ? "fast" : "standard");
    TempDir temp;
    const std::string trace = (temp / "bus.vcd").string();
    SimulatorOptions options;
    options.tracePath = trace;
    auto controller = std::make_unique<SimulatedController>(options);
    controller->memory() = before;
    DeviceLink link(std::move(controller), timing);
    link.lptBase = PortBackend::kLpt1;
    ASSERT_FALSE(writeChanged(link, target).error);
    link.setPort(std::make_unique<SimulatedController>(MemoryImage{}));  // closes the trace

    std::set<int> written;
    int writes = 0;
    for (const I2cTransaction& t : decodeI2cTrace(trace)) {
      if (t.read) continue;
      ++writes;
      if (!fast) {
        ASSERT_EQ(t.data.size(), 1u);
      }
      ASSERT_EQ(t.address / 32, (t.address + t.data.size() - 1) / 32) << "a write crosses a page";
      for (std::size_t k = 0; k < t.data.size(); ++k) {
        EXPECT_EQ(t.data[k], expected[t.address + k]);
        written.insert(static_cast<int>(t.address + k));
      }
    }
    EXPECT_EQ(written, differing);
    EXPECT_EQ(writes, fast ? pageRuns(before, expected) : static_cast<int>(differing.size()));
  }
}

// Faults during the write: a byte the memory does not keep is named by the
// check, a link that drops out mid-write says that writing had begun.
TEST(ChangedWrite, FaultsAfterWritingBeganAreReportedAsSuch) {
  std::mt19937 rng(9);
  const DeviceData old = randomConfig(rng, 2, -1, true);
  const MemoryImage before = fullWrite(old, patternImage());
  // The same programs and steps, other values: almost nothing is left to
  // read before writing begins.
  DeviceData target = old;
  for (Program& p : target.programs)
    for (Step& step : p.steps) step[Step::U04].setValueQuiet((step[Step::U04].value() + 1) % 60);
  const MemoryImage expected = fullWrite(target, before);
  int first = 0;
  while (before[first] == expected[first]) ++first;

  SimulatorFault readonly;
  readonly.kind = SimulatorFault::kReadonly;
  readonly.readonlyAddress = first;
  SimLink worn(before, readonly);
  ChangedRun run = writeChanged(*worn.link, target);
  ASSERT_TRUE(run.error);
  EXPECT_EQ(run.error->errorCode, kErrorVerify);
  char address[32];
  std::snprintf(address, sizeof address, "(0x%04X)", first);
  EXPECT_NE(std::string(run.error->text()).find(address), std::string::npos) << run.error->what();
  EXPECT_TRUE(run.result.writeStarted);
  EXPECT_EQ(worn.sim().memory()[first], before[first]);

  SimLink cable(before);
  DeviceSnapshot snapshot;
  readSnapshot(*cable.link, snapshot);
  cable.watch->highAfter = cable.watch->accesses() + 20000;  // well into the write: no more acknowledges
  ChangedWriteResult result;
  try {
    writeChangedBytes(*cable.link, target, snapshot, result);
    FAIL() << "the write went through a broken link";
  } catch (const LinkError& e) {
    EXPECT_EQ(e.errorCode, LinkError::kLinkBroken);
  }
  EXPECT_TRUE(result.writeStarted);
  EXPECT_GT(result.bytesWritten, 0);
  EXPECT_LT(result.bytesWritten, result.bytesChanged);
}

// A controller that falls silent at any byte of the read, the write or the
// check: the exchange fails as a link fault (never as a failed check, never
// with a read that shows 0xFF where the silent memory left them), nothing
// changes before writing began, and only a run the memory survived to its
// last byte ends with success. Sampled: a stride shorter than any
// transaction, and every byte of the run's end.
TEST(ChangedWrite, ADropOutAtAnyByteIsALinkFault) {
  const MemoryImage before = factoryImage();
  const DeviceData truth = readConfiguration(before);
  DeviceData target = truth;
  target.general.base[BaseParameters::O06].setValueQuiet(70);
  target.programAt(0)->steps.back()[Step::U04].setValueQuiet(9);
  const MemoryImage expected = fullWrite(target, before);
  for (const LinkTiming timing : {LinkTiming::kStandard, LinkTiming::kFast}) {
    SCOPED_TRACE(timing == LinkTiming::kFast ? "fast" : "standard");
    int total = 0;
    {
      SimLink clean(before, {}, timing);
      ASSERT_FALSE(writeChanged(*clean.link, target).error);
      total = clean.sim().bytesOnBus();
    }
    constexpr int kStride = 13, kEnd = 10;
    // At `total` the memory falls silent just as the run's last byte ends.
    for (int bytes = 1; bytes <= total + 1; bytes += bytes < total - kEnd ? kStride : 1) {
      SimulatorFault dropout;
      dropout.kind = SimulatorFault::kDropout;
      dropout.dropoutBytes = bytes;
      SimLink sim(before, dropout, timing);
      const ChangedRun run = writeChanged(*sim.link, target);
      if (!run.read.programs.empty()) {
        ASSERT_TRUE(compareConfigurations(run.read, truth).empty()) << "read wrong after " << bytes << " bytes";
      }
      if (!run.error) {
        EXPECT_GE(bytes, total) << "survived a drop-out before its last byte";
        EXPECT_EQ(sim.sim().memory(), expected);
        continue;
      }
      EXPECT_LE(bytes, total) << run.error->what();
      ASSERT_NE(run.error->errorCode, kErrorVerify) << "after " << bytes << " bytes: " << run.error->what();
      if (!run.result.writeStarted) {
        ASSERT_EQ(sim.sim().memory(), before) << bytes;
      }
    }
  }
}
