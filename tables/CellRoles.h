// What the configuration's item models (the full list, the steps table) tell
// their views and the one delegate beyond Qt's own roles: which editor a
// cell takes, its limits and spin step, the words of a list cell, whether
// the value differs from a new configuration's, and how a group row of the
// full list remembers being open.
#pragma once

#include <Qt>

namespace cellrole {

enum Role : int {
  Editor = Qt::UserRole + 1,  // EditorKind
  Minimum,                    // double: the least value an edit keeps
  Maximum,                    // double: the greatest
  Step,                       // double: one click of the spin arrows; 0: no arrows
  Choices,                    // QStringList: the words of a list cell, in order
  Changed,                    // bool: differs from a new configuration's value
  GroupKey,                   // quintptr: what a group row's open state is kept under; 0 none
  OpenByDefault,              // bool: a group row seen for the first time is open
};

enum class EditorKind : int {
  None,    // not edited
  Text,    // typed text, taken by the model's rules
  Number,  // a number with spin arrows (Minimum, Maximum, Step)
  Time,    // hours:minutes through the masked edit
  List,    // one of Choices
};

}  // namespace cellrole
