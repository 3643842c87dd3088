#include "shell/ReportProgramsDialog.h"

#include <algorithm>

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "model/DeviceData.h"

ReportProgramsDialog::ReportProgramsDialog(const DeviceData& data, const std::vector<int>& checked,
                                           QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Отчёт о прошивке"));
  auto* column = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("Программы в отчёте:"), this);
  column->addWidget(label);
  m_list = new QListWidget(this);
  m_list->setObjectName(QStringLiteral("reportPrograms"));
  m_list->setAccessibleName(label->text());
  label->setBuddy(m_list);
  int n = 0;
  for (const Program& p : data.programs) {
    // One arg() for all three: a "%3" in the name stays as typed.
    auto* item = new QListWidgetItem(
        QStringLiteral("Программа №%1 «%2», шагов: %3")
            .arg(QString::number(n + 1), QString::fromUtf8(p.name()), QString::number(p.stepCount())),
        m_list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(std::count(checked.begin(), checked.end(), n) ? Qt::Checked : Qt::Unchecked);
    ++n;
  }
  if (m_list->count() > 0) m_list->setCurrentRow(0);
  column->addWidget(m_list, 1);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QStringLiteral("Отмена"), QDialogButtonBox::RejectRole);
  QPushButton* all = buttons->addButton(QStringLiteral("Отметить все"), QDialogButtonBox::ActionRole);
  QPushButton* none = buttons->addButton(QStringLiteral("Снять все"), QDialogButtonBox::ActionRole);
  connect(all, &QPushButton::clicked, this, [this] { checkAll(true); });
  connect(none, &QPushButton::clicked, this, [this] { checkAll(false); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
  resize(460, 420);
}

void ReportProgramsDialog::checkAll(bool on) {
  for (int i = 0; i < m_list->count(); ++i) m_list->item(i)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

std::vector<int> ReportProgramsDialog::programs() const {
  std::vector<int> out;
  for (int i = 0; i < m_list->count(); ++i)
    if (m_list->item(i)->checkState() == Qt::Checked) out.push_back(i);
  return out;
}
