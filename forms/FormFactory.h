// What the shell asks of the forms layer: the form the right pane creates for
// a tree item kind (once per kind, owned by the pane), and the program rename
// dialog. User-interface thread only.
#pragma once

#include <optional>

#include <QString>

#include "document/NavigationItem.h"

class GroupForm;
class Document;
class QWidget;

// The form for a comparator, a step, a group of level L2 or a PID regulator,
// named after what it edits ("stepForm"); nullptr for other kinds.
GroupForm* createFormForKind(NavigationKind kind, Document& doc, QWidget* parent);

// The rename dialog of a program, owned by `parent`, showing `name`: the new
// name on OK, nothing on Cancel.
std::optional<QString> runProgramRenameDialog(const QString& name, QWidget* parent);
