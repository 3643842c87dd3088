// The full-list view: every parameter of the configuration in one tree with
// its code, description and value (FullListModel), grouped under the
// programs (with their comparators and steps) and the general parameter
// groups. Values are edited in place through the one delegate and stored at
// once by the model's typing rules; "H01" is a program's step count. A
// search field and "Только изменённые" narrow the list (FullListFilter);
// values that differ from a new configuration's are drawn in bold.
//
// Groups keep being open or closed as the user left them, across changes of
// the steps and new configurations; while a filter is on every group is
// shown open and that memory is left alone. The main frame creates the view
// hidden and shows it in the full-list mode; the frame owns the widget. The
// model follows the document's notices whether shown or not. User-interface
// thread only.
#pragma once

#include <vector>

#include <QHash>
#include <QWidget>


class CellDelegate;
class Document;
struct ChangePlace;
class FullListFilter;
class FullListModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QTreeView;

class FullListView : public QWidget {
  Q_OBJECT

 public:
  FullListView(Document& doc, QWidget* parent = nullptr);

  // After an undo or redo, on screen: the changed parameter's value cell (or
  // its program's "H01") becomes the current cell, its groups opened.
  void showChange(const ChangePlace& place);
  // Stores a value typed into the open cell editor, as focus loss does.
  void commitEdits();

  QTreeView* view() const { return m_view; }
  FullListModel* model() const { return m_model; }
  FullListFilter* filter() const { return m_filter; }
  CellDelegate* delegate() const { return m_delegate; }
  QLineEdit* searchField() const { return m_search; }
  QCheckBox* changedOnlyBox() const { return m_changedOnly; }

 public slots:
  // The window's clipboard keys while the list has the focus. Copy puts the
  // selected cells of the shown rows on the clipboard as tab-separated text
  // with the texts as shown. Paste stores a tab-separated text down the
  // value column from the current row on, a line per shown row, each value
  // as typing would (rows without a value take their line and skip it), and
  // names the refused cells in one message.
  void copy();
  void paste();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  void filterChanged();
  // Puts back the open groups whenever rows come to the model the view
  // shows. Connected again after every setModel, so that it runs after the
  // view's own reset, which closes every group.
  void followShownModel();
  // Opens and closes the groups under `parent` (a view index) as remembered,
  // or all open while a filter is on.
  void applyOpenState(const QModelIndex& parent);
  void rememberOpenState(const QModelIndex& index, bool open);
  void updateNothingFound();
  void fitDescriptionColumn();
  // Where a value cell of the view lies, for a message: its groups, code
  // and description.
  QString placeOf(const QModelIndex& value) const;

  Document& m_doc;
  FullListModel* m_model;
  FullListFilter* m_filter;
  CellDelegate* m_delegate;
  QTreeView* m_view;
  QLineEdit* m_search;
  QCheckBox* m_changedOnly;
  QLabel* m_nothingFound;
  QHash<quintptr, bool> m_open;  // groups the user opened or closed, by their key
  bool m_applying = false;
  std::vector<QMetaObject::Connection> m_shownModelConnections;
  int m_descriptionFit = 0;  // the widest description and its margins
  int m_fittedWidth = -1;    // the description column's width as last fitted
};
