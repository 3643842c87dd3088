// A single-line edit whose text follows a mask ("##:##" for the step
// durations): literals stand fixed, each input position takes one class of
// characters, and empty positions show the fill character. The logic lives
// in MaskedText; this widget forwards keys, clicks, focus and clipboard
// commands to it and shows its text. Without a mask it is a plain line edit.
//
// The owner sets the value with setText (also through a QLineEdit pointer or
// the user property: every text change the control did not make itself is
// taken in as a value from outside) and reads it with text() or
// enteredText(). When the focus leaves, checkLeave lets the owner refuse
// the value; the control then keeps the focus, and editingFinished is sent
// only for a value that was not refused. With a mask the control keeps its
// own history of the user's typing (a value from outside clears it), since
// every keystroke rewrites the text: Ctrl+Z and Ctrl+Y (or Ctrl+Shift+Z)
// take back and make again only what was typed. User-interface thread only.
#pragma once

#include <functional>
#include <vector>

#include <QLineEdit>

#include "widgets/MaskedText.h"

// Filled in by the owner of a masked edit when the focus leaves it: valid
// false refuses the value; runOwnCheck false accepts it without
// acceptsOnLeave; caretPosition is where the caret goes after a refusal.
struct LeaveCheck {
  bool valid = true;
  bool runOwnCheck = true;
  int caretPosition = 0;
};

class MaskedLineEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit MaskedLineEdit(QWidget* parent = nullptr, const QString& mask = {});

  // Replaces the mask; every input position becomes empty and the caret goes
  // to the first of them. An empty mask makes a plain edit with no text.
  void setMaskPattern(const QString& mask);
  // The input positions' characters, fill characters included (1230 for
  // 12:30); without a mask the whole text.
  QString enteredText() const;
  // The entered text cut to count characters, then `text` (without its fill
  // characters unless raw), put into the input positions; refused characters
  // are skipped. True when every character was taken.
  bool putEnteredText(const QString& text, int count = 0, bool raw = false);
  // NUL, line feed, carriage return and DEL are ignored.
  void setFillChar(QChar c);
  QChar fillChar() const { return m_text.fillChar(); }
  void setInsertTyping(bool on) { m_text.setInsertTyping(on); }
  bool insertTyping() const { return m_text.insertTyping(); }
  bool isBlank() const;
  int inputToPosition(int n) const { return m_text.inputToPosition(n); }
  const MaskedText& maskedText() const { return m_text; }

  // A value from outside: with a mask its literals are taken out and its
  // characters put in as they stand (12:30 and 1230 both show 12:30).
  void setText(const QString& text);
  // With a mask: every input position empty.
  void clear();

  // The typing the user can take back or make again; without a mask the
  // line edit's own history.
  bool canUndoTyping() const;
  bool canRedoTyping() const;

 public slots:
  // The clipboard commands, through the mask.
  void cut();
  void paste();
  // Empties the selection's input positions (the context menu's Delete).
  void clearSelected();
  // Takes back the last typing, or makes it again.
  void undoTyping();
  void redoTyping();

 signals:
  // Emitted directly from the focus-out handling: the owner may refuse.
  void checkLeave(LeaveCheck* info);
  // The edit's update and change notices: after each rewrite of the text by
  // the control; a value set from outside gives updateNotice only.
  void updateNotice();
  void changeNotice();

 protected:
  // Sounds a refusal.
  virtual void badInput();
  // The control's own check at focus loss; refusing keeps the focus.
  virtual bool acceptsOnLeave() { return true; }

  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  int selStart() const;
  int selEnd() const;
  // Rewrites the text from the elements and puts an empty selection at caret
  // (keeps the caret and selection where caret is −1).
  void refreshDisplay(int caret);
  void apply(const MaskedText::Outcome& outcome);
  // Runs a change of the user's on the elements, keeping what it replaced
  // for undoTyping, and shows its outcome. Characters typed one after the
  // other are taken back together, as a line edit takes back a typed word.
  void edit(const std::function<MaskedText::Outcome()>& change, bool typing = false);
  void takeTextFromOutside(const QString& text);
  // Any change of the text the control did not make itself (the standard
  // handling of a key, QLineEdit::setText) is a value from outside.
  void onTextChanged(const QString& text);
  // The standard handling of a caret key, then the caret to a place the mask
  // allows unless Shift extends the selection.
  void moveCaret(QKeyEvent* event, int key, bool forward);

  // The entered text and caret before each change of the user's, and those
  // taken back.
  struct Typed {
    QString entered;
    int caret;
  };
  std::vector<Typed> m_undo, m_redo;
  int m_typedRunEnd = -1;  // the caret after the last typed character, -1 after anything else
  void restoreTyped(std::vector<Typed>& from, std::vector<Typed>& to);

  MaskedText m_text;
  bool m_refreshing = false;  // the control is rewriting its own text
  bool m_changeNotices = true;
  bool m_focusByClick = false;
};
