// What never changes about a cell once the catalogue is built: its menu
// code, group and description (UTF-8 texts), its limit pairs and its
// position in device memory. Every configuration's cells point at the same
// entries, so a cell itself is only its value and its active limits.
//
// Entries are immutable and live as long as the program. shared() is the
// only way to make one; it may be called from any thread.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <vector>

struct CellEntry {
  struct Limits {
    int32_t min;
    int32_t max;
    auto operator<=>(const Limits&) const = default;
  };

  std::string code;
  std::string group;
  std::string description;
  std::vector<Limits> ranges;  // pair 0 first; the input-dependent ranges select among them
  uint16_t area = 0;
  int32_t bitOffset = 0;
  int32_t bitWidth = 0;

  auto operator<=>(const CellEntry&) const = default;

  // The one entry equal to `entry`: made on first request, the same pointer
  // for every later equal request, never freed.
  static const CellEntry* shared(CellEntry entry);
  // The entry of a cell that has none: no texts, no limit pairs, no position.
  static const CellEntry* none();
};
