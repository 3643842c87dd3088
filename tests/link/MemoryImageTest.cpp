#include "link/MemoryImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "document/WriteCheck.h"
#include "link/BitField.h"
#include "support/RandomConfig.h"

namespace {

MemoryImage filled(uint8_t byte) {
  MemoryImage image;
  image.fill(byte);
  return image;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

}  // namespace

TEST(MemoryImage, SlotAddressingAtTheEdgesOfThePartitions) {
  // Partition 0: program 1 (the second) starts at byte 133, bit 7.
  EXPECT_EQ(programBit(60, 1), 1071);
  EXPECT_EQ(programBit(60, 1) / 8, 133);
  EXPECT_EQ(programBit(60, 1) % 8, 7);
  EXPECT_EQ((programBit(60, 1) + Program::kHeaderBits - 1) / 8, 163);

  // Partition 7: the fifth program, its 99th step, the end of its 108 slots.
  EXPECT_EQ(programBit(5, 4), 51408);
  EXPECT_EQ(stepBit(5, 4, 98) + SLOT_BITS - 1, 63426);
  EXPECT_EQ(programBit(5, 4) + slotsPerProgram(5) * SLOT_BITS - 1, 64259);
  EXPECT_EQ(kL1Bits - 1, 64259);

  for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
    const int programs = GeneralParameters::programCountOf(o10);
    const int steps = GeneralParameters::stepsPerProgramOf(o10);
    EXPECT_EQ(slotsPerProgram(programs) * programs, L1_SLOTS) << o10;
    EXPECT_LE(kHeaderSlots + steps, slotsPerProgram(programs)) << o10;
  }
  EXPECT_EQ(slotsPerProgram(0), 0);
}

TEST(MemoryImage, WrittenHeaderAtAnOddBitKeepsTheBitsBelowIt) {
  DeviceData config;
  config.general.base[BaseParameters::O10].setValueQuiet(0);
  config.programs.resize(2);
  MemoryImage image = filled(0xFF);
  writeConfiguration(config, image);
  // Program 2's header starts at byte 133 bit 7: bits 0..6 of that byte
  // belong to program 1's last slot and were left as they were.
  EXPECT_EQ(image[133] & 0x7F, 0x7F);
  EXPECT_EQ(headerRecordAt(image.data(), programBit(60, 1)).stepCount(), 0);
  EXPECT_EQ(extractBits(image.data(), 1071 + 7, 7), 1u);  // H02 = 1
}

TEST(MemoryImage, SignedFieldsAreTwosComplement) {
  ProgramHeaderRecord header;
  insertBits(0x79D, header.bytes, 20, 11);  // C03 of comparator 1
  Program read = decodeProgram(header, {});
  EXPECT_EQ(read.comparators[0][Comparator::C03].value(), -99);
  EXPECT_EQ(read.name(), "Считанная");

  Program program;
  program.comparators[0][Comparator::C03].setEnteredValue(-1);
  program.comparators[3][Comparator::C04].setEnteredValue(-99);
  const EncodedProgram encoded = encodeProgram(program);
  EXPECT_EQ(extractBits(encoded.header.bytes, 20, 11), 0x7FFu);
  EXPECT_EQ(extractBits(encoded.header.bytes, 14 + 3 * 53 + 17, 11), 0x79Du);
}

TEST(MemoryImage, InputRangesApplyAfterAllValuesAreRead) {
  Program program;
  program.comparators[1][Comparator::C01].setEnteredValue(5);  // humidity
  program.comparators[1][Comparator::C03].setEnteredValue(70);
  Step step;
  step[Step::U02].setEnteredValue(9);
  step[Step::U03].setEnteredValue(100);
  step[Step::E_01].setEnteredValue(5);
  step[Step::E_02].setEnteredValue(55);
  program.steps.push_back(step);
  const EncodedProgram encoded = encodeProgram(program);
  const Program read = decodeProgram(encoded.header, encoded.steps);
  EXPECT_EQ(read.comparators[1][Comparator::C03].value(), 70);
  EXPECT_EQ(read.comparators[1][Comparator::C03].maxValue(), 99);
  // The default 100 is kept as the controller holds it, beyond the percent limits.
  EXPECT_EQ(read.comparators[1][Comparator::C04].value(), 100);
  EXPECT_EQ(read.comparators[1][Comparator::C04].maxValue(), 99);
  ASSERT_EQ(read.stepCount(), 1);
  EXPECT_EQ(read.steps.front()[Step::U03].value(), 100);
  EXPECT_EQ(read.steps.front()[Step::U03].maxValue(), 100);
  EXPECT_EQ(read.steps.front()[Step::E_02].maxValue(), 99);
  EXPECT_EQ(read.steps.front()[Step::E02].maxValue(), 999);
}

