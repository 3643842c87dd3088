// What the shell asks of the forms layer: the form the right pane creates for
// a tree item kind (once per kind, owned by the pane), and the program rename
// dialog. User-interface thread only.
#pragma once

#include <optional>

#include <QString>

class GroupForm;
class Document;
class QWidget;

// The form for kinds 104, 106, 109..112 and 114; nullptr for other kinds.
GroupForm* createFormForKind(int kind, Document& doc, QWidget* parent);

// The rename dialog of a program, owned by `parent`, showing `name`: the new
// name on OK, nothing on Cancel.
std::optional<QString> runProgramRenameDialog(const QString& name, QWidget* parent);
