// What the document knows of a view it refreshes: the navigation tree, the
// right pane, the table view and the full-list view each implement it and
// register with the document (Document::treeView and its siblings).
// Called on the user-interface thread only.
#pragma once

struct ChangePlace;

class DocumentView {
 public:
  virtual ~DocumentView() = default;

  // The configuration changed: rebuild or refresh from the document. A view
  // whose window does not exist yet simply returns.
  virtual void documentChanged() = 0;

  // An undo or redo has put a change back or made it again, and the view
  // has been refreshed: show where it was made (the program, step or
  // comparator and the cell of `place`) when that still exists. The
  // document has already selected the place's item in the tree.
  virtual void showChange(const ChangePlace& place) { (void)place; }
};
