// The exchanges end to end: the worker thread, the bus engine and the
// simulated controller, and the document's read and write on top of them.
#include "link/DeviceExchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>

#include "document/ConfigFile.h"
#include "document/Document.h"
#include "document/HeadlessHost.h"
#include "document/WriteCheck.h"
#include "link/BitField.h"
#include "link/FactoryConfiguration.h"
#include "link/SimulatedController.h"
#include "support/I2cTrace.h"
#include "support/RandomConfig.h"
#include "support/TempDir.h"

namespace {

// A simulated controller that can run a callback at a given port access, so
// a test can abort an exchange at a point of its choosing.
class ScriptedController : public SimulatedController {
 public:
  using SimulatedController::SimulatedController;
  uint8_t inByte(uint16_t address) override {
    if (++m_accesses == triggerAt && trigger) trigger();
    if (everyAccess) everyAccess();
    return SimulatedController::inByte(address);
  }
  uint64_t accesses() const { return m_accesses; }
  uint64_t triggerAt = 0;
  std::function<void()> trigger;
  std::function<void()> everyAccess;

 private:
  uint64_t m_accesses = 0;
};

// The protocol's standard timing unless told otherwise.
struct Bench {
  explicit Bench(const MemoryImage& image, uint16_t base = PortBackend::kLpt1, SimulatorFault fault = {},
                 LinkTiming timing = LinkTiming::kStandard) {
    auto port = std::make_unique<ScriptedController>(image, base, fault);
    sim = port.get();
    link = std::make_unique<DeviceLink>(std::move(port), timing);
  }
  // With a trace file: the memory starts as `image`.
  Bench(const MemoryImage& image, const std::string& tracePath, LinkTiming timing = LinkTiming::kStandard) {
    SimulatorOptions options;
    options.tracePath = tracePath;
    auto port = std::make_unique<ScriptedController>(options);
    port->memory() = image;
    sim = port.get();
    link = std::make_unique<DeviceLink>(std::move(port), timing);
  }
  ScriptedController* sim;
  std::unique_ptr<DeviceLink> link;
};

int run(DeviceLink& link, DeviceData& config, ExchangeMode mode, std::optional<LinkError>* error = nullptr) {
  DeviceExchange exchange(link, config, mode);
  const int result = exchange.run();
  if (error) *error = exchange.takeError();
  return result;
}

// The document's framework, reduced to what a device command needs.
class ExchangeHost : public HeadlessHost {
 public:
  explicit ExchangeHost(DeviceLink& link) : m_link(link) {}
  bool runExchange(DeviceData& config, ExchangeMode mode) override {
    DeviceExchange exchange(m_link, config, mode);
    modes.emplace_back(mode);
    if (beforeStart) beforeStart(exchange);
    exchange.run();
    if (auto e = exchange.takeError()) errors.push_back(*e);
    return exchange.result() == DeviceExchange::kDone;
  }

  std::function<void(DeviceExchange&)> beforeStart;
  std::vector<ExchangeMode> modes;
  std::vector<LinkError> errors;

 private:
  DeviceLink& m_link;
};

MemoryImage erased() {
  MemoryImage image;
  image.fill(0xFF);
  return image;
}

}  // namespace

TEST(DeviceExchange, WriteThenReadGivesTheConfigurationBackInEveryPartition) {
  std::mt19937 rng(1988);
  for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
    const int programs = std::uniform_int_distribution<int>(1, GeneralParameters::programCountOf(o10))(rng);
    DeviceData config = randomConfig(rng, o10, programs);
    Bench bench(factoryImage());
    MemoryImage expectedImage = bench.sim->memory();
    writeConfiguration(config, expectedImage);

    ASSERT_EQ(run(*bench.link, config, ExchangeMode::WriteL2), DeviceExchange::kDone);
    ASSERT_EQ(run(*bench.link, config, ExchangeMode::WriteL1), DeviceExchange::kDone);
    EXPECT_EQ(bench.link->progressCounter.load(), 1050);
    // The bus leaves exactly what the memory image predicts, byte for byte.
    ASSERT_EQ(bench.sim->memory(), expectedImage) << "O10 = " << o10;

    DeviceData read;
    ASSERT_EQ(run(*bench.link, read, ExchangeMode::ReadL2), DeviceExchange::kDone);
    ASSERT_EQ(run(*bench.link, read, ExchangeMode::ReadL1), DeviceExchange::kDone);
    const std::vector<std::string> diff = valueDifferences(readConfiguration(expectedImage), read);
    ASSERT_TRUE(diff.empty()) << "O10 = " << o10 << ": " << diff.front();
    for (int n = 0; n < programs; ++n)
      ASSERT_EQ(read.programAt(n)->stepCount(), config.programAt(n)->stepCount());
    EXPECT_EQ(read.programCount(), GeneralParameters::programCountOf(o10));
  }
}

