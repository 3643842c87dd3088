// The bus engine against the simulated controller: what the exchanges rely
// on when they read records at bit offsets, write masked areas and records,
// and report a missing or broken link.
#include "link/WireProtocol.h"

#include <gtest/gtest.h>

#include <vector>

#include "link/LinkFixture.h"

namespace {

TEST(WireProtocol, BlockReadsAtEveryBitOffset) {
  SimLink rig;
  const MemoryImage& image = rig.sim().memory();
  for (const int length : {1, 2, 17, 32}) {
    for (int offset = 0; offset < 8; ++offset) {
      const uint32_t address = 8192 - 40 + static_cast<uint32_t>(offset);
      uint8_t out[32];
      readBlockOnce(*rig.link, out, address, offset, length);
      for (int j = 0; j < length; ++j) {
        uint8_t expected = static_cast<uint8_t>(extractBits(image.data() + address, offset + 8 * j, 8));
        // The bits past the bytes read are 0 in the last output byte.
        if (j == length - 1 && offset) expected &= static_cast<uint8_t>(0xFF >> offset);
        ASSERT_EQ(out[j], expected) << "length " << length << " offset " << offset << " byte " << j;
      }
    }
  }
}

TEST(WireProtocol, SequentialReadWrapsAndAddressIsSixteenBits) {
  SimLink rig;
  const MemoryImage& image = rig.sim().memory();
  uint8_t out[8];
  readBlockOnce(*rig.link, out, 8188, 0, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], image[(8188 + i) % 8192]);
  readBlockOnce(*rig.link, out, 0x10000 + 5, 0, 1);  // reduced to 16 bits
  EXPECT_EQ(out[0], image[5]);
}

TEST(WireProtocol, ReadOfThirtyTwoBytesReturnsDoneOnceAfterTheStop) {
  SimLink rig;
  LinkTransfer t;
  beginRead(t, 100, 32);
  std::vector<int> results;
  for (int r = 0; r != kTransferDone; results.push_back(r)) {
    r = stepTransfer(*rig.link, t);
    ASSERT_LT(results.size(), 5000u);
    if (r == kTransferDone) break;
    ASSERT_GE(r, -1);
    ASSERT_LE(r, 99);
  }
  EXPECT_TRUE(rig.sim().clockLine() && rig.sim().dataLine()) << "the STOP leaves both lines high";
  for (int i = 0; i < 32; ++i) EXPECT_EQ(t.buffer[i], rig.sim().memory()[100 + i]);
}

TEST(WireProtocol, ReadBlockRaisesProgressByItsLength) {
  SimLink rig;
  rig.link->progressCounter = 40;
  uint8_t out[32];
  readBlockOnce(*rig.link, out, 0, 0, 32);
  EXPECT_EQ(rig.link->progressCounter.load(), 72);
  readBlockOnce(*rig.link, out, 0, 3, 17);
  EXPECT_EQ(rig.link->progressCounter.load(), 89);

  const uint8_t bytes[3] = {1, 2, 3};
  writeMemory(*rig.link, bytes, 10, 3);
  EXPECT_EQ(rig.link->progressCounter.load(), 92);
}

TEST(WireProtocol, WriteBytesTakesOneWriteCyclePerByte) {
  SimLink rig;
  const uint8_t bytes[5] = {0xDE, 0xAD, 0xBE, 0xEF, 0x00};
  const uint64_t before = rig.sim().virtualTimeUs();
  writeMemory(*rig.link, bytes, 8190, 5);  // wraps past the end of the memory
  EXPECT_EQ(rig.sim().completedWriteCycles(), 5);
  EXPECT_GE(rig.sim().virtualTimeUs() - before, 5 * 10000u);
  const MemoryImage& m = rig.sim().memory();
  EXPECT_EQ(m[8190], 0xDE);
  EXPECT_EQ(m[8191], 0xAD);
  EXPECT_EQ(m[0], 0xBE);
  EXPECT_EQ(m[1], 0xEF);
  EXPECT_EQ(m[2], 0x00);
}

