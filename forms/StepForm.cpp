#include "forms/StepForm.h"

#include <charconv>
#include <cmath>

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "document/Document.h"
#include "forms/DataExchange.h"
#include "forms/FormWidgets.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"
#include "model/Step.h"
#include "widgets/MaskedLineEdit.h"
#include "widgets/Messages.h"
#include "widgets/SpinButton.h"

namespace {

QStringList texts(std::initializer_list<const char*> utf8) {
  QStringList list;
  for (const char* s : utf8) list << QString::fromUtf8(s);
  return list;
}

constexpr int kTimeOnly = 1;   // U01: the step ends by time alone
constexpr int kValueOnly = 0;  // U01: by temperature or humidity alone
constexpr int kHumidityInput = 5;

// The text of a setpoint edit as the framework's atof takes it: its first 15
// characters, the longest number at their start, 0 when there is none.
double leadingNumber(const QString& text) {
  QByteArray bytes = text.left(15).trimmed().toLatin1();
  bytes.replace(',', '.');
  double value = 0;
  const char* begin = bytes.constData();
  if (*begin == '+') ++begin;
  const auto [end, error] = std::from_chars(begin, bytes.constData() + bytes.size(), value);
  return error == std::errc() && std::isfinite(value) ? value : 0;
}

QString setpointText(const Parameter& integer, const Parameter& fraction) {
  const double v = pairValue(integer, fraction);
  switch (fractionScale(fraction)) {
    case 10:
      return QString::asprintf("%.1f", v);
    case 100:
      return QString::asprintf("%.2f", v);
    default:
      return QString::asprintf("%f", v);
  }
}

}  // namespace

