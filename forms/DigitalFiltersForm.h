// The form of the digital filters D01..D06: one edit with a spin per filter,
// each value checked against its cell's limits. User-interface thread only.
#pragma once

#include "forms/GroupForm.h"

class SpinButton;
class DigitalFilters;
class QLineEdit;

class DigitalFiltersForm : public GroupForm {
  Q_OBJECT

 public:
  explicit DigitalFiltersForm(QWidget* parent = nullptr);

  void bindGroup(GroupRef group) override;
  void initialUpdate() override;
  DigitalFilters* group() const { return m_group; }

 protected:
  void exchange(DataExchange& dx) override;

 private:
  DigitalFilters* m_group = nullptr;
  QLineEdit* m_edits[6];
  SpinButton* m_spins[6];
};
