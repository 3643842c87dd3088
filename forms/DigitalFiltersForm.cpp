#include "forms/DigitalFiltersForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "forms/DataExchange.h"
#include "forms/FormWidgets.h"
#include "model/DigitalFilters.h"
#include "widgets/SpinButton.h"

DigitalFiltersForm::DigitalFiltersForm(QWidget* parent) : GroupForm(parent) {
  static const char* const labels[] = {
      "Постоянная времени влажного датчика (c)",
      "Постоянная времени сухого датчика (c)",
      "Постоянная времени датчика продукта (c)",
      "Постоянная времени относительной влажности (c)",
      "Постоянная времени датчика положения задвижки 1 (c)",
      "Постоянная времени датчика положения задвижки 2 (c)",
  };
  static const char* const names[] = {"wetFilter",      "dryFilter",     "productFilter",
                                      "humidityFilter", "damper1Filter", "damper2Filter"};
  auto* grid = new QGridLayout(page());
  grid->setColumnStretch(0, 1);
  grid->setHorizontalSpacing(12);
  for (int i = 0; i < 6; ++i) {
    const QString text = QString::fromUtf8(labels[i]);
    QLabel* label = formui::label(page(), text);
    m_edits[i] = formui::edit(page(), names[i], text);
    m_spins[i] = formui::spin(page(), m_edits[i]);
    label->setBuddy(m_edits[i]);
    grid->addWidget(label, i, 0);
    grid->addWidget(formui::spinEdit(m_edits[i], m_spins[i]), i, 1);
    onLeave(m_edits[i]);
    onSpin(m_spins[i]);
  }
  grid->setRowStretch(6, 1);
}

void DigitalFiltersForm::bindGroup(GroupRef group) {
  m_group = group.get<DigitalFilters>();
  GroupForm::bindGroup(group);
}

void DigitalFiltersForm::initialUpdate() {
  refreshForm();
  for (SpinButton* spin : m_spins) spin->setRange(0, 64);
}

void DigitalFiltersForm::exchange(DataExchange& dx) {
  if (!m_group) return;
  for (int i = 0; i < 6; ++i) dx.cell(m_edits[i], (*m_group)[i]);
}
