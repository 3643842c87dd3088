#include "tables/CFListDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include "tables/CFListCtrl.h"
#include "tables/CFListEditors.h"
#include "tables/CFListModel.h"

namespace {

QColor fromColorRef(FL_COLOR c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// The first colour of the chain that is set; the highlight value resolves
// through the palette.
QColor resolve(std::initializer_list<FL_COLOR> chain, const QColor& highlight, const QColor& fallback) {
  for (FL_COLOR c : chain) {
    if (c == FL_COLOR_DEFAULT) continue;
    if (c == FL_COLOR_HIGHLIGHT) return highlight;
    return fromColorRef(c);
  }
  return fallback;
}

void drawTriangle(QPainter* p, const QPointF& centre, qreal half, bool up, const QColor& colour) {
  QPainterPath path;
  const qreal h = half * 0.6;
  if (up) {
    path.moveTo(centre.x() - half, centre.y() + h / 2);
    path.lineTo(centre.x() + half, centre.y() + h / 2);
    path.lineTo(centre.x(), centre.y() - h);
  } else {
    path.moveTo(centre.x() - half, centre.y() - h / 2);
    path.lineTo(centre.x() + half, centre.y() - h / 2);
    path.lineTo(centre.x(), centre.y() + h);
  }
  path.closeSubpath();
  p->fillPath(path, colour);
}

}  // namespace

CFListDelegate::CFListDelegate(CFListCtrl& list) : QStyledItemDelegate(&list), m_list(list) {}

void CFListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  XFList_Row* row = m_list.RowOf(index);
  if (!row || index.column() >= static_cast<int>(row->items.size())) return;
  paintCell(painter, option.rect, row, index.column());
}

