#include "forms/ComparatorPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "forms/DataExchange.h"
#include "forms/FormWidgets.h"
#include "model/Comparator.h"
#include "widgets/SpinButton.h"

namespace {

// The model's words of a choice cell for the values first..last.
QStringList choices(Comparator::Cell cell, int first, int last) {
  QStringList list;
  for (int v = first; v <= last; ++v) list << QString::fromUtf8(Comparator::choiceText(cell, v));
  return list;
}

constexpr int kHumidity = 5;  // C01: relative humidity, setpoints in percent

}  // namespace

ComparatorPage::ComparatorPage(QWidget* parent) : FormPage(parent) {
  setObjectName(QStringLiteral("comparatorPage"));
  auto* column = new QVBoxLayout(this);
  m_enabled = formui::check("comparatorEnabled", QStringLiteral("Включен"), column);
  m_enabled->setChecked(true);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(1, 1);
  int row = 0;
  const auto addRow = [&](const QString& text, QWidget* control, QWidget* field) {
    QLabel* label =
        formui::label(this, text, (control->objectName() + QStringLiteral("Label")).toLatin1().constData());
    label->setBuddy(control);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
    ++row;
    m_values << label;
  };
  const QString inputText = QStringLiteral("Входная величина компаратора");
  m_input = formui::list(this, "comparatorInput", inputText, choices(Comparator::C01, 1, 7));
  addRow(inputText, m_input, m_input);
  const QString outputText = QStringLiteral("Выход компаратора");
  m_output = formui::list(this, "comparatorOutput", outputText, choices(Comparator::C02, 1, 6));
  addRow(outputText, m_output, m_output);

  const auto spinRow = [&](const QString& text, const char* name, const char* unitName, QLineEdit*& edit,
                           SpinButton*& spin, QLabel** unit) {
    edit = formui::edit(this, name, text);
    spin = formui::spin(this, edit);
    QLabel* unitLabel = nullptr;
    if (unit) {
      unitLabel = *unit = formui::label(this, QStringLiteral("(°С)"), unitName);
      unitLabel->setWordWrap(false);
      m_values << unitLabel;
    }
    addRow(text, edit, formui::spinEdit(edit, spin, unitLabel));
    m_values << edit << spin;
  };
  spinRow(QStringLiteral("1-ая (верхняя) уставка"), "upperSetpoint", "upperSetpointUnit", m_upper,
          m_upperSpin, &m_upperUnit);
  spinRow(QStringLiteral("2-ая (нижняя) уставка"), "lowerSetpoint", "lowerSetpointUnit", m_lower, m_lowerSpin,
          &m_lowerUnit);
  spinRow(QStringLiteral("Время задержки срабатывания (с)"), "onDelay", nullptr, m_onDelay, m_onDelaySpin,
          nullptr);
  spinRow(QStringLiteral("Время задержки отпускания (с)"), "offDelay", nullptr, m_offDelay, m_offDelaySpin,
          nullptr);
  column->addLayout(grid);

  QGroupBox* logic = formui::frame(this, QStringLiteral("Логика работы компаратора"));
  auto* logicLayout = new QVBoxLayout(logic);
  m_logic = new QButtonGroup(this);
  m_logic->setObjectName(QStringLiteral("comparatorLogic"));
  const QStringList logicTexts = choices(Comparator::C05, 0, 3);
  for (int i = 0; i < 4; ++i) m_values << formui::radio(m_logic, i, logicTexts[i], logicLayout);
  column->addWidget(logic);

  const char* const blockTexts[] = {"Блокировка срабатывания до 1-ого достижения уставки в начале программы",
                                    "Блокировка срабатывания до 1-ого достижения уставки в начале шага",
                                    "Блокировка срабатывания до снятия внешнего воздействия"};
  const char* const blockNames[] = {"blockAtProgramStart", "blockAtStepStart", "blockUntilReleased"};
  for (int i = 0; i < 3; ++i)
    m_values << (m_blocks[i] = formui::check(blockNames[i], QString::fromUtf8(blockTexts[i]), column));
  column->addStretch(1);
  m_values << m_input << m_output;

  m_upperSpin->setRange(-99, 999);
  m_lowerSpin->setRange(-99, 999);
  m_onDelaySpin->setRange(0, 999);
  m_offDelaySpin->setRange(0, 999);

  onSelect(m_input, [this] {
    commitForm();
    applyInput();
  });
  onClick(m_enabled, [this] {
    commitForm();
    if (m_comparator && (*m_comparator)[Comparator::C02].value() != 0) refreshForm();
  });
  onSelect(m_output);
  for (QLineEdit* e : {m_upper, m_lower, m_onDelay, m_offDelay}) onLeave(e);
  onClick(m_logic);
  for (QCheckBox* b : m_blocks) onClick(b);
  for (SpinButton* s : {m_upperSpin, m_lowerSpin, m_onDelaySpin, m_offDelaySpin}) onSpin(s);

  // Top to bottom, as the page reads.
  QList<QWidget*> order{m_enabled, m_input, m_output, m_upper, m_lower, m_onDelay, m_offDelay};
  for (QAbstractButton* b : m_logic->buttons()) order << b;
  order << m_blocks[0] << m_blocks[1] << m_blocks[2];
  formui::tabOrder(order);
}

