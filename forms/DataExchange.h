// One data exchange of a form: its controls walked in a fixed order, either
// loading (parameters into controls) or saving (controls read, checked and
// written into their parameters). The first failed check shows the Russian
// validation message with an exclamation icon, puts the focus into the
// offending control and makes every later step of the same exchange do
// nothing, so the parameters exchanged before keep their new values and the
// later ones are not written.
//
// Values typed into a form are stored with Parameter::setEnteredValue (the
// guarded change without sign extension): the cell's hooks run and may refuse.
// An edit is read only when the user changed it since a value was last shown
// in it (edited): a text the form showed and nobody touched is no entry of
// the user's, so showing a value never stores it, clamped or rounded, and a
// value beyond its limits (read from a file or a controller) is shown marked
// instead of refused. A short-lived object on the user-interface thread.
#pragma once

#include <cstdint>

#include <QString>

class Parameter;
class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QWidget;

class DataExchange {
 public:
  enum class Direction { Load, Save };

  // `owner`: the form; its window owns the message box.
  DataExchange(Direction direction, QWidget* owner);

  bool loading() const { return m_direction == Direction::Load; }
  bool saving() const { return m_direction == Direction::Save; }
  // False once a check has failed; every later step then does nothing.
  bool ok() const { return !m_failed; }

  // ---- Control values ------------------------------------------------------

  // A whole number in an edit: "Введите целое число." for other text.
  // Saving leaves `value` as it is when the edit was not edited.
  void integer(QLineEdit* edit, int32_t& value);
  // A real number, written with up to 15 significant digits and no trailing
  // zeros (1.5, -12, 0, -0): "Введите число." for other text. A
  // decimal comma is taken for the point. Saving leaves `value` as it is
  // when the edit was not edited.
  void number(QLineEdit* edit, double& value);
  // Saving only: "Введите целое число от %1 до %2." or "Введите число от %1
  // до %2." with the bounds filled in; an edit the user did not change is
  // not checked.
  void range(QWidget* control, int64_t value, int64_t min, int64_t max);
  void range(QWidget* control, double value, double min, double max);

  // Shows a value's text in an edit and remembers it as the text shown.
  static void show(QLineEdit* edit, const QString& text);
  // The user changed the edit since the last show or take: typed, pasted,
  // or stepped by its spin button. An edit never shown counts as edited.
  static bool edited(const QLineEdit* edit);
  // The edit's text has been stored: it is what the edit shows of its value now.
  static void taken(QLineEdit* edit);
  // Saving, while no check failed: stores the value read from an edited edit
  // in its cell (an edit nobody changed stores nothing).
  void store(QLineEdit* edit, Parameter& cell, int32_t value);
  // Marks an edit whose value lies beyond its limits: red, with `tip` (an
  // outsideTip) as its tooltip; an empty tip clears the mark.
  static void markOutside(QLineEdit* edit, const QString& tip);
  // A list's position; saving gives -1 when nothing is selected.
  void position(QComboBox* list, int& position);
  // A check box: 0 or 1.
  void checked(QAbstractButton* box, int& state);
  // A radio group whose button ids are the positions 0..n-1; loading a
  // position without a button clears them all, saving gives -1 when none is
  // checked.
  void position(QButtonGroup* group, int& position);

  // ---- Cells ---------------------------------------------------------------

  // An edit with a cell, checked against the cell's active limits; loading
  // marks a value beyond them.
  void cell(QLineEdit* edit, Parameter& cell);
  // An edit with a cell, checked against fixed bounds.
  void cell(QLineEdit* edit, Parameter& cell, int32_t min, int32_t max);
  // A list or radio group: position = value - offset.
  void cell(QComboBox* list, Parameter& cell, int offset = 0);
  void cell(QButtonGroup* group, Parameter& cell, int offset = 0);
  // A check box: checked = value 1.
  void cell(QAbstractButton* box, Parameter& cell);

  // Ends the exchange: shows `message`, focuses the control (an edit's text
  // selected).
  void fail(QWidget* control, const QString& message);
  // Ends the exchange after the form has shown its own message.
  void stop() { m_failed = true; }

 private:
  Direction m_direction;
  QWidget* m_owner;
  bool m_failed = false;
};

// The framework's way of writing a real number: up to 15 significant digits.
QString formatNumber(double value);

// What a value beyond its active limits is marked with, in forms, tables
// and the full list alike: "вне допустимого диапазона 0…100"; an empty text
// for a value within them. A setpoint pair counts as one number ("0…99.9").
QString outsideTip(const Parameter& cell);
QString outsideTip(const Parameter& integer, const Parameter& fraction);
