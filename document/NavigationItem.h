// The record behind every item of the navigation tree, and the item kinds.
// The tree creates and owns the records; the document's `selection` points at
// the record of the selected item. The kind numbers also key the right pane's
// views and decide which context menu and editing commands apply.
// Plain data; used on the user-interface thread.
#pragma once

#include <cstdint>

namespace NavigationKind {

// 102 and 107 belong to no item and are never given to another kind.
enum : int32_t {
  L1Root = 100,       // "L1 Программы технолога"; no data
  Program = 101,      // one program; data: the Program
  Comparators = 103,  // "Параметры компараторов"; data: the Program
  Comparator = 104,   // one comparator; data: the Comparator
  Steps = 105,        // "Параметры шагов"; data: the Program
  Step = 106,         // one step; data: the Step
  L2Root = 108,       // "L2 Общие параметры"; no data
  KeyPulseModes = 109,
  Corrections = 110,
  DigitalFilters = 111,
  BaseParameters = 112,
  PidGroup = 113,  // "Параметры ПИД-регуляторов"; no data
  Pid = 114,       // one regulator; data: the PidRegulator
};

}  // namespace NavigationKind

struct NavigationItem {
  int32_t kind = 0;
  int32_t programNumber = 0;  // 1-based; 0 outside programs
  int32_t subIndex = 0;       // comparator index 0..3, 1-based step number, else 0
  void* data = nullptr;       // the model object the item shows, or none
};
