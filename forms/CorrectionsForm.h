// The form of the thermometer corrections: for the product, dry and wet
// thermometers the shift and the slope change, each a signed number of
// tenths kept as a magnitude and a sign cell (-0 shows a zero magnitude with
// its sign set). The spins step the signed number themselves, across zero.
// User-interface thread only.
#pragma once

#include "forms/GroupForm.h"
#include "model/Corrections.h"

class SpinButton;
class QLineEdit;

class CorrectionsForm : public GroupForm {
  Q_OBJECT

 public:
  explicit CorrectionsForm(QWidget* parent = nullptr);

  void bindGroup(GroupRef group) override;
  void initialUpdate() override;

 protected:
  void exchange(DataExchange& dx) override;

 private:
  // Index 2 * (thermometer - 1) + (0 shift, 1 slope): the exchange's order.
  struct Field {
    QLineEdit* edit;
    SpinButton* spin;
    int thermometer;
    Corrections::Part magnitude;
    double bound;
  };
  void step(const Field& field, int delta);

  Corrections* m_group = nullptr;
  Field m_fields[6];
};
