#include "tables/CFListCtrl.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QTimer>

#include "document/Document.h"
#include "tables/CFListDelegate.h"
#include "tables/CFListEditors.h"
#include "tables/CFListModel.h"
#include "tables/NumberText.h"

void CFListOwner::OnListContextMenu(CFListCtrl&, const QPoint&) {}
QString CFListOwner::GetCellToolTip(CFListCtrl&, HFLROW, int) { return {}; }

namespace {

// The editor kind of a profile: its low 16 bits without the check box bit.
int editorKind(int kind) { return kind & 0xFFFF & ~FLP_CHECKBOX; }

constexpr int kAltDown = int(Qt::Key_Down) | int(Qt::AltModifier);
constexpr int kAltUp = int(Qt::Key_Up) | int(Qt::AltModifier);

bool opensOnCharacter(QChar c) {
  // A number may begin with its sign or point: "-15" typed into a closed cell
  // must not lose its minus.
  return c.isLetterOrNumber() || c == u'-' || c == u'+' || c == u'.' || c == u',';
}

}  // namespace

// Column 0 drawn in place over the viewport's left edge (and its heading over
// the header's) while the columns under it scroll sideways. The mouse goes on
// to the list at the same place, where the list finds column 0 (CellAt).
class CFListFrozenPane : public QWidget {
 public:
  explicit CFListFrozenPane(CFListCtrl& list) : QWidget(&list), m_list(list) {
    setObjectName(QStringLiteral("frozenColumn"));
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

  int headerHeight() const { return m_list.isHeaderHidden() ? 0 : m_list.header()->height(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), m_list.palette().color(QPalette::Base));
    const int hh = headerHeight();
    if (hh > 0) {
      QStyleOptionHeader opt;
      opt.initFrom(m_list.header());
      opt.rect = QRect(0, 0, width(), hh);
      opt.section = 0;
      opt.text = m_list.GetColumnHeading(0);
      opt.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
      opt.position = QStyleOptionHeader::Beginning;
      opt.orientation = Qt::Horizontal;
      m_list.header()->style()->drawControl(QStyle::CE_Header, &opt, &p, m_list.header());
    }
    if (m_list.m_resetOpen) return;
    p.setClipRect(0, hh, width(), height() - hh);
    const int viewHeight = m_list.viewport()->height();
    for (int i = std::max(0, m_list.verticalScrollBar()->value()); i < m_list.GetDisplayedRowCount(); ++i) {
      const QRect r = m_list.visualRect(m_list.m_model->index(i, 0));
      if (!r.isValid() || r.top() >= viewHeight) break;
      m_list.m_delegate->paintCell(&p, QRect(0, r.top() + hh, width(), r.height()), m_list.m_display[i], 0);
    }
    // The columns pass under it: an edge shows where.
    if (m_list.horizontalScrollBar()->value() > 0) {
      p.setPen(m_list.palette().color(QPalette::Mid));
      p.drawLine(width() - 1, 0, width() - 1, height());
    }
  }
  void mousePressEvent(QMouseEvent* e) override { forward(e); }
  void mouseReleaseEvent(QMouseEvent* e) override { forward(e); }
  void mouseDoubleClickEvent(QMouseEvent* e) override { forward(e); }
  void wheelEvent(QWheelEvent* e) override { QCoreApplication::sendEvent(m_list.viewport(), e); }
  void contextMenuEvent(QContextMenuEvent* e) override {
    const QPoint at = e->pos() - QPoint(0, headerHeight());
    if (at.y() < 0) {
      if (CFListOwner* o = m_list.owner()) o->OnListContextMenu(m_list, e->globalPos());
      return;
    }
    QContextMenuEvent copy(e->reason(), at, e->globalPos(), e->modifiers());
    QCoreApplication::sendEvent(m_list.viewport(), &copy);
  }

 private:
  void forward(QMouseEvent* e) {
    const QPointF at = e->position() - QPointF(0, headerHeight());
    if (at.y() < 0) return;
    QMouseEvent copy(e->type(), at, e->globalPosition(), e->button(), e->buttons(), e->modifiers());
    QCoreApplication::sendEvent(m_list.viewport(), &copy);
  }

  CFListCtrl& m_list;
};

CFListCtrl::CFListCtrl(QWidget* parent, int id)
    : QTreeView(parent), m_id(id), m_root(std::make_unique<XFList_Row>()) {
  if (id) setObjectName(QString::number(id));
  m_root->collapsed = 0;
  m_model = new CFListModel(*this);
  m_delegate = new CFListDelegate(*this);
  setModel(m_model);
  setItemDelegate(m_delegate);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(true);
  setAutoScroll(false);
  setSortingEnabled(false);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  header()->setSectionsMovable(false);
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(false);
  header()->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(header(), &QHeaderView::customContextMenuRequested, this, &CFListCtrl::onHeaderContextMenu);
  connect(header(), &QHeaderView::sectionHandleDoubleClicked, this, [this](int c) { AutoSizeColumn(c); });
  connect(header(), &QHeaderView::sectionResized, this, &CFListCtrl::onSectionResized);
  // A model reset leaves the header with default sections: the columns'
  // widths are kept across it (and the widths of columns added during it
  // are given once it ends).
  connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
    for (int c = 0; c < GetColumnCount() && c < header()->count(); ++c)
      if (m_columns[c].pendingWidth < 0) m_columns[c].pendingWidth = header()->sectionSize(c);
  });
  connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
    for (int c = 0; c < GetColumnCount(); ++c)
      if (m_columns[c].pendingWidth >= 0) {
        header()->resizeSection(c, m_columns[c].pendingWidth);
        m_columns[c].pendingWidth = -1;
      }
  });
  m_spinRepeat = new QTimer(this);
  connect(m_spinRepeat, &QTimer::timeout, this, [this] {
    m_spinRepeat->setInterval(60);
    spin(m_spinDelta);
  });
  measure();
}

CFListCtrl::~CFListCtrl() {
  // The owner is going away with the control: the rows go without notices,
  // and an open editor no longer reports.
  m_destroying = true;
  m_spinRepeat->stop();
  if (m_editor) m_editor->removeEventFilter(m_delegate);
  setModel(nullptr);
  delete m_model;
}

// ---- Columns ------------------------------------------------------------------

int CFListCtrl::AddColumn(int index, const QString& heading, int width, int format, int defaultProfile) {
  const int count = GetColumnCount();
  if (index < 0 || index > count) index = count;
  XFList_Column column;
  column.heading = heading;
  column.defaultProfile = defaultProfile;
  // Header codes 0 left, 1 right, 2 centre are kept as 0 left, 1 centre, 2 right.
  column.alignment = format == FL_RIGHT ? 2 : format == FL_CENTER ? 1 : 0;
  column.pendingWidth = width;
  // Columns added while redrawing is locked reach the view as one reset, so
  // a program of 99 steps does not re-lay the header out 99 times.
  if (locked()) beginStructure();
  const bool reset = m_resetOpen;
  if (!reset) m_model->beginInsertColumns(QModelIndex(), index, index);
  m_columns.insert(m_columns.begin() + index, column);
  std::function<void(XFList_Row*)> addCell = [&](XFList_Row* row) {
    for (auto& child : row->children) {
      XFList_Item cell;
      cell.profile = defaultProfile;
      child->items.insert(child->items.begin() + index, cell);
      addCell(child.get());
    }
  };
  addCell(m_root.get());
  if (!reset) {
    m_model->endInsertColumns();
    header()->resizeSection(index, width);
    m_columns[index].pendingWidth = -1;
  }
  if (m_focusRow && m_focusColumn >= index) ++m_focusColumn;
  return index;
}

