#include "tables/FullListModel.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QMetaObject>
#include <map>
#include <string>

#include "document/Document.h"
#include "document/LevelMask.h"
#include "forms/DataExchange.h"
#include "model/DeviceData.h"
#include "model/ValueTexts.h"
#include "tables/CellRoles.h"
#include "tables/NumberText.h"
#include "widgets/DocumentSignals.h"

namespace {

// The values of a new configuration, per group as "По умолчанию" resets them.
struct Defaults {
  Step step;
  Comparator comparator;
  Program program;
  GeneralParameters general;
};

const Defaults& defaults() {
  static const Defaults d;
  return d;
}

// The value-text list of a step cell (0: the cell has none).
int valueTextIdOfStepCell(int cell) {
  if (cell >= Step::N01 && cell <= Step::N08) return valuetext::kFirstKeyMode + (cell - Step::N01);
  switch (cell) {
    case Step::U01:
      return valuetext::kTransition;
    case Step::U02:
      return valuetext::kTransitionByValue;
    case Step::E01:
      return valuetext::kRegulator1Input;
    case Step::E_01:
      return valuetext::kRegulator2Input;
    default:
      return 0;
  }
}

// A cell's code and description as the list shows them. Cells of one code
// share them, so each is converted once.
struct Texts {
  QString code, description;
  QString folded;  // both, case-folded, for the search
};

const Texts& textsOf(const Parameter& cell) {
  // Rows keep a pointer to their texts, so the cache is a node-based map:
  // entries never move when later codes are added (a QHash would rehash and
  // leave those pointers dangling).
  static std::map<std::string, Texts, std::less<>> cache;
  const std::string_view code = cell.code();
  auto it = cache.find(code);
  if (it == cache.end()) {
    const QString codeText = QString::fromUtf8(code);
    const QString description = QString::fromUtf8(cell.description());
    it = cache.emplace(std::string(code), Texts{codeText, description, (codeText + u'\n' + description).toCaseFolded()})
             .first;
  }
  return it->second;
}

const QString& stepCountCode() {
  static const QString t = QStringLiteral("H01");
  return t;
}
const QString& stepCountDescription() {
  static const QString t = QStringLiteral("Количество шагов в программе");
  return t;
}

// What a group's open state is kept under: the program, comparator or step
// it shows (they keep their objects while they exist) and which of its rows
// it is, since a program begins with its first comparator, at one address; or
// for the general groups, one in every configuration, their place among them,
// so that a new configuration keeps them as the user left them. Objects never
// lie at the lowest addresses, and their addresses are multiples of 8, which
// leaves room for the row.
enum GroupRow : quintptr { kProgramRow, kComparatorRow, kStepRow, kStepKeysRow, kRegulator1Row, kRegulator2Row };
static_assert(alignof(Program) > kRegulator2Row && alignof(Comparator) > kRegulator2Row &&
              alignof(Step) > kRegulator2Row);
quintptr keyOf(const void* object, GroupRow row) { return reinterpret_cast<quintptr>(object) + row; }
enum GeneralGroupKey : quintptr { kKeysGroup = 1, kCorrectionsGroup, kFiltersGroup, kBaseGroup, kPid1Group, kPid2Group };

// Group rows read as headings: a light band across the row; a value beyond
// its limits red on a light band, as the steps table marks it.
const QColor kGroupBack(0xE6, 0xEC, 0xF3);
const QColor kOutsideText(0xE0, 0x00, 0x00);
const QColor kOutsideBack(0xFF, 0xE8, 0xE8);

}  // namespace

// One row: a group (its node), a cell, or a program's step count.
struct FullListModel::Item {
  Node* group = nullptr;
  Parameter* cell = nullptr;
  Program* stepCountOf = nullptr;
  int32_t defaultValue = 0;
  int valueTextId = 0;
  mutable const Texts* texts = nullptr;  // the cell's, once asked for

  const Texts& textsOfCell() const {
    if (!texts) texts = &textsOf(*cell);
    return *texts;
  }
};

