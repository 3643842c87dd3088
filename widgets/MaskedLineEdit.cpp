#include "widgets/MaskedLineEdit.h"

#include <utility>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QTimer>

namespace {
// The edit taking its focus back after a refused value: the focus it takes
// from another masked edit is no reason to validate that one.
const MaskedLineEdit* g_reclaiming = nullptr;

bool isPrintable(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (c.unicode() < 32 || c.unicode() == 127) return false;
  return true;
}
}  // namespace

MaskedLineEdit::MaskedLineEdit(QWidget* parent, const QString& mask)
    : QLineEdit(parent), m_text(MaskedText::Separators::fromLocale(locale())) {
  connect(this, &QLineEdit::textChanged, this, &MaskedLineEdit::onTextChanged);
  if (!mask.isEmpty()) setMaskPattern(mask);
}

void MaskedLineEdit::setMaskPattern(const QString& mask) {
  m_text.setMask(mask);
  // A drop would bypass the mask.
  setAcceptDrops(!m_text.hasMask());
  refreshDisplay(m_text.nextInputPosition(0));
}

QString MaskedLineEdit::enteredText() const { return m_text.hasMask() ? m_text.enteredText() : text(); }

bool MaskedLineEdit::putEnteredText(const QString& text, int count, bool raw) {
  if (!m_text.hasMask()) {
    QLineEdit::setText(this->text().left(std::max(count, 0)) + text);
    return true;
  }
  const bool allTaken = m_text.putEnteredText(text, count, raw);
  refreshDisplay(m_text.nextInputPosition(0));
  return allTaken;
}

void MaskedLineEdit::setFillChar(QChar c) {
  m_text.setFillChar(c);
  if (m_text.hasMask()) refreshDisplay(-1);
}

bool MaskedLineEdit::isBlank() const { return m_text.hasMask() ? m_text.isBlank() : text().isEmpty(); }

void MaskedLineEdit::setText(const QString& text) {
  if (m_text.hasMask())
    takeTextFromOutside(text);
  else
    QLineEdit::setText(text);
}

void MaskedLineEdit::clear() { setText(QString()); }

int MaskedLineEdit::selStart() const { return hasSelectedText() ? selectionStart() : cursorPosition(); }

int MaskedLineEdit::selEnd() const { return hasSelectedText() ? selectionEnd() : cursorPosition(); }

void MaskedLineEdit::refreshDisplay(int caret) {
  const int cursor = cursorPosition();
  const int start = selStart(), end = selEnd();
  {
    const QScopedValueRollback refreshing(m_refreshing, true);
    QLineEdit::setText(m_text.displayText());
  }
  if (caret >= 0)
    setCursorPosition(caret);
  else if (start == end)
    setCursorPosition(cursor);
  else if (cursor == start)
    setSelection(end, start - end);
  else
    setSelection(start, end - start);
  emit updateNotice();
  if (m_changeNotices) emit changeNotice();
}

void MaskedLineEdit::apply(const MaskedText::Outcome& outcome) {
  if (outcome.bad) badInput();
  if (outcome.rewrite)
    refreshDisplay(outcome.caret);
  else if (outcome.caret >= 0)
    setCursorPosition(outcome.caret);
}

void MaskedLineEdit::edit(const std::function<MaskedText::Outcome()>& change, bool typing) {
  Typed before{m_text.enteredText(), cursorPosition()};
  const bool goesOn = typing && m_typedRunEnd == before.caret && !hasSelectedText() && !m_undo.empty();
  const MaskedText::Outcome outcome = change();
  if (m_text.enteredText() != before.entered) {
    if (!goesOn) m_undo.push_back(std::move(before));
    m_redo.clear();
  }
  apply(outcome);
  m_typedRunEnd = typing ? cursorPosition() : -1;
}

bool MaskedLineEdit::canUndoTyping() const { return m_text.hasMask() ? !m_undo.empty() : isUndoAvailable(); }

bool MaskedLineEdit::canRedoTyping() const { return m_text.hasMask() ? !m_redo.empty() : isRedoAvailable(); }

void MaskedLineEdit::undoTyping() {
  if (!m_text.hasMask()) return QLineEdit::undo();
  restoreTyped(m_undo, m_redo);
}

