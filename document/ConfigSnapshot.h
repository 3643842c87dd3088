// One state of a configuration as the undo history keeps it: the names, the
// programs and their steps, and every cell's value and active limits,
// enough to put the configuration back exactly, limits switched by the input-dependent ranges
// and all. The cells' fixed texts, range tables and memory positions never
// change and are not kept.
//
// A snapshot is immutable and is built in parts (level L2, then one part per
// program); a part equal to the previous snapshot's is shared with it, not
// copied, so a history of small edits holds little more than one whole
// configuration. Cheap to copy. Any thread, one at a time per snapshot's
// configuration.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_set>
#include <vector>

#include "document/ChangePlace.h"
#include "model/DeviceData.h"

class ConfigSnapshot {
 public:
  ConfigSnapshot() = default;  // holds no configuration
  // Captures `data`; the parts equal to `previous`'s are shared with it.
  explicit ConfigSnapshot(const DeviceData& data, const ConfigSnapshot* previous = nullptr);

  bool holdsConfiguration() const { return m_general != nullptr; }
  // Puts the captured state into `data`: programs and steps missing at the
  // ends of the lists are appended, surplus ones removed from the ends, and
  // every name and cell is written in place (no clamping, the change
  // observer is not told). Objects at positions that exist in both
  // keep their addresses.
  void restoreInto(DeviceData& data) const;

  // The same configuration was captured (names, structure, cells).
  bool operator==(const ConfigSnapshot& other) const;

  // What changed from `before` to `after`: names, programs and steps,
  // values. Limits alone do not count: they follow other values
  // whenever a view applies the input-dependent ranges.
  struct Difference {
    bool any = false;
    bool partition = false;  // O10 differs
    bool structure = false;  // the number of programs, or of some program's steps
    int cells = 0;           // names and cells that differ, counted up to 2
    // The first difference in the configuration's order: level L2 group by
    // group, then program by program (name, H02, comparators, steps); for a
    // structure change, the first program that changed.
    ChangePlace first;
  };
  static Difference compare(const ConfigSnapshot& before, const ConfigSnapshot& after);

  // The bytes this snapshot holds in parts not yet in `seen`, which it adds
  // there: summed over a history, what the whole history holds.
  std::size_t bytes(std::unordered_set<const void*>& seen) const;

 private:
  struct General;
  struct ProgramPart;

  std::shared_ptr<const General> m_general;
  std::vector<std::shared_ptr<const ProgramPart>> m_programs;
};