// A group and its rows; the root is the invisible top.
struct FullListModel::Node {
  Node* parent = nullptr;
  int row = 0;
  QString title;
  QString foldedTitle;  // for the search
  quintptr key = 0;
  bool openByDefault = true;
  Program* program = nullptr;  // a program's group
  // The step or comparator the cells belong to: an input's edit brings its
  // dependents' limits along.
  Step* step = nullptr;
  Comparator* comparator = nullptr;
  std::vector<Item> items;
  std::vector<std::unique_ptr<Node>> groups;

  Node& addGroup(QString groupTitle, quintptr groupKey, bool open = true) {
    auto node = std::make_unique<Node>();
    node->parent = this;
    node->row = static_cast<int>(items.size());
    node->title = std::move(groupTitle);
    node->foldedTitle = node->title.toCaseFolded();
    node->key = groupKey;
    node->openByDefault = open;
    node->step = step;
    node->comparator = comparator;
    items.push_back({node.get()});
    groups.push_back(std::move(node));
    return *groups.back();
  }
  void addCell(Parameter& cell, int32_t defaultValue, int valueTextId = 0) {
    items.push_back({nullptr, &cell, nullptr, defaultValue, valueTextId});
  }
};

FullListModel::FullListModel(Document& doc, QObject* parent)
    : QAbstractItemModel(parent), m_doc(doc), m_signals(new DocumentSignals(doc, this)) {
  connect(m_signals, &DocumentSignals::cellChanged, this, &FullListModel::onCellChanged);
  connect(m_signals, &DocumentSignals::stepsChanged, this, &FullListModel::onStepsChanged);
  // Every value may have changed, no row came or went: one layout change
  // has the views read every row again. A change notice per group costs a
  // tree view a search through its rows for each group.
  connect(m_signals, &DocumentSignals::valuesChanged, this, [this] {
    emit layoutAboutToBeChanged();
    emit layoutChanged();
  });
  connect(m_signals, &DocumentSignals::programsChanged, this, &FullListModel::reset);
  connect(m_signals, &DocumentSignals::configurationReplaced, this, &FullListModel::reset);
  build();
}

FullListModel::~FullListModel() = default;

// ---- Structure -----------------------------------------------------------------

void FullListModel::build() {
  m_root = std::make_unique<Node>();
  m_cells.clear();
  DeviceData* data = m_doc.deviceData();
  if (!data) return;
  const Defaults& d = defaults();
  Node& root = *m_root;
  if (levelMask & kLevelL1) {
    int n = 0;
    for (Program& program : data->programs) {
      Node& p = root.addGroup(QStringLiteral("Программа №%1").arg(++n), keyOf(&program, kProgramRow));
      p.program = &program;
      p.items.push_back({nullptr, nullptr, &program, 0, 0});
      p.addCell(program.H02, d.program.H02.value());
      for (int k = 0; k < Program::kComparatorCount; ++k) {
        Comparator& c = program.comparators[k];
        Node& g = p.addGroup(QStringLiteral("Параметры компаратора №%1").arg(k + 1), keyOf(&c, kComparatorRow));
        g.comparator = &c;
        for (int i = 0; i < Comparator::kCellCount; ++i) g.addCell(c.cells[i], d.comparator.cells[i].value());
      }
      buildSteps(p);
    }
  }
  if (levelMask & kLevelL2) {
    GeneralParameters& g = data->general;
    Node& keys = root.addGroup(QStringLiteral("Параметры режимов транзисторных ключей"), kKeysGroup);
    for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
      keys.addCell(g.keys.pulse(j), d.general.keys.pulse(j).value());
      keys.addCell(g.keys.pause(j), d.general.keys.pause(j).value());
    }
    auto group = [&](const QString& title, quintptr key, bool open, Parameter* cells, const Parameter* dflt,
                     int count) {
      Node& node = root.addGroup(title, key, open);
      for (int i = 0; i < count; ++i) node.addCell(cells[i], dflt[i].value());
    };
    group(QStringLiteral("Коррекция показаний термометров"), kCorrectionsGroup, true, g.corrections.cells,
          d.general.corrections.cells, Corrections::kCellCount);
    group(QStringLiteral("Параметры цифровых фильтров"), kFiltersGroup, true, g.filters.cells, d.general.filters.cells,
          DigitalFilters::kCellCount);
    group(QStringLiteral("Основные параметры работы прибора"), kBaseGroup, true, g.base.cells, d.general.base.cells,
          BaseParameters::kCellCount);
    group(QStringLiteral("Параметры 1-го ПИД-регулятора"), kPid1Group, false, g.pid[0].cells, d.general.pid[0].cells,
          PidRegulator::kCellCount);
    group(QStringLiteral("Параметры 2-го ПИД-регулятора"), kPid2Group, false, g.pid[1].cells, d.general.pid[1].cells,
          PidRegulator::kCellCount);
  }
  indexCells(root);
}