void MaskedLineEdit::redoTyping() {
  if (!m_text.hasMask()) return QLineEdit::redo();
  restoreTyped(m_redo, m_undo);
}

void MaskedLineEdit::restoreTyped(std::vector<Typed>& from, std::vector<Typed>& to) {
  if (from.empty() || isReadOnly()) return;
  to.push_back({m_text.enteredText(), cursorPosition()});
  const Typed typed = std::move(from.back());
  from.pop_back();
  m_text.putEnteredText(typed.entered, 0, true);
  refreshDisplay(typed.caret);
  m_typedRunEnd = -1;
}

void MaskedLineEdit::takeTextFromOutside(const QString& text) {
  // The owner's own value: an update notice, but no change notice; the
  // typing before it is no longer there to take back.
  m_undo.clear();
  m_redo.clear();
  m_changeNotices = false;
  m_text.takeText(text);
  refreshDisplay(m_text.nextInputPosition(0));
  m_changeNotices = true;
}

void MaskedLineEdit::onTextChanged(const QString& text) {
  if (m_refreshing) return;
  if (m_text.hasMask()) {
    takeTextFromOutside(text);
  } else {
    emit updateNotice();
    emit changeNotice();
  }
}

void MaskedLineEdit::badInput() { QApplication::beep(); }

void MaskedLineEdit::cut() {
  if (!m_text.hasMask() || isReadOnly()) {
    QLineEdit::cut();
    return;
  }
  if (hasSelectedText()) copy();
  edit([&] { return m_text.clearSelection(selStart(), selEnd()); });
}

void MaskedLineEdit::paste() {
  if (!m_text.hasMask()) {
    QLineEdit::paste();
    return;
  }
  if (isReadOnly()) return;
  edit([&] { return m_text.paste(QApplication::clipboard()->text(), selStart(), selEnd()); });
}

void MaskedLineEdit::clearSelected() {
  if (!m_text.hasMask()) {
    if (hasSelectedText()) del();
    return;
  }
  if (!isReadOnly()) edit([&] { return m_text.clearSelection(selStart(), selEnd()); });
}

void MaskedLineEdit::moveCaret(QKeyEvent* event, int key, bool forward) {
  // A single-line edit takes Down and Up as Right and Left.
  QKeyEvent standard(event->type(), key, event->modifiers(), event->text(), event->isAutoRepeat());
  QLineEdit::keyPressEvent(&standard);
  if (!(event->modifiers() & Qt::ShiftModifier))
    setCursorPosition(forward ? m_text.nextInputPosition(selStart())
                              : m_text.previousCaretPosition(selStart()));
  event->accept();
}

void MaskedLineEdit::keyPressEvent(QKeyEvent* event) {
  if (!m_text.hasMask() || isReadOnly()) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  event->accept();
  if (event->matches(QKeySequence::Cut)) return cut();
  if (event->matches(QKeySequence::Paste)) return paste();
  // The control's own history: the line edit's would bring back an unmasked text.
  if (event->matches(QKeySequence::Undo)) return undoTyping();
  if (event->matches(QKeySequence::Redo) || event->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_Y))
    return redoTyping();
  switch (event->key()) {
    case Qt::Key_Home:
    case Qt::Key_Right:
      return moveCaret(event, event->key(), true);
    case Qt::Key_Down:
      return moveCaret(event, Qt::Key_Right, true);
    case Qt::Key_Left:
      return moveCaret(event, Qt::Key_Left, false);
    case Qt::Key_Up:
      return moveCaret(event, Qt::Key_Left, false);
    case Qt::Key_Insert:
      if (event->modifiers() == Qt::NoModifier) return m_text.setInsertTyping(!m_text.insertTyping());
      break;
    case Qt::Key_Delete:
      return edit([&] { return m_text.deleteForward(selStart(), selEnd()); });
    case Qt::Key_Backspace:
      return edit([&] { return m_text.backspace(selStart(), selEnd()); });
    default:
      break;
  }
  const QString typed = event->text();
  if (!isPrintable(typed)) {
    // Control characters and the shortcuts (copy, select all, Tab, Enter):
    // the standard handling; a text it changes comes back through the mask.
    QLineEdit::keyPressEvent(event);
    return;
  }
  for (QChar c : typed) edit([&] { return m_text.type(c, selStart(), selEnd()); }, true);
}

