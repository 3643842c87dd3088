#include "forms/BaseParametersForm.h"

#include <algorithm>
#include <limits>

#include <QAbstractButton>
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
#include "model/GeneralParameters.h"
#include "widgets/SpinButton.h"

namespace {

// The choice words of a base cell as the model keeps them.
QStringList choices(BaseParameters::Cell cell) {
  QStringList list;
  for (const std::string& s : GeneralParameters::choiceTexts(cell)) list << QString::fromUtf8(s);
  return list;
}

QVBoxLayout* column(QWidget* w) {
  auto* l = new QVBoxLayout(w);
  return l;
}

}  // namespace

BaseParametersForm::BaseParametersForm(QWidget* parent) : GroupForm(parent) {
  auto* main = new QVBoxLayout(page());
  QWidget* p = page();

  // O01, O02
  auto* sensors = new QGridLayout;
  const QString sensorsText = QStringLiteral("тип температурных датчиков");
  m_sensors = formui::list(p, "sensorType", sensorsText, choices(BaseParameters::O01));
  QLabel* sensorsLabel = formui::label(p, sensorsText);
  sensorsLabel->setBuddy(m_sensors);
  sensors->addWidget(m_sensors, 0, 0);
  sensors->addWidget(sensorsLabel, 0, 1);
  sensors->setColumnStretch(0, 1);
  main->addLayout(sensors);

  QGroupBox* indication = formui::frame(p, QStringLiteral("Индикация"));
  m_tenths = formui::check("showTenths", QStringLiteral("индикация десятых долей измеренной величины"),
                           column(indication));
  main->addWidget(indication);

  // O03, O04, O05: each a frame of radio buttons, one per choice word shown
  const auto radioFrame = [&](const QString& title, const char* name, BaseParameters::Cell cell, int count) {
    QGroupBox* frame = formui::frame(p, title);
    QVBoxLayout* layout = column(frame);
    auto* group = new QButtonGroup(this);
    group->setObjectName(QLatin1String(name));
    const QStringList texts = choices(cell);
    for (int i = 0; i < std::min<int>(count, texts.size()); ++i) formui::radio(group, i, texts[i], layout);
    main->addWidget(frame);
    return group;
  };
  m_humidity = radioFrame(QStringLiteral("Индикатор \"влажность\""), "humidityIndicator", BaseParameters::O03, 2);
  m_parameter = radioFrame(QStringLiteral("Индикатор \"параметр\""), "parameterIndicator", BaseParameters::O04,
                           std::numeric_limits<int>::max());
  m_calibration = radioFrame(QStringLiteral("Коэффициенты калибровок"), "calibration", BaseParameters::O05, 2);

  // O06
  const QString psychroText = QStringLiteral("Психрометрический коэффициент, для вычисления влажности ");
  QGroupBox* psychro = formui::frame(p, psychroText);
  m_psychro = formui::edit(psychro, "psychrometricCoefficient", psychroText);
  m_psychroSpin = formui::spin(psychro, m_psychro);
  column(psychro)->addWidget(formui::spinEdit(m_psychro, m_psychroSpin));
  main->addWidget(psychro);

  // O07 with O08 beside its last two choices.
  const QString powerTitle = QStringLiteral("При пропадании напряжения в сети");
  QGroupBox* power = formui::frame(p, powerTitle);
  QVBoxLayout* powerLayout = column(power);
  m_powerFailure = new QButtonGroup(this);
  m_powerFailure->setObjectName(QStringLiteral("powerFailure"));
  const QStringList powerTexts = choices(BaseParameters::O07);
  for (int i = 0; i < 3; ++i) formui::radio(m_powerFailure, i, powerTexts[i], powerLayout);
  // The last two choices wrap their words around the O08 edit that stands
  // beside them, so they leave out the "O08," the model's sentence names.
  const QString dropText = QStringLiteral(
      "Продолжение, если одна из\nтемператур понизилась больше чем на\nиначе - аварийный останов");
  QLineEdit** drops[2] = {&m_drop4, &m_drop5};
  SpinButton** dropSpins[2] = {&m_drop4Spin, &m_drop5Spin};
  const char* const dropNames[2] = {"powerFailureDrop4", "powerFailureDrop5"};
  for (int k = 0; k < 2; ++k) {
    *drops[k] = formui::edit(power, dropNames[k], formui::plain(dropText) + QStringLiteral(" (%)"));
    *dropSpins[k] = formui::spin(power, *drops[k]);
    // The edit completes "больше чем на", on that line of the text.
    formui::radio(m_powerFailure, 3 + k, dropText, powerLayout,
                  formui::spinEdit(*drops[k], *dropSpins[k], formui::label(power, QStringLiteral("%"))), 1);
  }
  main->addWidget(power);

  // O09, O10, O11, Scr
  QGroupBox* rs232 = formui::frame(p, QStringLiteral("RS-232"));
  auto* rsLayout = new QGridLayout(rs232);
  const QString baudText = QStringLiteral("Скорость обмена");
  m_baud = formui::list(rs232, "baudRate", baudText, choices(BaseParameters::O09));
  QLabel* baudLabel = formui::label(rs232, baudText);
  baudLabel->setBuddy(m_baud);
  rsLayout->addWidget(baudLabel, 0, 0);
  rsLayout->addWidget(m_baud, 0, 1);
  rsLayout->setColumnStretch(1, 1);
  main->addWidget(rs232);

  const QString partitionTitle = QStringLiteral("Разбиение памяти на программы и шаги");
  QGroupBox* partition = formui::frame(p, partitionTitle);
  QStringList partitions;
  for (int i = 0; i < GeneralParameters::kPartitionCount; ++i)
    partitions << QString::fromUtf8(GeneralParameters::partitionText(i));
  m_partition = formui::list(partition, "memoryPartition", partitionTitle, partitions);
  column(partition)->addWidget(m_partition);
  main->addWidget(partition);

  const QString switchingTitle = QStringLiteral("Переключение каналов индикации");
  QGroupBox* switching = formui::frame(p, switchingTitle);
  m_switching = formui::list(switching, "indicationSwitching", switchingTitle, choices(BaseParameters::O11));
  column(switching)->addWidget(m_switching);
  main->addWidget(switching);

  auto* secrecy = new QGridLayout;
  const QString secrecyText = QStringLiteral("параметр секретности");
  m_secrecy = formui::list(p, "secrecy", secrecyText, choices(BaseParameters::Scr));
  QLabel* secrecyLabel = formui::label(p, secrecyText);
  secrecyLabel->setBuddy(m_secrecy);
  secrecy->addWidget(m_secrecy, 0, 0);
  secrecy->addWidget(secrecyLabel, 0, 1);
  secrecy->setColumnStretch(0, 1);
  main->addLayout(secrecy);
  main->addStretch(1);

  // Commit triggers; a click also follows O07 with the O08 edits.
  for (QComboBox* list : {m_sensors, m_baud, m_partition, m_switching, m_secrecy}) onSelect(list);
  onLeave(m_sensors);
  const auto clicked = [this] {
    commitForm();
    applyEnabling();
  };
  onClick(m_tenths, clicked);
  for (QButtonGroup* group : {m_humidity, m_parameter, m_calibration, m_powerFailure})
    onClick(group, clicked);
  for (QLineEdit* edit : {m_psychro, m_drop4, m_drop5}) onLeave(edit);
  for (SpinButton* spin : {m_psychroSpin, m_drop4Spin, m_drop5Spin}) onSpin(spin);

  QList<QWidget*> order{m_sensors, m_tenths};
  for (QButtonGroup* group : {m_humidity, m_parameter, m_calibration})
    for (QAbstractButton* b : group->buttons()) order << b;
  order << m_psychro;
  for (QAbstractButton* b : m_powerFailure->buttons()) {
    order << b;
    if (b == m_powerFailure->button(3)) order << m_drop4;
    if (b == m_powerFailure->button(4)) order << m_drop5;
  }
  order << m_baud << m_partition << m_switching << m_secrecy;
  formui::tabOrder(order);
}