TEST(DeviceExchange, DocumentReadTakesTheControllersConfiguration) {
  Bench bench(factoryImage());
  ExchangeHost host(*bench.link);
  Document doc(&host);
  doc.newDocument();
  doc.deviceData()->general.base[BaseParameters::O10].setValue(7);  // answered Yes: 5 programs
  doc.readDevice();
  EXPECT_TRUE(host.errors.empty());
  EXPECT_EQ(host.modes, (std::vector<ExchangeMode>{ExchangeMode::ReadL2, ExchangeMode::ReadL1}));
  EXPECT_EQ(doc.title(), "Считанная прошивка");
  const DeviceData& d = *doc.deviceData();
  EXPECT_EQ(d.general.partition(), 2);
  ASSERT_EQ(d.programCount(), 20);
  EXPECT_EQ(d.programAt(0)->name(), "Считанная");
  EXPECT_TRUE(valueDifferences(factoryConfiguration(), d).empty());
  // The read partition adapts the programs when it is changed later.
  doc.deviceData()->general.base[BaseParameters::O10].setValue(7);
  EXPECT_EQ(doc.deviceData()->programCount(), 5);
}

TEST(DeviceExchange, AbortedOrFailedReadLeavesTheDocumentAsItWas) {
  for (const char* how : {"abort in L1", "abort in L2", "link breaks in L1"}) {
    const bool breaks = std::string(how) == "link breaks in L1";
    SimulatorFault fault;
    if (breaks) {
      fault.kind = SimulatorFault::kDropout;
      fault.dropoutBytes = 400;  // L2 and a few headers get through
    }
    Bench bench(factoryImage(), PortBackend::kLpt1, fault);
    bench.link->lptBase = PortBackend::kLpt1;
    ExchangeHost host(*bench.link);
    Document doc(&host);
    doc.newDocument();
    doc.deviceData()->programAt(3)->steps.resize(2);
    const std::string before = doc.text();
    const std::string title = doc.title();

    const ExchangeMode abortIn =
        std::string(how) == "abort in L1" ? ExchangeMode::ReadL1 : ExchangeMode::ReadL2;
    host.beforeStart = [&](DeviceExchange& exchange) {
      if (breaks || host.modes.back() != abortIn) return;
      bench.sim->triggerAt = bench.sim->accesses() + 3000;  // well inside the exchange
      bench.sim->trigger = [&exchange] { exchange.abort(); };
    };
    doc.readDevice();
    EXPECT_EQ(doc.text(), before) << how;
    EXPECT_EQ(doc.title(), title) << how;
    EXPECT_TRUE(doc.partitionGuarded()) << how;
    if (breaks) {
      ASSERT_EQ(host.errors.size(), 1u);
      EXPECT_EQ(host.errors[0].errorCode, LinkError::kLinkBroken);
      EXPECT_EQ(host.errors[0].text(), "Связь с прибором прервалась");
    } else {
      EXPECT_TRUE(host.errors.empty()) << how;  // an abort is silent
    }
    EXPECT_EQ(host.modes.back(), breaks ? ExchangeMode::ReadL1 : abortIn) << how;
  }
}

