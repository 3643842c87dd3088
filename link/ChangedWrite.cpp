#include "link/ChangedWrite.h"

#include <algorithm>

#include "link/DeviceExchange.h"
#include "link/MemoryAccess.h"
#include "link/MemoryImage.h"

namespace {

// Unknown bytes this close together are read in one block: a new block
// costs the 10 ms pause before it, about as much as three bytes more.
constexpr int kMergeGap = 3;
constexpr int kMaxBlock = MemoryAccess::kMaxBlock;
constexpr int kMaxRun = MemoryAccess::kMaxRun;
// The read's phase 1 (L2 and the headers) gets this much of its bar, as
// the L1 read does.
constexpr int kSnapshotHeaderShare = 50;
// The changed write's bar: reading what was missing, then writing and
// checking by their cost.
constexpr int kChangedReadShare = 100;
// Costs in units of 0.1 ms, to share a bar by time: a block read pauses
// 10 ms and samples each byte for 3.2 ms; a byte written waits 10 ms.
constexpr double kBlockCost = 100;
constexpr double kByteReadCost = 32;
constexpr double kByteWriteCost = 104;

void addRange(std::vector<ByteRange>& ranges, int begin, int end) {
  if (begin < end) ranges.push_back({begin, end});
}

// Sorted, overlapping and touching ranges joined.
std::vector<ByteRange> merged(std::vector<ByteRange> ranges, int gap = 0) {
  std::sort(ranges.begin(), ranges.end(),
            [](const ByteRange& a, const ByteRange& b) { return a.begin < b.begin; });
  std::vector<ByteRange> out;
  for (const ByteRange& r : ranges) {
    if (!out.empty() && r.begin <= out.back().end + gap)
      out.back().end = std::max(out.back().end, r.end);
    else
      out.push_back(r);
  }
  return out;
}

// The bytes of a record of `bits` bits from bit `bit`.
void addBits(std::vector<ByteRange>& ranges, int32_t bit, int32_t bits) {
  if (bits > 0) addRange(ranges, bit / 8, (bit + bits - 1) / 8 + 1);
}

// The bytes writeConfiguration writes for a record of `length` bytes.
void addRecord(std::vector<ByteRange>& ranges, int32_t bit, int length) {
  addRange(ranges, bit / 8, bit / 8 + length + (bit % 8 ? 1 : 0));
}

// The reads of the unknown bytes of `ranges`: runs of unknown bytes, joined
// across small gaps, cut to the longest sequential read.
std::vector<ByteRange> readPlan(const DeviceSnapshot& snapshot, const std::vector<ByteRange>& ranges) {
  std::vector<ByteRange> unknown;
  for (const ByteRange& r : ranges) {
    for (int i = r.begin; i < r.end;) {
      if (snapshot.known[i]) {
        ++i;
        continue;
      }
      int end = i;
      while (end < r.end && !snapshot.known[end]) ++end;
      unknown.push_back({i, end});
      i = end;
    }
  }
  std::vector<ByteRange> blocks;
  for (const ByteRange& r : merged(std::move(unknown), kMergeGap))
    for (int at = r.begin; at < r.end; at += kMaxRun) blocks.push_back({at, std::min(at + kMaxRun, r.end)});
  return blocks;
}

double readCost(const std::vector<ByteRange>& blocks) {
  double cost = 0;
  for (const ByteRange& b : blocks) cost += kBlockCost + kByteReadCost * (b.end - b.begin);
  return cost;
}

// Progress shared out by cost between `from` and `to` of the link's counter.
class Bar {
 public:
  Bar(DeviceLink& link, int from, int to, double total)
      : m_link(link), m_from(from), m_to(to), m_total(total > 0 ? total : 1) {}
  void add(double cost) {
    m_done += cost;
    const double share = std::min(1.0, m_done / m_total);
    m_link.progressCounter.store(m_from + static_cast<int32_t>(share * (m_to - m_from)),
                                 std::memory_order_relaxed);
  }

 private:
  DeviceLink& m_link;
  int m_from, m_to;
  double m_total;
  double m_done = 0;
};

// Reads the blocks into the snapshot; false when an abort stopped it.
bool readBlocks(DeviceLink& link, DeviceSnapshot& snapshot, const std::vector<ByteRange>& blocks, Bar& bar,
                bool abortable) {
  for (const ByteRange& b : blocks) {
    if (abortable && link.abortRequested.load(std::memory_order_relaxed)) return false;
    const int length = b.end - b.begin;
    readMemory(link, snapshot.bytes.data() + b.begin, static_cast<uint32_t>(b.begin), 0, length, false);
    for (int i = b.begin; i < b.end; ++i) snapshot.known[i] = true;
    bar.add(kBlockCost + kByteReadCost * length);
  }
  return true;
}

}  // namespace

DeviceData DeviceSnapshot::configuration() const { return readConfiguration(bytes); }

bool DeviceSnapshot::holdsConfiguration() const {
  for (const ByteRange& r : configurationExtent(bytes))
    for (int i = r.begin; i < r.end; ++i)
      if (!known[i]) return false;
  return true;
}

std::vector<ByteRange> writeFootprint(const DeviceData& config) {
  std::vector<ByteRange> ranges;
  addRange(ranges, L2_BASE, L2_END);
  const int programs = config.general.programCount();
  const int stepsAllowed = config.general.stepsPerProgram();
  for (int n = 0; n < programs; ++n) {
    addRecord(ranges, programBit(programs, n), kHeaderRecordBytes);
    const Program* p = config.programAt(n);
    const int steps = p ? std::min(p->stepCount(), stepsAllowed) : 0;
    for (int s = 0; s < steps; ++s) addRecord(ranges, stepBit(programs, n, s), kStepRecordBytes);
  }
  return merged(std::move(ranges));
}