void CFListDelegate::paintCell(QPainter* p, const QRect& rect, XFList_Row* row, int column) const {
  const XFList_Item& cell = row->items[column];
  const QPalette& pal = m_list.palette();
  const int lh = m_list.m_lineHeight;
  const bool focusRow = row == m_list.m_focusRow;
  const bool focusCell = focusRow && (column == m_list.m_focusColumn || m_list.m_focusColumn < 0);
  const bool editing = m_list.m_editor && row == m_list.m_editRow && column == m_list.m_editColumn;
  const FL_COLOR cellText = (cell.format.flags & FLF_TEXTCOLOR) ? cell.format.textColor : FL_COLOR_DEFAULT;
  const FL_COLOR cellBack = (cell.format.flags & FLF_BKCOLOR) ? cell.format.backColor : FL_COLOR_DEFAULT;
  const XFList_Column& col = m_list.m_columns[column];

  // Colours: an open editor, the focus cell, the selected row, the cell, the
  // row, the column, the list; the first that is set wins. The selected row
  // is tinted rather than fully highlighted unless the owner sets its
  // colours, so the focus cell stands out within it.
  QColor back, text;
  bool tinted = false;
  if (editing) {
    back = pal.color(QPalette::Base);
    text = pal.color(QPalette::Text);
  } else {
    const FL_COLOR selBack = focusRow ? m_list.m_selBack : FL_COLOR_DEFAULT;
    const FL_COLOR selText = focusRow ? m_list.m_selText : FL_COLOR_DEFAULT;
    back = resolve({focusCell ? m_list.m_focusBack : FL_COLOR_DEFAULT, selBack, cellBack, row->backColor,
                    col.backColor},
                   pal.color(QPalette::Highlight), pal.color(QPalette::Base));
    text = resolve({focusCell ? m_list.m_focusText : FL_COLOR_DEFAULT, selText, cellText, row->textColor,
                    col.textColor},
                   pal.color(QPalette::HighlightedText), pal.color(QPalette::Text));
    tinted = focusRow && !focusCell && selBack == FL_COLOR_DEFAULT;
  }
  p->fillRect(rect, back);
  if (tinted) {
    QColor tint = pal.color(QPalette::Highlight);
    tint.setAlpha(50);
    p->fillRect(rect, tint);
  }

  p->save();
  p->setClipRect(rect);
  int x = rect.left();
  if (column == m_list.m_treeColumn) {
    x += (lh + 4) * std::max(0, row->depth - 1);
    if (!row->children.empty()) {
      const int slot = lh + 4;
      const QRect box(x + (slot - 9) / 2, rect.top() + (rect.height() - 9) / 2, 9, 9);
      const QPixmap& image = row->collapsed ? m_list.m_collapsedImage : m_list.m_expandedImage;
      if (!image.isNull()) {
        p->drawPixmap(QRect(x + (slot - image.width()) / 2, rect.top() + (rect.height() - image.height()) / 2,
                            image.width(), image.height()),
                      image);
      } else {
        p->fillRect(box, Qt::white);
        p->setPen(QColor(172, 168, 153));
        p->drawRect(box.adjusted(0, 0, -1, -1));
        p->setPen(Qt::black);
        const int cx = box.left() + 4, cy = box.top() + 4;
        p->drawLine(cx - 2, cy, cx + 2, cy);
        if (row->collapsed) p->drawLine(cx, cy - 2, cx, cy + 2);
      }
      x += slot;
    }
  }

  const XFList_ControlProfile* profile = m_list.profileOf(cell.profile);
  if (profile && (profile->kind & FLP_CHECKBOX)) {
    const QRect box(x + 2, rect.top() + (rect.height() - 13) / 2, 13, 13);
    const int imageIndex = cell.check == 1   ? profile->checkedImage
                           : cell.check == 2 ? profile->thirdImage
                                             : profile->uncheckedImage;
    if (imageIndex >= 0 && imageIndex < m_list.m_images.size()) {
      p->drawPixmap(box, m_list.m_images[imageIndex]);
    } else {
      p->fillRect(box, cell.check == 2 ? pal.color(QPalette::Button) : pal.color(QPalette::Base));
      p->setPen(pal.color(QPalette::Dark));
      p->drawRect(box.adjusted(0, 0, -1, -1));
      if (cell.check) {
        QPen pen(cell.check == 2 ? pal.color(QPalette::Mid) : pal.color(QPalette::Text), 2);
        p->setPen(pen);
        p->setRenderHint(QPainter::Antialiasing, true);
        p->drawPolyline(QPolygonF({QPointF(box.left() + 3, box.top() + 6.5), QPointF(box.left() + 5.5, box.top() + 9),
                                   QPointF(box.left() + 10, box.top() + 3.5)}));
        p->setRenderHint(QPainter::Antialiasing, false);
      }
    }
    x += 17;
  }

  if (cell.image >= 0 && cell.image < m_list.m_images.size()) {
    const QPixmap& image = m_list.m_images[cell.image];
    const int size = std::min(lh - 2, rect.height() - 2);
    p->drawPixmap(QRect(x + 1, rect.top() + (rect.height() - size) / 2, size, size), image);
    x += lh;
  }

  const bool button = m_list.showsButton(row, column);
  QRect textArea(x, rect.top(), rect.right() - x + 1 - (button ? rect.height() : 0), rect.height());
  if (!editing) {
    QFont font = m_list.font();
    if (row->bold) font.setBold(true);
    p->setFont(font);
    p->setPen(text);
    int align = col.alignment;  // 0 left, 1 centre, 2 right
    if (cell.format.flags & FLF_ALIGN)
      align = cell.format.alignment == FL_RIGHT ? 2 : cell.format.alignment == FL_CENTER ? 1 : 0;
    const Qt::Alignment h = align == 2 ? Qt::AlignRight : align == 1 ? Qt::AlignHCenter : Qt::AlignLeft;
    const QRect inner = textArea.adjusted(3, 1, -3, -2);
    const QString shown = QFontMetrics(font).elidedText(cell.text, Qt::ElideRight, inner.width());
    p->drawText(inner, int(h | Qt::AlignVCenter | Qt::TextSingleLine), shown);
  }

  if (button) {
    const QRect square(rect.right() - rect.height() + 1, rect.top(), rect.height(), rect.height());
    const QColor face = pal.color(QPalette::Button);
    const QColor edge = pal.color(QPalette::Mid);
    const QColor glyph = pal.color(QPalette::ButtonText);
    auto panel = [&](const QRect& r) {
      p->fillRect(r, face);
      p->setPen(edge);
      p->drawRect(r.adjusted(0, 0, -1, -1));
    };
    p->setRenderHint(QPainter::Antialiasing, true);
    if (m_list.isNumberProfile(profile)) {
      const QRect up(square.left(), square.top(), square.width(), square.height() / 2);
      const QRect down(square.left(), up.bottom() + 1, square.width(), square.height() - up.height());
      panel(up);
      panel(down);
      drawTriangle(p, QRectF(up).center(), 3.5, true, glyph);
      drawTriangle(p, QRectF(down).center(), 3.5, false, glyph);
    } else {
      panel(square);
      p->setPen(QPen(glyph, 1));
      const QPointF c = QRectF(square).center();
      if (profile && (profile->kind & FLP_PLUSGLYPH)) {
        p->setRenderHint(QPainter::Antialiasing, false);
        p->drawLine(QPointF(c.x() - 3, c.y()), QPointF(c.x() + 3, c.y()));
        p->drawLine(QPointF(c.x(), c.y() - 3), QPointF(c.x(), c.y() + 3));
      } else if (profile && (profile->kind & FLP_ISLIST)) {
        drawTriangle(p, c, 4, false, glyph);
      } else {
        for (int i = -1; i <= 1; ++i) p->fillRect(QRectF(c.x() + i * 3.5 - 1, c.y() + 1, 2, 2), glyph);
      }
    }
    p->setRenderHint(QPainter::Antialiasing, false);
  }

  if (m_list.m_gridLines) {
    p->setPen(pal.color(QPalette::Button).darker(108));
    p->drawLine(rect.topRight(), rect.bottomRight());
    p->drawLine(rect.bottomLeft(), rect.bottomRight());
  }
  p->restore();
}