// The first exchange looks for the adapter at 0x378, 0x278 and 0x3BC in
// turn, each for up to a second (an adapter powering up from the port), and
// takes the first where the line follows and the memory answers, as soon as
// they do; a later exchange does not look again.
TEST(DeviceExchange, FirstExchangeWaitsForThePortOnlyUntilItAnswers) {
  const struct {
    uint16_t base;
    uint64_t powerUpUs;  // the memory answers from then on
    LinkTiming timing;
  } cases[] = {{PortBackend::kLpt3, 0, LinkTiming::kStandard},
               {PortBackend::kLpt3, 0, LinkTiming::kFast},
               {PortBackend::kLpt1, 300000, LinkTiming::kFast},
               {PortBackend::kLpt2, 700000, LinkTiming::kStandard}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.base) + ", answers after " + std::to_string(c.powerUpUs) + " us");
    Bench bench(factoryImage(), c.base, {SimulatorFault::kAbsent}, c.timing);
    bench.sim->everyAccess = [&] {
      if (bench.sim->virtualTimeUs() >= c.powerUpUs) bench.sim->setFault({});
    };
    DeviceData config;
    ASSERT_EQ(run(*bench.link, config, ExchangeMode::ReadL2), DeviceExchange::kDone);
    EXPECT_EQ(bench.link->lptBase.load(), c.base);
    EXPECT_EQ(config.general.partition(), 2);
    const auto& resets = bench.sim->lineResets();
    const std::vector<uint16_t> tried = {PortBackend::kLpt1, PortBackend::kLpt2, PortBackend::kLpt3};
    const auto chosen =
        static_cast<std::size_t>(std::find(tried.begin(), tried.end(), c.base) - tried.begin());
    ASSERT_EQ(resets.size(), chosen + 2);  // the probes, then the lines of the chosen port at the end
    for (std::size_t i = 0; i < chosen; ++i) {
      EXPECT_EQ(resets[i].base, tried[i]);
      EXPECT_GE(resets[i + 1].timeUs - resets[i].timeUs, 1000000u) << "an empty port gets its second";
    }
    // The port found: no longer than its memory takes to answer, and the read.
    EXPECT_LT(resets[chosen + 1].timeUs - std::max(resets[chosen].timeUs, c.powerUpUs), 600000u);

    const uint64_t start = bench.sim->virtualTimeUs();
    ASSERT_EQ(run(*bench.link, config, ExchangeMode::ReadL2), DeviceExchange::kDone);
    ASSERT_EQ(resets.size(), chosen + 3);
    EXPECT_EQ(resets.back().base, c.base);
    EXPECT_LT(bench.sim->virtualTimeUs() - start, 400000u);
  }
}

TEST(DeviceExchange, NoControllerGivesOneNoAnswerErrorAndKeepsTheDocument) {
  SimulatorFault absent;
  absent.kind = SimulatorFault::kAbsent;
  Bench bench(erased(), PortBackend::kLpt1, absent);
  ExchangeHost host(*bench.link);
  Document doc(&host);
  doc.newDocument();
  const std::string before = doc.text();
  doc.readDevice();
  ASSERT_EQ(host.errors.size(), 1u);
  EXPECT_EQ(host.errors[0].errorCode, LinkError::kNoAnswer);
  EXPECT_EQ(host.errors[0].text(), "Прибор не отвечает");
  EXPECT_EQ(host.modes, std::vector<ExchangeMode>{ExchangeMode::ReadL2});
  EXPECT_EQ(doc.text(), before);
  EXPECT_EQ(bench.link->lptBase.load(), PortBackend::kLpt1);  // the fallback
}

