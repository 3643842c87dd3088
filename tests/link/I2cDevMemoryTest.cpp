// The i2c-dev engine against the transaction-level adapter: the exchanges
// leave the same memory as on the bit-banged bus, writes are whole pages
// that never cross a page boundary, acknowledge polling waits for the write
// cycle and gives up, and adapter errors become the bus's codes.
#include "link/I2cDevMemory.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>
#include <set>

#include "document/WriteCheck.h"
#include "link/DeviceExchange.h"
#include "link/LinkFixture.h"
#include "link/SimulatedI2cAdapter.h"
#include "support/RandomConfig.h"

namespace {

// A link through the i2c-dev engine on a simulated adapter.
struct I2cRig {
  explicit I2cRig(const MemoryImage& image = patternImage()) {
    auto bus = std::make_unique<SimulatedI2cAdapter>(image);
    adapter = bus.get();
    link = std::make_unique<DeviceLink>(std::make_unique<I2cDevMemory>(std::move(bus)));
  }
  // A fault from the next transfer on.
  void failFromNow(int error, int count) {
    adapter->setFault({I2cFault::kError, error, adapter->transfers(), count});
  }
  SimulatedI2cAdapter* adapter;
  std::unique_ptr<DeviceLink> link;
};

int run(DeviceLink& link, DeviceData& config, ExchangeMode mode) {
  DeviceExchange exchange(link, config, mode);
  const int result = exchange.run();
  if (auto error = exchange.takeError()) ADD_FAILURE() << error->text();
  return result;
}

void write(DeviceLink& link, DeviceData& config) {
  ASSERT_EQ(run(link, config, ExchangeMode::WriteL2), DeviceExchange::kDone);
  ASSERT_EQ(run(link, config, ExchangeMode::WriteL1), DeviceExchange::kDone);
}

}  // namespace

TEST(I2cDevMemory, ExchangesLeaveTheSameMemoryAsTheBitBangedBusInEveryPartition) {
  std::mt19937 rng(2024);
  for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
    SCOPED_TRACE("O10 = " + std::to_string(o10));
    DeviceData config = randomConfig(rng, o10, -1, o10 == 6);  // O10 = 6: every step of every program
    SimLink bitBanged;                                         // both start from the same foreign bytes
    I2cRig i2c;
    write(*bitBanged.link, config);
    write(*i2c.link, config);
    EXPECT_EQ(i2c.link->progressCounter.load(), 1050);
    ASSERT_EQ(i2c.adapter->memory(), bitBanged.sim().memory());
    EXPECT_EQ(i2c.adapter->pageWraps(), 0);

    DeviceData read;
    ASSERT_EQ(run(*i2c.link, read, ExchangeMode::ReadL2), DeviceExchange::kDone);
    ASSERT_EQ(run(*i2c.link, read, ExchangeMode::ReadL1), DeviceExchange::kDone);
    const std::vector<std::string> diff = valueDifferences(readConfiguration(i2c.adapter->memory()), read);
    ASSERT_TRUE(diff.empty()) << diff.front();
  }
}

TEST(I2cDevMemory, WritesAreWholePagesNeverCrossingABoundary) {
  const MemoryImage before = patternImage();
  uint8_t bytes[70];
  for (int i = 0; i < 70; ++i) bytes[i] = static_cast<uint8_t>(0xC0 + i);
  const struct {
    uint32_t address;
    int count;
    int pages;
  } cases[] = {
      {30, 70, 4},      // 2 + 32 + 32 + 4 bytes
      {64, 32, 1},      // exactly one page
      {0x1FF0, 32, 2},  // the memory's end, wrapping to address 0
      {100, 1, 1},
  };
  for (const auto& c : cases) {
    I2cRig rig(before);
    writeMemory(*rig.link, bytes, c.address, c.count);
    // Held bytes are stored before a read: the read sees them.
    uint8_t back[32];
    readMemory(*rig.link, back, c.address, 0, std::min(c.count, 32));
    for (int i = 0; i < std::min(c.count, 32); ++i) ASSERT_EQ(back[i], bytes[i]) << c.address;
    rig.link->memory().end(*rig.link);
    EXPECT_EQ(rig.adapter->storedPages(), c.pages) << c.address;
    EXPECT_EQ(rig.adapter->pageWraps(), 0) << c.address;
    MemoryImage expected = before;
    for (int i = 0; i < c.count; ++i) expected[(c.address + i) % kDeviceMemorySize] = bytes[i];
    EXPECT_EQ(rig.adapter->memory(), expected) << c.address;
    EXPECT_EQ(rig.link->progressCounter.load(), c.count + std::min(c.count, 32));
  }
}

TEST(I2cDevMemory, RecordsSharingABytePayOneWriteCyclePerPage) {
  // Step records of 15 bytes in 119-bit slots, as a program's steps lie.
  uint8_t record[15];
  for (int i = 0; i < 15; ++i) record[i] = static_cast<uint8_t>(0x11 * (i + 1));
  SimLink bitBanged;
  I2cRig i2c;
  std::set<int> pages;
  for (int s = 0; s < 20; ++s) {
    const int bit = 3 * 119 + 5 + 119 * s;
    writeBits(*bitBanged.link, record, static_cast<uint32_t>(bit / 8), bit % 8, 15);
    writeBits(*i2c.link, record, static_cast<uint32_t>(bit / 8), bit % 8, 15);
    for (int b = bit / 8; b <= bit / 8 + 15; ++b) pages.insert(b / I2cDevMemory::kPageSize);
  }
  i2c.link->memory().end(*i2c.link);
  EXPECT_EQ(i2c.adapter->memory(), bitBanged.sim().memory());
  EXPECT_EQ(i2c.adapter->storedPages(), static_cast<int>(pages.size()));
  EXPECT_EQ(i2c.adapter->pageWraps(), 0);
}