TEST(WireProtocol, WriteMaskedKeepsForeignBits) {
  SimLink rig;
  const MemoryImage before = rig.sim().memory();
  uint8_t data[32], mask[32];
  for (int i = 0; i < 32; ++i) {
    data[i] = static_cast<uint8_t>(0xA5 ^ i);
    mask[i] = static_cast<uint8_t>(i % 3 == 0 ? 0x00 : (i % 3 == 1 ? 0xF0 : 0x3C));
  }
  writeMasked(*rig.link, data, mask, 8106, 32);
  for (int i = 0; i < 32; ++i)
    EXPECT_EQ(rig.sim().memory()[8106 + i], (data[i] & mask[i]) | (before[8106 + i] & ~mask[i])) << i;
  // An all-zero mask writes back what it read: every byte is written, none changes.
  const int cycles = rig.sim().completedWriteCycles();
  uint8_t zero[22] = {};
  writeMasked(*rig.link, data, zero, 8170, 22);
  EXPECT_EQ(rig.sim().completedWriteCycles(), cycles + 22);
  for (int i = 8170; i < 8192; ++i) EXPECT_EQ(rig.sim().memory()[i], before[i]);
}

TEST(WireProtocol, WriteBitsAtOffsetZeroAndThree) {
  const uint8_t record[4] = {0x81, 0x7E, 0xC3, 0x5A};
  {
    SimLink rig;
    const MemoryImage before = rig.sim().memory();
    writeBits(*rig.link, record, 200, 0, 4);
    EXPECT_EQ(rig.sim().completedWriteCycles(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rig.sim().memory()[200 + i], record[i]);
    EXPECT_EQ(rig.sim().memory()[204], before[204]);
  }
  {
    SimLink rig;
    const MemoryImage before = rig.sim().memory();
    rig.link->progressCounter = 0;
    writeBits(*rig.link, record, 200, 3, 4);
    EXPECT_EQ(rig.sim().completedWriteCycles(), 5);
    const uint8_t* m = rig.sim().memory().data() + 200;
    EXPECT_EQ(m[0] & 0x07, before[200] & 0x07);  // bits 0..2 keep their value
    EXPECT_EQ(extractBits(m, 3, 32), extractBits(record, 0, 32));
    EXPECT_EQ(m[4] >> 3, 0);  // above the record's end: written as 0
    EXPECT_EQ(m[5], before[205]);
  }
}

TEST(WireProtocol, MissingAcknowledgeIsCodeOneUntilTheFirstAnswerThenCodeTwo) {
  SimLink rig(patternImage(), {SimulatorFault::kAbsent});
  uint8_t out[4];
  try {
    readBlockOnce(*rig.link, out, 0, 0, 4);
    FAIL() << "an absent memory answered";
  } catch (const LinkError& e) {
    EXPECT_EQ(e.errorCode, 1);
    EXPECT_EQ(e.text(), "Прибор не отвечает");
  }
  EXPECT_TRUE(rig.link->awaitingFirstAnswer.load());

  // A memory that stops after 7 bytes: the first read passes, then the link breaks.
  SimLink broken(patternImage(), {SimulatorFault::kDropout, 7});
  readBlockOnce(*broken.link, out, 0, 0, 2);  // 0xA0, two address bytes, 0xA1, two data bytes
  EXPECT_FALSE(broken.link->awaitingFirstAnswer.load());
  const uint8_t byte = 1;
  try {
    writeMemory(*broken.link, &byte, 0, 1);
    FAIL() << "a silent memory took a write";
  } catch (const LinkError& e) {
    EXPECT_EQ(e.errorCode, 2);
    EXPECT_EQ(e.text(), "Связь с прибором прервалась");
  }
}

TEST(WireProtocol, StuckLowLineFailsAfterThousandAndOneStepsAndFiveAttempts) {
  SimLink rig(patternImage(), {SimulatorFault::kStuckLow});
  uint8_t out[32];
  try {
    readBlockOnce(*rig.link, out, 0, 0, 32);
    FAIL();
  } catch (const LinkError& e) {
    EXPECT_EQ(e.errorCode, 1);
    EXPECT_EQ(e.text(), "Прибор не отвечает, возможно он не подключен или LPT настроен на другой порт");
  }
  EXPECT_EQ(rig.watch->clockToggles, 1001);

  rig.watch->clockToggles = 0;
  const uint64_t start = rig.sim().virtualTimeUs();
  EXPECT_THROW(readMemory(*rig.link, out, 0, 0, 32), LinkError);
  EXPECT_EQ(rig.watch->clockToggles, 5 * 1001);
  EXPECT_EQ(rig.watch->sleeps, 6);  // before the first attempt and after each failure
  EXPECT_GE(rig.sim().virtualTimeUs() - start, 60000u);
}

TEST(WireProtocol, RetryRecoversFromAPassingFault) {
  SimLink rig;
  rig.sim().setFault({SimulatorFault::kStuckLow});
  uint8_t out[4];
  EXPECT_THROW(readBlockOnce(*rig.link, out, 0, 0, 4), LinkError);
  rig.sim().setFault({});
  readMemory(*rig.link, out, 0, 0, 4);
  EXPECT_EQ(out[3], rig.sim().memory()[3]);
}

// A data line that reads high whatever the master does (the cable pulled
// after the last acknowledge) would leave the engine waiting in its stop
// phase for ever; reads and writes give up like on a stuck line.
TEST(WireProtocol, StopPhaseWaitIsBoundedOnReadAndWritePaths) {
  const uint8_t byte = 0x42;
  for (const bool write : {false, true}) {
    SCOPED_TRACE(write ? "write" : "read");
    // A dry run finds the port access at which the stop phase begins.
    SimLink dry;
    LinkTransfer t;
    if (write)
      beginWrite(t, &byte, 10, 1);
    else
      beginRead(t, 10, 1);
    while (t.phase != LinkTransfer::kStop) stepTransfer(*dry.link, t);

    SimLink rig;
    rig.watch->highAfter = dry.watch->accesses();
    uint8_t out[1];
    try {
      if (write)
        writeMemory(*rig.link, &byte, 10, 1);
      else
        readBlockOnce(*rig.link, out, 10, 0, 1);
      FAIL() << "finished without seeing its STOP";
    } catch (const LinkError& e) {
      EXPECT_EQ(e.errorCode, 1);
      EXPECT_EQ(e.text(), "Прибор не отвечает, возможно он не подключен или LPT настроен на другой порт");
    }
    EXPECT_LT(rig.watch->clockToggles, dry.watch->clockToggles + 1100);
  }
}

// A data line shorted low once the address has gone out: the read waits for
// a free line before its repeated START while its progress is already
// positive. It gives up like on a line stuck low from the start instead of
// hanging the worker, where no abort can reach it.
TEST(WireProtocol, RepeatedStartWaitIsBounded) {
  SimLink dry;
  LinkTransfer t;
  beginRead(t, 10, 4);
  while (!t.readSwitched) stepTransfer(*dry.link, t);

  SimLink rig;
  rig.watch->lowAfter = dry.watch->accesses();
  rig.watch->accessLimit = dry.watch->accesses() + 100000;
  uint8_t out[4];
  try {
    readBlockOnce(*rig.link, out, 10, 0, 4);
    FAIL() << "read without a repeated START";
  } catch (const LinkError& e) {
    EXPECT_EQ(e.errorCode, 1);
    EXPECT_EQ(e.text(), "Прибор не отвечает, возможно он не подключен или LPT настроен на другой порт");
  }
  EXPECT_LT(rig.watch->clockToggles, dry.watch->clockToggles + 1100);
}

TEST(WireProtocol, ArgumentsOutsideTheirRangesAreRefused) {
  SimLink rig;
  uint8_t buf[256] = {};
  EXPECT_THROW(readBlockOnce(*rig.link, buf, 0, 0, 33), std::invalid_argument);
  EXPECT_THROW(readBlockOnce(*rig.link, buf, 0, 0, 0), std::invalid_argument);
  EXPECT_THROW(readBlockOnce(*rig.link, buf, 0, 8, 4), std::invalid_argument);
  EXPECT_THROW(writeMasked(*rig.link, buf, buf, 0, 33), std::invalid_argument);
  EXPECT_THROW(writeBits(*rig.link, buf, 0, 0, 256), std::invalid_argument);
  EXPECT_EQ(rig.sim().completedWriteCycles(), 0);
}

}  // namespace
