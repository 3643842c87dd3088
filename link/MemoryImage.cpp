#include "link/MemoryImage.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "link/BitField.h"
#include "model/FieldCapacity.h"
#include "model/MemoryAreas.h"

namespace {

// Puts the cell's value into its field of a record, saturated to the field.
void insertCell(const Parameter& cell, uint8_t* record, int32_t position, FieldAdjustments* adjusted,
                const FieldAdjustment& where) {
  const int32_t stored = storedFieldValue(cell);
  if (stored != cell.value() && adjusted) {
    FieldAdjustment a = where;
    a.code = std::string(cell.code());
    a.value = cell.value();
    a.stored = stored;
    adjusted->push_back(std::move(a));
  }
  insertBits(static_cast<uint32_t>(stored), record, position, cell.bitWidth());
}

void decodeCell(Parameter& cell, const uint8_t* record, int32_t position) {
  cell.setValue(static_cast<int32_t>(extractBits(record, position, cell.bitWidth())));
}

const std::string& readProgramName() {
  static const std::string name = "Считанная";
  return name;
}

// The bus engine's record write: a record whose first bit is not on a byte
// boundary goes out as length + 1 bytes, the first keeping the memory's bits
// below the record, the last cleared above the record's end.
void writeRecord(MemoryImage& image, const uint8_t* record, int length, int32_t bit) {
  const int32_t byteAddress = bit / 8;
  const int32_t offset = bit % 8;
  if (offset == 0) {
    for (int i = 0; i < length; ++i) image[(byteAddress + i) % kDeviceMemorySize] = record[i];
    return;
  }
  uint8_t work[256] = {};
  work[0] = image[byteAddress % kDeviceMemorySize];
  for (int i = 0; i < length; ++i) insertBits(record[i], work, offset + 8 * i, 8);
  for (int i = 0; i <= length; ++i) image[(byteAddress + i) % kDeviceMemorySize] = work[i];
}

}  // namespace

int ProgramHeaderRecord::stepCount() const { return static_cast<int>(extractBits(bytes, 0, kStepCountBits)); }

int slotsPerProgram(int programCount) { return programCount > 0 ? L1_SLOTS / programCount : 0; }

int32_t programBit(int programCount, int index) { return SLOT_BITS * slotsPerProgram(programCount) * index; }

int32_t stepBit(int programCount, int index, int step) {
  return programBit(programCount, index) + kHeaderSlots * SLOT_BITS + SLOT_BITS * step;
}

EncodedProgram encodeProgram(const Program& program, FieldAdjustments* adjusted, int programIndex) {
  EncodedProgram out;
  const int count = std::min(program.stepCount(), (1 << kStepCountBits) - 1);
  insertBits(static_cast<uint32_t>(count), out.header.bytes, 0, kStepCountBits);

  FieldAdjustment where;
  where.program = programIndex;
  if (program.H02.area() == kL1Area)
    insertCell(program.H02, out.header.bytes, program.H02.bitOffset(), adjusted, where);
  for (int k = 0; k < Program::kComparatorCount; ++k) {
    where.comparator = k;
    for (const Parameter& cell : program.comparators[k].cells)
      if (cell.area() == kL1Area) insertCell(cell, out.header.bytes, cell.bitOffset(), adjusted, where);
  }
  where.comparator = -1;

  out.steps.reserve(program.steps.size());
  for (const Step& step : program.steps) {
    where.step = static_cast<int>(out.steps.size());
    StepRecord record;
    for (const Parameter& cell : step.cells)
      if (cell.area() == kL1Area) insertCell(cell, record.bytes, cell.bitOffset(), adjusted, where);
    out.steps.push_back(record);
  }
  return out;
}

Program decodeProgram(const ProgramHeaderRecord& header, const std::vector<StepRecord>& steps) {
  Program program;
  program.setName(readProgramName());
  for (Parameter* cell : program.parameterList())
    if (cell->area() == kL1Area) decodeCell(*cell, header.bytes, cell->bitOffset());
  // C03/C04 and the step setpoints are decoded under their wide limits, then
  // take the limits of their inputs: a value beyond them is kept as the
  // controller holds it (the views show it marked), not clamped unseen.
  for (Comparator& c : program.comparators) c.selectInputRanges();
  for (const StepRecord& record : steps) {
    Step step;
    for (Parameter& cell : step.cells)
      if (cell.area() == kL1Area) decodeCell(cell, record.bytes, cell.bitOffset());
    step.selectInputRanges();
    program.steps.push_back(step);
  }
  return program;
}