StepForm::StepForm(Document& doc, QWidget* parent) : GroupForm(parent), m_doc(doc) {
  QWidget* p = page();
  auto* main = new QVBoxLayout(p);

  // The keys, one to a row: the lists name the pulse and pause in full.
  QGroupBox* keys = formui::frame(p, QStringLiteral("Режимы работы транзисторных ключей"));
  auto* keysGrid = new QGridLayout(keys);
  for (int n = 1; n <= 8; ++n) {
    const QString text = QStringLiteral("Ключ №%1").arg(n);
    m_keys[n - 1] = formui::list(keys, QStringLiteral("key%1Mode").arg(n).toLatin1().constData(), text);
    QLabel* label = formui::label(keys, text);
    label->setBuddy(m_keys[n - 1]);
    keysGrid->addWidget(label, n - 1, 0);
    keysGrid->addWidget(m_keys[n - 1], n - 1, 1);
  }
  keysGrid->setColumnStretch(1, 1);
  main->addWidget(keys);

  // The transition: its condition, by value and by time.
  const QString transitionTitle = QStringLiteral("Условие перехода к следующему шагу");
  m_transitionFrame = formui::frame(p, transitionTitle);
  auto* transitionLayout = new QVBoxLayout(m_transitionFrame);
  m_transition = formui::list(
      m_transitionFrame, "transitionCondition", transitionTitle,
      texts({"достижение температуры/влажности", "достижение времени",
             "достижение температуры/влажности и времени", "достижение температуры/влажности или времени"}));
  transitionLayout->addWidget(m_transition);

  const QString conditionTitle = QStringLiteral("Условие перехода по температуре/влажности");
  m_conditionFrame = formui::frame(m_transitionFrame, conditionTitle, "valueConditionFrame");
  auto* conditionGrid = new QGridLayout(m_conditionFrame);
  m_condition = formui::list(
      m_conditionFrame, "valueCondition", conditionTitle,
      texts({"температура продукта больше уставки", "температура продукта меньше уставки",
             "температура сухого термометра больше уставки", "температура сухого термометра меньше уставки",
             "температура влажного термометра больше уставки",
             "температура влажного термометра меньше уставки", "разность температур больше уставки",
             "разность температур меньше уставки", "влажность больше уставки", "влажность меньше уставки"}));
  conditionGrid->addWidget(m_condition, 0, 0, 1, 2);
  const QString conditionSetpointText = QStringLiteral("Уставка перехода");
  m_conditionLabel = formui::label(m_conditionFrame, conditionSetpointText, "transitionSetpointLabel");
  m_conditionSetpoint = formui::edit(m_conditionFrame, "transitionSetpoint", conditionSetpointText);
  m_conditionSpin = formui::spin(m_conditionFrame, m_conditionSetpoint);
  m_conditionUnit = formui::label(m_conditionFrame, QStringLiteral("(°С)"), "transitionSetpointUnit");
  m_conditionLabel->setBuddy(m_conditionSetpoint);
  conditionGrid->addWidget(m_conditionLabel, 1, 0);
  conditionGrid->addWidget(formui::spinEdit(m_conditionSetpoint, m_conditionSpin, m_conditionUnit), 1, 1);
  conditionGrid->setColumnStretch(1, 1);
  transitionLayout->addWidget(m_conditionFrame);

  const QString durationTitle = QStringLiteral("Длительность шага");
  m_durationFrame = formui::frame(m_transitionFrame, durationTitle, "durationFrame");
  auto* durationRow = new QHBoxLayout(m_durationFrame);
  m_duration = new MaskedLineEdit(m_durationFrame, QStringLiteral("##:##"));
  m_duration->setObjectName(QStringLiteral("stepDuration"));
  m_duration->setFillChar(u'0');
  formui::name(m_duration, durationTitle + QStringLiteral(" (чч:мм)"));
  m_duration->setFixedWidth(m_duration->fontMetrics().horizontalAdvance(QStringLiteral("00:00")) + 16);
  m_durationFormat = formui::label(m_durationFrame, QStringLiteral("(чч:мм)"), "durationFormat");
  durationRow->addWidget(m_duration);
  durationRow->addWidget(m_durationFormat);
  durationRow->addStretch(1);
  transitionLayout->addWidget(m_durationFrame);
  main->addWidget(m_transitionFrame);

  // The regulators.
  const struct {
    int firstCell;
    const char* title;
  } blocks[2] = {{Step::E01, "Параметры 1-го регулятора"}, {Step::E_01, "Параметры 2-го регулятора"}};
  for (int k = 0; k < 2; ++k) {
    const auto& b = blocks[k];
    Regulator& r = m_regulators[k];
    const QString title = QString::fromUtf8(b.title);
    // Named after the regulator: "regulator1Input", "regulator2Rate" ...
    const auto name = [k](const char* what) {
      return QStringLiteral("regulator%1%2").arg(k + 1).arg(what).toLatin1();
    };
    r.firstCell = b.firstCell;
    r.frame = formui::frame(p, title, name("").constData());
    auto* grid = new QGridLayout(r.frame);
    const QString inputText = QStringLiteral("Входная величина");
    r.inputLabel = formui::label(r.frame, inputText, name("InputLabel").constData());
    r.input = formui::list(
        r.frame, name("Input").constData(), title + QStringLiteral(": ") + inputText,
        texts({"температура продукта", "температура сухого термометра", "температура влажного термометра",
               "разница температур сухого и влажного термометров", "относительная влажность"}));
    r.inputLabel->setBuddy(r.input);
    grid->addWidget(r.inputLabel, 0, 0);
    grid->addWidget(r.input, 0, 1);
    const QString setpointText = QStringLiteral("Уставка входной величины");
    r.setpointLabel = formui::label(r.frame, setpointText, name("SetpointLabel").constData());
    r.setpoint =
        formui::edit(r.frame, name("Setpoint").constData(), title + QStringLiteral(": ") + setpointText, 7);
    r.setpointSpin = formui::spin(r.frame, r.setpoint);
    r.setpointSpin->setWritesBuddy(false);
    r.setpointUnit = formui::label(r.frame, QStringLiteral("(°С)"), name("SetpointUnit").constData());
    r.setpointLabel->setBuddy(r.setpoint);
    grid->addWidget(r.setpointLabel, 1, 0);
    grid->addWidget(formui::spinEdit(r.setpoint, r.setpointSpin, r.setpointUnit), 1, 1);
    const QString rateText = QStringLiteral("Скорость выхода на уставку");
    r.rateLabel = formui::label(r.frame, rateText, name("RateLabel").constData());
    r.rate = formui::edit(r.frame, name("Rate").constData(), title + QStringLiteral(": ") + rateText, 7);
    r.rateSpin = formui::spin(r.frame, r.rate);
    r.rateSpin->setWritesBuddy(false);
    r.rateUnit = formui::label(r.frame, QStringLiteral("(°С/мин.)"), name("RateUnit").constData());
    r.rateLabel->setBuddy(r.rate);
    grid->addWidget(r.rateLabel, 2, 0);
    grid->addWidget(formui::spinEdit(r.rate, r.rateSpin, r.rateUnit), 2, 1);
    grid->setColumnStretch(1, 1);
    main->addWidget(r.frame);
  }
  main->addStretch(1);

  // Handlers.
  for (QComboBox* key : m_keys) onSelect(key);
  onSelect(m_transition, [this] {
    commitForm();
    showTransition();
  });
  onSelect(m_condition, [this] { conditionChanged(); });
  onLeave(m_conditionSetpoint);
  onSpin(m_conditionSpin);
  connect(m_duration, &MaskedLineEdit::checkLeave, this,
          [this](LeaveCheck* info) { validateDuration(*info); });
  onKeys(m_duration, [this] {
    LeaveCheck info;
    validateDuration(info);
  });
  for (Regulator& r : m_regulators) {
    onSelect(r.input, [this, &r] { inputChanged(r); });
    onLeave(r.setpoint);
    onLeave(r.rate);
    onSpin(r.setpointSpin, [this, &r](int delta) { stepSetpoint(r, delta); });
    onSpin(r.rateSpin, [this, &r](int delta) { stepRate(r, delta); });
  }

  QList<QWidget*> order(std::begin(m_keys), std::end(m_keys));
  order << m_transition << m_condition << m_conditionSetpoint << m_duration;
  for (Regulator& r : m_regulators) order << r.input << r.setpoint << r.rate;
  formui::tabOrder(order);
}

