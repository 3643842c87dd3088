// The CH341A engine on the simulated chip: exchanges leave the memory the
// parallel-port simulator leaves on the same file, the changed write leaves
// what a full write leaves, an unplugged adapter or a silent memory is a
// failure with its text, and the command stream obeys the chip's rules
// (checked by a decoder of its own here) and shows on the bus as it should.
#include "link/Ch341Memory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "document/WriteCheck.h"
#include "link/DeviceExchange.h"
#include "link/ImageFile.h"
#include "link/LinkFixture.h"
#include "link/SimulatedCh341.h"
#include "support/Decoder.h"
#include "support/I2cTrace.h"
#include "support/RandomConfig.h"
#include "support/TempDir.h"

namespace {

// Passes every transfer to the simulated chip and keeps what went OUT.
class RecordingUsb : public UsbTransport {
 public:
  explicit RecordingUsb(std::unique_ptr<SimulatedCh341> chip) : m_chip(std::move(chip)) {}
  int bulkOut(const uint8_t* data, int length) override {
    outs.emplace_back(data, data + length);
    return m_chip->bulkOut(data, length);
  }
  int bulkIn(uint8_t* data, int length) override { return m_chip->bulkIn(data, length); }
  int controlIn(uint8_t request, uint16_t value, uint16_t index, uint8_t* data, int length,
                int& received) override {
    return m_chip->controlIn(request, value, index, data, length, received);
  }
  uint64_t nowUs() override { return m_chip->nowUs(); }
  void sleepUs(uint64_t us) override { m_chip->sleepUs(us); }
  void flush() override { m_chip->flush(); }

  SimulatedCh341& chip() { return *m_chip; }
  std::vector<std::vector<uint8_t>> outs;

 private:
  std::unique_ptr<SimulatedCh341> m_chip;
};

struct Ch341Rig {
  explicit Ch341Rig(std::unique_ptr<SimulatedCh341> sim, ch341::Speed speed = ch341::Speed::k100kHz) {
    auto usb = std::make_unique<RecordingUsb>(std::move(sim));
    recorder = usb.get();
    link = std::make_unique<DeviceLink>(std::make_unique<Ch341Memory>(std::move(usb), speed));
  }
  explicit Ch341Rig(const MemoryImage& image = patternImage(), Ch341Fault fault = {})
      : Ch341Rig(std::make_unique<SimulatedCh341>(image, fault)) {}
  SimulatedCh341& chip() { return recorder->chip(); }
  RecordingUsb* recorder;
  std::unique_ptr<DeviceLink> link;
};

// Runs the exchanges; the first error, or none.
std::optional<LinkError> run(DeviceLink& link, DeviceData& config, std::vector<ExchangeMode> modes,
                             DeviceSnapshot* snapshot = nullptr) {
  for (const ExchangeMode mode : modes) {
    DeviceExchange exchange(link, config, mode, snapshot);
    exchange.run();
    if (auto error = exchange.takeError()) return error;
  }
  return std::nullopt;
}

const std::vector<ExchangeMode> kWrite = {ExchangeMode::WriteL2, ExchangeMode::WriteL1};
const std::vector<ExchangeMode> kRead = {ExchangeMode::ReadL2, ExchangeMode::ReadL1};

void expectNoError(const std::optional<LinkError>& error) {
  EXPECT_FALSE(error) << (error ? std::string(error->text()) : "");
}

}  // namespace

// Both simulators on one file: what the CH341A writes, the parallel-port
// simulator reads, and the other way round; both writes leave the same bytes.
TEST(Ch341Memory, EveryPartitionMatchesTheParallelPortSimulatorOnOneFile) {
  std::mt19937 rng(341);
  TempDir dir;
  for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
    SCOPED_TRACE("O10 = " + std::to_string(o10));
    DeviceData config = randomConfig(rng, o10, -1, o10 == 2);
    const std::string viaUsb = (dir / ("usb" + std::to_string(o10))).string();
    const std::string viaPort = (dir / ("lpt" + std::to_string(o10))).string();
    for (const std::string& file : {viaUsb, viaPort})
      ImageStore(file).store(patternImage(), 0, kDeviceMemorySize);
    {
      Ch341Rig usb(std::make_unique<SimulatedCh341>(Ch341SimulatorOptions{viaUsb, {}, {}}));
      expectNoError(run(*usb.link, config, kWrite));
      EXPECT_EQ(usb.chip().pageWraps(), 0);
      EXPECT_EQ(usb.chip().protocolErrors(), 0);
    }
    {
      DeviceLink port(
          std::make_unique<SimulatedController>(SimulatorOptions{viaPort, {}, PortBackend::kLpt1}));
      expectNoError(run(port, config, kWrite));
    }
    ASSERT_EQ(ImageStore(viaUsb).loaded(), ImageStore(viaPort).loaded());

    DeviceData byUsb, byPort;
    {
      Ch341Rig usb(std::make_unique<SimulatedCh341>(Ch341SimulatorOptions{viaPort, {}, {}}));
      expectNoError(run(*usb.link, byUsb, kRead));
    }
    {
      DeviceLink port(
          std::make_unique<SimulatedController>(SimulatorOptions{viaUsb, {}, PortBackend::kLpt1}));
      expectNoError(run(port, byPort, kRead));
    }
    const std::vector<std::string> diff = valueDifferences(byPort, byUsb);
    ASSERT_TRUE(diff.empty()) << diff.front();
    EXPECT_TRUE(valueDifferences(readConfiguration(ImageStore(viaUsb).loaded()), byUsb).empty());
  }
}

