// The list of differences between two configurations by value
// (document/ValueComparison.h): where, code, description and the value on
// each side, one row per value as the forms show it (a duration "01:30", a
// setpoint "25.5"), whatever number of cells holds it.
//
// Two uses: showing a comparison ("Сравнить с прибором…", "Сравнить с
// файлом…"; "Закрыть"), and choosing what a changed write takes from the
// document ("Записать изменения…": a check box per row, all checked,
// "Записать" and "Отмена"); a value is taken whole or not at all. A row
// that is no choice of its own (a step on one side only, a program after
// the first on one side only) shows and follows the check of the row it
// depends on; while the partition O10 is checked every program row is
// checked and locked, since a new partition rewrites all the programs.
//
// A double click (or Enter) on a row emits differenceActivated with the
// index of its first cell difference; the application selects that
// parameter's item in the tree. The dialog keeps only the differences,
// never pointers into a configuration.
// User-interface thread only.
#pragma once

#include <vector>

#include <QDialog>

#include "document/ValueComparison.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class DifferencesDialog : public QDialog {
  Q_OBJECT

 public:
  enum Mode { kView, kChoose };
  enum Column { kWhere, kCode, kDescription, kValueA, kValueB, kColumnCount };

  // comparison: of A with B; headingA and headingB name the two value
  // columns ("На приборе", "В документе").
  DifferencesDialog(ValueComparison comparison, const QString& headingA, const QString& headingB, Mode mode,
                    QWidget* parent = nullptr);

  const ValueComparison& comparison() const { return m_comparison; }
  // The cell differences, one per cell (compareConfigurations).
  const std::vector<ConfigDifference>& differences() const { return m_comparison.cells(); }
  // One flag per cell difference: what a merge takes (kChoose), every cell
  // of a checked value; all false in kView.
  std::vector<bool> taken() const;
  // Checks (or clears) every row that is a choice of its own.
  void checkAll(bool checked);

  QTreeWidget* list() const { return m_list; }
  // "Записать" (kChoose) or "Закрыть" (kView).
  QPushButton* acceptButton() const { return m_accept; }
  // The note under the list of a comparison with the controller: the
  // document's values it cannot hold (unheldValues, one line each);
  // hidden when there are none.
  void setUnheldValues(const std::vector<std::string>& lines);
  QLabel* unheldNote() const { return m_note; }
  // "Различий: 3, отмечено: 2" above the list.
  QLabel* summary() const { return m_summary; }
  // The text of that note, for a notice when nothing differs.
  static QString unheldText(const std::vector<std::string>& lines);

  // "Программа №2, шаг №3", "Общие параметры", ... for a difference.
  static QString placeText(const ConfigDifference& difference);

 signals:
  void differenceActivated(int index);

 private:
  void onItemChanged(QTreeWidgetItem* item);
  void updateLocks();
  bool isProgramRow(int index) const;

  ValueComparison m_comparison;
  Mode m_mode;
  QTreeWidget* m_list;
  QLabel* m_summary;
  QLabel* m_note;
  QPushButton* m_accept;
  std::vector<bool> m_own;  // the user's own check of each row, kept while a lock holds it
  int m_partition = -1;     // the row of O10, or -1
  bool m_updating = false;
};
