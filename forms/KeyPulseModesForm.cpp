#include "forms/KeyPulseModesForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "forms/DataExchange.h"
#include "forms/FormWidgets.h"
#include "widgets/SpinButton.h"

KeyPulseModesForm::KeyPulseModesForm(QWidget* parent) : GroupForm(parent) {
  auto* grid = new QGridLayout(page());
  grid->setHorizontalSpacing(16);
  QLabel* heading = formui::label(page(), QStringLiteral("Длительность (сек.)"));
  heading->setAlignment(Qt::AlignCenter);
  grid->addWidget(heading, 0, 1, 1, 2);
  grid->addWidget(formui::label(page(), QStringLiteral("импульса")), 1, 1);
  grid->addWidget(formui::label(page(), QStringLiteral("паузы")), 1, 2);
  QList<QWidget*> order;
  for (int j = 1; j <= kModes; ++j) {
    const QString row = QStringLiteral("Режим №%1").arg(j);
    grid->addWidget(formui::label(page(), row), j + 1, 0);
    const QByteArray pulse = QStringLiteral("mode%1Pulse").arg(j).toLatin1();
    const QByteArray pause = QStringLiteral("mode%1Pause").arg(j).toLatin1();
    QLineEdit* edits[2] = {
        formui::edit(page(), pulse.constData(), row + QStringLiteral(", длительность импульса (сек.)")),
        formui::edit(page(), pause.constData(), row + QStringLiteral(", длительность паузы (сек.)"))};
    for (int k = 0; k < 2; ++k) {
      SpinButton* spin = formui::spin(page(), edits[k]);
      m_spins[k * kModes + j - 1] = spin;
      grid->addWidget(formui::spinEdit(edits[k], spin), j + 1, 1 + k);
      onLeave(edits[k]);
      onSpin(spin);
    }
    m_pulse[j - 1] = edits[0];
    m_pause[j - 1] = edits[1];
  }
  // Down the pulses, then down the pauses: the order of the exchange.
  for (QLineEdit* e : m_pulse) order << e;
  for (QLineEdit* e : m_pause) order << e;
  formui::tabOrder(order);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(kModes + 2, 1);
}

void KeyPulseModesForm::bindGroup(GroupRef group) {
  m_group = group.get<KeyPulseModes>();
  GroupForm::bindGroup(group);
}

void KeyPulseModesForm::initialUpdate() {
  refreshForm();
  for (SpinButton* spin : m_spins) spin->setRange(0, 999);
}

void KeyPulseModesForm::exchange(DataExchange& dx) {
  if (!m_group) return;
  for (int j = 1; j <= kModes; ++j) dx.cell(m_pulse[j - 1], m_group->pulse(j));
  for (int j = 1; j <= kModes; ++j) dx.cell(m_pause[j - 1], m_group->pause(j));
}