TEST(I2cDevMemory, AcknowledgePollingWaitsForTheWriteCycleAndGivesUp) {
  const uint8_t byte = 0x5A;
  {
    I2cRig rig;
    const uint64_t start = rig.adapter->nowUs();
    writeMemory(*rig.link, &byte, 200, 1);
    rig.link->memory().end(*rig.link);
    const uint64_t took = rig.adapter->nowUs() - start;
    EXPECT_GE(took, I2cSimulatorOptions::kDefaultCycleUs);
    EXPECT_LT(took, I2cSimulatorOptions::kDefaultCycleUs + 1500);  // the poll, then the read-back
    EXPECT_FALSE(rig.adapter->writeCycleRunning());
  }
  {
    // The page write is acknowledged, then the memory never answers again.
    I2cRig rig;
    uint8_t probe;
    readMemory(*rig.link, &probe, 0, 0, 1);
    rig.adapter->setFault({I2cFault::kError, ENXIO, rig.adapter->transfers() + 1, 1 << 30});
    const uint64_t start = rig.adapter->nowUs();
    writeMemory(*rig.link, &byte, 200, 1);
    try {
      rig.link->memory().end(*rig.link);
      ADD_FAILURE() << "a write cycle without end was waited for without end";
    } catch (const LinkError& e) {
      EXPECT_EQ(e.errorCode, LinkError::kLinkBroken);
    }
    const uint64_t took = rig.adapter->nowUs() - start;
    EXPECT_GE(took, I2cDevMemory::kWriteCycleLimitUs);
    EXPECT_LT(took, 2 * I2cDevMemory::kWriteCycleLimitUs);
  }
}

TEST(I2cDevMemory, AdapterErrorsBecomeTheBusCodes) {
  enum Op { kRead, kWrite };
  const struct {
    const char* name;
    I2cFault::Kind kind;
    int error;
    int count;
    bool answeredBefore;
    Op op;
    int code;  // 0: the operation succeeds
    const char* text;
  } cases[] = {
      {"nothing at the address", I2cFault::kAbsent, 0, 0, false, kRead, 1, "Прибор не отвечает"},
      {"EIO before any answer", I2cFault::kError, EIO, 1000, false, kRead, 1, "Прибор не отвечает"},
      {"NACK after an answer", I2cFault::kError, EREMOTEIO, 1000, true, kRead, 2,
       "Связь с прибором прервалась"},
      {"page write refused", I2cFault::kError, ENXIO, 1, true, kWrite, 2, "Связь с прибором прервалась"},
      {"bus timeout", I2cFault::kError, ETIMEDOUT, 1000, false, kRead, 2, "не освободилась вовремя"},
      {"adapter unplugged", I2cFault::kError, ENODEV, 1000, true, kWrite, 2, "адаптер I2C отключён"},
      {"arbitration lost for good", I2cFault::kError, EAGAIN, 1000, false, kRead, 2, "арбитраж"},
      {"arbitration lost, then won", I2cFault::kError, EAGAIN, I2cDevMemory::kArbitrationRetries, false,
       kWrite, 0, ""},
      {"one NACK on a read is retried", I2cFault::kError, ENXIO, 4, false, kRead, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    I2cRig rig;
    uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    if (c.answeredBefore) readMemory(*rig.link, bytes, 0, 0, 8);
    rig.adapter->setFault({c.kind, c.error, rig.adapter->transfers(), c.count});
    try {
      if (c.op == kRead) {
        readMemory(*rig.link, bytes, 40, 0, 8);
      } else {
        writeMemory(*rig.link, bytes, 40, 8);
        rig.link->memory().end(*rig.link);
      }
      EXPECT_EQ(c.code, 0) << "no error";
    } catch (const LinkError& e) {
      EXPECT_EQ(e.errorCode, c.code) << e.text();
      EXPECT_NE(e.text().find(c.text), std::string::npos) << e.text();
    }
  }
}

// An adapter whose driver refuses read messages longer than 32 bytes (the
// kernel says EOPNOTSUPP) is read in 32-byte messages from then on, and
// the read is whole.
TEST(I2cDevMemory, AnAdapterRefusingLongReadsIsReadInBlocks) {
  class ShortReads : public SimulatedI2cAdapter {
   public:
    using SimulatedI2cAdapter::SimulatedI2cAdapter;
    int transfer(I2cMessage* messages, int count) override {
      for (int i = 0; i < count; ++i)
        if ((messages[i].flags & I2cMessage::kRead) && messages[i].len > 32) {
          ++refused;
          return EOPNOTSUPP;
        }
      return SimulatedI2cAdapter::transfer(messages, count);
    }
    int refused = 0;
  };
  auto bus = std::make_unique<ShortReads>(patternImage());
  ShortReads* adapter = bus.get();
  DeviceLink link(std::make_unique<I2cDevMemory>(std::move(bus)));
  std::vector<uint8_t> out(3000);
  readBytes(link, out.data(), 5000, 3000);
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(out[i], patternImage()[(5000 + i) % kDeviceMemorySize]) << i;
  EXPECT_EQ(adapter->refused, 1);
}
