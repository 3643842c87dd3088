// The steps page of the table mode: the two regulator charts above a grid
// with one row per step parameter and one column per step of the shown
// program, edited in place. The grid keeps no values of its own: every cell
// is rewritten from the document's steps on setProgram, and an edited cell
// goes straight into its step through the table's rules (StepsTableRules),
// after which its column's dependencies, and the charts, follow at once.
//
// A focused step column makes its step the document's current step and
// selects it in the tree; the context menu of the label column and of a step
// column runs the document's step commands. The table sheet creates and owns
// the page; the program belongs to the document, and the sheet calls
// setProgram again (with another program or none) before it goes.
// User-interface thread only.
#pragma once

#include <array>

#include "forms/FormPage.h"
#include "tables/CFListCtrl.h"
#include "tables/StepsTableRules.h"

class RegulatorChart;
class Document;
class DocumentActions;
class Program;
class Step;

class StepsTablePage : public FormPage, public CFListOwner {
  Q_OBJECT

 public:
  static constexpr int kGraphHeight = 110;
  static constexpr int kGraphGap = 5;
  static constexpr int kLabelWidth = 250;
  static constexpr int kStepWidth = 115;

  // The context menus offer `documentActions`.
  StepsTablePage(Document& doc, DocumentActions& documentActions, QWidget* parent = nullptr);
  ~StepsTablePage() override;

  // Shows the program; none empties the page (no step columns, white charts).
  void setProgram(Program* program);
  Program* program() const { return m_program; }

  // Focuses the step's column in the row of `key` (kNoKey: the row that has
  // the focus, else the first), scrolled into view. False when the step is
  // not shown.
  bool showStep(const Step* step, int key = stepstable::kNoKey);

  CFListCtrl* grid() const { return m_grid; }
  RegulatorChart* graph(int regulator) const { return m_graphs[regulator]; }
  // The grid row of a row key, or nullptr.
  HFLROW rowOf(int key) const;
  // The step of a grid column (1..n), or nullptr.
  Step* stepOfColumn(int column) const;

  int OnListNotify(FLNotifyInfo& info) override;
  void OnListContextMenu(CFListCtrl& list, const QPoint& globalPos) override;
  QString GetCellToolTip(CFListCtrl& list, HFLROW row, int column) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void createProfiles();
  void addStepColumn(int number);
  // Writes the column's header, texts, editors, looks and step from its step.
  void refreshColumn(int column);
  void refreshLabels();
  void layOut();
  int keyOfRow(HFLROW row) const;
  bool regulatorOn(int regulator) const;

  Document& m_doc;
  DocumentActions& m_documentActions;
  RegulatorChart* m_graphs[2];
  CFListCtrl* m_grid;
  std::array<int, stepstable::kProfileCount> m_profiles{};
  std::array<HFLROW, stepstable::kRowCount> m_rows{};  // by display row
  int m_stepWidth = kStepWidth;
  Program* m_program = nullptr;
  Program* m_shownProgram = nullptr;  // whose columns the grid holds
  bool m_regulatorOn[2] = {true, true};
  bool m_refreshing = false;  // the grid's notices come from our own refresh
  bool m_followingTree = false;
};