std::vector<ByteRange> headerExtent(int programs) {
  std::vector<ByteRange> ranges;
  for (int n = 0; n < programs; ++n) addBits(ranges, programBit(programs, n), Program::kHeaderBits);
  return merged(std::move(ranges));
}

std::vector<ByteRange> slotExtent(int programs, int stepsAllowed, const MemoryImage& memory) {
  std::vector<ByteRange> ranges;
  for (int n = 0; n < programs; ++n) {
    const int32_t h = programBit(programs, n);
    addBits(ranges, h, Program::kHeaderBits);
    const int steps = std::min(headerRecordAt(memory.data(), h).stepCount(), stepsAllowed);
    addBits(ranges, stepBit(programs, n, 0), SLOT_BITS * steps);
  }
  return merged(std::move(ranges));
}

std::vector<ByteRange> configurationExtent(const MemoryImage& memory) {
  GeneralParameters general;
  decodeGeneral(memory.data() + L2_BASE, general);
  std::vector<ByteRange> ranges = slotExtent(general.programCount(), general.stepsPerProgram(), memory);
  addRange(ranges, L2_BASE, L2_END);
  return merged(std::move(ranges));
}

bool readUnknown(DeviceLink& link, DeviceSnapshot& snapshot, const std::vector<ByteRange>& ranges, int from,
                 int to, bool abortable) {
  const std::vector<ByteRange> blocks = readPlan(snapshot, ranges);
  Bar bar(link, from, to, readCost(blocks));
  return readBlocks(link, snapshot, blocks, bar, abortable);
}

void readSnapshot(DeviceLink& link, DeviceSnapshot& snapshot) {
  link.progressCounter.store(0, std::memory_order_relaxed);
  // Phase 1: the L2 area (its O10 lays out L1) and then every header.
  const std::vector<ByteRange> l2 = readPlan(snapshot, {{L2_BASE, L2_END}});
  // The headers' share of phase 1 is a guess until L2 is in: 20 programs.
  constexpr int kGuessedPrograms = 20;
  const double headers = kGuessedPrograms * (kBlockCost + kByteReadCost * (kHeaderRecordBytes + 1));
  Bar phase1(link, 0, kSnapshotHeaderShare, readCost(l2) + headers);
  if (!readBlocks(link, snapshot, l2, phase1, true)) return;
  GeneralParameters general;
  decodeGeneral(snapshot.bytes.data() + L2_BASE, general);
  if (!readBlocks(link, snapshot, readPlan(snapshot, headerExtent(general.programCount())), phase1, true))
    return;

  // Phase 2: the steps the headers count.
  if (!readUnknown(link, snapshot, configurationExtent(snapshot.bytes), kSnapshotHeaderShare,
                   kSnapshotProgressRange, true))
    return;
  confirmAnswering(link, L2_BASE);
  link.progressCounter.store(kSnapshotProgressRange, std::memory_order_relaxed);
}

void writeChangedBytes(DeviceLink& link, const DeviceData& config, DeviceSnapshot& snapshot,
                       ChangedWriteResult& result) {
  result = {};
  if (!fitsPartition(config))
    throw LinkError(kErrorDoesNotFit,
                    "Конфигурация не помещается в память прибора: программ или "
                    "шагов больше, чем допускает разбиение памяти O10");
  link.progressCounter.store(0, std::memory_order_relaxed);
  const std::vector<ByteRange> footprint = writeFootprint(config);
  const std::vector<ByteRange> missing = readPlan(snapshot, footprint);
  for (const ByteRange& b : missing) result.bytesRead += b.end - b.begin;
  Bar reading(link, 0, kChangedReadShare, readCost(missing));
  readBlocks(link, snapshot, missing, reading, false);

  // What the full write would leave, from the bytes the controller holds.
  MemoryImage target = snapshot.bytes;
  writeConfiguration(config, target);
  std::vector<ByteRange> changed;
  for (const ByteRange& r : footprint)
    for (int i = r.begin; i < r.end; ++i)
      if (target[i] != snapshot.bytes[i]) {
        addRange(changed, i, i + 1);
        ++result.bytesChanged;
      }
  // Runs of changed bytes cut at page ends: each piece is one write the
  // engine reads back (the fast timing and i2c-dev: one page write).
  std::vector<ByteRange> pieces;
  for (const ByteRange& r : merged(std::move(changed)))
    for (int at = r.begin; at < r.end; at = (at / kMaxBlock + 1) * kMaxBlock)
      pieces.push_back({at, std::min(r.end, (at / kMaxBlock + 1) * kMaxBlock)});
  Bar writing(link, kChangedReadShare, kChangedProgressRange,
              result.bytesChanged * kByteWriteCost + readCost(pieces));

  // Unknown until stored and read back.
  for (const ByteRange& r : pieces)
    for (int i = r.begin; i < r.end; ++i) snapshot.known[i] = false;
  for (const ByteRange& r : pieces) {
    stopIfAsked(link);
    result.writeStarted = true;
    const int length = r.end - r.begin;
    link.memory().writeBytes(link, target.data() + r.begin, static_cast<uint32_t>(r.begin), length, false);
    result.bytesWritten += length;
    writing.add(kByteWriteCost * length + readCost({r}));
  }
  link.memory().flushWrites(link);
  for (const ByteRange& r : pieces)
    for (int i = r.begin; i < r.end; ++i) {
      snapshot.bytes[i] = target[i];
      snapshot.known[i] = true;
    }
  link.progressCounter.store(kChangedProgressRange, std::memory_order_relaxed);
}