void BaseParametersForm::bindGroup(GroupRef group) {
  m_group = group.get<BaseParameters>();
  applyEnabling();
  applyRanges();
  GroupForm::bindGroup(group);
}

void BaseParametersForm::initialUpdate() {
  refreshForm();
  applyEnabling();
  applyRanges();
}

void BaseParametersForm::applyEnabling() {
  const int o07 = m_group ? (*m_group)[BaseParameters::O07].value() : 0;
  m_drop4->setEnabled(o07 == 4);
  m_drop4Spin->setEnabled(o07 == 4);
  m_drop5->setEnabled(o07 == 5);
  m_drop5Spin->setEnabled(o07 == 5);
}

void BaseParametersForm::applyRanges() {
  if (!m_group) return;
  const Parameter& o06 = (*m_group)[BaseParameters::O06];
  const Parameter& o08 = (*m_group)[BaseParameters::O08];
  m_psychroSpin->setRange(o06.minValue(), o06.maxValue());
  m_drop4Spin->setRange(o08.minValue(), o08.maxValue());
  m_drop5Spin->setRange(o08.minValue(), o08.maxValue());
}

void BaseParametersForm::exchange(DataExchange& dx) {
  if (!m_group) return;
  BaseParameters& g = *m_group;
  dx.cell(m_sensors, g[BaseParameters::O01]);
  dx.cell(m_tenths, g[BaseParameters::O02]);
  dx.cell(m_humidity, g[BaseParameters::O03]);
  dx.cell(m_parameter, g[BaseParameters::O04], 1);
  dx.cell(m_calibration, g[BaseParameters::O05]);
  dx.cell(m_psychro, g[BaseParameters::O06]);
  dx.cell(m_powerFailure, g[BaseParameters::O07], 1);

  // One parameter, two edits: the enabled one is read, both show it.
  Parameter& o08 = g[BaseParameters::O08];
  if (dx.loading()) {
    dx.cell(m_drop4, o08);
    dx.cell(m_drop5, o08);
  } else {
    QLineEdit* source = m_drop4->isEnabled() ? m_drop4 : m_drop5;
    QLineEdit* other = source == m_drop4 ? m_drop5 : m_drop4;
    int32_t v = o08.value();
    dx.integer(source, v);
    dx.range(source, int64_t{v}, int64_t{o08.minValue()}, int64_t{o08.maxValue()});
    if (!dx.ok()) return;
    if (DataExchange::edited(source)) DataExchange::show(other, source->text().trimmed());
    dx.store(source, o08, v);
  }

  dx.cell(m_baud, g[BaseParameters::O09]);
  // The partition's hooks may refuse: the list shows what O10 holds.
  dx.cell(m_partition, g[BaseParameters::O10]);
  if (dx.saving() && dx.ok()) m_partition->setCurrentIndex(g[BaseParameters::O10].value());
  dx.cell(m_switching, g[BaseParameters::O11]);
  dx.cell(m_secrecy, g[BaseParameters::Scr], 1);
}