// On the bus, in the standard timing one single-byte write per byte of the
// records; in the fast one page writes that never cross a page, each read
// back. Either way exactly the records' bytes are written.
TEST(DeviceExchange, WritingThreeProgramsInPartitionZeroWritesAllSixtySlots) {
  std::mt19937 rng(60);
  DeviceData config = randomConfig(rng, 0, 3, true);
  for (const LinkTiming timing : {LinkTiming::kStandard, LinkTiming::kFast}) {
    const bool fast = timing == LinkTiming::kFast;
    SCOPED_TRACE(fast ? "fast" : "standard");
    const TempDir temp;
    const std::string path = (temp / "sixty-slots.vcd").string();
    std::set<int> expected;
    {
      Bench bench(erased(), path, timing);
      bench.link->lptBase = PortBackend::kLpt1;
      ASSERT_EQ(run(*bench.link, config, ExchangeMode::WriteL1), DeviceExchange::kDone);
      const DeviceData read = readConfiguration(bench.sim->memory());
      for (int n = 0; n < 60; ++n) {
        const int32_t h = programBit(60, n);
        EXPECT_EQ(headerRecordAt(bench.sim->memory().data(), h).stepCount(), n < 3 ? 7 : 0) << n;
        for (int b = 0; b < kHeaderRecordBytes + (h % 8 ? 1 : 0); ++b) expected.insert(h / 8 + b);
        for (int s = 0; s < (n < 3 ? 7 : 0); ++s) {
          const int32_t p = stepBit(60, n, s);
          for (int b = 0; b < kStepRecordBytes + (p % 8 ? 1 : 0); ++b) expected.insert(p / 8 + b);
        }
      }
    }
    std::set<int> written, readBack;
    int writes = 0, reads = 0;
    for (const I2cTransaction& t : decodeI2cTrace(path)) {
      if (t.read) {
        ++reads;  // the first byte of an offset record; in the fast timing the pages written
        for (std::size_t k = 0; k < t.data.size(); ++k) readBack.insert(static_cast<int>(t.address + k));
        continue;
      }
      if (!fast) {
        ASSERT_EQ(t.data.size(), 1u);
      }
      ASSERT_EQ(t.address / 32, (t.address + t.data.size() - 1) / 32) << "a page write crosses its page";
      for (std::size_t k = 0; k < t.data.size(); ++k) written.insert(static_cast<int>(t.address + k));
      ++writes;
    }
    EXPECT_EQ(written, expected);
    if (fast) {
      EXPECT_LT(writes, static_cast<int>(expected.size()) / 8);  // pages, not bytes
      EXPECT_TRUE(std::includes(readBack.begin(), readBack.end(), written.begin(), written.end()));
    } else {
      EXPECT_GE(writes,
                static_cast<int>(expected.size()));  // a step's first byte may end the record before it
    }
    EXPECT_GT(reads, 0);
  }
}

TEST(DeviceExchange, ReadingL2TouchesOnlyItsBytes) {
  const TempDir temp;
  const std::string path = (temp / "l2-read.vcd").string();
  {
    Bench bench(factoryImage(), path);
    bench.link->lptBase = PortBackend::kLpt1;
    DeviceData config;
    ASSERT_EQ(run(*bench.link, config, ExchangeMode::ReadL2), DeviceExchange::kDone);
  }
  // Three blocks, then one byte that tells the memory still answers.
  const std::vector<I2cTransaction> t = decodeI2cTrace(path);
  ASSERT_EQ(t.size(), 4u);
  const int starts[] = {8106, 8138, 8170, 8106}, lengths[] = {32, 32, 22, 1};
  const MemoryImage factory = factoryImage();
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(t[i].read);
    EXPECT_EQ(t[i].address, starts[i]);
    ASSERT_EQ(static_cast<int>(t[i].data.size()), lengths[i]);
    for (int b = 0; b < lengths[i]; ++b) EXPECT_EQ(t[i].data[b], factory[starts[i] + b]);
  }
  EXPECT_EQ(t[2].address + t[2].data.size(), 8192u);
}

