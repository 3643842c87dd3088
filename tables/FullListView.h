// The full-list view: every parameter of the configuration in one list with
// its code, description and value, grouped under the programs (with their
// comparators and steps) and the general parameter groups. Values are edited
// in place and stored at once through the cells' guarded setter; "H01" is a
// program's step count. A search field and "Только изменённые" narrow the
// list; values that differ from a new configuration's are drawn in bold.
//
// The main frame creates it hidden, registers it with the document as its
// list view and shows it in the full-list mode; the frame owns the widget.
// The rows hold pointers into the document's configuration. They are rebuilt
// whenever the programs or steps changed (and on being shown after any
// change), and only have their values rewritten otherwise; a pointer is
// never followed unless the configuration's programs and steps are still the
// ones the rows were built from. User-interface thread only.
#pragma once

#include <unordered_map>
#include <vector>

#include <QWidget>

#include "document/DocumentView.h"
#include "tables/CFListCtrl.h"

class Document;
class Comparator;
class Parameter;
class Program;
class Step;
class QCheckBox;
class QLabel;
class QLineEdit;

class FullListView : public QWidget, public DocumentView, public CFListOwner {
  Q_OBJECT

 public:
  static constexpr int kValueColumn = 2;

  FullListView(Document& doc, QWidget* parent = nullptr);

  // Rebuilds when the programs or steps changed, else rewrites the values;
  // while hidden it only notes that it must catch up when shown.
  void documentChanged() override;
  // Builds the whole list from the document, keeping the open and closed
  // groups (expandedState) and the focus cell where its row still exists.
  void rebuild();
  // Rewrites the value column and the bold marks from the parameters.
  void refresh();
  // After an undo or redo, on screen: the changed parameter's row (or the
  // program's "H01") gets the focus cell when it is shown.
  void showChange(const ChangePlace& place) override;
  // Stores a value typed into the open cell editor, as focus loss does.
  void commitEdits() { m_list->EndEdit(); }

  CFListCtrl* list() const { return m_list; }
  QLineEdit* searchField() const { return m_search; }
  QCheckBox* changedOnlyBox() const { return m_changedOnly; }

  // The list control's owner.
  int OnListNotify(FLNotifyInfo& info) override;
  QString GetCellToolTip(CFListCtrl& list, HFLROW row, int column) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  // One parameter row: the cell it shows (or, for "H01", the program whose
  // step count it is), the value of a new configuration, and the value-text
  // list of a choice parameter (0 when it has none).
  struct Entry {
    Parameter* param = nullptr;
    Program* program = nullptr;
    HFLROW row = nullptr;
    int defaultValue = 0;
    int valueTextId = 0;
    // The step or comparator the cell belongs to: an input's edit brings its
    // dependents' limits along.
    Step* step = nullptr;
    Comparator* comparator = nullptr;
  };
  class Builder;

  int valueOf(const Entry& e) const;
  // The value cell marked when its value lies beyond its limits.
  void markValue(const Entry& e);
  const Entry* entryOf(HFLROW row) const;
  // The configuration's programs and steps as the rows were built over them.
  std::vector<const void*> signature() const;
  bool rowsCurrent() const { return !m_stale && signature() == m_signature; }
  int onValueEdited(FLNotifyInfo& info);
  // Every view is refreshed once the edit in progress has ended (the rows
  // are rebuilt then, not under the open editor).
  void refreshViewsLater();
  void fitDescriptionColumn();

  Document& m_doc;
  CFListCtrl* m_list;
  QLineEdit* m_search;
  QCheckBox* m_changedOnly;
  QLabel* m_nothingFound;
  int m_valueProfile = -1;
  std::vector<Entry> m_entries;
  std::unordered_map<const void*, bool> m_expandedState;
  std::vector<const void*> m_signature;
  bool m_stale = true;
  bool m_building = false;
  bool m_columnsFitted = false;
  int m_descriptionFit = 0;  // the widest description and its margins
  int m_fittedWidth = -1;    // the description column's width as last fitted
  QString m_lastFilter;      // the search text and "Только изменённые" of the rows built
};