QString CFListCtrl::GetColumnHeading(int column) const {
  return column >= 0 && column < GetColumnCount() ? m_columns[column].heading : QString();
}

void CFListCtrl::SetColumnHeading(int column, const QString& heading) {
  if (column < 0 || column >= GetColumnCount() || m_columns[column].heading == heading) return;
  m_columns[column].heading = heading;
  if (!m_resetOpen) emit m_model->headerDataChanged(Qt::Horizontal, column, column);
  if (column == 0 && m_frozenPane) m_frozenPane->update();
}

void CFListCtrl::RemoveColumn(int index) {
  if (index < 0 || index >= GetColumnCount()) return;
  EndEdit(true);
  if (GetColumnCount() == 1) {
    RemoveRow(FL_ROOT);
  }
  if (locked()) beginStructure();
  const bool reset = m_resetOpen;
  if (!reset) m_model->beginRemoveColumns(QModelIndex(), index, index);
  m_columns.erase(m_columns.begin() + index);
  std::function<void(XFList_Row*)> removeCell = [&](XFList_Row* row) {
    for (auto& child : row->children) {
      child->items.erase(child->items.begin() + index);
      removeCell(child.get());
    }
  };
  removeCell(m_root.get());
  if (!reset) m_model->endRemoveColumns();
  if (m_focusColumn >= GetColumnCount()) m_focusColumn = GetColumnCount() - 1;
}

void CFListCtrl::SetColumnColor(int column, FL_COLOR text, FL_COLOR back) {
  if (column < 0 || column >= GetColumnCount()) return;
  m_columns[column].textColor = text;
  m_columns[column].backColor = back;
  viewport()->update();
}

// ---- Rows ----------------------------------------------------------------------

HFLROW CFListCtrl::AddRow(HFLROW parent, HFLROW after, const QString& text, int image, int profile) {
  XFList_Row* p = real(parent);
  if (!p) return nullptr;
  auto owned = std::make_unique<XFList_Row>();
  XFList_Row* row = owned.get();
  row->parent = p;
  row->depth = p->depth + 1;
  row->items.resize(m_columns.size());
  for (size_t c = 0; c < m_columns.size(); ++c) row->items[c].profile = m_columns[c].defaultProfile;
  if (m_treeColumn < GetColumnCount()) {
    XFList_Item& cell = row->items[m_treeColumn];
    cell.text = text;
    cell.image = image;
    if (profile >= 0) cell.profile = profile;
  }

  size_t pos = p->children.size();
  if (after == FL_FIRST || after == FL_SORT) {
    pos = 0;
  } else if (after != FL_LAST && reinterpret_cast<quintptr>(after) > 4) {
    for (size_t i = 0; i < p->children.size(); ++i)
      if (p->children[i].get() == after) pos = i + 1;
  }
  const bool shown = p == m_root.get() || (p->listIndex >= 0 && !p->collapsed);
  const bool firstChild = p->children.empty();
  ++m_rowCount;

  if (after == FL_SORT && shown && !locked()) {
    // The parent's displayed rows are reordered: one reset.
    beginStructure();
    p->children.insert(p->children.begin() + pos, std::move(owned));
    sortChildren(p);
    endStructure();
    return row;
  }
  if (locked() || !shown) {
    if (locked()) beginStructure();
    p->children.insert(p->children.begin() + pos, std::move(owned));
    if (after == FL_SORT) sortChildren(p);
    if (!locked() && firstChild && p->listIndex >= 0) rowChanged(p);
    return row;
  }
  // Shown at once: right after the last displayed row before it.
  XFList_Row* before = pos == 0 ? p : lastDisplayedIn(p->children[pos - 1].get());
  const int at = before == m_root.get() ? 0 : before->listIndex + 1;
  m_model->beginInsertRows(QModelIndex(), at, at);
  p->children.insert(p->children.begin() + pos, std::move(owned));
  m_display.insert(m_display.begin() + at, row);
  renumber(at);
  m_model->endInsertRows();
  if (firstChild && p != m_root.get()) rowChanged(p);
  return row;
}

void CFListCtrl::sortChildren(XFList_Row* parent) {
  std::stable_sort(parent->children.begin(), parent->children.end(), [this](const auto& a, const auto& b) {
    return a->items[m_treeColumn].text.compare(b->items[m_treeColumn].text, Qt::CaseInsensitive) < 0;
  });
}

void CFListCtrl::RemoveRow(HFLROW handle) {
  XFList_Row* row = real(handle);
  if (!row) return;
  // An editor on a row that goes is cancelled first (or, while it is
  // reporting its end, forgets its row).
  if (m_editor) {
    for (XFList_Row* r = m_editRow; r; r = r->parent)
      if (r == row) {
        if (!m_ending) EndEdit(true);
        m_editRow = nullptr;
        break;
      }
  }
  if (row == m_root.get()) {
    // All rows: one reset, each row with its notice.
    const bool ownReset = !m_resetOpen;
    beginStructure();
    while (!row->children.empty()) RemoveRow(row->children.back().get());
    m_focusRow = nullptr;
    if (ownReset && !locked()) endStructure();
    return;
  }

  CollapseRow(row, true);
  notify(FLN_DELETEROW, row, -1);

  // The focus moves to the next sibling, else to the previous row.
  bool focusInside = false;
  for (XFList_Row* r = m_focusRow; r; r = r->parent)
    if (r == row) focusInside = true;
  XFList_Row* newFocus = nullptr;
  if (focusInside) {
    newFocus = GetRelatedRow(row, FLR_NEXTSIBLING);
    if (!newFocus) newFocus = GetRelatedRow(row, FLR_PREVDISPLAYED);
    if (!newFocus && row->parent != m_root.get()) newFocus = row->parent;
  }

  // Children first, each with its own notice.
  while (!row->children.empty()) {
    XFList_Row* child = row->children.back().get();
    std::function<void(XFList_Row*)> noticeAll = [&](XFList_Row* r) {
      notify(FLN_DELETEROW, r, -1);
      for (auto& c : r->children) noticeAll(c.get());
    };
    noticeAll(child);
    std::function<int(XFList_Row*)> countAll = [&](XFList_Row* r) {
      int n = 1;
      for (auto& c : r->children) n += countAll(c.get());
      return n;
    };
    m_rowCount -= countAll(child);
    row->children.pop_back();
  }

  XFList_Row* parent = row->parent;
  const int at = row->listIndex;
  if (locked() || m_resetOpen) {
    beginStructure();
    removeRowRecord(row);
  } else if (at >= 0) {
    m_model->beginRemoveRows(QModelIndex(), at, at);
    m_display.erase(m_display.begin() + at);
    removeRowRecord(row);
    renumber(at);
    m_model->endRemoveRows();
  } else {
    removeRowRecord(row);
  }
  if (parent != m_root.get() && parent->children.empty() && !m_resetOpen) rowChanged(parent);
  if (focusInside) {
    m_focusRow = nullptr;
    if (newFocus) SetFocusCell(newFocus, m_focusColumn, false);
  }
}

void CFListCtrl::removeRowRecord(XFList_Row* row) {
  --m_rowCount;
  auto& siblings = row->parent->children;
  for (auto it = siblings.begin(); it != siblings.end(); ++it)
    if (it->get() == row) {
      siblings.erase(it);
      break;
    }
}