void StepForm::bindGroup(GroupRef group) {
  m_step = group.get<Step>();
  // Limits only: whatever set the inputs, the setpoints are checked and
  // marked against the limits the inputs call for.
  if (m_step) m_step->selectInputRanges();
  GroupForm::bindGroup(group);
  showTransition();
  showInputs();
  showCondition();
  enableRegulators();
}

void StepForm::initialUpdate() {
  refreshForm();
  m_conditionSpin->setRange(-99, 999);
  for (Regulator& r : m_regulators) {
    r.setpointSpin->setRange(-999, 999);
    r.rateSpin->setRange(-999, 999);
  }
}

void StepForm::refreshForm() {
  updateKeyLists();
  FormCore::refreshForm();
}

bool StepForm::updateKeyLists() {
  const DeviceData* data = m_doc.deviceData();
  QStringList entries{QStringLiteral("не замкнут (транзистор закрыт)"),
                      QStringLiteral("замкнут (транзистор открыт)")};
  for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
    const int pulse = data ? data->general.keys.pulse(j).value() : 0;
    const int pause = data ? data->general.keys.pause(j).value() : 0;
    entries << QString::asprintf("режим №%2d   импульс: %dс   пауза: %dс", j, pulse, pause);
  }
  bool changed = false;
  for (QComboBox* list : m_keys) {
    if (list->count() != entries.size()) {
      const int current = list->currentIndex();
      list->clear();
      list->addItems(entries);
      list->setCurrentIndex(current);
      formui::fitPopup(list);
      changed = true;
      continue;
    }
    for (int i = 0; i < entries.size(); ++i)
      if (list->itemText(i) != entries[i]) {
        list->setItemText(i, entries[i]);
        changed = true;
      }
  }
  if (changed)
    for (QComboBox* list : m_keys) formui::fitPopup(list);
  return changed;
}

void StepForm::showTransition() {
  const int u01 = m_step ? (*m_step)[Step::U01].value() : kValueOnly;
  const bool byValue = u01 != kTimeOnly;
  const bool byTime = u01 != kValueOnly;
  for (QWidget* w : std::initializer_list<QWidget*>{m_conditionFrame, m_conditionSpin, m_conditionSetpoint,
                                                    m_condition, m_conditionLabel, m_conditionUnit})
    w->setEnabled(byValue);
  for (QWidget* w : std::initializer_list<QWidget*>{m_durationFrame, m_duration, m_durationFormat})
    w->setEnabled(byTime);
}

void StepForm::showCondition() {
  if (!m_step) return;
  const Parameter& u03 = (*m_step)[Step::U03];
  const int u02 = (*m_step)[Step::U02].value();
  const bool humidity = u02 == 9 || u02 == 10;
  m_conditionUnit->setText(humidity ? QStringLiteral("(%)") : QStringLiteral("(°С)"));
  m_conditionSpin->setRange(u03.minValue(), u03.maxValue());
}

void StepForm::showInputs() {
  if (!m_step) return;
  for (Regulator& r : m_regulators) {
    const bool humidity = (*m_step)[r.firstCell].value() == kHumidityInput;
    r.setpointUnit->setText(humidity ? QStringLiteral("(%)") : QStringLiteral("(°С)"));
    r.rateUnit->setText(humidity ? QStringLiteral("(% /мин.)") : QStringLiteral("(°С/мин.)"));
  }
}

void StepForm::conditionChanged() {
  // The list's value is stored first in the exchange, even when a later
  // field refuses its text.
  commitForm();
  if (!m_step) return;
  m_step->followInput(Step::U02);
  showCondition();
  refreshForm();
}

void StepForm::inputChanged(const Regulator& r) {
  commitForm();
  if (!m_step) return;
  m_step->followInput(r.firstCell);
  showInputs();
  refreshForm();
}

void StepForm::stepSetpoint(const Regulator& r, int delta) {
  // What the edit shows is what steps: text typed but not yet left counts.
  if (!m_step || !commitForm()) return;
  stepPair((*m_step)[r.firstCell + 1], (*m_step)[r.firstCell + 2], delta);
  refreshForm();
}

