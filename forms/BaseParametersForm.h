// The form of the main device parameters O01..O11 and Scr. O08 is shown in
// two edits, each beside the power-failure choice (O07 = 4 or 5) that uses
// it and enabled only with it. The memory partition O10 goes through its
// cell's hooks, which may ask the user and adapt the programs; a refused
// partition puts the list back. User-interface thread only.
#pragma once

#include "forms/GroupForm.h"
#include "model/BaseParameters.h"

class SpinButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

class BaseParametersForm : public GroupForm {
  Q_OBJECT

 public:
  explicit BaseParametersForm(QWidget* parent = nullptr);

  void bindGroup(GroupRef group) override;
  void initialUpdate() override;

 protected:
  void exchange(DataExchange& dx) override;

 private:
  // The O08 edits follow O07; the spins take the limits of their cells.
  void applyEnabling();
  void applyRanges();

  BaseParameters* m_group = nullptr;
  QComboBox* m_sensors;         // O01
  QCheckBox* m_tenths;          // O02
  QButtonGroup* m_humidity;     // O03
  QButtonGroup* m_parameter;    // O04
  QButtonGroup* m_calibration;  // O05
  QLineEdit* m_psychro;         // O06
  SpinButton* m_psychroSpin;
  QButtonGroup* m_powerFailure;  // O07
  QLineEdit* m_drop4;            // O08 beside O07 = 4
  SpinButton* m_drop4Spin;
  QLineEdit* m_drop5;  // O08 beside O07 = 5
  SpinButton* m_drop5Spin;
  QComboBox* m_baud;       // O09
  QComboBox* m_partition;  // O10
  QComboBox* m_switching;  // O11
  QComboBox* m_secrecy;    // Scr
};
