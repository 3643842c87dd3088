// The check a configuration passes before it is written to a controller, and
// the copy of it that fits the memory. A loaded file may hold more programs
// or steps than its partition O10 allows, and values outside what their
// memory field holds (D01..D06 = 64 in 6 bits, N01..N08 and H02 stored
// unchecked by the loader). Nothing past the partition is ever written;
// the user is told which programs and steps do not fit and may write only
// what fits. Values are written saturated, and the user is told which.
//
// Pure functions over a configuration the caller owns; any thread. Texts are
// UTF-8, like every text of the model.
#pragma once

#include <string>
#include <vector>

#include "model/DeviceData.h"

struct WriteCheck {
  // Programs and steps beyond the partition, one line each. A write with
  // any of them is refused, or made from fitToPartition's copy.
  std::vector<std::string> overflow;
  // Values written as the nearest value their field holds, one line each,
  // for the part of the configuration that is written. A warning only.
  std::vector<std::string> adjusted;

  bool fits() const { return overflow.empty(); }
};

WriteCheck checkBeforeWrite(const DeviceData& config);

// The configuration cut to its partition: the programs after the last one
// the partition allows are dropped and every program keeps at most the
// allowed number of steps; a cycle start H02 that pointed past the kept
// steps points at the last kept one. Values are not changed.
DeviceData fitToPartition(const DeviceData& config);

// After a write has been read back: one line per value, program or step count
// that differs between what the memory should hold (`expected`, the written
// configuration as a read of it gives it) and what was read (`actual`).
// Names are not compared: the memory holds none. Empty when they agree.
std::vector<std::string> valueDifferences(const DeviceData& expected, const DeviceData& actual);
