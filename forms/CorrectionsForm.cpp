#include "forms/CorrectionsForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "forms/DataExchange.h"
#include "forms/FormWidgets.h"
#include "model/SignedMagnitude.h"
#include "widgets/SpinButton.h"

namespace {

constexpr double kShiftBound = 51.1;
constexpr double kSlopeBound = 25.5;

Corrections::Part signOf(Corrections::Part magnitude) {
  return magnitude == Corrections::Shift ? Corrections::ShiftSign : Corrections::SlopeSign;
}

}  // namespace

CorrectionsForm::CorrectionsForm(QWidget* parent) : GroupForm(parent) {
  static const char* const frames[] = {"Коррекция показаний термометра продукта",
                                       "Коррекция показаний сухого термометра",
                                       "Коррекция показаний влажного термометра"};
  static const char* const names[][2] = {
      {"productShift", "productSlope"}, {"dryShift", "drySlope"}, {"wetShift", "wetSlope"}};
  const QString shiftText = QStringLiteral("Сдвиг характеристики");
  const QString slopeText = QStringLiteral("Изменение наклона характеристики (%)");
  auto* column = new QVBoxLayout(page());
  QList<QWidget*> order;
  for (int t = 1; t <= 3; ++t) {
    const QString title = QString::fromUtf8(frames[t - 1]);
    QGroupBox* box = formui::frame(page(), title);
    auto* grid = new QGridLayout(box);
    grid->setColumnStretch(0, 1);
    for (int k = 0; k < 2; ++k) {
      const QString text = k == 0 ? shiftText : slopeText;
      QLineEdit* edit = formui::edit(box, names[t - 1][k], title + QStringLiteral(": ") + text, 6);
      SpinButton* spin = formui::spin(box, edit);
      spin->setWritesBuddy(false);
      QLabel* label = formui::label(box, text);
      label->setBuddy(edit);
      grid->addWidget(label, k, 0);
      grid->addWidget(formui::spinEdit(edit, spin), k, 1);
      Field& f = m_fields[2 * (t - 1) + k];
      f = {edit, spin, t, k == 0 ? Corrections::Shift : Corrections::Slope,
           k == 0 ? kShiftBound : kSlopeBound};
      onLeave(edit);
      onSpin(spin, [this, &f](int delta) { step(f, delta); });
      order << edit;
    }
    column->addWidget(box);
  }
  column->addStretch(1);
  formui::tabOrder(order);
}

void CorrectionsForm::bindGroup(GroupRef group) {
  m_group = group.get<Corrections>();
  GroupForm::bindGroup(group);
}

void CorrectionsForm::initialUpdate() {
  refreshForm();
  for (const Field& f : m_fields) f.spin->setRange(-1000, 1000);
}

void CorrectionsForm::exchange(DataExchange& dx) {
  if (!m_group) return;
  double values[6];
  for (int i = 0; i < 6; ++i) {
    const Field& f = m_fields[i];
    values[i] = signedTenths(m_group->cell(f.thermometer, f.magnitude),
                             m_group->cell(f.thermometer, signOf(f.magnitude)));
    dx.number(f.edit, values[i]);
    dx.range(f.edit, values[i], -f.bound, f.bound);
  }
  if (!dx.saving() || !dx.ok()) return;
  for (int i = 0; i < 6; ++i) {
    const Field& f = m_fields[i];
    // A "-0" shown and left alone keeps its sign cell.
    if (!DataExchange::edited(f.edit)) continue;
    storeSignedTenths(m_group->cell(f.thermometer, f.magnitude),
                      m_group->cell(f.thermometer, signOf(f.magnitude)), values[i]);
    DataExchange::taken(f.edit);
  }
}

void CorrectionsForm::step(const Field& f, int delta) {
  // What the edit shows is what steps: text typed but not yet left counts.
  if (!m_group || !commitForm()) return;
  stepSignedTenths(m_group->cell(f.thermometer, f.magnitude),
                   m_group->cell(f.thermometer, signOf(f.magnitude)), delta);
  refreshForm();
}
