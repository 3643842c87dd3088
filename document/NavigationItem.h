// The record behind every item of the navigation tree, and the item kinds.
// The tree creates and owns the records; the document's `selection` points at
// the record of the selected item. The kind also keys the right pane's views
// and decides which context menu and editing commands apply.
// Plain data; used on the user-interface thread.
#pragma once

#include <cstdint>

enum class NavigationKind {
  None,           // no item: a change with no one place
  L1Root,         // "L1 Программы технолога"; no data
  Program,        // one program; data: the Program
  Comparators,    // "Параметры компараторов"; data: the Program
  Comparator,     // one comparator; data: the Comparator
  Steps,          // "Параметры шагов"; data: the Program
  Step,           // one step; data: the Step
  L2Root,         // "L2 Общие параметры"; no data
  KeyPulseModes,  // data: the KeyPulseModes, and so on for the next three
  Corrections,
  DigitalFilters,
  BaseParameters,
  PidGroup,  // "Параметры ПИД-регуляторов"; no data
  Pid,       // one regulator; data: the PidRegulator
};

struct NavigationItem {
  NavigationKind kind = NavigationKind::None;
  int32_t programNumber = 0;  // 1-based; 0 outside programs
  int32_t subIndex = 0;       // comparator index 0..3, 1-based step number, else 0
  void* data = nullptr;       // the model object the item shows, or none
};
