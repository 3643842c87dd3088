#include "tables/StepsTableModel.h"

#include <QColor>
#include <QHash>

#include "document/Document.h"
#include "model/DeviceData.h"
#include "model/ValueTexts.h"
#include "tables/CellRoles.h"
#include "tables/StepsTableRules.h"
#include "widgets/DocumentSignals.h"

using namespace stepstable;
using cellrole::EditorKind;

namespace {

const QColor kGrey(0xC8, 0xC8, 0xC8);
const QColor kOpenKey(0xC8, 0x00, 0x00);
const QColor kClosedKey(0x00, 0xC8, 0x00);
const QColor kOutsideText(0xE0, 0x00, 0x00);
const QColor kOutsideBack(0xFF, 0xE8, 0xE8);

struct Limits {
  double minimum, maximum, step;
};

Limits limitsOf(Profile p) {
  switch (p) {
    case kSetpointInt:
      return {-99, 999, 1};
    case kSetpointPercent:
      return {0, 100, 1};
    case kSetpointReal:
      return {-99.9, 999.9, 0.1};
    case kSetpointRealPercent:
      return {0, 99.9, 0.1};
    case kSpeedReal:
      return {-99.9, 99.9, 0.1};
    default:
      return {0, 0, 0};
  }
}

EditorKind editorOf(Profile p) {
  switch (p) {
    case kTransitionList:
    case kTransitionByValueList:
    case kInputList:
    case kKeyModeList:
      return EditorKind::List;
    case kTime:
      return EditorKind::Time;
    case kProfileCount:
      return EditorKind::None;
    default:
      return EditorKind::Number;
  }
}

// The short texts of a list, converted once.
const QStringList& choicesOf(int listKey) {
  static QHash<int, QStringList> cache;
  auto it = cache.constFind(listKey);
  if (it == cache.constEnd()) {
    QStringList words;
    for (const ValueText& v : valueTexts(listKey)) words << QString::fromUtf8(v.shortText);
    it = cache.insert(listKey, words);
  }
  return *it;
}

// The value a list cell shows the entry of.
int listValue(const Step& s, int key) {
  if (key >= kFirstKey && key <= kLastKey) return s.key(key - kFirstKey + 1).value();
  if (key == kTransition) return s[Step::U01].value();
  if (key == kTransitionByValue) return s[Step::U02].value();
  return s[regulatorOf(key) == 0 ? Step::E01 : Step::E_01].value();
}

}  // namespace

StepsTableModel::StepsTableModel(Document& doc, QObject* parent)
    : QAbstractTableModel(parent), m_doc(doc), m_signals(new DocumentSignals(doc, this)) {
  connect(m_signals, &DocumentSignals::cellChanged, this, &StepsTableModel::onCellChanged);
  connect(m_signals, &DocumentSignals::valuesChanged, this, &StepsTableModel::everythingChanged);
  connect(m_signals, &DocumentSignals::stepsChanged, this, [this](const Program* program) {
    if (program == m_program) reset();
  });
  // The program shown may be gone: it stays only while the configuration
  // still holds it (the table view then shows the document's current one).
  const auto programsChanged = [this] {
    const DeviceData* data = m_doc.deviceData();
    if (m_program && (!data || data->programIndexOf(m_program) < 0)) m_program = nullptr;
    reset();
  };
  connect(m_signals, &DocumentSignals::programsChanged, this, programsChanged);
  connect(m_signals, &DocumentSignals::configurationReplaced, this, programsChanged);
  readRegulators();
}

void StepsTableModel::setProgram(Program* program) {
  // The same steps again keep the view's current cell and selection.
  if (program == m_program && program && m_columns == program->stepCount()) {
    everythingChanged();
    return;
  }
  m_program = program;
  reset();
}

void StepsTableModel::reset() {
  beginResetModel();
  m_columns = m_program ? m_program->stepCount() : 0;
  readRegulators();
  // Limits only: a value beyond them is shown as it is, marked.
  if (m_program)
    for (Step& s : m_program->steps) s.selectInputRanges();
  endResetModel();
  emit stepsDrawnChanged();
}

bool StepsTableModel::readRegulators() {
  const DeviceData* data = m_doc.deviceData();
  bool changed = false;
  for (int r = 0; r < 2; ++r) {
    const bool on = data && data->general.pid[r].isEnabled();
    changed |= on != m_regulatorOn[r];
    m_regulatorOn[r] = on;
  }
  return changed;
}

Step* StepsTableModel::stepAt(int column) const {
  return m_program && column >= 0 && column < m_columns ? m_program->stepAt(column) : nullptr;
}

