#include "shell/NavigationTree.h"

#include <algorithm>

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>

#include "document/Document.h"
#include "widgets/DocumentActions.h"

namespace {

const char* const kComparatorTexts[Program::kComparatorCount] = {
    "Параметры 1-го компаратора", "Параметры 2-го компаратора", "Параметры 3-го компаратора",
    "Параметры 4-го компаратора"};

QString t(const char* utf8) { return QString::fromUtf8(utf8); }

// Item heights for texts wrapped to the width the tree gives them (a tree
// view asks its delegate without telling it the width).
class WrappingDelegate : public QStyledItemDelegate {
 public:
  explicit WrappingDelegate(QTreeView* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    int depth = m_tree->rootIsDecorated() ? 1 : 0;
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent()) ++depth;
    QStyleOptionViewItem wrapped = option;
    wrapped.rect = QRect(0, 0, std::max(1, m_tree->viewport()->width() - depth * m_tree->indentation()), 1);
    return QStyledItemDelegate::sizeHint(wrapped, index);
  }

 private:
  QTreeView* m_tree;
};

}  // namespace

NavigationTree::NavigationTree(Document& doc, DocumentActions& documentActions, int levelMask,
                               QWidget* parent)
    : QTreeWidget(parent), m_doc(doc), m_documentActions(documentActions), m_levelMask(levelMask) {
  setObjectName(QStringLiteral("treeView"));
  setAccessibleName(QStringLiteral("Дерево прошивки"));
  setHeaderHidden(true);
  setColumnCount(1);
  setSelectionMode(QAbstractItemView::SingleSelection);
  // The two level roots stand without lines or buttons; their children get
  // both (drawBranches).
  setRootIsDecorated(false);
  // A text longer than the pane is wide goes on over further lines, so every
  // text is seen whole without scrolling sideways.
  setWordWrap(true);
  setItemDelegate(new WrappingDelegate(this));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  header()->setSectionResizeMode(QHeaderView::Stretch);
  // The selection stays visible while another pane has the focus.
  QPalette pal = palette();
  pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
  pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
               pal.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(pal);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current, QTreeWidgetItem*) { onCurrentItemChanged(current); });
  m_doc.treeView = this;
}

NavigationTree::~NavigationTree() {
  if (m_doc.treeView == this) m_doc.treeView = nullptr;
  // The document's selection points into the records about to be freed.
  for (const NavigationItem& r : m_records)
    m_doc.forgetItem(&r);
}

void NavigationTree::documentChanged() { rebuild(); }

QString NavigationTree::programText(int number, const QString& name) {
  return t("Программа №%1 \"%2\"").arg(number).arg(name);
}

QString NavigationTree::stepText(int number, bool cycleStart) {
  return cycleStart ? t("Шаг № %1 <начало цикла>").arg(number) : t("Шаг № %1").arg(number);
}

NavigationItem* NavigationTree::record(const QTreeWidgetItem* item) {
  if (!item) return nullptr;
  return static_cast<NavigationItem*>(item->data(0, Qt::UserRole).value<void*>());
}

QTreeWidgetItem* NavigationTree::addItem(QTreeWidgetItem* parent, const QString& text, NavigationKind kind,
                                         int programNumber, int subIndex, GroupRef group) {
  m_records.push_back(NavigationItem{kind, programNumber, subIndex, group});
  auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
  item->setText(0, text);
  item->setData(0, Qt::UserRole, QVariant::fromValue<void*>(&m_records.back()));
  return item;
}

