#include "forms/DataExchange.h"

#include <climits>
#include <cmath>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>

#include "model/Parameter.h"
#include "widgets/Messages.h"

QString formatNumber(double value) {
  // Qt drops the sign of minus zero; the corrections show it.
  if (value == 0 && std::signbit(value)) return QStringLiteral("-0");
  return QString::number(value, 'g', 15);
}

DataExchange::DataExchange(Direction direction, QWidget* owner) : m_direction(direction), m_owner(owner) {}

void DataExchange::fail(QWidget* control, const QString& message) {
  if (m_failed) return;
  m_failed = true;
  messages::showWarning(m_owner ? m_owner->window() : nullptr, message);
  if (!control) return;
  control->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

void DataExchange::integer(QLineEdit* edit, int32_t& value) {
  if (m_failed) return;
  if (loading()) {
    edit->setText(QString::number(value));
    return;
  }
  bool ok = false;
  const qlonglong typed = edit->text().trimmed().toLongLong(&ok, 10);
  if (!ok || typed < INT32_MIN || typed > INT32_MAX)
    return fail(edit, QStringLiteral("Please enter an integer."));
  value = static_cast<int32_t>(typed);
}

void DataExchange::number(QLineEdit* edit, double& value) {
  if (m_failed) return;
  if (loading()) {
    edit->setText(formatNumber(value));
    return;
  }
  QString text = edit->text().trimmed();
  if (!text.contains(u'.')) text.replace(u',', u'.');
  bool ok = false;
  const double typed = text.toDouble(&ok);
  if (!ok || !std::isfinite(typed)) return fail(edit, QStringLiteral("Please enter a number."));
  value = typed;
}

void DataExchange::range(QWidget* control, int64_t value, int64_t min, int64_t max) {
  if (m_failed || loading() || (value >= min && value <= max)) return;
  fail(control, QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max));
}

void DataExchange::range(QWidget* control, double value, double min, double max) {
  if (m_failed || loading() || (value >= min && value <= max)) return;
  fail(control,
       QStringLiteral("Please enter a number between %1 and %2.").arg(formatNumber(min), formatNumber(max)));
}

void DataExchange::position(QComboBox* list, int& position) {
  if (m_failed) return;
  if (loading())
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
  else
    position = list->currentIndex();
}

void DataExchange::checked(QAbstractButton* box, int& state) {
  if (m_failed) return;
  if (loading())
    box->setChecked(state != 0);
  else
    state = box->isChecked() ? 1 : 0;
}

void DataExchange::position(QButtonGroup* group, int& position) {
  if (m_failed) return;
  if (saving()) {
    position = group->checkedId();
    return;
  }
  // An exclusive group cannot be cleared button by button.
  const bool exclusive = group->exclusive();
  group->setExclusive(false);
  for (QAbstractButton* b : group->buttons()) b->setChecked(group->id(b) == position);
  group->setExclusive(exclusive);
}

void DataExchange::cell(QLineEdit* edit, Parameter& cell) {
  this->cell(edit, cell, cell.minValue(), cell.maxValue());
}

void DataExchange::cell(QLineEdit* edit, Parameter& cell, int32_t min, int32_t max) {
  int32_t v = cell.value();
  integer(edit, v);
  range(edit, int64_t{v}, int64_t{min}, int64_t{max});
  if (saving() && ok()) cell.setEnteredValue(v);
}

void DataExchange::cell(QComboBox* list, Parameter& cell, int offset) {
  int pos = cell.value() - offset;
  position(list, pos);
  if (saving() && ok()) cell.setEnteredValue(pos + offset);
}

void DataExchange::cell(QButtonGroup* group, Parameter& cell, int offset) {
  int pos = cell.value() - offset;
  position(group, pos);
  if (saving() && ok()) cell.setEnteredValue(pos + offset);
}

void DataExchange::cell(QAbstractButton* box, Parameter& cell) {
  int state = cell.value() == 1 ? 1 : 0;
  checked(box, state);
  if (saving() && ok()) cell.setEnteredValue(state);
}