void StepForm::stepRate(const Regulator& r, int delta) {
  if (!m_step || !commitForm()) return;
  stepSignedTenths((*m_step)[r.firstCell + 3], (*m_step)[r.firstCell + 4], delta);
  refreshForm();
}

void StepForm::enableRegulators() {
  const DeviceData* data = m_doc.deviceData();
  for (int k = 0; k < 2; ++k) {
    const bool on = data && data->general.pid[k].isEnabled();
    const Regulator& r = m_regulators[k];
    for (QWidget* w : std::initializer_list<QWidget*>{r.frame, r.inputLabel, r.input, r.setpointLabel,
                                                      r.setpointUnit, r.setpoint, r.setpointSpin, r.rateLabel,
                                                      r.rateUnit, r.rate, r.rateSpin})
      w->setEnabled(on);
  }
}

std::pair<int, int> StepForm::typedDuration() const {
  const QString digits = m_duration->enteredText();
  const auto digit = [&](int i) {
    return i < digits.size() && digits[i].isDigit() ? digits[i].digitValue() : 0;
  };
  return {10 * digit(0) + digit(1), 10 * digit(2) + digit(3)};
}

int StepForm::durationFault() const {
  const auto [hours, minutes] = typedDuration();
  return hours >= 64 ? 0 : minutes > 59 ? 2 : -1;
}

void StepForm::showDurationMessage() {
  messages::showNotice(window(), QStringLiteral("Время не должно превышать 63 часов 59 минут"));
}

void StepForm::validateDuration(LeaveCheck& info) {
  if (const int fault = durationFault(); fault >= 0) {
    showDurationMessage();
    info.valid = false;
    info.caretPosition = m_duration->inputToPosition(fault);
    return;
  }
  info.valid = true;
  info.runOwnCheck = true;
  commitForm();
}

void StepForm::exchangeSetpoint(DataExchange& dx, const Regulator& r) {
  Parameter& integer = (*m_step)[r.firstCell + 1];
  Parameter& fraction = (*m_step)[r.firstCell + 2];
  if (dx.saving()) {
    if (!DataExchange::edited(r.setpoint)) return;
    const int scale = fractionScale(fraction);
    setPairFixed(integer, fraction,
                 formui::truncateScaled(leadingNumber(r.setpoint->text()), scale ? scale : 1));
  }
  // Shown as stored: 12.36 becomes 12.3 at once.
  DataExchange::show(r.setpoint, setpointText(integer, fraction));
  DataExchange::markOutside(r.setpoint, outsideTip(integer, fraction));
}

void StepForm::exchange(DataExchange& dx) {
  if (!m_step) return;
  Step& s = *m_step;
  // A duration beyond 63:59 stops the exchange before anything is stored.
  const bool durationEdited = DataExchange::edited(m_duration);
  if (dx.saving() && durationEdited) {
    if (const int fault = durationFault(); fault >= 0) {
      showDurationMessage();
      m_duration->setFocus(Qt::OtherFocusReason);
      m_duration->setCursorPosition(m_duration->inputToPosition(fault));
      dx.stop();
      return;
    }
  }
  dx.cell(m_regulators[0].input, s[Step::E01], 1);
  dx.cell(m_regulators[1].input, s[Step::E_01], 1);
  dx.cell(m_transition, s[Step::U01]);
  dx.cell(m_condition, s[Step::U02], 1);
  dx.cell(m_conditionSetpoint, s[Step::U03]);
  double rates[2];
  for (int k = 0; k < 2; ++k) {
    const Regulator& r = m_regulators[k];
    rates[k] = signedRate(s[r.firstCell + 3], s[r.firstCell + 4]);
    dx.number(r.rate, rates[k]);
  }
  for (int n = 0; n < 8; ++n) dx.cell(m_keys[n], s[Step::N01 + n]);
  if (!dx.ok()) return;
  for (const Regulator& r : m_regulators) exchangeSetpoint(dx, r);
  if (dx.saving())
    for (int k = 0; k < 2; ++k) {
      // Shown as stored, like the setpoints: 1000 becomes 99.9 at once.
      const Regulator& r = m_regulators[k];
      if (!DataExchange::edited(r.rate)) continue;
      storeSignedTenths(s[r.firstCell + 3], s[r.firstCell + 4], rates[k]);
      DataExchange::show(r.rate, formatNumber(signedRate(s[r.firstCell + 3], s[r.firstCell + 4])));
    }
  if (dx.saving()) {
    if (!durationEdited) return;
    const auto [hours, minutes] = typedDuration();
    s[Step::U04].setEnteredValue(hours);
    s[Step::U05].setEnteredValue(minutes);
    DataExchange::taken(m_duration);
  } else {
    DataExchange::show(m_duration, QString::asprintf("%02d%02d", s[Step::U04].value(), s[Step::U05].value()));
  }
}
