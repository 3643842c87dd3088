// The building blocks the forms lay out: controls named by what they edit
// (objectName: "stepDuration", "regulator1Setpoint") and by their label's
// text (accessible name), edits with their spin button, lists that may shrink
// below their longest text, and radio buttons and check boxes whose long
// texts wrap. A name of nullptr names nothing. User-interface thread only.
#pragma once

#include <QString>
#include <QStringList>

class SpinButton;
class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QWidget;

namespace formui {

// A text that wraps.
QLabel* label(QWidget* parent, const QString& text, const char* name = nullptr);
// A frame with its title, which is also its accessible name.
QGroupBox* frame(QWidget* parent, const QString& title, const char* name = nullptr);
// A one-line edit about `chars` characters wide, `accessible` its label's text.
QLineEdit* edit(QWidget* parent, const char* name, const QString& accessible, int chars = 5);
// A spin button for `buddy`, named after it ("stepDurationSpin") and
// announced with its label's text.
SpinButton* spin(QWidget* parent, QLineEdit* buddy);
// The edit and its spin side by side, then an optional unit label.
QWidget* spinEdit(QLineEdit* edit, SpinButton* spin, QWidget* unit = nullptr);
// A drop-down list of fixed entries; its popup shows the longest entry whole.
QComboBox* list(QWidget* parent, const char* name, const QString& accessible, const QStringList& items = {});
// Makes the popup wide enough for the entries; run after they change.
void fitPopup(QComboBox* list);
// A radio button (joined to `group` with its position as id) or a check box
// with a wrapping text beside it, in a row widget of its own; a click on the
// text clicks the button. The button carries the text as its accessible name;
// a radio button is named after its group and its position from 1
// ("powerFailure3"). The button is returned, its row is added to `into`. A
// radio button's text may hold a control that completes its words: `inLine`
// stands right after line `line` of the text (lines split at '\n').
QRadioButton* radio(QButtonGroup* group, int position, const QString& text, QBoxLayout* into,
                    QWidget* inLine = nullptr, int line = 0);
QCheckBox* check(const char* name, const QString& text, QBoxLayout* into);
// Sets the accessible name of a widget to a label's text (line breaks as blanks).
void name(QWidget* control, const QString& text);
// A label's text on one line.
QString plain(const QString& text);
// Tab moves through the controls in this order.
void tabOrder(const QList<QWidget*>& controls);
// Store of a real number typed into a form as a whole number of 1/scale
// units, truncated toward zero; a hair is added first, so 2.3 gives 23 and
// not 22 (2.3 * 10 is 22.999999999999996 in binary).
long long truncateScaled(double value, int scale);

}  // namespace formui
