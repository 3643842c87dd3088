// The steps page of the table mode: the two regulator charts above a table
// with one row per step parameter and one column per step of the shown
// program (StepsTableModel), edited in place through the one delegate, and
// beside the table the program's profile chart (in a splitter the user may
// move; the chart folds away to nothing). The
// labels are the row headers, so they stay beside the steps however far
// the steps are scrolled; the steps scroll by whole columns.
//
// The current cell's step becomes the document's current step and is
// selected in the tree; the context menu of the labels and of a step column
// (its cells or header) runs the document's step commands. Cells are
// selected as rectangles; a step's header selects its column. The table
// sheet creates and owns the page; the program belongs to the document, and
// the sheet calls setProgram again (with another program or none) before it
// goes. User-interface thread only.
#pragma once

#include "forms/FormPage.h"
#include "report/StepsTableTexts.h"

class CellDelegate;
class Document;
class DocumentActions;
class Program;
class ProfileChart;
class QSplitter;
class RegulatorChart;
class Step;
class StepsTableModel;
class QTableView;

class StepsTablePage : public FormPage {
  Q_OBJECT

 public:
  static constexpr int kGraphHeight = 110;
  static constexpr int kGraphGap = 5;
  static constexpr int kLabelWidth = 250;
  static constexpr int kStepWidth = 115;
  static constexpr int kProfileWidth = 260;  // the profile chart's least width while it shares

  // The context menus offer `documentActions`.
  StepsTablePage(Document& doc, DocumentActions& documentActions, QWidget* parent = nullptr);

  // Shows the program; none empties the page (no step columns, no charts).
  void setProgram(Program* program);
  Program* program() const;

  // Makes the step's cell in the row of `key` current (kNoKey: the row of
  // the current cell, else the first), scrolled into view. False when the
  // step is not shown.
  bool showStep(const Step* step, int key = stepstable::kNoKey);
  // Stores what the open cell editor holds, as focus loss would.
  void commitEdits();

  QTableView* table() const { return m_table; }
  StepsTableModel* model() const { return m_model; }
  CellDelegate* delegate() const { return m_delegate; }
  RegulatorChart* graph(int regulator) const { return m_graphs[regulator]; }
  ProfileChart* profileChart() const { return m_profile; }
  // The cell of a row key and a step column (0-based), or an invalid index.
  QModelIndex cell(int key, int column) const;

 public slots:
  // The window's clipboard keys while the table has the focus. Copy puts the
  // selected cells on the clipboard as tab-separated text with the values
  // as shown; whole step columns go as steps too. Paste stores a
  // tab-separated text into the cells from the current one on, each as
  // typing would, never past the steps nor into a cell without effect, and
  // names the refused cells in one message; steps on the clipboard go after
  // the selected step columns instead.
  void copy();
  void paste();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // The table's own copy key would copy its current cell alone.
  bool eventFilter(QObject* object, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void layOut();
  // The selected cells' bounds, and whether they fill whole step columns.
  struct Selection {
    int top = -1, left = -1, bottom = -1, right = -1;
    bool columns = false;
  };
  Selection selection() const;
  void currentChanged(const QModelIndex& current);
  // The menu of the labels (column < 0) or of a step column, at a global position.
  void showMenu(int column, const QPoint& globalPos);

  Document& m_doc;
  DocumentActions& m_documentActions;
  StepsTableModel* m_model;
  CellDelegate* m_delegate;
  RegulatorChart* m_graphs[2];
  QSplitter* m_split;
  QTableView* m_table;
  ProfileChart* m_profile;
  bool m_followingSelection = false;
  bool m_splitMoved = false;
};
