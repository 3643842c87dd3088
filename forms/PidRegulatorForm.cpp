#include "forms/PidRegulatorForm.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "forms/DataExchange.h"
#include "forms/FormWidgets.h"
#include "widgets/SpinButton.h"

namespace {

// The cells of the edits, in the order of the exchange.
constexpr PidRegulator::Cell kCells[] = {PidRegulator::P01, PidRegulator::P02, PidRegulator::P03,
                                         PidRegulator::P04, PidRegulator::P05, PidRegulator::P06,
                                         PidRegulator::P08};

// Radio position 0 is P07 = 0; positions 1..6 are P07 = 2..7.
int actuatorOfPosition(int position) { return position <= 0 ? position : position + 1; }
int positionOfActuator(int p07) { return p07 <= 0 ? p07 : p07 - 1; }

}  // namespace

PidRegulatorForm::PidRegulatorForm(QWidget* parent) : GroupForm(parent) {
  static const char* const labels[] = {
      "Постоянная времени дифференцирования (с)",     "Постоянная времени интегрирования (с)",
      "Полоса пропорциональности (°С или %)",         "Период следования выходных импульсов (с)",
      "Зона действия интегральной составляющей (°С)", "Ограничение максимальной мощности (%)",
      "Зона нечувствительности (°С или %)",
  };
  static const char* const names[] = {"pidDerivativeTime", "pidIntegralTime", "pidProportionalBand",
                                      "pidPulsePeriod",    "pidIntegralZone", "pidPowerLimit",
                                      "pidDeadZone"};
  auto* column = new QVBoxLayout(page());
  m_enabled = formui::check("pidEnabled", QStringLiteral("Включен"), column);
  onClick(m_enabled, [this] { applyEnabled(); });

  QGroupBox* types = formui::frame(page(), QStringLiteral("Тип исполнительного устройства"));
  auto* typesLayout = new QVBoxLayout(types);
  m_actuator = new QButtonGroup(this);
  m_actuator->setObjectName(QStringLiteral("pidActuator"));
  QList<QWidget*> order{m_enabled};
  for (int i = 0; i < 7; ++i)
    order << formui::radio(m_actuator, i,
                           QString::fromUtf8(PidRegulator::actuatorText(actuatorOfPosition(i))), typesLayout);
  onClick(m_actuator);
  column->addWidget(types);

  auto* grid = new QGridLayout;
  grid->setColumnStretch(0, 1);
  for (int i = 0; i < kValues; ++i) {
    const QString text = QString::fromUtf8(labels[i]);
    m_labels[i] = formui::label(page(), text);
    m_edits[i] = formui::edit(page(), names[i], text);
    m_spins[i] = formui::spin(page(), m_edits[i]);
    m_labels[i]->setBuddy(m_edits[i]);
    grid->addWidget(m_labels[i], i, 0);
    grid->addWidget(formui::spinEdit(m_edits[i], m_spins[i]), i, 1);
    onLeave(m_edits[i]);
    onSpin(m_spins[i]);
  }
  column->addLayout(grid);
  column->addStretch(1);
  // The values first, as the exchange takes them, then the actuator.
  QList<QWidget*> tab{m_enabled};
  for (QLineEdit* e : m_edits) tab << e;
  tab << order.mid(1);
  formui::tabOrder(tab);
}

void PidRegulatorForm::bindGroup(GroupRef group) {
  m_group = group.get<PidRegulator>();
  GroupForm::bindGroup(group);
  m_enabled->setChecked(m_group && m_group->isEnabled());
  applyEnabled();
}

void PidRegulatorForm::initialUpdate() {
  refreshForm();
  const int ranges[kValues] = {999, 999, 999, 120, 999, 99, 99};
  for (int i = 0; i < kValues; ++i) m_spins[i]->setRange(0, ranges[i]);
}

void PidRegulatorForm::applyEnabled() {
  const bool on = m_enabled->isChecked();
  if (m_group) {
    Parameter& p07 = (*m_group)[PidRegulator::P07];
    if (on && p07.value() == 1)
      p07.setEnteredValue(PidRegulator(m_group->index)[PidRegulator::P07].value());
    else if (!on)
      p07.setEnteredValue(1);
  }
  for (QAbstractButton* b : m_actuator->buttons()) b->setEnabled(on);
  for (int i = 0; i < kValues; ++i) {
    m_edits[i]->setEnabled(on);
    m_spins[i]->setEnabled(on);
    m_labels[i]->setEnabled(on);
  }
  refreshForm();
}

void PidRegulatorForm::exchange(DataExchange& dx) {
  if (!m_group) return;
  for (int i = 0; i < kValues; ++i) dx.cell(m_edits[i], (*m_group)[kCells[i]]);
  Parameter& p07 = (*m_group)[PidRegulator::P07];
  const bool on = p07.value() != 1;
  int position = on ? positionOfActuator(p07.value()) : -1;
  dx.position(m_actuator, position);
  if (dx.saving() && dx.ok()) p07.setEnteredValue(on ? actuatorOfPosition(position) : 1);
}
