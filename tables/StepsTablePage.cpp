#include "tables/StepsTablePage.h"

#include <algorithm>

#include <QHeaderView>
#include <QMenu>

#include "document/Document.h"
#include "model/ValueTexts.h"
#include "widgets/DocumentActions.h"
#include "widgets/GuiText.h"
#include "widgets/RegulatorChart.h"

using namespace stepstable;

namespace {

// Room around a cell's text: its insets and a little air.
constexpr int kTextRoom = 14;

constexpr FL_COLOR kGrey = 0xC8C8C8;
constexpr FL_COLOR kRed = 0x0000C8;  // 0x00BBGGRR
constexpr FL_COLOR kGreen = 0x00C800;
constexpr FL_COLOR kOutsideText = 0x0000E0;
constexpr FL_COLOR kOutsideBack = 0xE8E8FF;

// The format block of a look; nullptr for none.
const XFList_CellFormat* formatOf(Look look) {
  static const XFList_CellFormat inactive{FLF_TEXTCOLOR | FLF_READONLY, FL_LEFT, kGrey, FL_COLOR_DEFAULT};
  static const XFList_CellFormat open{FLF_TEXTCOLOR, FL_LEFT, kRed, FL_COLOR_DEFAULT};
  static const XFList_CellFormat closed{FLF_TEXTCOLOR, FL_LEFT, kGreen, FL_COLOR_DEFAULT};
  static const XFList_CellFormat outside{FLF_TEXTCOLOR | FLF_BKCOLOR, FL_LEFT, kOutsideText, kOutsideBack};
  switch (look) {
    case Look::Outside:
      return &outside;
    case Look::Inactive:
      return &inactive;
    case Look::KeyOpen:
      return &open;
    case Look::KeyClosed:
      return &closed;
    case Look::Normal:
      break;
  }
  return nullptr;
}

bool sameFormat(const XFList_CellFormat& a, const XFList_CellFormat* b) {
  if (!b) return a.flags == 0;
  return a.flags == b->flags && a.textColor == b->textColor && a.backColor == b->backColor &&
         a.alignment == b->alignment;
}

}  // namespace

StepsTablePage::StepsTablePage(Document& doc, DocumentActions& documentActions, QWidget* parent)
    : FormPage(parent), m_doc(doc), m_documentActions(documentActions) {
  setObjectName(QStringLiteral("stepsTable"));
  setAccessibleName(QStringLiteral("Параметры шагов"));
  for (int r = 0; r < 2; ++r) {
    m_graphs[r] = new RegulatorChart(this);
    m_graphs[r]->setObjectName(QStringLiteral("regulator%1Chart").arg(r + 1));
    m_graphs[r]->setAccessibleName(r == 0 ? QStringLiteral("График уставок 1-го регулятора")
                                          : QStringLiteral("График уставок 2-го регулятора"));
  }
  m_grid = new CFListCtrl(this);
  m_grid->setObjectName(QStringLiteral("stepsGrid"));
  m_grid->setAccessibleName(QStringLiteral("Таблица шагов"));
  m_grid->SetOwner(this);
  m_grid->SetGridLines(true);
  // The labels stay beside the steps however far the steps are scrolled.
  m_grid->SetFrozenColumn(true);
  m_grid->AddColumn(-1, QStringLiteral("Название параметра"), kLabelWidth);
  for (int i = 0; i < kRowCount; ++i) m_rows[i] = m_grid->AddRow(FL_ROOT, FL_LAST, rowLabel(i));
  createProfiles();
  // The widths are the least; the platform's font may need more room for
  // the labels and the list texts.
  const QFontMetrics fm(m_grid->font());
  int labels = kLabelWidth;
  for (int i = 0; i < kRowCount; ++i)
    labels = std::max(labels, fm.horizontalAdvance(rowLabel(i)) + kTextRoom);
  m_grid->header()->resizeSection(0, labels);
  m_stepWidth = kStepWidth;
  for (int p = kTransitionList; p <= kKeyModeList; ++p)
    for (const ValueText& v : valueTexts(listKeyOf(Profile(p))))
      m_stepWidth = std::max(m_stepWidth, fm.horizontalAdvance(fromCp1251(v.shortText)) + kTextRoom);
  layOut();
}

StepsTablePage::~StepsTablePage() {
  // The grid's row removals reach its owner: not this page any longer.
  m_grid->SetOwner(nullptr);
  m_grid->setParent(nullptr);
  delete m_grid;
}

