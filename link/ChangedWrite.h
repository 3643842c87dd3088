// The changed write: a configuration written to the controller by moving
// only the bytes that differ from what the controller holds, then checked.
//
// 1. ReadSnapshot reads what holds the controller's configuration (the L2
//    area, every slot header of its partition, the steps those headers
//    count) as raw bytes, in blocks of up to 32 contiguous bytes.
// 2. WriteChanged reads whatever else a full write of the configuration
//    would touch, computes what the full write would leave there
//    (writeConfiguration on those bytes, so bits that belong to no
//    parameter keep the controller's content exactly as a full write keeps
//    them) and writes only the bytes that differ, which the engine reads
//    back as it reads back every write: a byte that does not hold what was
//    written is a LinkError naming its address; nothing unverified is
//    reported as success. The snapshot read ends with a one-byte read, so a
//    memory that fell silent during its last block (whose rest then reads
//    as 0xFF) is a broken link, not data.
//
// Both run on the exchange worker (DeviceExchange's modes ReadSnapshot and
// WriteChanged) and throw LinkError; the snapshot belongs to the worker while
// one runs. Progress: the link's counter, 0..kSnapshotProgressRange and
// 0..kChangedProgressRange, rising steadily and reaching the end with the
// operation.
#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

#include "link/DeviceLink.h"
#include "link/FactoryImage.h"
#include "link/LinkError.h"
#include "model/DeviceData.h"

inline constexpr int kSnapshotProgressRange = 1050;
inline constexpr int kChangedProgressRange = 1000;

// Bytes [begin, end) of the memory.
struct ByteRange {
  int begin = 0;
  int end = 0;
  friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

// Part of the controller's memory as read: the bytes and which are known.
struct DeviceSnapshot {
  MemoryImage bytes{};
  std::bitset<kDeviceMemorySize> known;

  // What a read of the controller gives (readConfiguration) once
  // ReadSnapshot has filled it.
  DeviceData configuration() const;
  // The backup of the controller's configuration is only as good as this.
  bool holdsConfiguration() const;
};

// What the changed write did; read by the caller once the worker has ended.
struct ChangedWriteResult {
  int bytesRead = 0;     // footprint bytes read for it (not known before)
  int bytesChanged = 0;  // bytes that differed, to write
  int bytesWritten = 0;  // of them written before the end (or the fault)
  // Writing began: from here on a fault may leave the controller holding
  // part of the old configuration and part of the new.
  bool writeStarted = false;
};

// The bytes a full write of the configuration touches, sorted and merged:
// the L2 area and every record writeConfiguration writes (a record that does
// not start on a byte boundary touches one byte more).
std::vector<ByteRange> writeFootprint(const DeviceData& config);
// The bytes that hold the configuration of a memory whose L2 area and slot
// headers are in `memory`: the L2 area, the headers, the steps counted.
std::vector<ByteRange> configurationExtent(const MemoryImage& memory);

// The bytes of the slot headers of a partition with `programs` programs, and
// with the steps their headers count (the headers in `memory`).
std::vector<ByteRange> headerExtent(int programs);
std::vector<ByteRange> slotExtent(int programs, int stepsAllowed, const MemoryImage& memory);

// Reads the bytes of `ranges` the snapshot does not hold yet into it, in
// sequential reads (unknown bytes close together share one), moving the
// link's counter from `from` to `to` by their cost. With `abortable`, stops
// at an abort before a read and returns false.
bool readUnknown(DeviceLink& link, DeviceSnapshot& snapshot, const std::vector<ByteRange>& ranges, int from,
                 int to, bool abortable);

// Reads the controller's configuration as raw bytes into the snapshot.
// Stops early (incomplete) when an abort is asked for.
void readSnapshot(DeviceLink& link, DeviceSnapshot& snapshot);
// Writes config's changes against the snapshot (bytes it lacks are read
// first) and verifies them; afterwards the snapshot holds what the
// controller holds. LinkError kErrorDoesNotFit (nothing written) for a
// configuration its partition cannot hold, kErrorVerify for a byte that
// does not keep its value; a stop asked for ends it after the page in
// flight (stopIfAsked), LinkError kErrorStopped.
void writeChangedBytes(DeviceLink& link, const DeviceData& config, DeviceSnapshot& snapshot,
                       ChangedWriteResult& result);
