// The form of one program step: the modes of the eight keys (their lists
// name the pulse and pause durations of the key pulse modes as they are
// now), the condition for moving on (by temperature or humidity with its
// setpoint and unit, by time with the duration hh:mm, or both), and for
// each of the two regulators its input, setpoint and rate. A regulator's
// block is enabled only while that PID regulator is switched on.
//
// Created once by the right pane; reads the document's key pulse modes and
// regulators at every refresh. User-interface thread only.
#pragma once

#include <utility>

#include "forms/GroupForm.h"

class MaskedLineEdit;
class SpinButton;
class Document;
class Step;
struct LeaveCheck;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

class StepForm : public GroupForm {
  Q_OBJECT

 public:
  explicit StepForm(Document& doc, QWidget* parent = nullptr);

  void bindGroup(GroupRef group) override;
  void initialUpdate() override;
  // Also brings the key lists' texts up to date first.
  void refreshForm() override;

  // The duration's check when it is left: refuses more than 63 h or 59 min.
  void validateDuration(LeaveCheck& info);

 protected:
  void exchange(DataExchange& dx) override;

 private:
  struct Regulator {
    QGroupBox* frame;
    QLabel* inputLabel;
    QComboBox* input;
    QLabel* setpointLabel;
    QLineEdit* setpoint;
    SpinButton* setpointSpin;
    QLabel* setpointUnit;
    QLabel* rateLabel;
    QLineEdit* rate;
    SpinButton* rateSpin;
    QLabel* rateUnit;
    int firstCell;  // Step::E01 or Step::E_01
  };

  // What the lists that change other controls show there: the enabling by
  // U01, the unit and spin range of U03 by U02, the regulators' units by
  // their inputs. Showing stores nothing.
  void showTransition();
  void showCondition();
  void showInputs();
  // The user chose another U02, E01 or E.01: the dependent setpoint takes
  // the new limits (clamped into them as a whole number).
  void conditionChanged();
  void inputChanged(const Regulator& r);
  void stepSetpoint(const Regulator& r, int delta);
  void stepRate(const Regulator& r, int delta);
  void enableRegulators();
  // The key lists' texts follow the key pulse modes; true when they changed.
  bool updateKeyLists();
  void exchangeSetpoint(DataExchange& dx, const Regulator& r);
  // The duration as typed, hours and minutes (the fill '0' stands for an
  // empty place).
  std::pair<int, int> typedDuration() const;
  // The input place of the duration's first refused part (0 the hours, 2 the
  // minutes), or -1 when it can be stored.
  int durationFault() const;
  // "Время не должно превышать 63 часов 59 минут"
  void showDurationMessage();

  Document& m_doc;
  Step* m_step = nullptr;
  QComboBox* m_keys[8];
  QGroupBox* m_transitionFrame;
  QComboBox* m_transition;  // U01
  QGroupBox* m_conditionFrame;
  QComboBox* m_condition;  // U02
  QLabel* m_conditionLabel;
  QLineEdit* m_conditionSetpoint;  // U03
  SpinButton* m_conditionSpin;
  QLabel* m_conditionUnit;
  QGroupBox* m_durationFrame;
  MaskedLineEdit* m_duration;  // U04 and U05
  QLabel* m_durationFormat;
  Regulator m_regulators[2];
};