void StepsTablePage::createProfiles() {
  for (int p = kTransitionList; p <= kKeyModeList; ++p) {
    const int profile = m_grid->AddProfile(FLP_COMBO);
    for (const ValueText& v : valueTexts(listKeyOf(Profile(p))))
      m_grid->AddComboItem(profile, fromCp1251(v.shortText), v.value);
    m_profiles[p] = profile;
  }
  m_profiles[kSetpointInt] = m_grid->AddProfile(FLP_NUMBER);
  m_grid->SetIntRange(m_profiles[kSetpointInt], -99, 999, 1);
  m_profiles[kSetpointPercent] = m_grid->AddProfile(FLP_NUMBER);
  m_grid->SetIntRange(m_profiles[kSetpointPercent], 0, 100, 1);
  m_profiles[kTime] = m_grid->AddProfile(FLP_TIME);
  m_grid->SetTimeFormat(m_profiles[kTime], 1);
  m_profiles[kSetpointReal] = m_grid->AddProfile(FLP_NUMBER);
  m_grid->SetRealRange(m_profiles[kSetpointReal], -99.9, 999.9, 0.1);
  m_profiles[kSetpointRealPercent] = m_grid->AddProfile(FLP_NUMBER);
  m_grid->SetRealRange(m_profiles[kSetpointRealPercent], 0.0, 99.9, 0.1);
  m_profiles[kSpeedReal] = m_grid->AddProfile(FLP_NUMBER);
  m_grid->SetRealRange(m_profiles[kSpeedReal], -99.9, 99.9, 0.1);
}

HFLROW StepsTablePage::rowOf(int key) const {
  for (int i = 0; i < kRowCount; ++i)
    if (rows()[i].key == key) return m_rows[i];
  return nullptr;
}

int StepsTablePage::keyOfRow(HFLROW row) const {
  for (int i = 0; i < kRowCount; ++i)
    if (m_rows[i] == row) return rows()[i].key;
  return kNoKey;
}

Step* StepsTablePage::stepOfColumn(int column) const {
  // Found by position: the program's list is the truth, whatever a cell holds.
  return m_program && column >= 1 ? m_program->stepAt(column - 1) : nullptr;
}

bool StepsTablePage::regulatorOn(int regulator) const {
  const DeviceData* data = m_doc.deviceData();
  return data && data->general.pid[regulator].isEnabled();
}

void StepsTablePage::setProgram(Program* program) {
  m_program = program;
  m_refreshing = true;
  m_grid->LockRedraw(true);
  const int steps = program ? program->stepCount() : 0;
  if (program != m_shownProgram || m_grid->GetColumnCount() - 1 != steps) {
    m_grid->EndEdit(true);
    while (m_grid->GetColumnCount() - 1 > steps) m_grid->RemoveColumn(1);
    while (m_grid->GetColumnCount() - 1 < steps) addStepColumn(m_grid->GetColumnCount());
    m_shownProgram = program;
  }
  for (int r = 0; r < 2; ++r) {
    m_regulatorOn[r] = regulatorOn(r);
    m_graphs[r]->setProgram(program, r);
  }
  for (int c = 1; c <= steps; ++c) refreshColumn(c);
  refreshLabels();
  m_grid->LockRedraw(false);
  m_refreshing = false;
  layOut();
}

void StepsTablePage::addStepColumn(int number) {
  const int c = m_grid->AddColumn(-1, stepHeader(number, false), m_stepWidth);
  const Step* step = stepOfColumn(c);
  for (int i = 0; i < kRowCount; ++i) {
    const int key = rows()[i].key;
    if (key == kNoKey || !step) continue;
    m_grid->SetCellText(m_rows[i], c, cellText(*step, key));
    m_grid->SetCellProfile(m_rows[i], c, m_profiles[cellProfile(*step, key)]);
  }
}

void StepsTablePage::refreshColumn(int c) {
  Step* step = stepOfColumn(c);
  if (!step) return;
  // Limits only: a value beyond them is shown as it is, marked.
  step->selectInputRanges();
  m_grid->SetColumnHeading(c, stepHeader(c, m_program->H02.value() == c));
  for (int i = 0; i < kRowCount; ++i) {
    const int key = rows()[i].key;
    if (key == kNoKey) continue;
    const HFLROW row = m_rows[i];
    const QString text = cellText(*step, key);
    if (m_grid->GetCellText(row, c) != text) m_grid->SetCellText(row, c, text);
    const int profile = m_profiles[cellProfile(*step, key)];
    if (m_grid->GetCellProfile(row, c) != profile) m_grid->SetCellProfile(row, c, profile);
    const XFList_CellFormat* format = formatOf(cellLook(*step, key, m_regulatorOn));
    if (!sameFormat(m_grid->GetCellFormat(row, c), format)) m_grid->SetCellFormat(row, c, format);
    m_grid->SetCellData(row, c, reinterpret_cast<FL_DATA>(step));
  }
}