TEST(MemoryImage, PartitionBitsInTheL2Area) {
  GeneralParameters general;
  general.base[BaseParameters::O10].setEnteredValue(5);
  const L2Image l2 = encodeGeneral(general);
  const int byte = 8121 - L2_BASE;
  EXPECT_EQ((l2.data[byte] >> 1) & 1, 1);
  EXPECT_EQ((l2.data[byte] >> 2) & 1, 0);
  EXPECT_EQ((l2.data[byte] >> 3) & 1, 1);
  EXPECT_EQ(extractBits(l2.mask, 121, 3), 7u);

  // The mask covers exactly the parameters: 253..401 and 404..407 are the
  // controller's, and the last parameter ends at bit 687.
  for (int bit = 0; bit < 8 * kL2BufferSize; ++bit) {
    const bool owned = bit < 253 || (bit >= 402 && bit < 404) || (bit >= 408 && bit < 688);
    ASSERT_EQ(extractBits(l2.mask, bit, 1), owned ? 1u : 0u) << bit;
  }
}

TEST(MemoryImage, ValuesTheirFieldCannotHoldAreSaturatedAndReported) {
  DeviceData config;
  config.general.filters[0].setEnteredValue(64);  // D01: legal, but 6 bits wide
  config.general.filters[1].setEnteredValue(17);
  config.programs.resize(1);
  Program& program = config.programs.front();
  program.H02.valueRef() = 150;  // the file loader stores these unchecked
  program.steps.resize(2);
  Step& step = program.steps.back();
  step.key(3).valueRef() = 20;
  step.key(4).valueRef() = -5;
  step.key(5).valueRef() = 9;
  step[Step::U03].valueRef() = 2000;
  step[Step::E02].valueRef() = -2000;

  FieldAdjustments adjusted;
  MemoryImage image = filled(0xFF);
  writeConfiguration(config, image, &adjusted);
  const DeviceData read = readConfiguration(image);

  EXPECT_EQ(read.general.filters[0].value(), 63);
  EXPECT_EQ(read.general.filters[1].value(), 17);  // the neighbour is untouched
  const Program& p = read.programs.front();
  EXPECT_EQ(p.H02.value(), 99);  // 127 in the field, clamped to the limit on reading
  const Step& s = p.steps.back();
  EXPECT_EQ(s.key(3).value(), 15);
  EXPECT_EQ(s.key(4).value(), 0);
  EXPECT_EQ(s.key(5).value(), 9);
  EXPECT_EQ(s[Step::U03].value(), 999);  // 1023 in the field
  EXPECT_EQ(s[Step::E02].value(), -99);  // -1024 in the field

  ASSERT_EQ(adjusted.size(), 6u);
  EXPECT_EQ(adjusted[0].code, "D01");
  EXPECT_EQ(adjusted[0].program, -1);
  EXPECT_EQ(adjusted[0].value, 64);
  EXPECT_EQ(adjusted[0].stored, 63);
  EXPECT_EQ(adjusted[1].code, "H02");
  EXPECT_EQ(adjusted[1].program, 0);
  EXPECT_EQ(adjusted[1].stored, 127);
  EXPECT_EQ(adjusted[2].code, "N03");
  EXPECT_EQ(adjusted[2].step, 1);
  EXPECT_EQ(adjusted[2].stored, 15);
  EXPECT_EQ(adjusted[3].stored, 0);
  EXPECT_EQ(adjusted[4].code, "U03");
  EXPECT_EQ(adjusted[4].stored, 1023);
  EXPECT_EQ(adjusted[5].code, "E02");
  EXPECT_EQ(adjusted[5].stored, -1024);

  // The pre-write check names the same cells for the user.
  const WriteCheck check = checkBeforeWrite(config);
  EXPECT_TRUE(check.fits());
  ASSERT_EQ(check.adjusted.size(), 6u) << joined(check.adjusted);
  EXPECT_EQ(check.adjusted[0], "D01 = 64 будет записан как 63 (поле памяти вмещает 0..63)");
  EXPECT_EQ(check.adjusted[2],
            "Программа №1, шаг №2: N03 = 20 будет записан как 15 (поле памяти вмещает 0..15)");
}

