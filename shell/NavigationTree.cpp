#include "shell/NavigationTree.h"

#include <algorithm>
#include <set>

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>

#include "document/Document.h"
#include "model/FormatText.h"
#include "model/ProfileText.h"
#include "model/ProgramProfile.h"
#include "widgets/DocumentActions.h"
#include "widgets/DocumentSignals.h"

namespace {

const char* const kComparatorTexts[Program::kComparatorCount] = {
    "Параметры 1-го компаратора", "Параметры 2-го компаратора", "Параметры 3-го компаратора",
    "Параметры 4-го компаратора"};

QString t(const char* utf8) { return QString::fromUtf8(utf8); }

// An item that owns the record it shows: records go with their items.
class RecordItem : public QTreeWidgetItem {
 public:
  static constexpr int kType = QTreeWidgetItem::UserType + 1;
  explicit RecordItem(const NavigationItem& r) : QTreeWidgetItem(kType), record(r) {}
  NavigationItem record;
};

// Items that hold others (or may, like a program's steps).
bool isBranch(NavigationKind kind) {
  return kind == NavigationKind::L1Root || kind == NavigationKind::Program || kind == NavigationKind::Comparators ||
         kind == NavigationKind::Steps || kind == NavigationKind::L2Root || kind == NavigationKind::PidGroup;
}

// The branches open in a tree made anew.
bool openByDefault(NavigationKind kind) {
  return kind == NavigationKind::L1Root || kind == NavigationKind::Comparators || kind == NavigationKind::Steps ||
         kind == NavigationKind::L2Root || kind == NavigationKind::PidGroup;
}

// A text set only when it differs: every text set anew would have the view
// lay out all its rows again.
void setText(QTreeWidgetItem* item, const QString& text) {
  if (item->text(0) != text) item->setText(0, text);
}

// A program's name that came back from the name store says so.
void setNameTip(QTreeWidgetItem* item, const Program& program) {
  const QString tip = QString::fromStdString(nameRecordText(program.nameRecord()));
  if (item->toolTip(0) != tip) item->setToolTip(0, tip);
}

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
  auto* notices = new DocumentSignals(m_doc, this);
  connect(notices, &DocumentSignals::configurationReplaced, this, &NavigationTree::rebuild);
  connect(notices, &DocumentSignals::programsChanged, this, &NavigationTree::rebuildPrograms);
  connect(notices, &DocumentSignals::stepsChanged, this, &NavigationTree::updateSteps);
  connect(notices, &DocumentSignals::programRenamed, this, [this](const Program* program) {
    if (QTreeWidgetItem* item = programItem(program)) updateTexts(item);
  });
  connect(notices, &DocumentSignals::valuesChanged, this, &NavigationTree::updateAllTexts);
  connect(notices, &DocumentSignals::cellChanged, this, &NavigationTree::onCellChanged);
  connect(notices, &DocumentSignals::selectionMoved, this, &NavigationTree::followSelection);
  rebuild();
}

NavigationTree::~NavigationTree() = default;

QString NavigationTree::programText(int number, const QString& name) {
  return QString::fromStdString(programTitle(number, name.toStdString()));
}

QString NavigationTree::programItemText(int number, const Program& program, const GeneralParameters& general) {
  const int steps = program.stepCount();
  if (steps == 0) return programText(number, QString::fromUtf8(program.name())) + t(" — нет шагов");
  return t("%1 — %2 %3, %4")
      .arg(programText(number, QString::fromUtf8(program.name())))
      .arg(steps)
      .arg(t(stepsWord(steps)))
      .arg(QString::fromStdString(profiletext::total(programProfile(program, general).pass)));
}

QString NavigationTree::stepText(int number, bool cycleStart) {
  return cycleStart ? t("Шаг № %1 <начало цикла>").arg(number) : t("Шаг № %1").arg(number);
}

NavigationItem* NavigationTree::record(QTreeWidgetItem* item) {
  return item && item->type() == RecordItem::kType ? &static_cast<RecordItem*>(item)->record : nullptr;
}

const NavigationItem* NavigationTree::record(const QTreeWidgetItem* item) {
  return item && item->type() == RecordItem::kType ? &static_cast<const RecordItem*>(item)->record : nullptr;
}

QTreeWidgetItem* NavigationTree::addItem(QTreeWidgetItem* parent, const QString& text, NavigationKind kind,
                                         int programNumber, int subIndex, GroupRef group, int position) {
  auto* item = new RecordItem(NavigationItem{kind, programNumber, subIndex, group});
  item->setText(0, text);
  if (!parent)
    addTopLevelItem(item);
  else if (position < 0)
    parent->addChild(item);
  else
    parent->insertChild(position, item);
  return item;
}