void StepsTablePage::refreshLabels() {
  for (int i = 0; i < kRowCount; ++i) {
    const XFList_CellFormat* format =
        labelInactive(rows()[i].key, m_regulatorOn) ? formatOf(Look::Inactive) : nullptr;
    if (!sameFormat(m_grid->GetCellFormat(m_rows[i], 0), format)) m_grid->SetCellFormat(m_rows[i], 0, format);
  }
}

bool StepsTablePage::showStep(const Step* step, int key) {
  if (!m_program || !step) return false;
  const int index = m_program->stepIndexOf(step);
  if (index < 0) return false;
  HFLROW row = key != kNoKey ? rowOf(key) : nullptr;
  if (!row) row = m_grid->GetFocusRow();
  if (!row) row = m_rows[0];
  m_followingTree = true;
  m_grid->SetFocusCell(row, index + 1, true);
  m_followingTree = false;
  return true;
}

int StepsTablePage::OnListNotify(FLNotifyInfo& info) {
  switch (info.code) {
    case FLN_FOCUSCHANGED: {
      Step* step = stepOfColumn(info.column);
      if (!step) return 0;
      m_doc.currentStep = step;
      if (!m_followingTree && m_doc.host()) {
        m_followingTree = true;
        m_doc.host()->selectTreeItem(step, false);
        m_followingTree = false;
      }
      return 0;
    }
    case FLN_CHANGED: {
      Step* step = stepOfColumn(info.column);
      const int key = keyOfRow(info.row);
      if (!step || key == kNoKey) return FLR_REFUSE;
      // A list cell's value is that of the entry whose text was chosen; the
      // cell's own data stays its step.
      QString text = info.text;
      if (!applyEdit(*step, key, text)) return FLR_REFUSE;
      info.text = text;
      info.data = reinterpret_cast<FL_DATA>(step);
      if (!m_refreshing) {
        // The column's other cells follow the new value (greying, editors,
        // the rewritten transition setpoint), then the charts.
        m_refreshing = true;
        refreshColumn(info.column);
        m_grid->SetCellText(info.row, info.column, text);
        m_refreshing = false;
        for (RegulatorChart* g : m_graphs) g->update();
      }
      return 0;
    }
    default:
      return 0;
  }
}

void StepsTablePage::OnListContextMenu(CFListCtrl& list, const QPoint& globalPos) {
  if (!m_program) return;
  const QPoint at = list.viewport()->mapFromGlobal(globalPos);
  if (at.y() < 0 || at.y() >= list.viewport()->height()) return;
  // The column under the pointer, from the cells of the first row.
  int column = -1;
  for (int c = 0; c < list.GetColumnCount(); ++c) {
    const QRect r = list.CellRect(m_rows[0], c);
    if (at.x() >= r.left() && at.x() <= r.right()) {
      column = c;
      break;
    }
  }
  QMenu* menu = nullptr;
  if (column == 0) {
    // The commands act on the tree's selection: make it this program.
    if (m_doc.programOfSelection() != m_program && m_doc.host())
      m_doc.host()->selectTreeItem(m_program, false);
    menu = m_documentActions.menu(DocumentMenu::Steps, this);
  } else if (Step* step = stepOfColumn(column)) {
    if (m_doc.host()) m_doc.host()->selectTreeItem(step, false);
    menu = m_documentActions.menu(DocumentMenu::Step, this);
  }
  if (!menu) return;
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(globalPos);
}

QString StepsTablePage::GetCellToolTip(CFListCtrl&, HFLROW row, int column) {
  // A list cell's long text says in full what its short text abbreviates;
  // a value beyond its limits says so.
  const Step* step = stepOfColumn(column);
  const int key = keyOfRow(row);
  if (!step || key == kNoKey) return {};
  const Profile p = cellProfile(*step, key);
  const int listKey = listKeyOf(p);
  if (!listKey) return outsideTip(*step, key);
  int value = 0;
  if (key >= kFirstKey && key <= kLastKey)
    value = step->key(key - kFirstKey + 1).value();
  else if (key == kTransition)
    value = (*step)[Step::U01].value();
  else if (key == kTransitionByValue)
    value = (*step)[Step::U02].value();
  else
    value = (*step)[regulatorOf(key) == 0 ? Step::E01 : Step::E_01].value();
  return fromCp1251(longTextOf(valueTexts(listKey), value));
}

void StepsTablePage::layOut() {
  int y = 0;
  for (int r = 0; r < 2; ++r) {
    const bool on = m_program && m_regulatorOn[r];
    m_graphs[r]->setVisible(on);
    if (!on) continue;
    m_graphs[r]->setGeometry(0, y, width(), kGraphHeight);
    y += kGraphHeight + kGraphGap;
  }
  m_grid->setGeometry(0, y, width(), std::max(0, height() - y));
}

void StepsTablePage::resizeEvent(QResizeEvent*) { layOut(); }

void StepsTablePage::showEvent(QShowEvent*) { layOut(); }
