#include "tables/CFListEditors.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QKeyEvent>

namespace {

// Flat inside the cell: a thin border and no frame of the style's own.
const char kThinBorder[] = "border: 1px solid palette(dark); padding: 0px 1px;";

}  // namespace

CFList_Edit::CFList_Edit(QWidget* parent) : QLineEdit(parent) {
  setFrame(false);
  setStyleSheet(QString::fromLatin1("QLineEdit { %1 }").arg(QLatin1String(kThinBorder)));
}

CFList_Time::CFList_Time(QWidget* parent) : MaskedLineEdit(parent) {
  setFrame(false);
  setStyleSheet(QString::fromLatin1("QLineEdit { %1 }").arg(QLatin1String(kThinBorder)));
  setMaskPattern(QStringLiteral("##:##"));
  setFillChar(u'0');
}

CFList_ComboBox::CFList_ComboBox(QWidget* parent, bool editable) : QComboBox(parent) {
  setEditable(editable);
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(10);
  setFrame(false);
  // Flat in the cell: the window colour instead of the style's raised button.
  // A styled combo box draws its drop-down entries with its own rule too: the
  // chosen entry needs its highlight back, or it shows white on white.
  setStyleSheet(QString::fromLatin1("QComboBox { %1 background: palette(base); }"
                                    " QComboBox::item:selected { background: palette(highlight);"
                                    " color: palette(highlighted-text); }")
                    .arg(QLatin1String(kThinBorder)));
  if (editable)
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
      m_typed = true;
      endKey = FL_KEY_ENTER;
    });
  // Keys in the open drop-down record the end key too.
  view()->installEventFilter(this);
}

bool CFList_ComboBox::eventFilter(QObject* object, QEvent* event) {
  if (object == view() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
      case Qt::Key_Escape:
        endKey = FL_KEY_ESCAPE;
        break;
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        endKey = FL_KEY_TAB;
        backward = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        hidePopup();
        return true;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        endKey = FL_KEY_ENTER;
        break;
      default:
        break;
    }
  }
  return QComboBox::eventFilter(object, event);
}

void CFList_ComboBox::fill(const std::vector<FL_COMBOITEM>& items, bool sorted, const QString& current) {
  std::vector<FL_COMBOITEM> entries = items;
  if (sorted)
    std::stable_sort(entries.begin(), entries.end(), [](const FL_COMBOITEM& a, const FL_COMBOITEM& b) {
      return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
    });
  clear();
  for (const FL_COMBOITEM& e : entries) addItem(e.text, e.data);
  setCurrentIndex(findText(current, Qt::MatchExactly));
  m_typed = false;
}

QString CFList_ComboBox::endText() const {
  if (isEditable() && (m_typed || currentIndex() < 0)) return currentText();
  return currentIndex() >= 0 ? itemText(currentIndex()) : currentText();
}

int CFList_ComboBox::endData() const {
  if (isEditable() && m_typed) return 0;
  return currentIndex() >= 0 ? itemData(currentIndex()).toInt() : 0;
}

void CFList_ComboBox::hidePopup() {
  QComboBox::hidePopup();
  // The choice is made after the drop-down hides: report once it is.
  if (!ending) QMetaObject::invokeMethod(this, [this] { if (!ending) emit dropDownClosed(); }, Qt::QueuedConnection);
}
