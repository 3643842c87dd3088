#include "forms/DataExchange.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QVariant>

#include "model/Parameter.h"
#include "model/SetpointPair.h"
#include "widgets/Messages.h"

QString formatNumber(double value) {
  // Qt drops the sign of minus zero; the corrections show it.
  if (value == 0 && std::signbit(value)) return QStringLiteral("-0");
  return QString::number(value, 'g', 15);
}

DataExchange::DataExchange(Direction direction, QWidget* owner) : m_direction(direction), m_owner(owner) {}

namespace {
// The text an exchange last showed in an edit.
constexpr char kShownText[] = "tkv88ShownText";
}  // namespace

void DataExchange::show(QLineEdit* edit, const QString& text) {
  edit->setText(text);
  // As the edit shows it: a masked edit puts its literals in.
  taken(edit);
}

void DataExchange::taken(QLineEdit* edit) {
  edit->setProperty(kShownText, edit->text());
  edit->setModified(false);
}

bool DataExchange::edited(const QLineEdit* edit) {
  const QVariant shown = edit->property(kShownText);
  return !shown.isValid() || edit->isModified() || edit->text() != shown.toString();
}

namespace {
QString outsideText(const QString& low, const QString& high) {
  return QStringLiteral("вне допустимого диапазона %1…%2").arg(low, high);
}
}  // namespace

QString outsideTip(const Parameter& cell) {
  if (cell.inLimits()) return {};
  return outsideText(QString::number(cell.minValue()), QString::number(cell.maxValue()));
}

QString outsideTip(const Parameter& integer, const Parameter& fraction) {
  if (pairInLimits(integer, fraction)) return {};
  const PairLimits l = pairLimits(integer, fraction);
  const double scale = std::max(1, fractionScale(fraction));
  return outsideText(formatNumber(l.lo / scale), formatNumber(l.hi / scale));
}

void DataExchange::markOutside(QLineEdit* edit, const QString& tip) {
  if (edit->toolTip() == tip) return;
  edit->setToolTip(tip);
  if (tip.isEmpty()) {
    edit->setPalette(QPalette());
    return;
  }
  QPalette red = edit->palette();
  red.setColor(QPalette::Text, Qt::red);
  edit->setPalette(red);
}

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
    show(edit, QString::number(value));
    return;
  }
  if (!edited(edit)) return;
  bool ok = false;
  const qlonglong typed = edit->text().trimmed().toLongLong(&ok, 10);
  if (!ok || typed < INT32_MIN || typed > INT32_MAX)
    return fail(edit, QStringLiteral("Введите целое число."));
  value = static_cast<int32_t>(typed);
}

void DataExchange::number(QLineEdit* edit, double& value) {
  if (m_failed) return;
  if (loading()) {
    show(edit, formatNumber(value));
    return;
  }
  if (!edited(edit)) return;
  QString text = edit->text().trimmed();
  if (!text.contains(u'.')) text.replace(u',', u'.');
  bool ok = false;
  const double typed = text.toDouble(&ok);
  if (!ok || !std::isfinite(typed)) return fail(edit, QStringLiteral("Введите число."));
  value = typed;
}

namespace {
bool untouchedEdit(QWidget* control) {
  auto* edit = qobject_cast<QLineEdit*>(control);
  return edit && !DataExchange::edited(edit);
}
}  // namespace

void DataExchange::range(QWidget* control, int64_t value, int64_t min, int64_t max) {
  if (m_failed || loading() || (value >= min && value <= max) || untouchedEdit(control)) return;
  fail(control, QStringLiteral("Введите целое число от %1 до %2.").arg(min).arg(max));
}

void DataExchange::range(QWidget* control, double value, double min, double max) {
  if (m_failed || loading() || (value >= min && value <= max) || untouchedEdit(control)) return;
  fail(control, QStringLiteral("Введите число от %1 до %2.").arg(formatNumber(min), formatNumber(max)));
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
  if (loading() && ok()) markOutside(edit, outsideTip(cell));
  store(edit, cell, v);
}

void DataExchange::store(QLineEdit* edit, Parameter& cell, int32_t value) {
  if (!saving() || !ok() || !edited(edit)) return;
  cell.setEnteredValue(value);
  taken(edit);
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
