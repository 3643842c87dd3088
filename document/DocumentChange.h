// What changed in a document, as the document tells whoever observes it:
// one cell, many values of an unchanged structure, the steps of one program,
// a program's name, the program list, the whole configuration, or the
// selection; and, after an undo or redo, where the change put back was made.
// Views update just what a change concerns. Plain data and one small
// interface; no framework. Told synchronously on the user-interface thread,
// right after the change and before any pointer it makes invalid is followed
// again.
#pragma once

class Parameter;
class Program;
struct ChangePlace;

struct DocumentChange {
  enum class Kind {
    Cell,           // `cell` got a new value through its guarded setter
    Values,         // values (and limits) changed, programs and steps as they were
    Steps,          // `program`'s steps were added, removed or put back (its H02 too)
    Name,           // `program` was renamed
    Programs,       // the program list changed, and with it any program's steps
    Configuration,  // a new, loaded, read or closed configuration replaced the old
    Selection,      // the selected item, current program or current step moved
    Shown,          // an undo or redo is complete: views show `place`, where it changed
  };
  Kind kind = Kind::Values;
  const Parameter* cell = nullptr;     // Cell
  const Program* program = nullptr;    // Steps, Name
  const ChangePlace* place = nullptr;  // Shown; lives as long as the telling

  bool operator==(const DocumentChange&) const = default;
};

class DocumentObserver {
 public:
  virtual void documentChanged(const DocumentChange& change) = 0;

 protected:
  ~DocumentObserver() = default;
};
