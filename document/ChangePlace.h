// Where in the configuration a change was made, by position rather than by
// pointer, so it still means something after the document has put back an
// earlier state: the group (as the navigation tree's item kind), the
// program, the comparator, step or regulator, and the cell's code. The undo
// history keeps one per step; views are shown it after an undo or redo.
// Plain data.
#pragma once

#include <string>

#include "document/NavigationItem.h"

struct ChangePlace {
  // The kind of the group that holds the change: Program (its name or H02),
  // Comparator, Step, or one of the L2 groups; None when the change has no
  // one place (a memory partition change, a device read).
  NavigationKind kind = NavigationKind::None;
  int program = -1;  // 0-based program, for the kinds of level L1
  int index = -1;    // comparator 0..3, 0-based step, regulator 0..1; else -1
  std::string code;  // the cell's code ("U03"); empty for a whole group

  bool operator==(const ChangePlace&) const = default;
};