TEST(MemoryImage, WriteThenReadGivesEveryValueBackInEveryPartition) {
  std::mt19937 rng(88);
  for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
    for (int round = 0; round < 3; ++round) {
      const int programs =
          round == 0 ? GeneralParameters::programCountOf(o10)
                     : std::uniform_int_distribution<int>(0, GeneralParameters::programCountOf(o10))(rng);
      const DeviceData config = randomConfig(rng, o10, programs, round == 0);
      MemoryImage image = filled(round == 1 ? 0x00 : 0xFF);
      const MemoryImage before = image;
      FieldAdjustments adjusted;
      writeConfiguration(config, image, &adjusted);
      EXPECT_TRUE(adjusted.empty());

      // Nothing outside the two areas changes; the L2 bits of no parameter keep theirs.
      for (int b = kL1End; b < L2_BASE; ++b) ASSERT_EQ(image[b], before[b]) << b;
      EXPECT_EQ(extractBits(image.data() + L2_BASE, 253, 32), extractBits(before.data() + L2_BASE, 253, 32));

      DeviceData read = readConfiguration(image);
      ASSERT_EQ(read.programCount(), GeneralParameters::programCountOf(o10));
      DeviceData expected = config;
      // Slots without a program read back as programs with no steps.
      while (expected.programCount() < read.programCount()) {
        auto it = std::next(read.programs.begin(), expected.programCount());
        EXPECT_EQ(it->stepCount(), 0);
        expected.programs.push_back(*it);
      }
      const std::vector<std::string> diff = valueDifferences(expected, read);
      ASSERT_TRUE(diff.empty()) << "O10 = " << o10 << "\n" << joined(diff);
    }
  }
}

TEST(MemoryImage, StepCountBeyondThePartitionReadsOnlyThePartitionsSteps) {
  MemoryImage image = filled(0x00);
  insertBits(0, image.data() + L2_BASE, 121, 3);  // O10 = 0: 7 steps
  insertBits(100, image.data(), programBit(60, 3), kStepCountBits);
  insertBits(127, image.data(), programBit(60, 59), kStepCountBits);
  const DeviceData read = readConfiguration(image);
  ASSERT_EQ(read.programCount(), 60);
  EXPECT_EQ(read.programAt(3)->stepCount(), 7);
  EXPECT_EQ(read.programAt(59)->stepCount(), 7);
  EXPECT_EQ(read.programAt(0)->stepCount(), 0);
}

TEST(MemoryImage, ConfigurationBeyondItsPartitionIsNeverWritten) {
  std::mt19937 rng(5);
  DeviceData tooMany = randomConfig(rng, 2, 21);
  DeviceData tooLong = randomConfig(rng, 7, 2);
  tooLong.programs.back().steps.resize(100);
  for (const DeviceData* config : {&tooMany, &tooLong}) {
    MemoryImage image = filled(0xA5);
    EXPECT_THROW(writeConfiguration(*config, image), std::length_error);
    EXPECT_EQ(image, filled(0xA5));
    EXPECT_FALSE(fitsPartition(*config));
  }
}

// Decoding must survive any memory contents: random images, each checked to
// give a configuration the rest of the program can live with.
TEST(MemoryImage, DecodingArbitraryImagesNeverFails) {
  std::mt19937 rng(20240601);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int images = 0;
  while (std::chrono::steady_clock::now() < deadline || images < 20) {
    MemoryImage image;
    const int kind = images % 4;
    for (uint8_t& b : image) {
      const uint32_t r = rng();
      b = kind == 0   ? static_cast<uint8_t>(r)
          : kind == 1 ? (r & 1 ? 0xFF : 0x00)
                      : static_cast<uint8_t>(r | 0x80);
    }
    if (kind == 3) image.fill(images & 8 ? 0xFF : 0x00);
    const DeviceData read = readConfiguration(image);
    const int programs = read.general.programCount();
    ASSERT_GE(programs, 5);
    ASSERT_EQ(read.programCount(), programs);
    for (const Parameter* cell : read.general.parameterList()) {
      ASSERT_GE(cell->value(), cell->minValue()) << cell->code();
      ASSERT_LE(cell->value(), cell->maxValue()) << cell->code();
    }
    // Program cells within their widest limits: an input's narrower ones may
    // leave a setpoint beyond them, as the controller holds it.
    for (const Program& p : read.programs) {
      ASSERT_LE(p.stepCount(), read.general.stepsPerProgram());
      for (const Parameter* cell : p.parameterList()) ASSERT_LE(cell->value(), cell->rangeMax(0));
      for (const Step& s : p.steps)
        for (const Parameter& cell : s.cells) {
          ASSERT_GE(cell.value(), cell.rangeMin(0)) << cell.code();
          ASSERT_LE(cell.value(), cell.rangeMax(0)) << cell.code();
        }
    }
    // What was read can be written back, and reads the same again.
    MemoryImage again = image;
    writeConfiguration(read, again);
    ASSERT_TRUE(valueDifferences(read, readConfiguration(again)).empty());
    ++images;
  }
  RecordProperty("images", images);
}
