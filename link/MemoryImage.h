// The controller's 8 KB memory as the configurator sees it: the L1 area of
// bit-packed program slots from byte 0 ("L1 Программы технолога") and the L2
// area of bit-packed general parameters from byte 8106 ("L2 Общие
// параметры"). Here live the memory map, the slot addressing of every
// partition, the records a program is moved in, and the conversion between a
// configuration and those bytes, for single records and for a whole image.
//
// The exchange moves records over the bus and converts them here; tkv88ctl's
// image and decode commands and the simulated controller's factory contents
// work on whole images. Pure functions over caller-owned values; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "link/FactoryImage.h"
#include "model/DeviceData.h"
#include "model/GeneralParameters.h"
#include "model/Program.h"

inline constexpr int L1_SLOTS = 540;
inline constexpr int SLOT_BITS = 119;
inline constexpr int32_t kL1Bits = L1_SLOTS * SLOT_BITS;  // 64260
inline constexpr int kL1End = (kL1Bits + 7) / 8;          // 8033: bytes 0..8032
inline constexpr int L2_BASE = 8106;
inline constexpr int L2_END = 8192;
inline constexpr int kL2Size = L2_END - L2_BASE;  // 86 bytes, 688 bits
inline constexpr int kL2BufferSize = 256;         // the encoder's and decoder's buffers
inline constexpr int kL2BlockBytes = 32;          // the L2 area moves in blocks of 32, 32 and 22

inline constexpr int kHeaderSlots = 2;  // a program header takes the first two slots
inline constexpr int kHeaderRecordBytes = 30;
inline constexpr int kStepRecordBytes = 15;
inline constexpr int kStepCountBits = 7;  // bits 0..6 of a header

struct ProgramHeaderRecord {
  uint8_t bytes[kHeaderRecordBytes] = {};
  // The step count field (H01), 0..127; the partition may allow fewer.
  int stepCount() const;
};

struct StepRecord {
  uint8_t bytes[kStepRecordBytes] = {};
};

struct EncodedProgram {
  ProgramHeaderRecord header;
  std::vector<StepRecord> steps;  // one per step, in order
};

// The L2 area from byte 8106 as the masked write takes it: the mask has a 1
// at every bit that belongs to a parameter, the rest stays the controller's.
struct L2Image {
  uint8_t data[kL2BufferSize] = {};
  uint8_t mask[kL2BufferSize] = {};
};

// A value that its memory field could not hold and was written saturated.
struct FieldAdjustment {
  std::string code;     // e.g. "D01"
  int program = -1;     // 0-based program index; -1 for a general parameter
  int comparator = -1;  // 0-based comparator of a program-level cell, else -1
  int step = -1;        // 0-based step index; -1 for a program-level cell
  int32_t value = 0;    // the cell's value
  int32_t stored = 0;   // what the field received
};
using FieldAdjustments = std::vector<FieldAdjustment>;

// Slot addressing. programCount is that of the partition (60, 30, ... 5);
// 0 (an invalid partition) places nothing: slotsPerProgram gives 0.
int slotsPerProgram(int programCount);
// First bit of program `index`'s header in the L1 area.
int32_t programBit(int programCount, int index);
// First bit of step `step` of program `index`.
int32_t stepBit(int programCount, int index, int step);

// Header and step records of a program. Every value is saturated to its
// field (reported through `adjusted` with the given program index when it is
// not null); the step count is the number of steps, saturated to 7 bits.
EncodedProgram encodeProgram(const Program& program, FieldAdjustments* adjusted = nullptr,
                             int programIndex = -1);
// A program named "Считанная" with the records' values; the input-dependent
// limits are applied after all values are set.
Program decodeProgram(const ProgramHeaderRecord& header, const std::vector<StepRecord>& steps);

// Data and mask for the L2 area; values saturated as in encodeProgram.
L2Image encodeGeneral(const GeneralParameters& general, FieldAdjustments* adjusted = nullptr);
// Sets every general parameter from the L2 area's bytes (at least kL2Size of
// them, byte 0 being memory byte 8106). No limits are re-selected.
void decodeGeneral(const uint8_t* bytes, GeneralParameters& general);

// Record extraction from memory bytes at any bit position.
ProgramHeaderRecord headerRecordAt(const uint8_t* memory, int32_t bit);
StepRecord stepRecordAt(const uint8_t* memory, int32_t bit);

// True when the configuration has no more programs, and no program more
// steps, than its partition O10 allows; only such a configuration is written.
bool fitsPartition(const DeviceData& config);

// MemoryImage (link/FactoryImage.h) is the whole 8192-byte memory.

// What writing the configuration leaves in a memory that held `image`: the
// L2 area masked, then every slot of the partition in address order, a slot
// without a program with a zero header; record bytes go out as the bus
// engine writes them (the bits below a record in its first byte kept, the
// bits after it in its last byte cleared). Throws std::length_error, and
// leaves the image alone, when the configuration does not fit its partition.
void writeConfiguration(const DeviceData& config, MemoryImage& image, FieldAdjustments* adjusted = nullptr);

// Every slot of a partition with `programs` programs as a program named
// "Считанная", with at most stepsAllowed steps.
std::list<Program> readPrograms(const MemoryImage& image, int programs, int stepsAllowed);

// What a read of a controller gives once `config` has been written to it:
// writeConfiguration into a factory-new memory, then readConfiguration (the
// bits that belong to no parameter play no part). Values come back as the
// controller holds them, saturated to their fields, and slots without a
// program as programs without steps. std::length_error
// when the configuration does not fit its partition.
DeviceData readAfterWrite(const DeviceData& config);

// What reading a memory gives: L2 first (its O10 fixes the L1 layout), then
// every slot of the partition as a program named "Считанная", with at most
// the partition's steps. The configuration's name is empty, as a device read
// leaves it. Any contents decode. Each value is held to its cell's own
// limits (C03/C04 and the step setpoints to their widest ones); a setpoint
// beyond the limits of its input is then kept as the controller holds it,
// for the views to show marked, not clamped to them.
DeviceData readConfiguration(const MemoryImage& image);
