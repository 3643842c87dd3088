// The form of one PID regulator (either; the codes come with the group):
// "Включен", the actuator type P07 as seven radio buttons (P07 = 1, the
// regulator switched off, has none) and the seven numeric parameters. A
// switched-off regulator shows no actuator and disables its values.
// User-interface thread only.
#pragma once

#include "forms/GroupForm.h"
#include "model/PidRegulator.h"

class SpinButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;

class PidRegulatorForm : public GroupForm {
  Q_OBJECT

 public:
  explicit PidRegulatorForm(QWidget* parent = nullptr);

  void bindGroup(GroupRef group) override;
  void initialUpdate() override;

 protected:
  void exchange(DataExchange& dx) override;

 private:
  static constexpr int kValues = 7;  // P01..P06, P08
  // "Включен" clicked: switches the regulator on or off and follows it.
  void applyEnabled();

  PidRegulator* m_group = nullptr;
  QCheckBox* m_enabled;
  QButtonGroup* m_actuator;
  QLineEdit* m_edits[kValues];
  SpinButton* m_spins[kValues];
  QLabel* m_labels[kValues];
};