void CFListCtrl::SetRowBold(HFLROW handle, bool bold) {
  XFList_Row* row = real(handle);
  if (!row || row == m_root.get() || row->bold == int(bold)) return;
  row->bold = bold;
  rowChanged(row);
}

bool CFListCtrl::IsRowBold(HFLROW row) const { return row && row != FL_ROOT && row->bold; }

void CFListCtrl::SetRowColor(HFLROW handle, FL_COLOR text, FL_COLOR back) {
  XFList_Row* row = real(handle);
  if (!row || row == m_root.get()) return;
  row->textColor = text;
  row->backColor = back;
  rowChanged(row);
}

// ---- Cells -----------------------------------------------------------------------

XFList_Item* CFListCtrl::item(HFLROW handle, int column) const {
  XFList_Row* row = real(handle);
  if (!row || row == m_root.get() || column < 0 || column >= static_cast<int>(row->items.size())) return nullptr;
  return &row->items[column];
}

QString CFListCtrl::GetCellText(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return cell ? cell->text : QString();
}

void CFListCtrl::SetCellText(HFLROW row, int column, const QString& text) {
  XFList_Item* cell = item(row, column);
  if (!cell || cell->text == text) return;
  cell->text = text;
  cellChanged(row, column);
  if (isHeaderHidden() && GetColumnCount() == 1) AutoSizeColumn(-1);
}

FL_DATA CFListCtrl::GetCellData(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return cell ? cell->data : 0;
}

void CFListCtrl::SetCellData(HFLROW row, int column, FL_DATA data) {
  if (XFList_Item* cell = item(row, column)) cell->data = data;
}

int CFListCtrl::GetCellCheck(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return cell ? cell->check : 0;
}

void CFListCtrl::SetCellCheck(HFLROW row, int column, int check) {
  XFList_Item* cell = item(row, column);
  if (!cell || cell->check == check) return;
  cell->check = check;
  cellChanged(row, column);
}

int CFListCtrl::GetCellImage(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return cell ? cell->image : -1;
}

void CFListCtrl::SetCellImage(HFLROW row, int column, int image) {
  XFList_Item* cell = item(row, column);
  if (!cell || cell->image == image) return;
  cell->image = image;
  cellChanged(row, column);
}

void CFListCtrl::SetCellFormat(HFLROW row, int column, const XFList_CellFormat* format) {
  XFList_Item* cell = item(row, column);
  if (!cell) return;
  cell->format = format ? *format : XFList_CellFormat();
  cellChanged(row, column);
}

XFList_CellFormat CFListCtrl::GetCellFormat(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return cell ? cell->format : XFList_CellFormat();
}

int CFListCtrl::GetCellProfile(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return cell ? cell->profile : -1;
}

void CFListCtrl::SetCellProfile(HFLROW row, int column, int profile) {
  XFList_Item* cell = item(row, column);
  if (!cell) return;
  // The text stays as it is, beyond the profile's range too: giving a cell
  // an editor is showing it, and showing changes no value. The range holds
  // for what the user enters or steps.
  cell->profile = profile;
  cellChanged(row, column);
}

// ---- Profiles ----------------------------------------------------------------------

int CFListCtrl::AddProfile(int kind) {
  auto p = std::make_unique<XFList_ControlProfile>();
  p->kind = kind;
  m_profiles.push_back(std::move(p));
  return static_cast<int>(m_profiles.size()) - 1;
}

XFList_ControlProfile* CFListCtrl::profileOf(int profile) const {
  if (profile < 0 || profile >= static_cast<int>(m_profiles.size())) return nullptr;
  return m_profiles[profile].get();
}

const XFList_ControlProfile* CFListCtrl::GetProfile(int profile) const { return profileOf(profile); }

void CFListCtrl::AddComboItem(int profile, const QString& text, int data) {
  if (XFList_ControlProfile* p = profileOf(profile)) p->items.push_back({text, data});
}

void CFListCtrl::SetIntRange(int profile, int minimum, int maximum, int step) {
  if (XFList_ControlProfile* p = profileOf(profile)) {
    p->numberType = 0;
    p->intMin = minimum;
    p->intMax = maximum;
    p->intStep = step;
  }
}

void CFListCtrl::SetRealRange(int profile, double minimum, double maximum, double step) {
  if (XFList_ControlProfile* p = profileOf(profile)) {
    p->numberType = 1;
    p->realMin = minimum;
    p->realMax = maximum;
    p->realStep = step;
  }
}

void CFListCtrl::SetTimeFormat(int profile, int format) {
  if (XFList_ControlProfile* p = profileOf(profile)) p->timeFormat = format;
}

void CFListCtrl::SetProfileImages(int profile, int checked, int unchecked, int third) {
  if (XFList_ControlProfile* p = profileOf(profile)) {
    p->checkedImage = checked;
    p->uncheckedImage = unchecked;
    p->thirdImage = third;
  }
}

QString CFListCtrl::GetProfileText(int profile) const {
  const XFList_ControlProfile* p = profileOf(profile);
  return p ? p->text : QString();
}

int CFListCtrl::GetProfileData(int profile) const {
  const XFList_ControlProfile* p = profileOf(profile);
  return p ? p->data : 0;
}

XFList_ControlProfile* CFListCtrl::cellProfile(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return cell ? profileOf(cell->profile) : nullptr;
}

bool CFListCtrl::isNumberProfile(const XFList_ControlProfile* p) const {
  return p && (p->kind & 0x2A) == 0x2A;
}

bool CFListCtrl::isReadOnly(HFLROW row, int column) const {
  const XFList_Item* cell = item(row, column);
  return !cell || (cell->format.flags & FLF_READONLY);
}

QString CFListCtrl::FormatNumber(int profile, double value) {
  XFList_ControlProfile* p = profileOf(profile);
  if (!p || p->numberType == 0) return QString::number(static_cast<long long>(std::llround(value)));
  if (p->realFormatStep != p->realStep) {
    // As many decimals as the step's fraction has: 0.1 gives one, 1 none, 0.25 two.
    QString fraction = QString::asprintf("%lf", p->realStep - std::trunc(p->realStep));
    fraction = fraction.mid(fraction.indexOf(u'.') + 1);
    while (fraction.endsWith(u'0')) fraction.chop(1);
    p->realFormat = QStringLiteral("%.%1lf").arg(fraction.size());
    p->realFormatStep = p->realStep;
  }
  return QString::asprintf(p->realFormat.toLatin1().constData(), value);
}

void CFListCtrl::spin(int delta) {
  if (!m_focusRow || m_focusColumn < 0 || m_editor) return;
  XFList_ControlProfile* p = cellProfile(m_focusRow, m_focusColumn);
  if (!isNumberProfile(p) || isReadOnly(m_focusRow, m_focusColumn)) return;
  const int profile = item(m_focusRow, m_focusColumn)->profile;
  const QString old = GetCellText(m_focusRow, m_focusColumn);
  QString text;
  if (p->numberType == 0) {
    const long long v = static_cast<long long>(numbertext::leadingInteger(old).value_or(0)) +
                        static_cast<long long>(p->intStep) * delta;
    text = FormatNumber(profile, static_cast<double>(std::max<long long>(std::min<long long>(v, p->intMax), p->intMin)));
  } else {
    double v = numbertext::leadingReal(old).value_or(0) + p->realStep * delta;
    v = std::min(v, p->realMax);
    v = std::max(v, p->realMin);
    text = FormatNumber(profile, v);
  }
  FLNotifyInfo info;
  notify(FLN_CHANGED, m_focusRow, m_focusColumn, &info);
  info.text = text;
  {
    // Consecutive clicks on one cell are one undo step of the document.
    const Document::SpinClick click(Document::active());
    send(info);
  }
  if (XFList_Item* cell = item(m_focusRow, m_focusColumn)) cell->text = info.text;
  cellChanged(m_focusRow, m_focusColumn);
}

