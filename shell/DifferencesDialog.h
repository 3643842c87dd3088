// The list of differences between two configurations (document/ConfigCompare.h):
// where, code, description and the value on each side, one row each.
//
// Two uses: showing a comparison ("Сравнить с прибором…", "Сравнить с
// файлом…"; "Закрыть"), and choosing what a changed write takes from the
// document ("Записать изменения…": a check box per row, all checked,
// "Записать" and "Отмена"). A row that is no choice of its own (a step on
// one side only, a program after the first on one side only) shows and
// follows the check of the row it depends on; while the partition O10 is
// checked every program row is checked and locked, since a new partition
// rewrites all the programs.
//
// A double click (or Enter) on a row emits differenceActivated with its
// index; the application selects that parameter's item in the tree. The
// dialog keeps only the differences, never pointers into a configuration.
// User-interface thread only.
#pragma once

#include <vector>

#include <QDialog>

#include "document/ConfigCompare.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class DifferencesDialog : public QDialog {
  Q_OBJECT

 public:
  enum Mode { kView, kChoose };
  enum Column { kWhere, kCode, kDescription, kValueA, kValueB, kColumnCount };

  // differences: compareConfigurations(A, B); headingA and headingB name
  // the two value columns ("На приборе", "В документе").
  DifferencesDialog(std::vector<ConfigDifference> differences, const QString& headingA,
                    const QString& headingB, Mode mode, QWidget* parent = nullptr);

  const std::vector<ConfigDifference>& differences() const { return m_differences; }
  // One flag per difference: what a merge takes (kChoose); all false in kView.
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

  std::vector<ConfigDifference> m_differences;
  Mode m_mode;
  QTreeWidget* m_list;
  QLabel* m_summary;
  QLabel* m_note;
  QPushButton* m_accept;
  std::vector<bool> m_own;  // the user's own check of each row, kept while a lock holds it
  int m_partition = -1;     // the row of O10, or -1
  bool m_updating = false;
};