void NavigationTree::rebuild() {
  // Remembered as pointers only: a group deleted since simply finds no item.
  const GroupRef oldGroup = m_doc.selection() ? m_doc.selection()->group : GroupRef();
  const GroupRef oldProgram = m_doc.selection() ? m_doc.currentProgram() : nullptr;

  setUpdatesEnabled(false);
  m_ready = false;
  clear();
  for (const NavigationItem& r : m_records) m_doc.forgetItem(&r);
  m_records.clear();

  DeviceData* data = m_doc.deviceData();
  if (!data) {
    m_ready = true;
    setUpdatesEnabled(true);
    return;
  }

  std::vector<QTreeWidgetItem*> expandList;
  QTreeWidgetItem* baseItem = nullptr;
  if (m_levelMask & 1) {
    QTreeWidgetItem* root =
        addItem(nullptr, t("L1 Программы технолога"), NavigationKind::L1Root, 0, 0, {});
    expandList.push_back(root);
    int number = 1;
    for (Program& program : data->programs) {
      QTreeWidgetItem* p = addItem(root, programText(number, QString::fromUtf8(program.name())),
                                   NavigationKind::Program, number, 0, &program);
      QTreeWidgetItem* comps =
          addItem(p, t("Параметры компараторов"), NavigationKind::Comparators, number, 0, &program);
      expandList.push_back(comps);
      for (int c = 0; c < Program::kComparatorCount; ++c)
        addItem(comps, t(kComparatorTexts[c]), NavigationKind::Comparator, number, c,
                &program.comparators[c]);
      QTreeWidgetItem* steps = addItem(p, t("Параметры шагов"), NavigationKind::Steps, number, 0, &program);
      expandList.push_back(steps);
      const int cycleStart = program.H02.value();
      int s = 1;
      for (Step& step : program.steps) {
        addItem(steps, stepText(s, s == cycleStart), NavigationKind::Step, number, s, &step);
        ++s;
      }
      ++number;
    }
  }
  if (m_levelMask & 2) {
    GeneralParameters& g = data->general;
    QTreeWidgetItem* root = addItem(nullptr, t("L2 Общие параметры"), NavigationKind::L2Root, 0, 0, {});
    expandList.push_back(root);
    baseItem =
        addItem(root, t("Основные параметры работы прибора"), NavigationKind::BaseParameters, 0, 0, &g.base);
    addItem(root, t("Параметры режимов транзисторных ключей"), NavigationKind::KeyPulseModes, 0, 0, &g.keys);
    addItem(root, t("Коррекция показаний термометров"), NavigationKind::Corrections, 0, 0, &g.corrections);
    addItem(root, t("Параметры цифровых фильтров"), NavigationKind::DigitalFilters, 0, 0, &g.filters);
    QTreeWidgetItem* pids =
        addItem(root, t("Параметры ПИД-регуляторов"), NavigationKind::PidGroup, 0, 0, {});
    expandList.push_back(pids);
    addItem(pids, t("1-ый ПИД-регулятор"), NavigationKind::Pid, 0, 0, &g.pid[0]);
    addItem(pids, t("2-ой ПИД-регулятор"), NavigationKind::Pid, 0, 1, &g.pid[1]);
  }
  for (QTreeWidgetItem* item : expandList) item->setExpanded(true);
  m_ready = true;

  // Level L2 first, then L1: a selection that cannot be restored ends on a
  // program whenever one exists.
  if (m_levelMask & 2) {
    if (!selectGroup(oldGroup, false) && baseItem) setCurrentItem(baseItem);
  }
  if ((m_levelMask & 1) && !data->programs.empty()) {
    if (!selectGroup(oldGroup, false) && !selectGroup(oldProgram, false))
      selectGroup(&data->programs.front(), false);
  }
  setUpdatesEnabled(true);
}

QTreeWidgetItem* NavigationTree::findGroup(GroupRef group, QTreeWidgetItem* start) const {
  if (!group) return nullptr;
  if (start) {
    const NavigationItem* r = record(start);
    if (r && r->group == group) return start;
  }
  const int n = start ? start->childCount() : topLevelItemCount();
  for (int i = 0; i < n; ++i) {
    QTreeWidgetItem* child = start ? start->child(i) : topLevelItem(i);
    if (QTreeWidgetItem* found = findGroup(group, child)) return found;
  }
  return nullptr;
}

bool NavigationTree::selectGroup(GroupRef group, bool expand) {
  QTreeWidgetItem* item = findGroup(group);
  if (!item) return false;
  setCurrentItem(item);
  if (expand) item->setExpanded(true);
  scrollToItem(item);
  return true;
}

void NavigationTree::onCurrentItemChanged(QTreeWidgetItem* current) {
  if (!m_ready || !current) return;
  const bool changed = m_doc.select(record(current));
  if (changed && m_doc.groupPane) m_doc.notifyView(m_doc.groupPane);
}

void NavigationTree::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  // The texts wrap anew, so the rows take their new heights.
  if (event->size().width() != event->oldSize().width()) scheduleDelayedItemsLayout();
}

