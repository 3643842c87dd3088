// One item of the navigation tree as a value, and the item kinds: the tree
// keeps one per item, the document its selection. The kind also keys the
// right pane's views and decides which context menu and editing commands
// apply. Plain data; used on the user-interface thread.
#pragma once

#include <cstdint>

#include "document/GroupRef.h"

enum class NavigationKind {
  None,           // no item: a change with no one place
  L1Root,         // "L1 Программы технолога"; no group
  Program,        // one program; group: the Program
  Comparators,    // "Параметры компараторов"; group: the Program
  Comparator,     // one comparator; group: the Comparator
  Steps,          // "Параметры шагов"; group: the Program
  Step,           // one step; group: the Step
  L2Root,         // "L2 Общие параметры"; no group
  KeyPulseModes,  // group: the KeyPulseModes, and so on for the next three
  Corrections,
  DigitalFilters,
  BaseParameters,
  PidGroup,  // "Параметры ПИД-регуляторов"; no group
  Pid,       // one regulator; group: the PidRegulator
};

struct NavigationItem {
  NavigationKind kind = NavigationKind::None;
  int32_t programNumber = 0;  // 1-based; 0 outside programs
  int32_t subIndex = 0;       // comparator index 0..3, 1-based step number, else 0
  GroupRef group;             // the group the item shows, or none

  // The same item: kind and group (the numbers follow from them).
  bool sameItem(const NavigationItem& other) const { return kind == other.kind && group == other.group; }
  bool operator==(const NavigationItem&) const = default;
};
