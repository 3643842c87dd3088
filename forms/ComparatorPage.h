// The page of one comparator (C01..C10): "Включен", the input and the relay,
// the two setpoints with their units (degrees, or percent for humidity), the
// two delays, the logic and the three blockings. Switching a comparator off
// stores C02 = 0 and disables its controls; switching it on again stores the
// relay its list still shows.
//
// The host (the comparator form of the right pane, the tabbed comparators of
// the table mode) creates and owns the page and binds it with
// bindComparator; the comparator belongs to the document. User-interface
// thread only.
#pragma once

#include "forms/FormPage.h"

class SpinButton;
class Comparator;
class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class ComparatorPage : public FormPage {
  Q_OBJECT

 public:
  explicit ComparatorPage(QWidget* parent = nullptr);

  // Attaches the page to a comparator, or detaches it with nullptr; a bound
  // page shows it with the ranges and units of its input.
  void bindComparator(Comparator* comparator);
  Comparator* comparator() const { return m_comparator; }

 protected:
  void exchange(DataExchange& dx) override;

 private:
  // The input changed: spin ranges and units follow it.
  void applyInput();
  void enableValues(bool on);

  Comparator* m_comparator = nullptr;
  QCheckBox* m_enabled;
  QComboBox* m_input;   // C01
  QComboBox* m_output;  // C02
  QLineEdit* m_upper;   // C03
  SpinButton* m_upperSpin;
  QLabel* m_upperUnit;
  QLineEdit* m_lower;  // C04
  SpinButton* m_lowerSpin;
  QLabel* m_lowerUnit;
  QLineEdit* m_onDelay;  // C09
  SpinButton* m_onDelaySpin;
  QLineEdit* m_offDelay;  // C10
  SpinButton* m_offDelaySpin;
  QButtonGroup* m_logic;     // C05
  QCheckBox* m_blocks[3];    // C06..C08
  QList<QWidget*> m_values;  // enabled with "Включен"
};