TEST(DeviceExchange, WriteKeepsForeignL2BitsAndRefusesWhatDoesNotFit) {
  std::mt19937 rng(7);
  Bench bench(erased());
  DeviceData config = randomConfig(rng, 2, 21);  // one program too many
  std::optional<LinkError> error;
  for (ExchangeMode mode : {ExchangeMode::WriteL2, ExchangeMode::WriteL1}) {
    EXPECT_EQ(run(*bench.link, config, mode, &error), DeviceExchange::kFailed);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorCode, kErrorDoesNotFit);
    EXPECT_EQ(
        error->text(),
        "Конфигурация не помещается в память прибора: программ 21, разбиение памяти O10 = 2 допускает 20");
  }
  EXPECT_EQ(bench.sim->memory(), erased());  // nothing written
  EXPECT_EQ(bench.sim->completedWriteCycles(), 0);

  config.programs.pop_back();
  config.programAt(4)->steps.resize(26);
  EXPECT_EQ(run(*bench.link, config, ExchangeMode::WriteL1, &error), DeviceExchange::kFailed);
  EXPECT_EQ(error->text(),
            "Конфигурация не помещается в память прибора: в программе №5 шагов 26, разбиение памяти "
            "допускает 25");

  config.programAt(4)->steps.resize(25);
  config.general.filters[2].setEnteredValue(64);
  DeviceExchange exchange(*bench.link, config, ExchangeMode::WriteL2);
  ASSERT_EQ(exchange.run(), DeviceExchange::kDone);
  ASSERT_EQ(exchange.adjusted().size(), 1u);
  EXPECT_EQ(exchange.adjusted()[0].code, "D03");
  // The masked write: bits 253..401 of the area belong to the controller.
  EXPECT_EQ(extractBits(bench.sim->memory().data() + L2_BASE, 253, 32), 0xFFFFFFFFu);
  EXPECT_EQ(extractBits(bench.sim->memory().data() + L2_BASE, 404, 4), 0xFu);
  EXPECT_EQ(extractBits(bench.sim->memory().data() + L2_BASE, 69, 6), 63u);
}

TEST(DeviceExchange, WritesCannotBeAbortedAndTheRunnerReportsProgress) {
  Bench bench(erased());
  bench.link->lptBase = PortBackend::kLpt1;
  DeviceData config = factoryConfiguration();
  ASSERT_EQ(run(*bench.link, config, ExchangeMode::WriteL2), DeviceExchange::kDone);
  DeviceExchange exchange(*bench.link, config, ExchangeMode::WriteL1);
  EXPECT_EQ(exchange.progressRange(), 1050);
  bench.sim->triggerAt = 5000;
  bench.sim->trigger = [&exchange] { exchange.abort(); };
  exchange.start();
  int last = 0;
  while (!exchange.finished()) {
    const int p = exchange.progress();
    EXPECT_GE(p, last);
    last = p;
    std::this_thread::yield();
  }
  exchange.wait();
  EXPECT_EQ(exchange.result(), DeviceExchange::kDone);
  EXPECT_FALSE(exchange.takeError());
  EXPECT_EQ(exchange.progress(), 1050);
  EXPECT_TRUE(valueDifferences(factoryConfiguration(), readConfiguration(bench.sim->memory())).empty());
}

// No steps anywhere: the step pass has nothing to divide its share by.
TEST(DeviceExchange, ReadOfSlotsWithoutAnyStep) {
  MemoryImage image = erased();
  DeviceData empty;  // O10 = 2, twenty programs without steps
  writeConfiguration(empty, image);
  Bench bench(image);
  bench.link->lptBase = PortBackend::kLpt1;
  DeviceData read;
  ASSERT_EQ(run(*bench.link, read, ExchangeMode::ReadL2), DeviceExchange::kDone);
  ASSERT_EQ(run(*bench.link, read, ExchangeMode::ReadL1), DeviceExchange::kDone);
  EXPECT_EQ(read.programCount(), 20);
  for (const Program& p : read.programs) EXPECT_EQ(p.stepCount(), 0);
}

// The L1 read's bar, watched at every port access: it never runs back nor
// past its range, stays at its header share while there are no steps to
// read, and is full exactly when the read ends.
TEST(DeviceExchange, TheL1ReadsBarRisesSteadilyToItsEnd) {
  MemoryImage noSteps = erased();
  writeConfiguration(DeviceData(), noSteps);
  const struct {
    const char* what;
    MemoryImage image;
    int highestBeforeTheEnd;
  } cases[] = {{"factory", factoryImage(), 1050}, {"no steps", noSteps, 50}};
  for (const auto& c : cases) {
    Bench bench(c.image);
    bench.link->lptBase = PortBackend::kLpt1;
    DeviceData read;
    ASSERT_EQ(run(*bench.link, read, ExchangeMode::ReadL2), DeviceExchange::kDone);
    int last = 0, highest = 0;
    bool backwards = false;
    bench.sim->everyAccess = [&] {
      const int p = bench.link->progressCounter.load();
      backwards |= p < last;
      highest = std::max(highest, p);
      last = p;
    };
    bench.link->progressCounter = 0;
    ASSERT_EQ(run(*bench.link, read, ExchangeMode::ReadL1), DeviceExchange::kDone);
    EXPECT_FALSE(backwards) << c.what;
    EXPECT_LE(highest, c.highestBeforeTheEnd) << c.what;
    EXPECT_EQ(bench.link->progressCounter.load(), 1050) << c.what;
  }
}

