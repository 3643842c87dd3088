// The form of the key pulse modes: fourteen rows "Режим №1" .. "Режим №14",
// each with the pulse (F02..F15) and pause (F.02..F.15) durations in
// seconds, every value checked against its cell's limits. The step form's
// key lists show what is entered here. User-interface thread only.
#pragma once

#include "forms/GroupForm.h"
#include "model/KeyPulseModes.h"

class SpinButton;
class QLineEdit;

class KeyPulseModesForm : public GroupForm {
  Q_OBJECT

 public:
  explicit KeyPulseModesForm(QWidget* parent = nullptr);

  void bindGroup(GroupRef group) override;
  void initialUpdate() override;

 protected:
  void exchange(DataExchange& dx) override;

 private:
  static constexpr int kModes = KeyPulseModes::kModeCount;
  KeyPulseModes* m_group = nullptr;
  QLineEdit* m_pulse[kModes];
  QLineEdit* m_pause[kModes];
  SpinButton* m_spins[2 * kModes];
};