void NavigationTree::addPrograms(QTreeWidgetItem* root) {
  DeviceData* data = m_doc.deviceData();
  if (!data) return;
  int number = 1;
  for (Program& program : data->programs) {
    QTreeWidgetItem* p =
        addItem(root, programItemText(number, program, data->general), NavigationKind::Program, number, 0, &program);
    setNameTip(p, program);
    QTreeWidgetItem* comps =
        addItem(p, t("Параметры компараторов"), NavigationKind::Comparators, number, 0, &program);
    for (int c = 0; c < Program::kComparatorCount; ++c)
      addItem(comps, t(kComparatorTexts[c]), NavigationKind::Comparator, number, c, &program.comparators[c]);
    QTreeWidgetItem* steps = addItem(p, t("Параметры шагов"), NavigationKind::Steps, number, 0, &program);
    const int cycleStart = program.H02.value();
    int s = 1;
    for (Step& step : program.steps) {
      addItem(steps, stepText(s, s == cycleStart), NavigationKind::Step, number, s, &step);
      ++s;
    }
    ++number;
  }
}

std::map<NavigationTree::OpenKey, bool> NavigationTree::openBranches() const {
  std::map<OpenKey, bool> open;
  for (QTreeWidgetItemIterator it(const_cast<NavigationTree*>(this)); *it; ++it)
    if (const NavigationItem* r = record(*it); r && isBranch(r->kind))
      open[{static_cast<int>(r->kind), r->programNumber, r->subIndex}] = (*it)->isExpanded();
  return open;
}

void NavigationTree::reopen(const std::map<OpenKey, bool>& open, QTreeWidgetItem* item) {
  const NavigationItem* r = record(item);
  if (!isBranch(r->kind)) return;
  for (int i = 0; i < item->childCount(); ++i) reopen(open, item->child(i));
  const auto found = open.find({static_cast<int>(r->kind), r->programNumber, r->subIndex});
  item->setExpanded(found != open.end() ? found->second : openByDefault(r->kind));
}

QTreeWidgetItem* NavigationTree::l1Root() const {
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (record(topLevelItem(i))->kind == NavigationKind::L1Root) return topLevelItem(i);
  return nullptr;
}

QTreeWidgetItem* NavigationTree::programItem(const Program* program) const {
  QTreeWidgetItem* root = l1Root();
  if (!root || !program) return nullptr;
  for (int i = 0; i < root->childCount(); ++i)
    if (record(root->child(i))->group.get<Program>() == program) return root->child(i);
  return nullptr;
}

QTreeWidgetItem* NavigationTree::itemOf(const NavigationItem& wanted) const {
  if (const NavigationItem* r = record(currentItem()); r && r->sameItem(wanted)) return currentItem();
  for (QTreeWidgetItemIterator it(const_cast<NavigationTree*>(this)); *it; ++it)
    if (record(*it)->sameItem(wanted)) return *it;
  return nullptr;
}

void NavigationTree::followSelection() {
  if (!m_ready) return;
  const std::optional<NavigationItem>& selected = m_doc.selection();
  QTreeWidgetItem* item = selected ? itemOf(*selected) : nullptr;
  if (item != currentItem()) {
    m_following = true;
    setCurrentItem(item);
    m_following = false;
  }
  if (item) scrollToItem(item);
}

void NavigationTree::rebuild() {
  const std::map<OpenKey, bool> open = openBranches();

  setUpdatesEnabled(false);
  m_ready = false;
  clear();

  DeviceData* data = m_doc.deviceData();
  if (!data) {
    m_ready = true;
    setUpdatesEnabled(true);
    return;
  }

  if (m_levelMask & 1)
    addPrograms(addItem(nullptr, t("L1 Программы технолога"), NavigationKind::L1Root, 0, 0, {}));
  if (m_levelMask & 2) {
    GeneralParameters& g = data->general;
    QTreeWidgetItem* root = addItem(nullptr, t("L2 Общие параметры"), NavigationKind::L2Root, 0, 0, {});
    addItem(root, t("Основные параметры работы прибора"), NavigationKind::BaseParameters, 0, 0, &g.base);
    addItem(root, t("Параметры режимов транзисторных ключей"), NavigationKind::KeyPulseModes, 0, 0, &g.keys);
    addItem(root, t("Коррекция показаний термометров"), NavigationKind::Corrections, 0, 0, &g.corrections);
    addItem(root, t("Параметры цифровых фильтров"), NavigationKind::DigitalFilters, 0, 0, &g.filters);
    QTreeWidgetItem* pids =
        addItem(root, t("Параметры ПИД-регуляторов"), NavigationKind::PidGroup, 0, 0, {});
    addItem(pids, t("1-ый ПИД-регулятор"), NavigationKind::Pid, 0, 0, &g.pid[0]);
    addItem(pids, t("2-ой ПИД-регулятор"), NavigationKind::Pid, 0, 1, &g.pid[1]);
  }
  for (int i = 0; i < topLevelItemCount(); ++i) reopen(open, topLevelItem(i));
  m_ready = true;
  followSelection();
  setUpdatesEnabled(true);
}