L2Image encodeGeneral(const GeneralParameters& general, FieldAdjustments* adjusted) {
  L2Image out;
  const FieldAdjustment where;
  for (const Parameter* cell : general.parameterList()) {
    if (cell->area() < L2_BASE) continue;
    const int32_t position = cell->bitOffset() + 8 * (cell->area() - L2_BASE);
    if (position < 0 || position + cell->bitWidth() > 8 * kL2BufferSize) continue;
    insertCell(*cell, out.data, position, adjusted, where);
    insertBits(0xFFFFFFFFu, out.mask, position, cell->bitWidth());
  }
  return out;
}

void decodeGeneral(const uint8_t* bytes, GeneralParameters& general) {
  for (Parameter* cell : general.parameterList()) {
    if (cell->area() < L2_BASE) continue;
    const int32_t position = cell->bitOffset() + 8 * (cell->area() - L2_BASE);
    if (position < 0 || position + cell->bitWidth() > 8 * kL2Size) continue;
    decodeCell(*cell, bytes, position);
  }
}

ProgramHeaderRecord headerRecordAt(const uint8_t* memory, int32_t bit) {
  ProgramHeaderRecord record;
  for (int i = 0; i < kHeaderRecordBytes; ++i)
    record.bytes[i] = static_cast<uint8_t>(extractBits(memory, bit + 8 * i, 8));
  return record;
}

StepRecord stepRecordAt(const uint8_t* memory, int32_t bit) {
  StepRecord record;
  for (int i = 0; i < kStepRecordBytes; ++i)
    record.bytes[i] = static_cast<uint8_t>(extractBits(memory, bit + 8 * i, 8));
  return record;
}

bool fitsPartition(const DeviceData& config) {
  const int programs = config.general.programCount();
  const int steps = config.general.stepsPerProgram();
  if (config.programCount() > programs) return false;
  return std::all_of(config.programs.begin(), config.programs.end(),
                     [steps](const Program& p) { return p.stepCount() <= steps; });
}

void writeConfiguration(const DeviceData& config, MemoryImage& image, FieldAdjustments* adjusted) {
  if (!fitsPartition(config))
    throw std::length_error("the configuration has more programs or steps than its partition allows");

  const L2Image l2 = encodeGeneral(config.general, adjusted);
  for (int i = 0; i < kL2Size; ++i) {
    uint8_t& b = image[L2_BASE + i];
    b = static_cast<uint8_t>((l2.data[i] & l2.mask[i]) | (b & ~l2.mask[i]));
  }

  const int programs = config.general.programCount();
  int n = 0;
  for (const Program& program : config.programs) {
    const EncodedProgram encoded = encodeProgram(program, adjusted, n);
    writeRecord(image, encoded.header.bytes, kHeaderRecordBytes, programBit(programs, n));
    for (int s = 0; s < static_cast<int>(encoded.steps.size()); ++s)
      writeRecord(image, encoded.steps[s].bytes, kStepRecordBytes, stepBit(programs, n, s));
    ++n;
  }
  const ProgramHeaderRecord empty;
  for (; n < programs; ++n) writeRecord(image, empty.bytes, kHeaderRecordBytes, programBit(programs, n));
}

DeviceData readAfterWrite(const DeviceData& config) {
  MemoryImage image = factoryImage();
  writeConfiguration(config, image);
  return readConfiguration(image);
}

std::list<Program> readPrograms(const MemoryImage& image, int programs, int stepsAllowed) {
  std::list<Program> out;
  for (int n = 0; n < programs; ++n) {
    const ProgramHeaderRecord header = headerRecordAt(image.data(), programBit(programs, n));
    std::vector<StepRecord> steps;
    const int count = std::min(header.stepCount(), stepsAllowed);
    for (int s = 0; s < count; ++s) steps.push_back(stepRecordAt(image.data(), stepBit(programs, n, s)));
    out.push_back(decodeProgram(header, steps));
  }
  return out;
}

DeviceData readConfiguration(const MemoryImage& image) {
  DeviceData config;
  decodeGeneral(image.data() + L2_BASE, config.general);
  config.programs = readPrograms(image, config.general.programCount(), config.general.stepsPerProgram());
  return config;
}