QSize CFListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const {
  XFList_Row* row = m_list.RowOf(index);
  int width = 30;
  if (row) {
    QFont font = m_list.font();
    if (row->bold) font.setBold(true);
    width = QFontMetrics(font).horizontalAdvance(row->items[index.column()].text) +
            m_list.contentLeft(row, index.column()) + 6;
  }
  return QSize(width, m_list.m_lineHeight);
}

QWidget* CFListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
  XFList_Row* row = m_list.RowOf(index);
  if (!row) return nullptr;
  const XFList_ControlProfile* profile = m_list.cellProfile(row, index.column());
  QWidget* editor = nullptr;
  CFList_EditorState* state = nullptr;
  if (m_list.m_editorId == FL_IDC_COMBO) {
    const bool editable = profile && (profile->kind & 0xFFFF & ~FLP_CHECKBOX) == FLP_EDITCOMBO;
    auto* combo = new CFList_ComboBox(parent, editable);
    connect(combo, &CFList_ComboBox::dropDownClosed, this, [this, combo] { const_cast<CFListDelegate*>(this)->finish(combo); });
    editor = combo;
    state = combo;
  } else if (m_list.m_editorId == FL_IDC_TIME) {
    auto* time = new CFList_Time(parent);
    editor = time;
    state = time;
  } else {
    auto* edit = new CFList_Edit(parent);
    editor = edit;
    state = edit;
  }
  editor->setObjectName(QString::number(m_list.m_editorId));
  editor->setFont(m_list.font());
  state->row = row;
  state->column = index.column();
  m_list.m_editor = editor;
  return editor;
}

void CFListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  // Filled once, from what the control opened it with; later changes of the
  // cell do not overwrite what the user is typing.
  auto* state = dynamic_cast<CFList_EditorState*>(editor);
  if (!state || state->filled) return;
  state->filled = true;
  if (auto* combo = qobject_cast<CFList_ComboBox*>(editor)) {
    XFList_Row* row = m_list.RowOf(index);
    const XFList_ControlProfile* profile = m_list.cellProfile(row, index.column());
    static const std::vector<FL_COMBOITEM> none;
    combo->fill(profile ? profile->items : none, profile && (profile->kind & FLP_SORTED),
                m_list.GetCellText(row, index.column()));
    if (combo->isEditable()) combo->setEditText(m_list.m_startText);
  } else if (auto* time = qobject_cast<CFList_Time*>(editor)) {
    time->putEnteredText(m_list.m_startText, 0, true);
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    line->setText(m_list.m_startText);
  }
}

void CFListDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
  XFList_Row* row = m_list.RowOf(index);
  if (!row) return;
  const QRect cell = option.rect;
  const int left = cell.left() + m_list.contentLeft(row, index.column());
  int right = cell.right();
  if (!qobject_cast<CFList_ComboBox*>(editor) && m_list.showsButton(row, index.column()))
    right -= cell.height();
  editor->setGeometry(QRect(left, cell.top(), std::max(right - left + 1, 20), cell.height()));
}

void CFListDelegate::finish(QWidget* editor) {
  auto* state = dynamic_cast<CFList_EditorState*>(editor);
  if (!state) return;
  FLEndEditInfo info;
  info.row = state->row;
  info.column = state->column;
  info.endKey = state->endKey;
  if (auto* combo = qobject_cast<CFList_ComboBox*>(editor)) {
    info.text = combo->endText();
    info.data = static_cast<FL_DATA>(combo->endData());
  } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
    info.text = line->text();
  }
  m_list.editorEnded(editor, info);
}

void CFListDelegate::close(QWidget* editor) {
  if (auto* combo = qobject_cast<CFList_ComboBox*>(editor)) combo->ending = true;
  emit closeEditor(editor, QAbstractItemDelegate::NoHint);
}

bool CFListDelegate::eventFilter(QObject* object, QEvent* event) {
  auto* editor = qobject_cast<QWidget*>(object);
  auto* state = dynamic_cast<CFList_EditorState*>(object);
  if (!editor || !state) return false;
  switch (event->type()) {
    case QEvent::ShortcutOverride: {
      // These keys belong to the editor even where a window has them as shortcuts.
      auto* key = static_cast<QKeyEvent*>(event);
      switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Escape:
        case Qt::Key_Delete:
          event->accept();
          return true;
        default:
          if (key->modifiers() & Qt::ControlModifier) {
            event->accept();
            return true;
          }
          return false;
      }
    }
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
          state->endKey = FL_KEY_ENTER;
          break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
          state->endKey = FL_KEY_TAB;
          state->backward = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
          break;
        case Qt::Key_Escape:
          state->endKey = FL_KEY_ESCAPE;
          break;
        default:
          state->endKey = FL_KEY_ENTER;
          return false;
      }
      finish(editor);
      return true;
    }
    case QEvent::FocusOut: {
      if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) return false;
      for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (w == editor) return false;
      finish(editor);
      return false;
    }
    default:
      return false;
  }
}