namespace {

// The document's read (L2, then L1) of `image` on a memory that falls
// silent after `dropoutBytes` bytes on the bus (0: never): the file it
// reads, nothing when it fails; `bytesOnBus` gets how many bytes it took.
std::optional<std::string> readThroughDropout(const MemoryImage& image, LinkTiming timing, int dropoutBytes,
                                              int* bytesOnBus = nullptr) {
  SimulatorFault fault;
  if (dropoutBytes > 0) {
    fault.kind = SimulatorFault::kDropout;
    fault.dropoutBytes = dropoutBytes;
  }
  Bench bench(image, PortBackend::kLpt1, fault, timing);
  bench.link->lptBase = PortBackend::kLpt1;
  DeviceData config;
  const bool done = run(*bench.link, config, ExchangeMode::ReadL2) == DeviceExchange::kDone &&
                    run(*bench.link, config, ExchangeMode::ReadL1) == DeviceExchange::kDone;
  if (bytesOnBus) *bytesOnBus = bench.sim->bytesOnBus();
  return done ? std::optional<std::string>(configfile::write(config)) : std::nullopt;
}

}  // namespace

// A drop-out anywhere before the read's last byte fails the read in both
// timings (the rest of a block or run reads as 0xFF, which only the next
// transaction or the closing byte can tell from data); from its last byte
// on the read is whole. Sampled: a stride shorter than any transaction, so
// every read is cut somewhere, and every byte of the read's end.
TEST(DeviceExchange, ADropOutAtAnyByteOfAReadFailsTheRead) {
  const MemoryImage image = factoryImage();
  const std::string truth = configfile::write(readConfiguration(image));
  for (const LinkTiming timing : {LinkTiming::kStandard, LinkTiming::kFast}) {
    int total = 0;
    ASSERT_EQ(readThroughDropout(image, timing, 0, &total), truth);
    constexpr int kStride = 13, kEnd = 10;
    for (int bytes = 1; bytes <= total; bytes += bytes < total - kEnd ? kStride : 1)
      EXPECT_EQ(readThroughDropout(image, timing, bytes), bytes < total ? std::nullopt : std::optional(truth))
          << "the memory fell silent after " << bytes << " of " << total << " bytes, timing "
          << static_cast<int>(timing);
  }
}

// The same on the largest configuration of partition 2, read in long
// sequential runs in the fast timing: a drop-out sampled every few hundred
// bytes of the read fails it (a run that loses the memory halfway is caught
// by the next read or the closing byte), one after the read's end leaves it
// whole.
TEST(DeviceExchange, ADropOutAnywhereInALongSequentialReadFailsTheRead) {
  std::mt19937 rng(3636);
  MemoryImage image = factoryImage();
  writeConfiguration(randomConfig(rng, 2, -1, true), image);
  const std::string truth = configfile::write(readConfiguration(image));
  int total = 0;
  ASSERT_EQ(readThroughDropout(image, LinkTiming::kFast, 0, &total), truth);
  ASSERT_GT(total, 8000);
  for (int bytes = 1; bytes < total; bytes += 1 + static_cast<int>(rng() % 400))
    EXPECT_EQ(readThroughDropout(image, LinkTiming::kFast, bytes), std::nullopt)
        << "the memory fell silent after " << bytes << " bytes";
  EXPECT_EQ(readThroughDropout(image, LinkTiming::kFast, total), truth);
}
