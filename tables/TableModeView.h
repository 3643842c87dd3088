// The table-mode view: a tab control with the steps page (all steps of the
// document's current program side by side, with the regulator charts) and
// the comparators page (its four comparators), and beside the tabs a chooser
// that names the program shown ("Программа №1 «Сушка»") and switches
// programs as the "Программы" menu does. The main frame creates it
// hidden and shows it in the table mode; the frame owns the widget, the sheet
// owns its pages. On show it follows the document's current program as the
// selection moves; the tables' models follow the values and steps
// themselves. The selected tab lives as long as the view, so it survives
// mode switches. User-interface thread only.
#pragma once

#include <QWidget>


class ComparatorTabs;
class StepsTablePage;
class Document;
class DocumentActions;
struct ChangePlace;
class Program;
class QComboBox;
class QTabWidget;

class TableModeView : public QWidget {
  Q_OBJECT

 public:
  // The steps page's context menus offer `documentActions`.
  TableModeView(Document& doc, DocumentActions& documentActions, QWidget* parent = nullptr);

  // Shows the document's current program on both pages (none when the
  // configuration no longer holds it) and the selected step.
  void showCurrentProgram();
  // Brings both pages to `program` (none empties them).
  void setProgram(Program* program);
  Program* program() const { return m_program; }

  // The document's selection moved: a selected step of the shown program
  // gets its column focused and scrolled into view.
  void followSelection();
  // After an undo or redo, on screen: the changed cell of a step of the
  // shown program gets the focus cell.
  void showChange(const ChangePlace& place);

  // Stores what the user has entered and not yet confirmed: the open cell
  // editor of the steps table ends as focus loss ends it, and the shown
  // comparator page commits. False when a check refused a value (its
  // message has been shown).
  bool commitEdits();

  QTabWidget* tabs() const { return m_tabs; }
  QComboBox* programChooser() const { return m_chooser; }
  StepsTablePage* stepsPage() const { return m_steps; }
  ComparatorTabs* comparatorsPage() const { return m_comparators; }

 private:
  // The chooser's items anew from the programs there are, the shown one current.
  void fillChooser();

  Document& m_doc;
  QTabWidget* m_tabs;
  QComboBox* m_chooser;
  StepsTablePage* m_steps;
  ComparatorTabs* m_comparators;
  Program* m_program = nullptr;
};