void FullListModel::buildSteps(Node& p) {
  const Defaults& d = defaults();
  int m = 0;
  for (Step& step : p.program->steps) {
    Node& s = p.addGroup(QStringLiteral("Шаг №%1").arg(++m), keyOf(&step, kStepRow));
    s.step = &step;
    auto cells = [&](Node& node, int from, int to) {
      for (int i = from; i <= to; ++i) node.addCell(step.cells[i], d.step.cells[i].value(), valueTextIdOfStepCell(i));
    };
    cells(s, Step::U01, Step::U05);
    // Opened by the user only.
    cells(s.addGroup(QStringLiteral("Режимы работы транзисторных ключей"), keyOf(&step, kStepKeysRow), false),
          Step::N01, Step::N08);
    cells(s.addGroup(QStringLiteral("Параметры 1-го регулятора"), keyOf(&step, kRegulator1Row), false), Step::E01,
          Step::E05);
    cells(s.addGroup(QStringLiteral("Параметры 2-го регулятора"), keyOf(&step, kRegulator2Row), false), Step::E_01,
          Step::E_05);
  }
}

void FullListModel::indexCells(Node& node) {
  for (int r = 0; r < static_cast<int>(node.items.size()); ++r) {
    const Item& item = node.items[r];
    if (item.group)
      indexCells(*item.group);
    else if (item.cell)
      m_cells[item.cell] = {&node, r};
  }
}

void FullListModel::forgetCells(const Node& node) {
  for (const Item& item : node.items) {
    if (item.group)
      forgetCells(*item.group);
    else if (item.cell)
      m_cells.erase(item.cell);
  }
}

void FullListModel::reset() {
  beginResetModel();
  build();
  endResetModel();
}

void FullListModel::onStepsChanged(const Program* program) {
  Node* p = nullptr;
  for (const Item& item : m_root->items)
    if (item.group && item.group->program == program) p = item.group;
  if (!p) return;
  const QModelIndex parent = createIndex(p->row, 0, p->parent);
  const int first = 2 + Program::kComparatorCount;
  const int last = static_cast<int>(p->items.size()) - 1;
  if (last >= first) {
    beginRemoveRows(parent, first, last);
    for (int r = first; r <= last; ++r) forgetCells(*p->items[r].group);
    p->items.resize(first);
    p->groups.resize(Program::kComparatorCount);
    endRemoveRows();
  }
  if (program->stepCount() > 0) {
    beginInsertRows(parent, first, first + program->stepCount() - 1);
    buildSteps(*p);
    for (int r = first; r < static_cast<int>(p->items.size()); ++r) indexCells(*p->items[r].group);
    endInsertRows();
  }
  emit dataChanged(index(0, 0, parent), index(1, ColumnCount - 1, parent));
}

void FullListModel::onCellChanged(const Parameter* cell) {
  const auto it = m_cells.find(cell);
  if (it == m_cells.end()) return;
  const auto [node, row] = it->second;
  emit dataChanged(createIndex(row, 0, node), createIndex(row, ColumnCount - 1, node));
}

// ---- Item model ------------------------------------------------------------------

// Every index carries the group it lies in; a group row's own node is its item's.
FullListModel::Node* FullListModel::nodeOf(const QModelIndex& parent) const {
  if (!parent.isValid()) return m_root.get();
  const Item* item = itemOf(parent);
  return item ? item->group : nullptr;
}

const FullListModel::Item* FullListModel::itemOf(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this) return nullptr;
  const Node* node = static_cast<const Node*>(index.internalPointer());
  return index.row() < static_cast<int>(node->items.size()) ? &node->items[index.row()] : nullptr;
}