void ComparatorPage::bindComparator(Comparator* comparator) {
  m_comparator = comparator;
  // Limits only: showing stores nothing, a setpoint beyond them is marked.
  if (m_comparator) m_comparator->selectInputRanges();
  refreshForm();
  applyInput();
}

void ComparatorPage::applyInput() {
  if (!m_comparator) return;
  const Parameter& upper = (*m_comparator)[Comparator::C03];
  const Parameter& lower = (*m_comparator)[Comparator::C04];
  m_upperSpin->setRange(upper.minValue(), upper.maxValue());
  m_lowerSpin->setRange(lower.minValue(), lower.maxValue());
  const QString unit =
      (*m_comparator)[Comparator::C01].value() == kHumidity ? QStringLiteral("(%)") : QStringLiteral("(°С)");
  m_upperUnit->setText(unit);
  m_lowerUnit->setText(unit);
  refreshForm();
}

void ComparatorPage::enableValues(bool on) {
  for (QWidget* w : m_values) w->setEnabled(on);
}

void ComparatorPage::exchange(DataExchange& dx) {
  if (!m_comparator) return;
  Comparator& c = *m_comparator;
  const int32_t input = c[Comparator::C01].value();
  dx.cell(m_input, c[Comparator::C01], 1);
  if (dx.saving() && dx.ok() && c[Comparator::C01].value() != input) {
    // A new input clamps the setpoints into its range; the edits still show
    // them as they were, which is no entry of the user's to refuse.
    c.applyInputRanges();
    DataExchange::show(m_upper, QString::number(c[Comparator::C03].value()));
    DataExchange::show(m_lower, QString::number(c[Comparator::C04].value()));
  }

  // Both setpoints are checked before either is stored; a value beyond the
  // limits that nobody edited is shown marked.
  Parameter* setpoints[2] = {&c[Comparator::C03], &c[Comparator::C04]};
  QLineEdit* edits[2] = {m_upper, m_lower};
  int32_t values[2];
  for (int i = 0; i < 2; ++i) {
    values[i] = setpoints[i]->value();
    dx.integer(edits[i], values[i]);
    dx.range(edits[i], int64_t{values[i]}, setpoints[i]->minValue(), setpoints[i]->maxValue());
  }
  for (int i = 0; i < 2; ++i) {
    dx.store(edits[i], *setpoints[i], values[i]);
    if (dx.ok()) DataExchange::markOutside(edits[i], outsideTip(*setpoints[i]));
  }

  int32_t onDelay = c[Comparator::C09].value(), offDelay = c[Comparator::C10].value();
  dx.integer(m_onDelay, onDelay);
  dx.range(m_onDelay, int64_t{onDelay}, 0, 999);
  dx.integer(m_offDelay, offDelay);
  dx.range(m_offDelay, int64_t{offDelay}, 0, 999);

  int logic = c[Comparator::C05].value();
  int blocks[3];
  for (int i = 0; i < 3; ++i) blocks[i] = c[Comparator::C06 + i].value() == 1 ? 1 : 0;
  dx.position(m_logic, logic);
  for (int i = 0; i < 3; ++i) dx.checked(m_blocks[i], blocks[i]);
  if (!dx.ok()) return;
  if (dx.saving()) {
    c[Comparator::C05].setEnteredValue(logic);
    for (int i = 0; i < 3; ++i) c[Comparator::C06 + i].setEnteredValue(blocks[i]);
    dx.store(m_onDelay, c[Comparator::C09], onDelay);
    dx.store(m_offDelay, c[Comparator::C10], offDelay);
  }

  Parameter& output = c[Comparator::C02];
  int on = output.value() != 0 ? 1 : 0;
  dx.checked(m_enabled, on);
  if (dx.saving()) output.setEnteredValue(on);
  enableValues(m_enabled->isChecked());
  if (!m_enabled->isChecked()) output.setEnteredValue(0);

  if (output.value() == 0 && !m_output->isEnabled()) return;
  int relay = output.value() - 1;
  dx.position(m_output, relay);
  if (dx.saving()) output.setEnteredValue((relay < 0 ? 0 : relay) + 1);
}