// ---- Images ------------------------------------------------------------------------

void CFListCtrl::SetImageList(const QList<QPixmap>& images) {
  m_images = images;
  viewport()->update();
}

void CFListCtrl::SetStateImages(const QPixmap& expanded, const QPixmap& collapsed) {
  m_expandedImage = expanded;
  m_collapsedImage = collapsed;
  viewport()->update();
}

// ---- Tree ----------------------------------------------------------------------------

void CFListCtrl::CollapseRow(HFLROW handle, bool collapsed) {
  XFList_Row* row = real(handle);
  if (!row || row == m_root.get() || IsRowCollapsed(row) == collapsed) return;
  row->collapsed = collapsed;
  if (row->listIndex >= 0) {
    if (collapsed)
      hideChildren(row);
    else
      showChildren(row);
  }
  notify(FLN_ROWTOGGLED, row, -1);
  // A focus cell that went out of sight moves to the row that hid it.
  if (m_focusRow && m_focusRow->listIndex < 0 && row->listIndex >= 0 && !m_editor) {
    for (XFList_Row* r = m_focusRow; r; r = r->parent)
      if (r == row) {
        SetFocusCell(row, m_focusColumn, false);
        break;
      }
  }
  rowChanged(row);
  if (isHeaderHidden() && GetColumnCount() == 1) AutoSizeColumn(-1);
}

bool CFListCtrl::IsRowCollapsed(HFLROW handle) const {
  XFList_Row* row = real(handle);
  return !row || row->collapsed || row->children.empty();
}

int CFListCtrl::GetChildCount(HFLROW handle) const {
  XFList_Row* row = real(handle);
  return row ? static_cast<int>(row->children.size()) : 0;
}

HFLROW CFListCtrl::GetChild(HFLROW parent, int n) const {
  XFList_Row* row = real(parent);
  if (!row || n < 0 || n >= static_cast<int>(row->children.size())) return nullptr;
  return row->children[n].get();
}

int CFListCtrl::GetRowDepth(HFLROW row) const { return row && row != FL_ROOT ? row->depth : 0; }

bool CFListCtrl::IsRowDisplayed(HFLROW row) const { return row && row != FL_ROOT && row->listIndex >= 0; }

HFLROW CFListCtrl::GetDisplayedRow(int listIndex) const {
  if (listIndex < 0 || listIndex >= GetDisplayedRowCount()) return nullptr;
  return m_display[listIndex];
}

HFLROW CFListCtrl::GetRelatedRow(HFLROW handle, int relation) const {
  if (relation == FLR_FIRSTONPAGE || relation == FLR_LASTONPAGE) {
    if (m_display.empty()) return nullptr;
    const int rowHeight = std::max(1, m_lineHeight);
    const int first = std::clamp(verticalScrollBar()->value(), 0, GetDisplayedRowCount() - 1);
    if (relation == FLR_FIRSTONPAGE) return m_display[first];
    const int last = std::min(GetDisplayedRowCount() - 1, first + viewport()->height() / rowHeight - 1);
    return m_display[std::max(first, last)];
  }
  XFList_Row* row = real(handle);
  if (!row) return nullptr;
  auto siblingAt = [](XFList_Row* r, int offset) -> XFList_Row* {
    if (!r->parent) return nullptr;
    auto& siblings = r->parent->children;
    for (size_t i = 0; i < siblings.size(); ++i)
      if (siblings[i].get() == r) {
        const long j = static_cast<long>(i) + offset;
        return j >= 0 && j < static_cast<long>(siblings.size()) ? siblings[j].get() : nullptr;
      }
    return nullptr;
  };
  switch (relation) {
    case FLR_FIRSTCHILD:
      return row->children.empty() ? nullptr : row->children.front().get();
    case FLR_LASTCHILD:
      return row->children.empty() ? nullptr : row->children.back().get();
    case FLR_NEXTSIBLING:
      return siblingAt(row, 1);
    case FLR_PREVSIBLING:
      return siblingAt(row, -1);
    case FLR_NEXTDISPLAYED:
      return row->listIndex >= 0 ? GetDisplayedRow(row->listIndex + 1) : nullptr;
    case FLR_PREVDISPLAYED:
      return row->listIndex >= 0 ? GetDisplayedRow(row->listIndex - 1) : nullptr;
    case FLR_PARENT:
      return row->parent == m_root.get() ? nullptr : row->parent;
    case FLR_DISPLAYED:
      while (row && row != m_root.get() && row->listIndex < 0) row = row->parent;
      return row == m_root.get() ? nullptr : row;
    case FLR_TOPLEVEL:
      if (row == m_root.get()) return nullptr;
      while (row->parent != m_root.get()) row = row->parent;
      return row;
    default:
      return nullptr;
  }
}

void CFListCtrl::SwapRows(HFLROW a, HFLROW b) {
  XFList_Row* ra = real(a);
  XFList_Row* rb = real(b);
  if (!ra || !rb || ra == rb || ra->parent != rb->parent || ra == m_root.get()) return;
  auto& siblings = ra->parent->children;
  auto ia = std::find_if(siblings.begin(), siblings.end(), [ra](const auto& r) { return r.get() == ra; });
  auto ib = std::find_if(siblings.begin(), siblings.end(), [rb](const auto& r) { return r.get() == rb; });
  if (locked()) {
    beginStructure();
    std::iter_swap(ia, ib);
    return;
  }
  // The displayed rows keep their number: a layout change that moves the
  // view's persistent indexes (current cell, selection) with their rows.
  emit m_model->layoutAboutToBeChanged();
  const QModelIndexList before = m_model->persistentIndexList();
  std::vector<XFList_Row*> rowsBefore;
  for (const QModelIndex& i : before) rowsBefore.push_back(m_display[i.row()]);
  std::iter_swap(ia, ib);
  rebuildDisplay();
  for (int i = 0; i < before.size(); ++i)
    m_model->changePersistentIndex(before[i], m_model->index(rowsBefore[i]->listIndex, before[i].column()));
  emit m_model->layoutChanged();
}

// ---- Displayed rows ---------------------------------------------------------------------

void CFListCtrl::beginStructure() {
  if (m_resetOpen) return;
  m_model->beginResetModel();
  m_resetOpen = true;
  // Rows may go from here on: nothing reads the displayed rows until the
  // reset ends and they are listed anew.
  m_display.clear();
}

