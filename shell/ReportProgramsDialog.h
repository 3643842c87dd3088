// The question before a report is printed, previewed or exported: which
// programs it shows. One check box per program of the configuration
// ("Программа №3 «Сушка», шагов: 25"), the programs with steps checked at
// first, as the report shows them unless told otherwise. A short-lived modal
// dialog on the user-interface thread; the configuration must outlive it.
#pragma once

#include <vector>

#include <QDialog>

class DeviceData;
class QListWidget;

class ReportProgramsDialog : public QDialog {
  Q_OBJECT

 public:
  ReportProgramsDialog(const DeviceData& data, const std::vector<int>& checked, QWidget* parent = nullptr);

  // The checked programs, 0-based, in the configuration's order.
  std::vector<int> programs() const;
  QListWidget* list() const { return m_list; }

 private:
  void checkAll(bool on);

  QListWidget* m_list;
};