void MaskedLineEdit::inputMethodEvent(QInputMethodEvent* event) {
  if (!m_text.hasMask() || isReadOnly()) {
    QLineEdit::inputMethodEvent(event);
    return;
  }
  for (QChar c : event->commitString())
    if (c.unicode() >= 32) edit([&] { return m_text.type(c, selStart(), selEnd()); }, true);
  event->accept();
}

void MaskedLineEdit::mousePressEvent(QMouseEvent* event) {
  // Qt gives the focus before it delivers the press: a press that brought
  // the focus into an empty field puts the caret on its first input place.
  const bool focusedByThisPress = std::exchange(m_focusByClick, false);
  if (event->button() == Qt::LeftButton && focusedByThisPress && isBlank()) {
    setCursorPosition(m_text.nextInputPosition(0));
    event->accept();
    return;
  }
  QLineEdit::mousePressEvent(event);
}

void MaskedLineEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  m_focusByClick = event->reason() == Qt::MouseFocusReason;
  // Tabbing in selects everything; with a mask the caret goes to the first
  // input place instead.
  if (m_text.hasMask() && hasSelectedText() && selectionStart() == 0 &&
      selectedText().size() == text().size())
    setCursorPosition(m_text.nextInputPosition(0));
}

void MaskedLineEdit::focusOutEvent(QFocusEvent* event) {
  m_focusByClick = false;
  // A context menu, the menu bar or another window going active leave the
  // control the focus of its window: nothing is left yet. Nor is anything
  // left when another edit takes back the focus after refusing its value.
  const Qt::FocusReason reason = event->reason();
  const bool leaving = reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason &&
                       reason != Qt::ActiveWindowFocusReason && (!g_reclaiming || g_reclaiming == this);
  LeaveCheck info;
  if (leaving) emit checkLeave(&info);
  const bool refused = leaving && !(info.valid && (!info.runOwnCheck || acceptsOnLeave()));
  {
    // A refused value is no finished edit: no editingFinished for it.
    const QSignalBlocker quiet(refused ? this : nullptr);
    QLineEdit::focusOutEvent(event);
  }
  if (!refused) return;
  // The focus comes back once Qt has finished moving it away.
  const int caret = info.caretPosition;
  QTimer::singleShot(0, this, [this, caret] {
    g_reclaiming = this;
    setFocus(Qt::OtherFocusReason);
    g_reclaiming = nullptr;
    badInput();
    setCursorPosition(m_text.nextInputPosition(caret));
  });
}

void MaskedLineEdit::contextMenuEvent(QContextMenuEvent* event) {
  if (!m_text.hasMask()) {
    QLineEdit::contextMenuEvent(event);
    return;
  }
  // The standard menu, with its editing commands routed through the mask.
  QMenu* menu = createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  const bool editable = !isReadOnly();
  // The menu's actions carry the texts QLineEdit gives them (translated).
  const auto standard = [](const QAction* action, const char* text) {
    return action->text().section(u'\t', 0, 0) == QCoreApplication::translate("QLineEdit", text);
  };
  for (QAction* action : menu->actions()) {
    void (MaskedLineEdit::*route)() = nullptr;
    if (standard(action, "Cu&t"))
      route = &MaskedLineEdit::cut;
    else if (standard(action, "&Paste"))
      route = &MaskedLineEdit::paste;
    else if (standard(action, "Delete"))
      route = &MaskedLineEdit::clearSelected;
    else if (standard(action, "&Undo")) {
      route = &MaskedLineEdit::undoTyping;
      action->setEnabled(canUndoTyping());
    } else if (standard(action, "&Redo")) {
      route = &MaskedLineEdit::redoTyping;
      action->setEnabled(canRedoTyping());
    }
    if (!route) continue;
    disconnect(action, nullptr, this, nullptr);
    connect(action, &QAction::triggered, this, route);
    if (!editable) action->setEnabled(false);
  }
  menu->popup(event->globalPos());
}