void CFListCtrl::endStructure() {
  if (!m_resetOpen) return;
  rebuildDisplay();
  m_resetOpen = false;
  m_model->endResetModel();
  // Laid out at once, so the owner can scroll.
  doItemsLayout();
  if (m_focusRow && m_focusRow->listIndex >= 0)
    selectionModel()->setCurrentIndex(IndexOf(m_focusRow, std::max(m_focusColumn, 0)),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CFListCtrl::rebuildDisplay() {
  m_display.clear();
  std::function<void(XFList_Row*, bool)> visit = [&](XFList_Row* row, bool shown) {
    for (auto& child : row->children) {
      XFList_Row* c = child.get();
      if (shown) {
        c->listIndex = static_cast<int>(m_display.size());
        m_display.push_back(c);
      } else {
        c->listIndex = -1;
      }
      if (!c->children.empty()) visit(c, shown && !c->collapsed);
    }
  };
  visit(m_root.get(), true);
}

void CFListCtrl::collectDisplayed(XFList_Row* row, std::vector<XFList_Row*>& out) const {
  for (auto& child : row->children) {
    out.push_back(child.get());
    if (!child->collapsed) collectDisplayed(child.get(), out);
  }
}

void CFListCtrl::showChildren(XFList_Row* row) {
  if (locked() || m_resetOpen) {
    beginStructure();
    return;
  }
  std::vector<XFList_Row*> rows;
  collectDisplayed(row, rows);
  if (rows.empty()) return;
  const int at = row->listIndex + 1;
  m_model->beginInsertRows(QModelIndex(), at, at + static_cast<int>(rows.size()) - 1);
  m_display.insert(m_display.begin() + at, rows.begin(), rows.end());
  renumber(at);
  m_model->endInsertRows();
}

void CFListCtrl::hideChildren(XFList_Row* row) {
  if (locked() || m_resetOpen) {
    beginStructure();
    return;
  }
  const int at = row->listIndex + 1;
  int end = at;
  while (end < GetDisplayedRowCount() && m_display[end]->depth > row->depth) ++end;
  if (end == at) return;
  m_model->beginRemoveRows(QModelIndex(), at, end - 1);
  for (int i = at; i < end; ++i) m_display[i]->listIndex = -1;
  m_display.erase(m_display.begin() + at, m_display.begin() + end);
  renumber(at);
  m_model->endRemoveRows();
}

void CFListCtrl::renumber(int from) {
  for (int i = from; i < GetDisplayedRowCount(); ++i) m_display[i]->listIndex = i;
}

XFList_Row* CFListCtrl::lastDisplayedIn(XFList_Row* row) const {
  while (!row->collapsed && !row->children.empty()) row = row->children.back().get();
  return row;
}

void CFListCtrl::cellChanged(HFLROW row, int column) {
  if (m_resetOpen || !row || row == FL_ROOT || row->listIndex < 0) return;
  const QModelIndex index = m_model->index(row->listIndex, column);
  emit m_model->dataChanged(index, index);
}

void CFListCtrl::rowChanged(HFLROW row) {
  if (m_resetOpen || !row || row == FL_ROOT || row->listIndex < 0 || m_columns.empty()) return;
  emit m_model->dataChanged(m_model->index(row->listIndex, 0),
                            m_model->index(row->listIndex, GetColumnCount() - 1));
}

// ---- Focus ----------------------------------------------------------------------------

void CFListCtrl::SetFocusCell(HFLROW handle, int column, bool scroll) {
  if (m_editor) return;
  XFList_Row* row = handle == FL_ROOT ? nullptr : handle;
  if (row) {
    column = std::min(column, GetColumnCount() - 1);
    if (m_rowFocus) column = -1;
  }
  XFList_Row* old = m_focusRow;
  m_focusRow = row;
  m_focusColumn = column;
  m_spinRepeat->stop();
  rowChanged(old);
  rowChanged(row);
  if (!m_resetOpen) {
    if (row && row->listIndex >= 0)
      selectionModel()->setCurrentIndex(IndexOf(row, std::max(column, 0)),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
      selectionModel()->clear();
  }
  if (scroll && row) EnsureCellVisible(row, column);
  notify(FLN_FOCUSCHANGED, row, column);
}

void CFListCtrl::EnsureCellVisible(HFLROW row, int column) {
  if (!IsRowDisplayed(row) || m_resetOpen) return;
  QScrollBar* h = horizontalScrollBar();
  const int keep = h->value();
  scrollTo(IndexOf(row, 0), QAbstractItemView::EnsureVisible);
  h->setValue(keep);
  if (column < 0 || column >= GetColumnCount()) return;
  // A frozen column 0 is always in sight, and the others show right of it.
  const int frozen = frozenWidth();
  if (column == 0 && frozen > 0) return;
  const int x = header()->sectionPosition(column);
  const int w = header()->sectionSize(column);
  const int view = viewport()->width();
  int value = h->value();
  if (frozen > 0) {
    // Beside a frozen column the columns stop at its edge, none cut by it
    // (unless the last ones leave no room to scroll further).
    if (x - frozen < value) {
      value = x - frozen;
    } else if (x + w > value + view) {
      value = x + w - view;
      for (int c = 1; c < GetColumnCount(); ++c)
        if (const int left = header()->sectionPosition(c) - frozen; left >= value) {
          value = std::min(left, x - frozen);
          break;
        }
    }
    h->setValue(value);
    return;
  }
  if (x - 10 < value)
    value = std::max(0, x - 10);
  else if (x + w > value + view)
    value = w + 10 <= view ? x + w - view : x - 10;
  h->setValue(value);
}

void CFListCtrl::SetRowFocusMode(bool rowFocus) {
  m_rowFocus = rowFocus;
  if (rowFocus && m_focusRow) m_focusColumn = -1;
  viewport()->update();
}

void CFListCtrl::SetTreeColumn(int column) {
  m_treeColumn = std::max(0, column);
  viewport()->update();
}

void CFListCtrl::SetFocusColors(FL_COLOR text, FL_COLOR back) {
  m_focusText = text;
  m_focusBack = back;
  viewport()->update();
}

void CFListCtrl::SetSelectedRowColors(FL_COLOR text, FL_COLOR back) {
  m_selText = text;
  m_selBack = back;
  viewport()->update();
}

// ---- Look ------------------------------------------------------------------------------

void CFListCtrl::measure() {
  const QFontMetrics fm(font());
  m_lineHeight = fm.height() + fm.leading() + 4;
}

void CFListCtrl::AutoSizeColumn(int column) {
  if (column < 0) {
    if (!isHeaderHidden() || GetColumnCount() != 1) return;
    column = 0;
  }
  if (column >= GetColumnCount()) return;
  QFont boldFont = font();
  boldFont.setBold(true);
  const QFontMetrics normal(font());
  const QFontMetrics bold(boldFont);
  int width = 30;
  for (XFList_Row* row : m_display) {
    const QFontMetrics& fm = row->bold ? bold : normal;
    const int around = contentLeft(row, column) + 6 + 11;
    width = std::max(width, fm.horizontalAdvance(row->items[column].text) + around);
  }
  if (!isHeaderHidden()) width = std::max(width, normal.horizontalAdvance(m_columns[column].heading) + 20);
  header()->resizeSection(column, width);
}

void CFListCtrl::LockRedraw(bool lock, bool reset) {
  if (reset)
    m_lock = 0;
  else if (lock)
    ++m_lock;
  else if (m_lock > 0)
    --m_lock;
  if (m_lock > 0) {
    viewport()->setUpdatesEnabled(false);
    return;
  }
  endStructure();
  viewport()->setUpdatesEnabled(true);
  viewport()->update();
}

void CFListCtrl::SetFrozenColumn(bool frozen) {
  if (frozen == IsColumnFrozen()) return;
  if (frozen) {
    m_frozenPane = new CFListFrozenPane(*this);
  } else {
    delete m_frozenPane;
    m_frozenPane = nullptr;
  }
  placeFrozenPane();
  viewport()->update();
}

int CFListCtrl::frozenWidth() const {
  return m_frozenPane && GetColumnCount() > 0 ? std::min(header()->sectionSize(0), viewport()->width()) : 0;
}

void CFListCtrl::placeFrozenPane() {
  if (!m_frozenPane) return;
  const QRect vg = viewport()->geometry();
  const int top = isHeaderHidden() ? vg.top() : header()->geometry().top();
  m_frozenPane->setGeometry(vg.left(), top, frozenWidth(), vg.bottom() + 1 - top);
  // An editor in column 0 opens at the left edge, in the view itself.
  m_frozenPane->setVisible(frozenWidth() > 0 && !(m_editor && m_editColumn == 0));
  m_frozenPane->raise();
  m_frozenPane->update();
}

void CFListCtrl::updateGeometries() {
  QTreeView::updateGeometries();
  placeFrozenPane();
}

bool CFListCtrl::viewportEvent(QEvent* event) {
  // Whatever the view repaints (rows, focus, scrolling), column 0 follows.
  if (event->type() == QEvent::Paint && m_frozenPane) m_frozenPane->update();
  return QTreeView::viewportEvent(event);
}

void CFListCtrl::SetGridLines(bool on) {
  m_gridLines = on;
  viewport()->update();
}

// ---- Geometry ----------------------------------------------------------------------------

QModelIndex CFListCtrl::IndexOf(HFLROW row, int column) const {
  if (!IsRowDisplayed(row) || column < 0 || column >= GetColumnCount() || m_resetOpen) return {};
  return m_model->index(row->listIndex, column);
}

HFLROW CFListCtrl::RowOf(const QModelIndex& index) const {
  return index.isValid() && index.model() == m_model ? m_model->rowAt(index.row()) : nullptr;
}

bool CFListCtrl::CellAt(const QPoint& pos, HFLROW* row, int* column) const {
  QPoint at = pos;
  if (const int frozen = frozenWidth(); pos.x() >= 0 && pos.x() < frozen)
    at.setX(header()->sectionViewportPosition(0) + pos.x());
  const QModelIndex index = indexAt(at);
  if (!index.isValid()) return false;
  *row = RowOf(index);
  *column = index.column();
  return *row != nullptr;
}

QRect CFListCtrl::CellRect(HFLROW row, int column) const {
  const QModelIndex index = IndexOf(row, column);
  if (!index.isValid()) return {};
  const QRect r = visualRect(index);
  if (column == 0 && frozenWidth() > 0) return QRect(0, r.top(), frozenWidth(), r.height());
  return QRect(header()->sectionViewportPosition(column), r.top(), header()->sectionSize(column), r.height());
}

int CFListCtrl::contentLeft(HFLROW row, int column) const {
  int x = 0;
  if (column == m_treeColumn) {
    x += (m_lineHeight + 4) * std::max(0, row->depth - 1);
    if (!row->children.empty()) x += m_lineHeight + 4;
  }
  const XFList_ControlProfile* p = cellProfile(row, column);
  if (p && (p->kind & FLP_CHECKBOX)) x += 17;
  const XFList_Item& cell = row->items[column];
  if (cell.image >= 0 && cell.image < m_images.size()) x += m_lineHeight;
  return x;
}

bool CFListCtrl::showsButton(HFLROW row, int column) const {
  if (row != m_focusRow || column != m_focusColumn || column < 0) return false;
  // A read-only cell opens nothing, so it offers no arrows or button either.
  const XFList_ControlProfile* p = cellProfile(row, column);
  if (!p || isReadOnly(row, column)) return false;
  return isNumberProfile(p) || (p->kind & FLP_HASBUTTON) != 0;
}

QRect CFListCtrl::ButtonRect(HFLROW row, int column) const {
  if (!showsButton(row, column)) return {};
  const QRect cell = CellRect(row, column);
  if (cell.isEmpty()) return {};
  return QRect(cell.right() - cell.height() + 1, cell.top(), cell.height(), cell.height());
}

QRect CFListCtrl::CheckBoxRect(HFLROW row, int column) const {
  const XFList_ControlProfile* p = cellProfile(row, column);
  if (!p || !(p->kind & FLP_CHECKBOX)) return {};
  const QRect cell = CellRect(row, column);
  if (cell.isEmpty()) return {};
  int x = cell.left();
  if (column == m_treeColumn) {
    x += (m_lineHeight + 4) * std::max(0, row->depth - 1);
    if (!row->children.empty()) x += m_lineHeight + 4;
  }
  return QRect(x + 2, cell.top() + (cell.height() - 13) / 2, 13, 13);
}

QRect CFListCtrl::ExpandBoxRect(HFLROW row) const {
  if (!row || row == FL_ROOT || row->children.empty()) return {};
  const QRect cell = CellRect(row, m_treeColumn);
  if (cell.isEmpty()) return {};
  const int slot = m_lineHeight + 4;
  const int x = cell.left() + slot * std::max(0, row->depth - 1);
  return QRect(x + (slot - 9) / 2, cell.top() + (cell.height() - 9) / 2, 9, 9);
}

QRect CFListCtrl::textRect(HFLROW row, int column) const {
  QRect cell = CellRect(row, column);
  if (cell.isEmpty()) return {};
  cell.setLeft(cell.left() + contentLeft(row, column));
  if (showsButton(row, column)) cell.setRight(cell.right() - cell.height());
  return cell;
}

int CFListCtrl::rowsPerPage() const { return std::max(1, viewport()->height() / std::max(1, m_lineHeight)); }

void CFListCtrl::onSectionResized(int column, int, int newSize) {
  if (column == 0) placeFrozenPane();
  if (column < 0 || column >= GetColumnCount() || m_resetOpen) return;
  if (header()->underMouse()) m_columns[column].width = newSize;
}

void CFListCtrl::onHeaderContextMenu(const QPoint& pos) {
  if (CFListOwner* o = owner()) o->OnListContextMenu(*this, header()->mapToGlobal(pos));
}

// ---- Notifications -------------------------------------------------------------------------

CFListOwner* CFListCtrl::owner() const {
  if (m_owner) return m_owner;
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (auto* o = dynamic_cast<CFListOwner*>(w)) return o;
  return nullptr;
}

int CFListCtrl::notify(int code, HFLROW row, int column, FLNotifyInfo* out) {
  FLNotifyInfo local;
  FLNotifyInfo& info = out ? *out : local;
  info.sender = this;
  info.idFrom = m_id;
  info.code = code;
  info.row = row;
  info.column = column;
  if (const XFList_Item* cell = item(row, column >= 0 ? column : 0)) {
    info.text = cell->text;
    info.data = cell->data;
    info.check = cell->check;
    info.profile = cell->profile;
  }
  info.collapsed = row ? IsRowCollapsed(row) : true;
  return out ? 0 : send(info);
}

int CFListCtrl::send(FLNotifyInfo& info) {
  CFListOwner* o = owner();
  return o ? o->OnListNotify(info) : 0;
}

// ---- Editing ----------------------------------------------------------------------------------

void CFListCtrl::dispatch(Trigger trigger, int key, const QString& typed) {
  if (m_editor || !m_focusRow || m_focusColumn < 0 || m_resetOpen) return;
  if (isReadOnly(m_focusRow, m_focusColumn)) return;
  const XFList_ControlProfile* p = cellProfile(m_focusRow, m_focusColumn);
  if (!p) return;
  const int kind = editorKind(p->kind);
  const QChar c = typed.isEmpty() ? QChar() : typed.front();
  const bool tabbed = trigger == Trigger::KeyDown && key == Qt::Key_Tab && m_lastEndKey == FL_KEY_TAB;
  const bool common = (trigger == Trigger::KeyDown &&
                       (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2)) ||
                      trigger == Trigger::DoubleClick || tabbed;
  const bool altArrow = trigger == Trigger::KeyDown && (key == kAltDown || key == kAltUp);
  const bool onButton = trigger == Trigger::LeftButton;
  const QString cellText = GetCellText(m_focusRow, m_focusColumn);

  bool opened = false;
  switch (kind) {
    case FLP_EDIT:
    case FLP_EDITBUTTON:
    case FLP_NUMBER:
    case FLP_TIME: {
      const bool typedOpens = trigger == Trigger::Char &&
                              (kind == FLP_TIME ? c.isDigit() : opensOnCharacter(c));
      if (!typedOpens && !common) break;
      FLNotifyInfo info;
      notify(FLN_BEGINEDIT, m_focusRow, m_focusColumn, &info);
      info.text = typedOpens ? QString(c) : cellText;
      if (kind == FLP_TIME) info.text.remove(u':');
      opened = true;  // asked, whatever the answer: the event is used up
      if (send(info) & FLR_REFUSE) break;
      openEditor(kind == FLP_TIME ? FL_IDC_TIME : FL_IDC_EDIT, info.text, typedOpens);
      break;
    }
    case FLP_COMBO:
    case FLP_EDITCOMBO: {
      const bool typedOpens = kind == FLP_EDITCOMBO && trigger == Trigger::Char && c.isLetterOrNumber();
      if (!typedOpens && !common && !altArrow && !onButton) break;
      FLNotifyInfo info;
      notify(FLN_BEGINCOMBO, m_focusRow, m_focusColumn, &info);
      info.text = typedOpens ? QString(c) : cellText;
      opened = true;
      if (send(info) & FLR_REFUSE) break;
      openEditor(FL_IDC_COMBO, info.text, typedOpens);
      break;
    }
    default:
      break;
  }
  if (opened) return;
  const bool buttonKind = kind == FLP_BUTTON || kind == FLP_EDIT || kind == FLP_EDITBUTTON ||
                          kind == FLP_NUMBER || kind == FLP_TIME;
  if (buttonKind && (onButton || (trigger == Trigger::KeyDown && key == Qt::Key_Space))) pressButton();
}

void CFListCtrl::pressButton() {
  FLNotifyInfo info;
  notify(FLN_BUTTONCLICK, m_focusRow, m_focusColumn, &info);
  const HFLROW row = m_focusRow;
  const int column = m_focusColumn;
  if (send(info) & FLR_REFUSE) return;
  setFocus();
  if (XFList_Item* cell = item(row, column)) {
    cell->text = info.text;
    cell->data = info.data;
    cellChanged(row, column);
  }
}

void CFListCtrl::openEditor(int editorId, const QString& startText, bool typed) {
  m_editorId = editorId;
  m_startText = startText;
  m_editRow = m_focusRow;
  m_editColumn = m_focusColumn;
  EnsureCellVisible(m_editRow, m_editColumn);
  if (m_frozenPane && m_editColumn == 0) {
    // A frozen column's editor opens in the view, scrolled to the start.
    horizontalScrollBar()->setValue(0);
    m_frozenPane->hide();
  }
  const QModelIndex index = IndexOf(m_editRow, m_editColumn);
  if (!index.isValid() || !edit(index, QAbstractItemView::AllEditTriggers, nullptr) || !m_editor) {
    m_editRow = nullptr;
    m_editColumn = -1;
    m_editor = nullptr;
    placeFrozenPane();
    return;
  }
  rowChanged(m_editRow);
  if (auto* combo = qobject_cast<CFList_ComboBox*>(m_editor)) {
    // Typing goes on in the field: an open drop-down would take the keys.
    if (combo->isEditable() && typed) {
      combo->lineEdit()->setCursorPosition(combo->lineEdit()->text().size());
      return;
    }
    if (combo->isEditable()) combo->lineEdit()->selectAll();
    combo->showPopup();
    return;
  }
  // From the end of the starting text to the end: the caret after a typed
  // character or the cell's text; in a time editor the last digit.
  QWidget* w = m_editor;
  while (w->focusProxy()) w = w->focusProxy();
  if (auto* line = qobject_cast<QLineEdit*>(w)) {
    const int from = std::min<int>(startText.size(), line->text().size());
    line->setSelection(line->text().size(), from - line->text().size());
    if (from == line->text().size()) line->setCursorPosition(from);
  }
}

void CFListCtrl::EndEdit(bool cancel) {
  if (!m_editor) return;
  auto* state = dynamic_cast<CFList_EditorState*>(m_editor.data());
  if (state) state->endKey = cancel ? FL_KEY_ESCAPE : FL_KEY_ENTER;
  m_delegate->finish(m_editor);
}

void CFListCtrl::editorEnded(QWidget* editor, FLEndEditInfo& end) {
  if (m_ending || m_destroying || editor != m_editor) return;
  m_ending = true;
  auto* state = dynamic_cast<CFList_EditorState*>(editor);
  const bool backward = state && state->backward;
  if (XFList_ControlProfile* p = cellProfile(m_editRow, m_editColumn); p && qobject_cast<CFList_ComboBox*>(editor)) {
    p->text = end.text;
    p->data = static_cast<int>(end.data);
  }
  if (end.endKey == FL_KEY_ENTER || end.endKey == FL_KEY_TAB) {
    const XFList_ControlProfile* p = cellProfile(m_editRow, m_editColumn);
    QString text = end.text;
    if (p && isNumberProfile(p) && p->numberType == 1) text.replace(u',', u'.');
    FLNotifyInfo info;
    notify(FLN_CHANGED, m_editRow, m_editColumn, &info);
    info.text = text;
    const int reply = send(info);
    // The owner may have removed the row meanwhile.
    if (m_editRow && !(reply & FLR_REFUSE)) {
      XFList_Item* cell = item(m_editRow, m_editColumn);
      cell->text = info.text;
      if (p && (p->kind & (FLP_HASBUTTON | FLP_ISLIST))) cell->data = info.data;
    }
    rowChanged(m_editRow);
    if ((reply & FLR_KEEPEDITOR) && m_editRow) {
      if (state) state->endKey = FL_KEY_ENTER;
      m_ending = false;
      editor->setFocus();
      return;
    }
  }
  const HFLROW row = m_editRow;
  m_editor = nullptr;
  m_editRow = nullptr;
  m_editColumn = -1;
  m_delegate->close(editor);
  rowChanged(row);
  placeFrozenPane();
  m_ending = false;
  m_lastEndKey = end.endKey;
  if (end.endKey == FL_KEY_TAB) afterEditClosed(end.endKey, backward);
}

void CFListCtrl::afterEditClosed(int, bool backward) {
  // As if Tab had been pressed in the list: the next cell, whose editor
  // opens since the last edit ended with Tab.
  moveByTab(backward);
  dispatch(Trigger::KeyDown, Qt::Key_Tab);
}

void CFListCtrl::moveByTab(bool backward) {
  if (!m_focusRow) return;
  const int last = GetColumnCount() - 1;
  if (!backward) {
    if (m_focusColumn < last)
      SetFocusCell(m_focusRow, m_focusColumn + 1);
    else if (HFLROW next = GetRelatedRow(m_focusRow, FLR_NEXTDISPLAYED))
      SetFocusCell(next, 0);
  } else {
    if (m_focusColumn > 0)
      SetFocusCell(m_focusRow, m_focusColumn - 1);
    else if (HFLROW prev = GetRelatedRow(m_focusRow, FLR_PREVDISPLAYED))
      SetFocusCell(prev, last);
  }
}

void CFListCtrl::clickCheckBox(HFLROW row, int column) {
  const XFList_ControlProfile* p = cellProfile(row, column);
  FLNotifyInfo info;
  notify(FLN_CHECKCLICK, row, column, &info);
  if (p && (p->kind & FLP_CHECKTOGGLE)) info.check = info.check ? 0 : 1;
  if (send(info) & FLR_REFUSE) return;
  SetCellCheck(row, column, info.check);
}

// ---- Keyboard and mouse --------------------------------------------------------------------------

void CFListCtrl::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool alt = mods & Qt::AltModifier;
  const bool tab = key == Qt::Key_Tab && !(mods & Qt::ShiftModifier);
  const bool backtab = key == Qt::Key_Backtab || (key == Qt::Key_Tab && (mods & Qt::ShiftModifier));
  const int last = GetColumnCount() - 1;
  if (!tab && !backtab) m_lastEndKey = 0;
  if (m_display.empty() || last < 0) {
    event->ignore();
    return;
  }

  if (!m_focusRow || m_focusRow->listIndex < 0) {
    if (tab || (!alt && (key == Qt::Key_Down || key == Qt::Key_PageDown))) {
      SetFocusCell(GetRelatedRow(nullptr, FLR_FIRSTONPAGE), 0);
    } else if (!alt && (key == Qt::Key_Up || key == Qt::Key_PageUp)) {
      SetFocusCell(GetRelatedRow(nullptr, FLR_LASTONPAGE), 0);
    } else if (backtab) {
      SetFocusCell(GetRelatedRow(nullptr, FLR_LASTONPAGE), last);
    } else {
      event->ignore();
      return;
    }
    dispatch(Trigger::KeyDown, tab ? int(Qt::Key_Tab) : key);
    return;
  }

  const int index = m_focusRow->listIndex;
  const bool keypad = mods & Qt::KeypadModifier;
  if (tab) {
    // Past the last cell the focus leaves the list.
    if (m_focusColumn >= last && index + 1 >= GetDisplayedRowCount()) {
      event->ignore();
      return;
    }
    moveByTab(false);
  } else if (backtab) {
    if (m_focusColumn <= 0 && index == 0) {
      event->ignore();
      return;
    }
    moveByTab(true);
  } else if (key == Qt::Key_Right && !alt) {
    SetFocusCell(m_focusRow, std::min(m_focusColumn + 1, last));
  } else if (key == Qt::Key_Left && !alt) {
    SetFocusCell(m_focusRow, std::max(m_focusColumn - 1, 0));
  } else if ((key == Qt::Key_Home || key == Qt::Key_End) && (mods & Qt::ControlModifier)) {
    // The first or last row, as in other lists.
    SetFocusCell(GetDisplayedRow(key == Qt::Key_Home ? 0 : GetDisplayedRowCount() - 1), m_focusColumn);
  } else if (key == Qt::Key_Home) {
    SetFocusCell(m_focusRow, 0);
  } else if (key == Qt::Key_End) {
    SetFocusCell(m_focusRow, last);
  } else if ((key == Qt::Key_Up || key == Qt::Key_Down) && !alt) {
    if (HFLROW next = GetDisplayedRow(index + (key == Qt::Key_Up ? -1 : 1))) SetFocusCell(next, m_focusColumn);
  } else if ((key == Qt::Key_Up || key == Qt::Key_Down) && alt) {
    dispatch(Trigger::KeyDown, key == Qt::Key_Up ? kAltUp : kAltDown);
    return;
  } else if (key == Qt::Key_PageUp) {
    SetFocusCell(GetDisplayedRow(std::max(0, index - rowsPerPage() + 1)), m_focusColumn);
  } else if (key == Qt::Key_PageDown) {
    SetFocusCell(GetDisplayedRow(std::min(GetDisplayedRowCount() - 1, index + rowsPerPage() - 1)),
                 m_focusColumn);
  } else if (keypad && (key == Qt::Key_Plus || key == Qt::Key_Minus) && !m_focusRow->children.empty()) {
    CollapseRow(m_focusRow, key == Qt::Key_Minus);
    return;
  } else if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_F2) {
    dispatch(Trigger::KeyDown, key);
    return;
  } else {
    const QString text = event->text();
    if (!text.isEmpty() && text.front().isPrint() && !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
      dispatch(Trigger::Char, 0, text);
      return;
    }
    event->ignore();
    return;
  }
  dispatch(Trigger::KeyDown, tab ? int(Qt::Key_Tab) : key);
}

void CFListCtrl::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  m_lastEndKey = 0;
  const QPoint pos = event->position().toPoint();
  HFLROW row = nullptr;
  int column = -1;
  if (!CellAt(pos, &row, &column)) return;
  if (column == m_treeColumn && ExpandBoxRect(row).contains(pos)) {
    CollapseRow(row, !row->collapsed);
    return;
  }
  const bool hadFocus = row == m_focusRow && column == m_focusColumn;
  const QRect button = ButtonRect(row, column);
  if (!m_editor) SetFocusCell(row, column, true);
  if (m_rowFocus || m_editor) return;
  if (CheckBoxRect(row, column).contains(pos)) clickCheckBox(row, column);
  if (event->button() != Qt::LeftButton || !hadFocus || !button.contains(pos)) return;
  if (isNumberProfile(cellProfile(row, column))) {
    // The spin arrows: the upper half counts up, the lower half down; held
    // down, they repeat.
    m_spinDelta = pos.y() < button.center().y() ? 1 : -1;
    spin(m_spinDelta);
    m_spinRepeat->setInterval(400);
    m_spinRepeat->start();
    return;
  }
  dispatch(Trigger::LeftButton, 0);
}

void CFListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
  mousePressEvent(event);
  if (event->button() != Qt::LeftButton || m_editor) return;
  const QPoint pos = event->position().toPoint();
  HFLROW row = nullptr;
  int column = -1;
  if (!CellAt(pos, &row, &column) || ExpandBoxRect(row).contains(pos)) return;
  if (textRect(row, column).contains(pos)) dispatch(Trigger::DoubleClick, 0);
  // A double click elsewhere on a row with children opens or closes it.
  if (!m_editor && !row->children.empty() && !model()->flags(IndexOf(row, column)).testFlag(Qt::ItemIsEditable))
    CollapseRow(row, !row->collapsed);
}

void CFListCtrl::mouseMoveEvent(QMouseEvent*) {}

void CFListCtrl::mouseReleaseEvent(QMouseEvent*) { m_spinRepeat->stop(); }

void CFListCtrl::contextMenuEvent(QContextMenuEvent* event) {
  if (event->reason() == QContextMenuEvent::Mouse) {
    HFLROW row = nullptr;
    int column = -1;
    if (CellAt(event->pos(), &row, &column) && !m_editor)
      SetFocusCell(row, column, false);
  }
  if (CFListOwner* o = owner()) o->OnListContextMenu(*this, event->globalPos());
}

void CFListCtrl::changeEvent(QEvent* event) {
  QTreeView::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    measure();
    doItemsLayout();
  }
}

void CFListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  // Cell by cell through the delegate, which paints the whole look itself.
  QStyleOptionViewItem opt = option;
  const int width = viewport()->width();
  for (int c = 0; c < GetColumnCount(); ++c) {
    if (header()->isSectionHidden(c) || (c == 0 && m_frozenPane && m_frozenPane->isVisible())) continue;
    const int x = header()->sectionViewportPosition(c);
    const int w = header()->sectionSize(c);
    if (x + w <= 0 || x >= width) continue;
    opt.rect = QRect(x, option.rect.top(), w, option.rect.height());
    m_delegate->paint(painter, opt, m_model->index(index.row(), c));
  }
}
