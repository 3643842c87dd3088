// The in-place editors of CFListCtrl. Each is made by the control's delegate
// for one cell, holds that cell and the key that ends it (Enter until Enter,
// Tab or Escape is pressed; a click elsewhere therefore commits), and is
// deleted by the view once the control has closed it. User-interface thread
// only.
#pragma once

#include <vector>

#include <QComboBox>
#include <QLineEdit>

#include "tables/CFListCtrl.h"
#include "widgets/MaskedLineEdit.h"

// What every editor holds besides its widget.
struct CFList_EditorState {
  HFLROW row = nullptr;
  int column = -1;
  int endKey = FL_KEY_ENTER;
  bool backward = false;  // ended with Shift+Tab
  bool filled = false;    // has taken its starting text
};

// The text and number editor (control id 501).
class CFList_Edit : public QLineEdit, public CFList_EditorState {
  Q_OBJECT

 public:
  explicit CFList_Edit(QWidget* parent);
};

// The time editor (control id 504): hours and minutes under the mask
// "##:##" with the fill character '0'; it ends with the shown text (02:15).
class CFList_Time : public MaskedLineEdit, public CFList_EditorState {
  Q_OBJECT

 public:
  explicit CFList_Time(QWidget* parent);
};

// The list editor (control id 502): a drop-down list, or with an editable
// field for the editable kind. Filled from the profile's entries; ends when
// its drop-down closes.
class CFList_ComboBox : public QComboBox, public CFList_EditorState {
  Q_OBJECT

 public:
  CFList_ComboBox(QWidget* parent, bool editable);

  // Fills the entries (sorted by text when asked) and selects the one whose
  // text is `current`, or none.
  void fill(const std::vector<FL_COMBOITEM>& items, bool sorted, const QString& current);
  // The text and data it ends with: the typed text and 0 when the user typed
  // into the field, else the selected entry's, else the field's text and 0.
  QString endText() const;
  int endData() const;
  bool ending = false;  // the control is ending it: a closing drop-down no longer reports

 signals:
  void dropDownClosed();

 public:
  void hidePopup() override;

 protected:
  bool eventFilter(QObject* object, QEvent* event) override;

 private:
  bool m_typed = false;
};