QModelIndex FullListModel::index(int row, int column, const QModelIndex& parent) const {
  Node* node = nodeOf(parent);
  if (!node || row < 0 || row >= static_cast<int>(node->items.size()) || column < 0 || column >= ColumnCount)
    return {};
  return createIndex(row, column, node);
}

QModelIndex FullListModel::parent(const QModelIndex& index) const {
  if (!index.isValid()) return {};
  const Node* node = static_cast<const Node*>(index.internalPointer());
  if (node == m_root.get()) return {};
  return createIndex(node->row, 0, node->parent);
}

int FullListModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  const Node* node = nodeOf(parent);
  return node ? static_cast<int>(node->items.size()) : 0;
}

bool FullListModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

int FullListModel::columnCount(const QModelIndex&) const { return ColumnCount; }

int FullListModel::valueOf(const Item& item) const {
  return item.cell ? item.cell->value() : item.stepCountOf ? item.stepCountOf->stepCount() : 0;
}

QVariant FullListModel::data(const QModelIndex& index, int role) const {
  const Item* item = itemOf(index);
  if (!item) return {};
  const int column = index.column();
  if (item->group) {
    switch (role) {
      case Qt::DisplayRole:
        return column == DescriptionColumn ? QVariant(item->group->title) : QVariant();
      case Qt::BackgroundRole:
        return kGroupBack;
      case cellrole::GroupKey:
        return QVariant::fromValue(item->group->key);
      case cellrole::OpenByDefault:
        return item->group->openByDefault;
      default:
        return {};
    }
  }
  const int value = valueOf(*item);
  const bool outside = column == ValueColumn && item->cell && !item->cell->inLimits();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (column == ValueColumn) return QString::number(value);
      if (item->cell) return column == CodeColumn ? item->textsOfCell().code : item->textsOfCell().description;
      return column == CodeColumn ? stepCountCode() : stepCountDescription();
    case Qt::FontRole:
      if (value != item->defaultValue) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ForegroundRole:
      return outside ? QVariant(kOutsideText) : QVariant();
    case Qt::BackgroundRole:
      return outside ? QVariant(kOutsideBack) : QVariant();
    case Qt::ToolTipRole:
      return toolTip(*item);
    case cellrole::Editor:
      return static_cast<int>(column == ValueColumn ? cellrole::EditorKind::Text : cellrole::EditorKind::None);
    case cellrole::Changed:
      return value != item->defaultValue;
    default:
      return {};
  }
}

QString FullListModel::toolTip(const Item& item) const {
  const int value = valueOf(item);
  QString code, description, valueText;
  int minimum = 0, maximum = 0;
  if (item.stepCountOf) {
    code = stepCountCode();
    description = stepCountDescription();
    maximum = m_doc.deviceData() ? m_doc.deviceData()->general.stepsPerProgram() : 0;
  } else {
    code = item.textsOfCell().code;
    description = item.textsOfCell().description;
    minimum = item.cell->minValue();
    maximum = item.cell->maxValue();
    if (item.valueTextId) valueText = QString::fromUtf8(longTextOf(valueTexts(item.valueTextId), value));
  }
  QString tip = QStringLiteral("%1 — %2\nЗначение: %3").arg(code, description, QString::number(value));
  if (!valueText.isEmpty()) tip += QStringLiteral(" (%1)").arg(valueText);
  tip += QStringLiteral("\nПределы: %1 … %2\nПо умолчанию: %3")
             .arg(QString::number(minimum), QString::number(maximum), QString::number(item.defaultValue));
  if (const QString outside = item.cell ? outsideTip(*item.cell) : QString(); !outside.isEmpty())
    tip += u'\n' + outside;
  return tip;
}

QVariant FullListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case CodeColumn:
      return QStringLiteral("Название параметра");
    case DescriptionColumn:
      return QStringLiteral("Смысловое назначение параметра");
    case ValueColumn:
      return QStringLiteral("Значение");
    default:
      return {};
  }
}