TEST(Ch341Memory, ChangedWriteLeavesWhatAFullWriteLeaves) {
  std::mt19937 rng(35);
  const DeviceData old = randomConfig(rng, 3, -1, true);
  MemoryImage before = patternImage();
  writeConfiguration(old, before);
  DeviceData changed = old;
  Parameter& setpoint = changed.programAt(1)->steps.front()[Step::U03];
  setpoint.setValueQuiet(setpoint.value() == 50 ? 51 : 50);
  MemoryImage expected = before;
  writeConfiguration(changed, expected);

  Ch341Rig rig(before);
  DeviceSnapshot snapshot;
  DeviceData read;
  expectNoError(run(*rig.link, read, {ExchangeMode::ReadSnapshot}, &snapshot));
  const uint64_t written = rig.chip().storedPages();
  expectNoError(run(*rig.link, changed, {ExchangeMode::WriteChanged}, &snapshot));
  EXPECT_EQ(rig.chip().memory(), expected);
  EXPECT_LE(rig.chip().storedPages() - written, 2);  // the page of the setpoint, or two
}

// The adapter pulled out at any transfer of a write: a broken link naming
// the unplugged adapter, never success, with the controller having answered
// (so the write says it may hold a mix).
TEST(Ch341Memory, UnplugAtAnyTransferOfAWriteFails) {
  std::mt19937 rng(5);
  DeviceData config = randomConfig(rng, 0, 4);
  uint64_t total = 0;
  {
    Ch341Rig rig;
    expectNoError(run(*rig.link, config, kWrite));
    total = rig.chip().transfers();
  }
  ASSERT_GT(total, 20u);
  for (uint64_t at = 0; at < total; at += total / 17 + 1) {
    SCOPED_TRACE("unplugged at transfer " + std::to_string(at));
    Ch341Rig rig;
    uint8_t byte;
    readMemory(*rig.link, &byte, 0, 0, 1);
    rig.chip().setFault({Ch341Fault::kUnplug, rig.chip().transfers() + at, -1});
    const std::optional<LinkError> error = run(*rig.link, config, kWrite);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->errorCode, LinkError::kLinkBroken);
    EXPECT_EQ(error->text(), "Связь с прибором прервалась (адаптер CH341A отключён)");
    EXPECT_FALSE(rig.link->awaitingFirstAnswer.load());
  }
}

// Plugged in again, the adapter serves the next exchange.
TEST(Ch341Memory, AnAdapterPluggedInAgainIsOpenedAnew) {
  MemoryImage image = patternImage();
  int opened = 0;
  auto chip = std::make_unique<SimulatedCh341>(image, Ch341Fault{Ch341Fault::kUnplug, 0, -1});
  DeviceLink link(std::make_unique<Ch341Memory>(std::move(chip), ch341::Speed::k100kHz, "CH341A", [&] {
    ++opened;
    return std::make_unique<SimulatedCh341>(image);
  }));
  DeviceData config;
  const std::optional<LinkError> unplugged = run(link, config, kRead);
  ASSERT_TRUE(unplugged);
  EXPECT_NE(unplugged->text().find("адаптер CH341A отключён"), std::string::npos);
  expectNoError(run(link, config, kRead));
  expectNoError(run(link, config, kRead));
  EXPECT_EQ(opened, 1);
}