void NavigationTree::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
  // Dotted lines join each item to its siblings and its parent, and an item
  // with children has a plus or minus box on its line. The columns left of
  // an item's own carry the lines of its ancestors that have siblings below.
  const int indent = indentation();
  const int columns = rect.width() / indent;
  if (columns <= 0) return;
  const int midY = rect.top() + rect.height() / 2;
  const QColor lineColor = palette().color(QPalette::Mid);
  QPen dotted(lineColor, 0, Qt::CustomDashLine);
  dotted.setDashPattern({1, 1});
  painter->save();
  painter->setPen(dotted);
  QModelIndex level = index;
  for (int column = columns - 1; column >= 0 && level.isValid(); --column, level = level.parent()) {
    const int x = rect.left() + column * indent + indent / 2;
    const bool siblingBelow = level.sibling(level.row() + 1, 0).isValid();
    if (level == index) {
      painter->drawLine(x, rect.top(), x, siblingBelow ? rect.bottom() : midY);
      painter->drawLine(x, midY, rect.left() + (column + 1) * indent - 2, midY);
    } else if (siblingBelow) {
      painter->drawLine(x, rect.top(), x, rect.bottom());
    }
  }
  if (model()->hasChildren(index)) {
    const int x = rect.left() + (columns - 1) * indent + indent / 2;
    const QRect box(x - 4, midY - 4, 8, 8);
    painter->setPen(lineColor);
    painter->setBrush(palette().color(QPalette::Base));
    painter->drawRect(box);
    painter->setPen(palette().color(QPalette::Text));
    painter->drawLine(x - 2, midY, x + 2, midY);
    if (!isExpanded(index)) painter->drawLine(x, midY - 2, x, midY + 2);
  }
  painter->restore();
}

QTreeWidgetItem* NavigationTree::rowAt(const QPoint& pos) const {
  // Left of the column's right edge, itemAt already answers for the whole
  // row (indent and expand button included); beyond it, the row still counts.
  const int columnRight = header()->sectionViewportPosition(0) + header()->sectionSize(0) - 1;
  return itemAt(QPoint(std::min(pos.x(), columnRight), pos.y()));
}

void NavigationTree::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  // A click away from every item keeps the selection (the view would clear
  // its highlight while the item stays the document's selection).
  if (itemAt(pos))
    QTreeWidget::mousePressEvent(event);
  else
    setFocus(Qt::MouseFocusReason);
  // The row under a right click becomes the selection before its menu opens.
  if (event->button() == Qt::RightButton) {
    if (QTreeWidgetItem* item = rowAt(pos)) setCurrentItem(item);
  }
}

QMenu* NavigationTree::createContextMenu(QWidget* parent) {
  const NavigationItem* r = record(currentItem());
  if (!r || r != m_doc.selection()) return nullptr;
  switch (r->kind) {
    case NavigationKind::Steps:
      return m_documentActions.menu(DocumentMenu::Steps, parent);
    case NavigationKind::Step:
      return m_documentActions.menu(DocumentMenu::Step, parent);
    case NavigationKind::Program:
      return m_documentActions.menu(DocumentMenu::Program, parent);
    default:
      return nullptr;
  }
}

void NavigationTree::copy() { triggerFor(m_documentActions.copyStep, m_documentActions.copyProgram); }

void NavigationTree::cut() { triggerFor(m_documentActions.cutStep, nullptr); }

void NavigationTree::paste() { triggerFor(m_documentActions.pasteStepAfter, m_documentActions.pasteProgram); }

void NavigationTree::triggerFor(QAction* onStep, QAction* onProgram) {
  const NavigationItem* r = m_doc.selection();
  if (!r) return;
  m_documentActions.update();
  QAction* action = r->kind == NavigationKind::Step      ? onStep
                    : r->kind == NavigationKind::Program ? onProgram
                                                         : nullptr;
  if (action) action->trigger();
}

void NavigationTree::keyPressEvent(QKeyEvent* event) {
  // Shift+F10 asks for the menu like the menu key, which many keyboards lack.
  if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5),
                              viewport()->mapToGlobal(QPoint(5, 5)));
    contextMenuEvent(&request);
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void NavigationTree::contextMenuEvent(QContextMenuEvent* event) {
  QPoint at;
  if (event->reason() == QContextMenuEvent::Mouse) {
    // A click away from every item opens nothing.
    if (!rowAt(event->pos())) return;
    at = event->globalPos();
  } else {
    at = viewport()->mapToGlobal(QPoint(5, 5));
  }
  QMenu* menu = createContextMenu(this);
  if (!menu) return;
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(at);
}