int StepsTableModel::rowOf(int key) {
  if (key == kNoKey) return -1;
  for (int i = 0; i < kRowCount; ++i)
    if (rows()[i].key == key) return i;
  return -1;
}

int StepsTableModel::keyOf(int row) { return row >= 0 && row < kRowCount ? rows()[row].key : kNoKey; }

int StepsTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kRowCount; }

int StepsTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant StepsTableModel::data(const QModelIndex& index, int role) const {
  const Step* step = index.isValid() ? stepAt(index.column()) : nullptr;
  const int key = keyOf(index.row());
  if (!step || key == kNoKey) return {};
  const Profile profile = cellProfile(*step, key);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return cellText(*step, key);
    case Qt::ForegroundRole:
    case Qt::BackgroundRole: {
      const Look look = cellLook(*step, key, m_regulatorOn);
      if (role == Qt::BackgroundRole) return look == Look::Outside ? QVariant(kOutsideBack) : QVariant();
      switch (look) {
        case Look::Inactive:
          return kGrey;
        case Look::KeyOpen:
          return kOpenKey;
        case Look::KeyClosed:
          return kClosedKey;
        case Look::Outside:
          return kOutsideText;
        case Look::Normal:
          return {};
      }
      return {};
    }
    case Qt::ToolTipRole: {
      // A list cell's long text says in full what its short text
      // abbreviates; a value beyond its limits says so.
      const int listKey = listKeyOf(profile);
      if (!listKey) return outsideTip(*step, key);
      return QString::fromUtf8(longTextOf(valueTexts(listKey), listValue(*step, key)));
    }
    case cellrole::Editor:
      return static_cast<int>(cellInactive(*step, key, m_regulatorOn) ? EditorKind::None : editorOf(profile));
    case cellrole::Minimum:
      return limitsOf(profile).minimum;
    case cellrole::Maximum:
      return limitsOf(profile).maximum;
    case cellrole::Step:
      return limitsOf(profile).step;
    case cellrole::Choices:
      return listKeyOf(profile) ? QVariant(choicesOf(listKeyOf(profile))) : QVariant();
    default:
      return {};
  }
}

QVariant StepsTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    if (role != Qt::DisplayRole || !stepAt(section)) return {};
    return stepHeader(section + 1, m_program->H02.value() == section + 1);
  }
  if (section < 0 || section >= kRowCount) return {};
  if (role == Qt::DisplayRole) return rowLabel(section);
  if (role == Qt::ForegroundRole && labelInactive(keyOf(section), m_regulatorOn)) return kGrey;
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

Qt::ItemFlags StepsTableModel::flags(const QModelIndex& index) const {
  const Step* step = index.isValid() ? stepAt(index.column()) : nullptr;
  if (!step) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  const int key = keyOf(index.row());
  if (key != kNoKey && !cellInactive(*step, key, m_regulatorOn)) f |= Qt::ItemIsEditable;
  return f;
}

bool StepsTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  return role == Qt::EditRole && storeText(index, value.toString());
}

bool StepsTableModel::storeText(const QModelIndex& index, const QString& text) {
  if (!(flags(index) & Qt::ItemIsEditable)) return false;
  Step& step = *stepAt(index.column());
  QString stored = text;
  if (!applyEdit(step, keyOf(index.row()), stored)) return false;
  // The column's other cells follow the new value: greying, editors, the
  // rewritten transition setpoint; the charts too.
  columnChanged(index.column());
  return true;
}

void StepsTableModel::columnChanged(int column) {
  emit dataChanged(index(0, column), index(kRowCount - 1, column));
  emit stepsDrawnChanged();
}

void StepsTableModel::everythingChanged() {
  readRegulators();
  if (m_program) {
    for (Step& s : m_program->steps) s.selectInputRanges();
    if (columnCount() > 0) {
      emit dataChanged(index(0, 0), index(kRowCount - 1, columnCount() - 1));
      emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    }
  }
  emit headerDataChanged(Qt::Vertical, 0, kRowCount - 1);
  emit stepsDrawnChanged();
}

void StepsTableModel::onCellChanged(const Parameter* cell) {
  const DeviceData* data = m_doc.deviceData();
  // A regulator switched on or off greys its rows and hides its chart.
  if (data && (cell == &data->general.pid[0][PidRegulator::P07] || cell == &data->general.pid[1][PidRegulator::P07])) {
    everythingChanged();
    return;
  }
  if (!m_program) return;
  if (cell == &m_program->H02) {
    if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    return;
  }
  int column = 0;
  for (const Step& s : m_program->steps) {
    if (column >= m_columns) return;
    if (cell >= s.cells && cell < s.cells + Step::kCellCount) {
      columnChanged(column);
      return;
    }
    ++column;
  }
}
