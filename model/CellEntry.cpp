#include "model/CellEntry.h"

#include <mutex>
#include <set>

const CellEntry* CellEntry::shared(CellEntry entry) {
  struct Table {
    std::mutex mutex;
    std::set<CellEntry> entries;
  };
  // Never destroyed: cells in static objects may point here until the end.
  static Table* const table = new Table;
  const std::lock_guard<std::mutex> lock(table->mutex);
  return &*table->entries.insert(std::move(entry)).first;
}

const CellEntry* CellEntry::none() {
  static const CellEntry* const entry = shared({});
  return entry;
}