TEST(Ch341Memory, SilentMemoriesFailWithTheirTexts) {
  const struct {
    const char* name;
    Ch341Fault fault;
    bool answeredBefore, write;
    int code;
    const char* text;
  } cases[] = {
      {"nothing answers", {Ch341Fault::kAbsent, 0, -1}, false, false, 1, "Прибор не отвечает"},
      {"nothing answers a write", {Ch341Fault::kAbsent, 0, -1}, false, true, 1, "Прибор не отвечает"},
      {"silent inside a read", {Ch341Fault::kNack, 0, 1500}, true, false, 2, "Связь с прибором прервалась"},
      {"silent inside a write", {Ch341Fault::kNack, 0, 1500}, true, true, 2, "Связь с прибором прервалась"},
      {"unplugged before anything", {Ch341Fault::kUnplug, 0, -1}, false, false, 2, "адаптер CH341A отключён"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Ch341Rig rig;
    uint8_t bytes[32] = {};
    if (c.answeredBefore) readMemory(*rig.link, bytes, 0, 0, 1);
    rig.chip().setFault(c.fault);
    try {
      for (uint32_t at = 1400; at < 1700; at += 32) {
        if (c.write) {
          writeMemory(*rig.link, bytes, at, 32);
        } else {
          readMemory(*rig.link, bytes, at, 0, 32);
        }
      }
      rig.link->memory().end(*rig.link);
      ADD_FAILURE() << "no error";
    } catch (const LinkError& e) {
      EXPECT_EQ(e.errorCode, c.code) << e.text();
      EXPECT_NE(e.text().find(c.text), std::string::npos) << e.text();
    }
  }
}

TEST(Ch341Memory, ProbeNamesTheAdapterItsSpeedAndTheMemory) {
  Ch341Rig rig(std::make_unique<SimulatedCh341>(patternImage()), ch341::Speed::k400kHz);
  ProbeReport report = rig.link->memory().probe(*rig.link);
  EXPECT_TRUE(report.linkWorks());
  EXPECT_EQ(report.details().front(), "адаптер: CH341A, версия микросхемы 0x0030, шина I2C 400 кГц");
  EXPECT_EQ(rig.chip().speed(), ch341::Speed::k400kHz);

  rig.chip().setFault({Ch341Fault::kUnplug, rig.chip().transfers(), -1});
  report = rig.link->memory().probe(*rig.link);
  EXPECT_FALSE(report.linkWorks());
  EXPECT_EQ(report.verdict(), "адаптер CH341A отключён");
}

namespace {

// What the decoder found in a stream: the transactions and their bytes.
struct StreamTransaction {
  bool read = false;
  int address = -1;  // after the two address bytes
  int count = 0;     // data bytes read or written
  bool endsNotAcknowledged = false;
};

// Decodes the OUT transfers as the chip reads them, failing the test on a
// sub-command that crosses its 32-byte segment or a segment that answers
// more than a packet.
std::vector<StreamTransaction> decodeStream(const std::vector<std::vector<uint8_t>>& outs) {
  std::vector<StreamTransaction> found;
  StreamTransaction t;
  std::vector<uint8_t> sent;  // bytes of the current transaction
  bool inRead = false, lastAcknowledged = true;
  auto finish = [&] {
    if (sent.size() >= 3 && sent[0] == 0xA0) {
      t.address = sent[1] << 8 | sent[2];
      if (!inRead) t.count = static_cast<int>(sent.size()) - 3;
      t.read = inRead;
      t.endsNotAcknowledged = inRead && !lastAcknowledged;
      if (t.read || t.count > 0) found.push_back(t);
    }
  };
  for (const std::vector<uint8_t>& out : outs) {
    for (std::size_t s = 0; s < out.size(); s += ch341::kPacketSize) {
      const std::size_t end = std::min(out.size(), s + ch341::kPacketSize);
      EXPECT_EQ(out[s], ch341::kStream);
      int answer = 0;
      for (std::size_t i = s + 1; i < end && out[i] != ch341::kEnd; ++i) {
        const uint8_t c = out[i];
        const bool restartForRead = c == ch341::kStart && !inRead && sent.size() == 3;
        if ((c == ch341::kStart || c == ch341::kStop) && !restartForRead) {
          finish();
          t = {};
          sent.clear();
          inRead = false;
        } else if ((c & 0xE0) == ch341::kOut) {
          const std::size_t n = std::max(c & 0x1F, 1);
          EXPECT_LT(i + n, end) << "a send crosses its segment";
          if (i + n >= end) break;
          answer += (c & 0x1F) == 0;
          sent.insert(sent.end(), out.begin() + static_cast<long>(i) + 1,
                      out.begin() + static_cast<long>(i + n) + 1);
          if (sent.back() == 0xA1 && sent.size() == 4) inRead = true;
          i += n;
        } else if (c >= ch341::kIn && c <= 0xE0) {
          EXPECT_TRUE(inRead) << "a read outside a read transaction";
          t.count += std::max(c - ch341::kIn, 1);
          answer += std::max(c - ch341::kIn, 1);
          lastAcknowledged = c != ch341::kIn;
        }
      }
      EXPECT_LE(answer, ch341::kPacketSize) << "a segment answers more than one packet";
    }
  }
  return found;
}

}  // namespace

// The stream of a full write and a full read: pages within their page, every
// read ending on a byte not acknowledged, and reads that follow each other
// in long runs.
TEST(Ch341Memory, StreamKeepsTheChipsRules) {
  std::mt19937 rng(8);
  DeviceData config = randomConfig(rng, 2, -1, true);
  Ch341Rig rig(factoryImage());
  expectNoError(run(*rig.link, config, kWrite));
  const std::size_t writeOuts = rig.recorder->outs.size();
  DeviceData read;
  expectNoError(run(*rig.link, read, kRead));
  EXPECT_EQ(rig.chip().protocolErrors(), 0);

  int pages = 0, readBytes = 0;
  for (const StreamTransaction& t : decodeStream(rig.recorder->outs)) {
    if (t.read) {
      EXPECT_TRUE(t.endsNotAcknowledged) << "read at " << t.address;
      readBytes += t.count;
    } else {
      ++pages;
      EXPECT_LE(t.address % 32 + t.count, 32) << "a page write crosses its page at " << t.address;
    }
  }
  EXPECT_EQ(pages, rig.chip().storedPages());
  // The read: L2, the headers one by one, then each program's steps in
  // runs of up to 256 bytes (two for 25 steps), and the closing bytes.
  const std::size_t readOuts = rig.recorder->outs.size() - writeOuts;
  EXPECT_LE(readOuts, 3u * static_cast<std::size_t>(config.general.programCount()) + 3) << readOuts;
  EXPECT_EQ(read.programCount(), config.programCount());
}

// The trace shows what the engine did on the bus, with the USB round trips
// between the bursts, ending at the exchange's time; sigrok decodes it.
TEST(Ch341Memory, TraceDecodesAsTheTransactions) {
  TempDir dir;
  const std::string trace = (dir / "bus.vcd").string();
  const uint8_t page[3] = {0xA5, 0x5A, 0x3C};
  {
    Ch341Rig rig(std::make_unique<SimulatedCh341>(Ch341SimulatorOptions{{}, trace, {}}),
                 ch341::Speed::k400kHz);
    rig.chip().memory() = patternImage();
    writeMemory(*rig.link, page, 0x0064, 3);
    uint8_t bytes[2];
    readMemory(*rig.link, bytes, 0x1FAA, 0, 2);
    rig.link->memory().end(*rig.link);
    const std::string dump = readFile(trace);
    const std::size_t last = dump.rfind('#');
    EXPECT_EQ(std::stoull(dump.substr(last + 1)), rig.chip().nowNs());
  }
  const std::vector<I2cTransaction> seen = decodeI2cTrace(trace);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_FALSE(seen[0].read);
  EXPECT_EQ(seen[0].address, 0x0064);
  EXPECT_EQ(seen[0].data, std::vector<uint8_t>(page, page + 3));
  EXPECT_TRUE(seen[1].read);  // the page's read-back
  EXPECT_EQ(seen[1].data, seen[0].data);
  EXPECT_TRUE(seen[2].read);
  EXPECT_EQ(seen[2].address, 0x1FAA);
  EXPECT_EQ(seen[2].data, (std::vector<uint8_t>{patternImage()[0x1FAA], patternImage()[0x1FAB]}));

  TKV88_NEED_DECODER();
  const std::string out = (dir / "decoded.txt").string();
  const std::string command = "sigrok-cli -i '" + trace +
                              "' -P i2c:scl=scl:sda=sda,eeprom24xx:chip=microchip_24lc64 -A eeprom24xx > '" +
                              out + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << readFile(out);
  const std::string decoded = readFile(out);
  for (const char* text : {"Page write (addr=0064, 3 bytes)", "Sequential random read (addr=1FAA, 2 bytes)"})
    EXPECT_NE(decoded.find(text), std::string::npos) << text << "\n" << decoded;
}
