#include "tables/CellDelegate.h"

#include <algorithm>
#include <cmath>

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QTimer>

#include "document/Document.h"
#include "tables/CellRoles.h"
#include "tables/NumberText.h"
#include "widgets/MaskedLineEdit.h"
#include "widgets/SpinButton.h"

using cellrole::EditorKind;

namespace {

// Flat inside the cell: a thin border and no frame of the style's own.
const char kThinBorder[] = "border: 1px solid palette(dark); padding: 0px 1px;";

void flatten(QLineEdit* edit) {
  edit->setFrame(false);
  edit->setStyleSheet(QString::fromLatin1("QLineEdit { %1 }").arg(QLatin1String(kThinBorder)));
}

// A number with the spin arrows inside its right edge; the arrows and the Up
// and Down keys report steps, which the delegate turns into stored values.
class NumberEdit : public QLineEdit {
 public:
  explicit NumberEdit(QWidget* parent) : QLineEdit(parent), m_arrows(new SpinButton(this)) {
    flatten(this);
    m_arrows->setObjectName(QStringLiteral("cellEditorSpin"));
    m_arrows->setBuddy(this);
    m_arrows->setWritesBuddy(false);
    m_arrows->setRange(-1000000, 1000000);
  }
  SpinButton* arrows() const { return m_arrows; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLineEdit::resizeEvent(event);
    const int w = std::min(m_arrows->sizeHint().width(), height());
    m_arrows->setGeometry(width() - w, 0, w, height());
    setTextMargins(0, 0, w, 0);
  }

 private:
  SpinButton* m_arrows;
};

// The number a spin step makes of `text`: one step further, within the
// limits, shown with the step's decimals.
QString stepped(const QString& text, int delta, double step, double minimum, double maximum) {
  const double now = numbertext::leadingReal(text).value_or(0.0);
  const double next = std::clamp(now + delta * step, minimum, maximum);
  const int decimals = step < 1 ? 1 : 0;
  return QString::number(next, 'f', decimals);
}

// Enter, and Alt+Down on a list, open the current cell's editor, where the
// view itself opens none.
class EditorKeys : public QObject {
 public:
  EditorKeys(QAbstractItemView* view, const CellDelegate* delegate) : QObject(view), m_view(view), m_delegate(delegate) {}

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (object != m_view || event->type() != QEvent::KeyPress || m_delegate->openEditor()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool drop = key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier);
    const QModelIndex current = m_view->currentIndex();
    if (!(enter || drop) || !(current.flags() & Qt::ItemIsEditable)) return false;
    m_view->edit(current);
    return true;
  }

 private:
  QAbstractItemView* m_view;
  const CellDelegate* m_delegate;
};

}  // namespace

void CellDelegate::attachTo(QAbstractItemView* view) {
  view->setItemDelegate(this);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setSelectionBehavior(QAbstractItemView::SelectItems);
  view->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                        QAbstractItemView::DoubleClicked);
  view->installEventFilter(new EditorKeys(view, this));
}

CellDelegate::CellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

void CellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);
  if (!m_gridLines) return;
  painter->save();
  painter->setPen(option.palette.color(QPalette::Button).darker(108));
  painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
  painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
  painter->restore();
}

QWidget* CellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
  QWidget* editor = nullptr;
  switch (static_cast<EditorKind>(index.data(cellrole::Editor).toInt())) {
    case EditorKind::None:
      return nullptr;
    case EditorKind::Text: {
      auto* edit = new QLineEdit(parent);
      flatten(edit);
      editor = edit;
      break;
    }
    case EditorKind::Number: {
      auto* edit = new NumberEdit(parent);
      connect(edit->arrows(), &SpinButton::stepping, this,
              [this, edit](int delta) { const_cast<CellDelegate*>(this)->spin(edit, delta); });
      editor = edit;
      break;
    }
    case EditorKind::Time: {
      auto* time = new MaskedLineEdit(parent);
      flatten(time);
      time->setMaskPattern(QStringLiteral("##:##"));
      time->setFillChar(u'0');
      editor = time;
      break;
    }
    case EditorKind::List: {
      auto* combo = new QComboBox(parent);
      combo->setFrame(false);
      combo->setMaxVisibleItems(10);
      combo->addItems(index.data(cellrole::Choices).toStringList());
      // A choice is the edit: stored and closed at once.
      connect(combo, &QComboBox::activated, this, [this, combo] {
        emit const_cast<CellDelegate*>(this)->commitData(combo);
        emit const_cast<CellDelegate*>(this)->closeEditor(combo);
      });
      QTimer::singleShot(0, combo, [combo] {
        if (combo->isVisible()) combo->showPopup();
      });
      editor = combo;
      break;
    }
  }
  editor->setObjectName(QStringLiteral("cellEditor"));
  editor->setFont(parent->font());
  m_editor = editor;
  m_editorIndex = index;
  return editor;
}

void CellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  // Filled once: later changes of the cell do not overwrite what the user is typing.
  if (editor->property("filled").toBool()) return;
  editor->setProperty("filled", true);
  const QString text = index.data(Qt::EditRole).toString();
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    combo->setCurrentIndex(combo->findText(text, Qt::MatchExactly));
  } else if (auto* time = qobject_cast<MaskedLineEdit*>(editor)) {
    time->setText(text);
    time->setCursorPosition(0);
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->setText(text);
    line->selectAll();
  }
}

QString CellDelegate::editorText(const QWidget* editor) {
  if (const auto* combo = qobject_cast<const QComboBox*>(editor)) return combo->currentText();
  if (const auto* line = qobject_cast<const QLineEdit*>(editor)) return line->text();
  return {};
}

void CellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
  if (auto* combo = qobject_cast<QComboBox*>(editor); combo && combo->currentIndex() < 0) return;
  if (!model->setData(index, editorText(editor), Qt::EditRole)) QApplication::beep();
}

void CellDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const {
  editor->setGeometry(option.rect.adjusted(0, 0, 0, 0));
}

void CellDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
  if (editor == m_editor) {
    m_editor = nullptr;
    m_editorIndex = QPersistentModelIndex();
  }
  QStyledItemDelegate::destroyEditor(editor, index);
}

void CellDelegate::commitOpenEditor() {
  QWidget* editor = m_editor;
  if (!editor) return;
  emit commitData(editor);
  emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void CellDelegate::spin(QWidget* editor, int delta) {
  auto* edit = qobject_cast<QLineEdit*>(editor);
  const QModelIndex index = m_editorIndex;
  if (!edit || editor != m_editor || !index.isValid()) return;
  const double step = index.data(cellrole::Step).toDouble();
  if (step <= 0) return;
  edit->setText(stepped(edit->text(), delta, step, index.data(cellrole::Minimum).toDouble(),
                        index.data(cellrole::Maximum).toDouble()));
  {
    const Document::SpinClick click;
    emit commitData(editor);
  }
  // What was stored, after clamping and snapping.
  edit->setText(index.data(Qt::EditRole).toString());
  edit->selectAll();
}

bool takeClipboardKey(QEvent* event, const std::function<void()>& copy, const std::function<void()>& paste) {
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const bool copying = key->matches(QKeySequence::Copy), pasting = key->matches(QKeySequence::Paste);
  if (!copying && !pasting) return false;
  event->accept();
  if (event->type() == QEvent::KeyPress) copying ? copy() : paste();
  return true;
}