Qt::ItemFlags FullListModel::flags(const QModelIndex& index) const {
  const Item* item = itemOf(index);
  if (!item) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (!item->group && index.column() == ValueColumn) f |= Qt::ItemIsEditable;
  if (!item->group) f |= Qt::ItemNeverHasChildren;
  return f;
}

bool FullListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  return role == Qt::EditRole && storeText(index, value.toString());
}

bool FullListModel::storeText(const QModelIndex& index, const QString& text) {
  const Item* found = itemOf(index);
  if (!found || found->group || index.column() != ValueColumn) return false;
  const Item item = *found;  // the rows may be made again under it
  const Node* node = static_cast<const Node*>(index.internalPointer());
  Step* step = node->step;
  Comparator* comparator = node->comparator;
  // Text that does not start with a number is a slip, not a zero: the cell
  // keeps its value.
  const std::optional<int> typed = numbertext::leadingInteger(text);
  if (!typed) return false;
  if (item.stepCountOf) {
    if (!(levelMask & kLevelL1)) return true;
    // The steps' rows, like every view, follow the document's notice.
    m_doc.setStepCount(*item.stepCountOf, *typed);
    return true;
  }
  Parameter& p = *item.cell;
  const int32_t before = p.value();
  p.setEnteredValue(*typed);
  if (p.value() != before) {
    // A new input brings its setpoints' limits, as in the form and the table.
    if (step) step->followInput(static_cast<int>(&p - step->cells));
    if (comparator && &p == &(*comparator)[Comparator::C01]) comparator->applyInputRanges();
    // Limits switched show as marks on the other rows of the group.
    if ((step || comparator) && m_cells.count(&p)) {
      const auto [group, row] = m_cells.at(&p);
      (void)row;
      if (!group->items.empty())
        emit dataChanged(createIndex(0, ValueColumn, group),
                         createIndex(static_cast<int>(group->items.size()) - 1, ValueColumn, group));
    }
  }
  return true;
}

int FullListModel::widestDescription(const QFontMetrics& metrics) {
  // The descriptions of a new configuration's cells are every description there is.
  const Defaults& d = defaults();
  int widest = metrics.horizontalAdvance(stepCountDescription());
  const auto measure = [&](const Parameter* cells, int count) {
    for (int i = 0; i < count; ++i) widest = std::max(widest, metrics.horizontalAdvance(textsOf(cells[i]).description));
  };
  measure(d.step.cells, Step::kCellCount);
  measure(d.comparator.cells, Comparator::kCellCount);
  measure(&d.program.H02, 1);
  measure(d.general.keys.cells, KeyPulseModes::kCellCount);
  measure(d.general.corrections.cells, Corrections::kCellCount);
  measure(d.general.filters.cells, DigitalFilters::kCellCount);
  measure(d.general.base.cells, BaseParameters::kCellCount);
  measure(d.general.pid[0].cells, PidRegulator::kCellCount);
  return widest;
}

// ---- Search ------------------------------------------------------------------------

bool FullListModel::passes(int row, const QModelIndex& parent, const QString& foldedNeedle, bool changedOnly) const {
  const Node* node = nodeOf(parent);
  if (!node || row < 0 || row >= static_cast<int>(node->items.size())) return false;
  const Item& item = node->items[row];
  if (item.group) return false;
  if (changedOnly && valueOf(item) == item.defaultValue) return false;
  if (foldedNeedle.isEmpty()) return true;
  static const QString stepCountFolded = (stepCountCode() + u'\n' + stepCountDescription()).toCaseFolded();
  if ((item.cell ? item.textsOfCell().folded : stepCountFolded).contains(foldedNeedle)) return true;
  for (const Node* g = node; g && g != m_root.get(); g = g->parent)
    if (g->foldedTitle.contains(foldedNeedle)) return true;
  return false;
}

QModelIndex FullListModel::indexOf(const Parameter* cell, const Program* stepCountOf) const {
  if (cell) {
    const auto it = m_cells.find(cell);
    return it == m_cells.end() ? QModelIndex() : createIndex(it->second.second, ValueColumn, it->second.first);
  }
  for (const Item& item : m_root->items)
    if (item.group && item.group->program == stepCountOf) return createIndex(0, ValueColumn, item.group);
  return {};
}
