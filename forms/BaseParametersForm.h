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
  static constexpr int kTemplateId = 510;

  explicit BaseParametersForm(QWidget* parent = nullptr);

  void bindGroup(void* group) override;
  void initialUpdate() override;

 protected:
  void exchange(DataExchange& dx) override;

 private:
  // The O08 edits follow O07; the spins take the limits of their cells.
  void applyEnabling();
  void applyRanges();

  BaseParameters* m_group = nullptr;
  QComboBox* m_sensors;         // 140, O01
  QCheckBox* m_tenths;          // 131, O02
  QButtonGroup* m_humidity;     // 160, 161: O03
  QButtonGroup* m_parameter;    // 162..166: O04
  QButtonGroup* m_calibration;  // 1003, 1004: O05
  QLineEdit* m_psychro;         // 134, O06
  SpinButton* m_psychroSpin;
  QButtonGroup* m_powerFailure;  // 1009, 1010, 1011, 1008, 1007: O07
  QLineEdit* m_drop4;            // 137, O08 beside O07 = 4
  SpinButton* m_drop4Spin;
  QLineEdit* m_drop5;  // 136, O08 beside O07 = 5
  SpinButton* m_drop5Spin;
  QComboBox* m_baud;       // 142, O09
  QComboBox* m_partition;  // 141, O10
  QComboBox* m_switching;  // 143, O11
  QComboBox* m_secrecy;    // 144, Scr
};
