#include "link/MemoryAccess.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "link/BitField.h"
#include "link/ChangedWrite.h"
#include "link/DeviceLink.h"
#include "link/FactoryImage.h"
#include "link/LinkError.h"

namespace {

void checkRange(int value, int min, int max, const char* what, const char* name) {
  if (value < min || value > max)
    throw std::invalid_argument(std::string(what) + ": " + name + " " + std::to_string(value) + " outside " +
                                std::to_string(min) + ".." + std::to_string(max));
}

}  // namespace

ProbeReport MemoryAccess::probe(DeviceLink& link) {
  ProbeReport report;
  report.checkedMemory = true;
  try {
    begin(link);
    uint8_t byte = 0;
    readBlock(link, &byte, 0, 1, false);
    report.memoryAnswers = true;
  } catch (const LinkError& e) {
    report.memoryFailed(e);
  }
  return report;
}

void readMemory(DeviceLink& link, uint8_t* dst, uint32_t address, int bitOffset, int length,
                bool countProgress) {
  checkRange(length, 1, MemoryAccess::kMaxRun, "readMemory", "length");
  checkRange(bitOffset, 0, 7, "readMemory", "bit offset");
  if (bitOffset == 0) return link.memory().readBlock(link, dst, address, length, countProgress);
  // One spare byte: the top bits of the last output byte lie beyond what was read.
  uint8_t read[MemoryAccess::kMaxRun + 1] = {};
  link.memory().readBlock(link, read, address, length, countProgress);
  for (int j = 0; j < length; ++j) dst[j] = static_cast<uint8_t>(extractBits(read, bitOffset + 8 * j, 8));
}

void readBytes(DeviceLink& link, uint8_t* dst, uint32_t address, int count, bool countProgress) {
  for (int done = 0; done < count; done += MemoryAccess::kMaxRun)
    readMemory(link, dst + done, address + static_cast<uint32_t>(done), 0,
               std::min(MemoryAccess::kMaxRun, count - done), countProgress);
}

void confirmAnswering(DeviceLink& link, uint32_t address) {
  uint8_t byte = 0;
  readMemory(link, &byte, address, 0, 1, false);
}

void checkWritten(DeviceLink& link, const uint8_t* written, const uint8_t* found, uint32_t address,
                  int count) {
  for (int i = 0; i < count; ++i) {
    if (found[i] == written[i]) continue;
    confirmAnswering(link, address + static_cast<uint32_t>(i));
    const int at = static_cast<int>((address + static_cast<uint32_t>(i)) % kDeviceMemorySize);
    throw LinkError(kErrorVerify, link_texts::verifyFailed(at, found[i], written[i]));
  }
  if (DeviceSnapshot* seen = link.readBack)
    for (int i = 0; i < count; ++i) {
      const auto at = static_cast<std::size_t>((address + static_cast<uint32_t>(i)) % kDeviceMemorySize);
      seen->bytes[at] = found[i];
      seen->known[at] = true;
    }
}

void stopIfAsked(DeviceLink& link) {
  if (!link.abortRequested.load(std::memory_order_relaxed)) return;
  link.memory().flushWrites(link);
  throw LinkError(kErrorStopped, link_texts::writeStopped());
}

void writeMemory(DeviceLink& link, const uint8_t* src, uint32_t address, int count) {
  constexpr int kPage = MemoryAccess::kMaxBlock;
  for (int done = 0; done < count;) {
    const uint32_t at = address + static_cast<uint32_t>(done);
    const int n = std::min(count - done, kPage - static_cast<int>(at % kPage));
    stopIfAsked(link);
    link.memory().writeBytes(link, src + done, at, n, true);
    done += n;
  }
}

void writeMasked(DeviceLink& link, const uint8_t* data, const uint8_t* mask, uint32_t address, int count) {
  checkRange(count, 1, MemoryAccess::kMaxBlock, "writeMasked", "length");
  uint8_t work[MemoryAccess::kMaxBlock];
  readMemory(link, work, address, 0, count);
  for (int i = 0; i < count; ++i) work[i] = static_cast<uint8_t>((data[i] & mask[i]) | (work[i] & ~mask[i]));
  writeMemory(link, work, address, count);
}

void writeBits(DeviceLink& link, const uint8_t* src, uint32_t byteAddress, int bitOffset, int length) {
  checkRange(length, 1, 255, "writeBits", "length");
  checkRange(bitOffset, 0, 7, "writeBits", "bit offset");
  stopIfAsked(link);
  if (bitOffset == 0) return link.memory().writeBytes(link, src, byteAddress, length, false);
  uint8_t work[256] = {};
  // Keeps the bits below the record's start; often the previous record's
  // last byte, still held by the engine.
  if (!link.memory().heldByte(byteAddress, work[0])) readMemory(link, work, byteAddress, 0, 1, false);
  for (int i = 0; i < length; ++i) insertBits(src[i], work, bitOffset + 8 * i, 8);
  link.memory().writeBytes(link, work, byteAddress, length + 1, false);
}