void NavigationTree::rebuildPrograms() {
  QTreeWidgetItem* root = l1Root();
  if (!root) return;
  const std::map<OpenKey, bool> open = openBranches();

  setUpdatesEnabled(false);
  m_ready = false;
  qDeleteAll(root->takeChildren());
  addPrograms(root);
  reopen(open, root);
  m_ready = true;
  followSelection();
  setUpdatesEnabled(true);
}

void NavigationTree::updateSteps(const Program* program) {
  QTreeWidgetItem* item = programItem(program);
  QTreeWidgetItem* steps = nullptr;
  for (int i = 0; item && i < item->childCount(); ++i)
    if (record(item->child(i))->kind == NavigationKind::Steps) steps = item->child(i);
  if (!steps) return;

  m_ready = false;
  // Items whose steps are gone go first.
  std::set<const Step*> present;
  for (const Step& step : program->steps) present.insert(&step);
  for (int i = steps->childCount() - 1; i >= 0; --i)
    if (!present.count(record(steps->child(i))->group.get<Step>())) delete steps->takeChild(i);
  // Then items for the steps that came, in their places; the steps that
  // stayed keep their items (their order never changes).
  const int number = record(item)->programNumber;
  int s = 0;
  for (const Step& step : program->steps) {
    QTreeWidgetItem* child = steps->child(s);
    if (!child || record(child)->group.get<Step>() != &step)
      addItem(steps, QString(), NavigationKind::Step, number, s + 1, const_cast<Step*>(&step), s);
    ++s;
  }
  updateTexts(item);
  m_ready = true;
  followSelection();
}

void NavigationTree::updateTexts(QTreeWidgetItem* programItem) {
  NavigationItem* r = record(programItem);
  const Program* program = r->group.get<Program>();
  setText(programItem, programItemText(r->programNumber, *program, m_doc.deviceData()->general));
  setNameTip(programItem, *program);
  const int cycleStart = program->H02.value();
  for (int i = 0; i < programItem->childCount(); ++i) {
    QTreeWidgetItem* group = programItem->child(i);
    if (record(group)->kind != NavigationKind::Steps) continue;
    for (int s = 0; s < group->childCount(); ++s) {
      QTreeWidgetItem* step = group->child(s);
      record(step)->subIndex = s + 1;
      setText(step, stepText(s + 1, s + 1 == cycleStart));
    }
  }
}

void NavigationTree::updateAllTexts() {
  if (QTreeWidgetItem* root = l1Root())
    for (int i = 0; i < root->childCount(); ++i) updateTexts(root->child(i));
}

void NavigationTree::onCellChanged(const Parameter* cell) {
  const DeviceData* data = m_doc.deviceData();
  if (!data) return;
  // A regulator switched on or off changes every program's duration.
  for (const PidRegulator& pid : data->general.pid)
    if (cell == &pid.cells[PidRegulator::P07]) return updateAllTexts();
  // A value of a program: its duration, and after a cycle start moved its
  // step texts, follow.
  if (QTreeWidgetItem* item = programItem(data->programHolding(cell))) updateTexts(item);
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
  if (!m_ready || m_following || !current) return;
  m_doc.select(*record(current));
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
  if (!r || !m_doc.selection() || !r->sameItem(*m_doc.selection())) return nullptr;
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

void NavigationTree::paste() {
  triggerFor(m_documentActions.pasteStepAfter, m_documentActions.pasteProgram, m_documentActions.pasteStepsAtEnd);
}

void NavigationTree::triggerFor(QAction* onStep, QAction* onProgram, QAction* onSteps) {
  const std::optional<NavigationItem>& r = m_doc.selection();
  if (!r) return;
  m_documentActions.update();
  QAction* action = r->kind == NavigationKind::Step      ? onStep
                    : r->kind == NavigationKind::Program ? onProgram
                    : r->kind == NavigationKind::Steps   ? onSteps
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
