#include "tables/StepsTablePage.h"

#include <algorithm>
#include <climits>

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QSplitter>
#include <QTableView>

#include "document/ClipboardText.h"
#include "document/Document.h"
#include "model/ValueTexts.h"
#include "tables/CellDelegate.h"
#include "tables/CellRoles.h"
#include "tables/StepsTableModel.h"
#include "tables/StepsTableRules.h"
#include "widgets/DocumentActions.h"
#include "widgets/Messages.h"
#include "widgets/ProfileChart.h"
#include "widgets/RegulatorChart.h"
#include "widgets/StepClipboard.h"

using namespace stepstable;

namespace {

// Room around a cell's text: its insets and a little air.
constexpr int kTextRoom = 14;

}  // namespace

StepsTablePage::StepsTablePage(Document& doc, DocumentActions& documentActions, QWidget* parent)
    : FormPage(parent),
      m_doc(doc),
      m_documentActions(documentActions),
      m_model(new StepsTableModel(doc, this)),
      m_delegate(new CellDelegate(this)) {
  setObjectName(QStringLiteral("stepsTable"));
  setAccessibleName(QStringLiteral("Параметры шагов"));
  for (int r = 0; r < 2; ++r) {
    m_graphs[r] = new RegulatorChart(this);
    m_graphs[r]->setObjectName(QStringLiteral("regulator%1Chart").arg(r + 1));
    m_graphs[r]->setAccessibleName(r == 0 ? QStringLiteral("График уставок 1-го регулятора")
                                          : QStringLiteral("График уставок 2-го регулятора"));
  }
  m_split = new QSplitter(Qt::Horizontal, this);
  m_split->setObjectName(QStringLiteral("stepsSplitter"));
  m_split->setChildrenCollapsible(true);
  m_table = new QTableView(m_split);
  m_table->installEventFilter(this);
  m_table->setObjectName(QStringLiteral("stepsGrid"));
  m_table->setAccessibleName(QStringLiteral("Таблица шагов"));
  m_table->setModel(m_model);
  m_delegate->attachTo(m_table);
  m_table->setWordWrap(false);

  // The widths are the least; the platform's font may need more room for
  // the labels and the list texts.
  const QFontMetrics fm(m_table->font());
  int labels = kLabelWidth;
  for (int i = 0; i < kRowCount; ++i)
    labels = std::max(labels, fm.horizontalAdvance(rowLabel(i)) + kTextRoom);
  int stepWidth = kStepWidth;
  for (int p = kTransitionList; p <= kKeyModeList; ++p)
    for (const ValueText& v : valueTexts(listKeyOf(Profile(p))))
      stepWidth = std::max(stepWidth, fm.horizontalAdvance(QString::fromUtf8(v.shortText)) + kTextRoom);
  QHeaderView* rowsHeader = m_table->verticalHeader();
  rowsHeader->setFixedWidth(labels);
  rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
  rowsHeader->setDefaultSectionSize(fm.height() + 6);
  QHeaderView* stepsHeader = m_table->horizontalHeader();
  stepsHeader->setDefaultSectionSize(stepWidth);
  stepsHeader->setSectionResizeMode(QHeaderView::Interactive);

  // The labels' menu and the step columns' (their cells and headers).
  for (QWidget* w : {static_cast<QWidget*>(m_table), static_cast<QWidget*>(stepsHeader),
                     static_cast<QWidget*>(rowsHeader)})
    w->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex i = m_table->indexAt(at);
    if (i.isValid()) showMenu(i.column(), m_table->viewport()->mapToGlobal(at));
  });
  connect(stepsHeader, &QWidget::customContextMenuRequested, this, [this, stepsHeader](const QPoint& at) {
    const int column = stepsHeader->logicalIndexAt(at);
    if (column >= 0) showMenu(column, stepsHeader->mapToGlobal(at));
  });
  connect(rowsHeader, &QWidget::customContextMenuRequested, this,
          [this, rowsHeader](const QPoint& at) { showMenu(-1, rowsHeader->mapToGlobal(at)); });

  m_profile = new ProfileChart(m_split);
  m_profile->setObjectName(QStringLiteral("profileChart"));
  m_split->addWidget(m_table);
  m_split->addWidget(m_profile);
  // The table keeps two thirds of the width until the user moves the handle.
  m_split->setCollapsible(0, false);
  connect(m_split, &QSplitter::splitterMoved, this, [this] { m_splitMoved = true; });

  connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { currentChanged(current); });
  connect(m_model, &StepsTableModel::stepsDrawnChanged, this, [this] {
    for (RegulatorChart* g : m_graphs) g->update();
    // The model lets go of a program that is gone before the view is told;
    // the profile is computed at once, so it follows the model's program.
    const DeviceData* data = m_doc.deviceData();
    m_profile->setProgram(m_model->program(), data ? &data->general : nullptr);
    layOut();
  });
  layOut();
}

Program* StepsTablePage::program() const { return m_model->program(); }

void StepsTablePage::setProgram(Program* program) {
  if (program != m_model->program() || !program || m_model->columnCount() != program->stepCount())
    m_delegate->commitOpenEditor();
  m_model->setProgram(program);
  const DeviceData* data = m_doc.deviceData();
  for (int r = 0; r < 2; ++r) m_graphs[r]->setProgram(program, r, data ? &data->general.pid[r] : nullptr);
  m_profile->setProgram(program, data ? &data->general : nullptr);
  layOut();
}

QModelIndex StepsTablePage::cell(int key, int column) const {
  const int row = StepsTableModel::rowOf(key);
  return row < 0 ? QModelIndex() : m_model->index(row, column);
}

bool StepsTablePage::showStep(const Step* step, int key) {
  Program* program = m_model->program();
  if (!program || !step) return false;
  const int column = program->stepIndexOf(step);
  if (column < 0) return false;
  int row = StepsTableModel::rowOf(key);
  if (row < 0) row = m_table->currentIndex().isValid() ? m_table->currentIndex().row() : 0;
  const QModelIndex index = m_model->index(row, column);
  m_followingSelection = true;
  m_table->setCurrentIndex(index);
  m_table->scrollTo(index);
  m_followingSelection = false;
  return true;
}

void StepsTablePage::commitEdits() { m_delegate->commitOpenEditor(); }

void StepsTablePage::currentChanged(const QModelIndex& current) {
  Step* step = current.isValid() ? m_model->stepAt(current.column()) : nullptr;
  if (!step || m_followingSelection) return;
  m_followingSelection = true;
  m_doc.selectGroup(step);
  m_followingSelection = false;
}

void StepsTablePage::showMenu(int column, const QPoint& globalPos) {
  Program* program = m_model->program();
  if (!program) return;
  QMenu* menu = nullptr;
  if (column < 0) {
    // The commands act on the tree's selection: make it this program.
    if (m_doc.programOfSelection() != program) m_doc.selectGroup(program);
    menu = m_documentActions.menu(DocumentMenu::Steps, this);
  } else if (Step* step = m_model->stepAt(column)) {
    m_doc.selectGroup(step);
    menu = m_documentActions.menu(DocumentMenu::Step, this);
  }
  if (!menu) return;
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(globalPos);
}

void StepsTablePage::layOut() {
  int y = 0;
  for (int r = 0; r < 2; ++r) {
    const bool on = m_model->program() && m_model->regulatorOn(r);
    m_graphs[r]->setVisible(on);
    if (!on) continue;
    m_graphs[r]->setGeometry(0, y, width(), kGraphHeight);
    y += kGraphHeight + kGraphGap;
  }
  m_split->setGeometry(0, y, width(), std::max(0, height() - y));
  if (!m_splitMoved) {
    // The chart takes a third of the width, less while the table would show
    // fewer than three steps, but never less than it needs to be read.
    const int table =
        m_table->verticalHeader()->width() + 3 * m_table->horizontalHeader()->defaultSectionSize();
    const int chart = std::clamp(width() - table, std::min(kProfileWidth, width() / 3), width() / 3);
    m_split->setSizes({width() - chart, chart});
  }
}

void StepsTablePage::resizeEvent(QResizeEvent*) { layOut(); }

void StepsTablePage::showEvent(QShowEvent*) { layOut(); }

bool StepsTablePage::eventFilter(QObject* object, QEvent* event) {
  if (object == m_table && takeClipboardKey(event, [this] { copy(); }, [this] { paste(); })) return true;
  return FormPage::eventFilter(object, event);
}

StepsTablePage::Selection StepsTablePage::selection() const {
  Selection s;
  const QModelIndexList cells = m_table->selectionModel()->selectedIndexes();
  if (cells.isEmpty()) return s;
  s.top = s.left = INT_MAX;
  for (const QModelIndex& i : cells) {
    s.top = std::min(s.top, i.row());
    s.bottom = std::max(s.bottom, i.row());
    s.left = std::min(s.left, i.column());
    s.right = std::max(s.right, i.column());
  }
  const int rows = m_model->rowCount(), width = s.right - s.left + 1;
  s.columns = s.top == 0 && s.bottom == rows - 1 && cells.size() == rows * width;
  return s;
}

void StepsTablePage::copy() {
  const Selection s = selection();
  if (s.top < 0) return;
  if (s.columns) {
    std::vector<const Step*> steps;
    for (int c = s.left; c <= s.right; ++c) steps.push_back(m_model->stepAt(c));
    stepclipboard::putSteps(steps);
    return;
  }
  cliptext::Grid grid(s.bottom - s.top + 1, std::vector<std::string>(s.right - s.left + 1));
  for (const QModelIndex& i : m_table->selectionModel()->selectedIndexes())
    grid[i.row() - s.top][i.column() - s.left] = m_model->data(i).toString().toStdString();
  QGuiApplication::clipboard()->setText(QString::fromStdString(cliptext::joinGrid(grid)));
}

void StepsTablePage::paste() {
  if (!m_model->program()) return;
  const Selection s = selection();
  if (stepclipboard::holdsSteps() && (s.columns || m_model->program()->stepCount() == 0)) {
    // After the last selected step, or as the first of a program without
    // steps; the tree selects that step or the program for the command.
    const GroupRef target = s.columns ? GroupRef(m_model->stepAt(s.right)) : GroupRef(m_model->program());
    m_doc.selectGroup(target);
    m_documentActions.update();
    (s.columns ? m_documentActions.pasteStepAfter : m_documentActions.pasteStepsAtEnd)->trigger();
    return;
  }
  const QModelIndex at = m_table->currentIndex();
  if (!at.isValid()) return;
  const cliptext::Grid grid = cliptext::splitGrid(QGuiApplication::clipboard()->text().toStdString());
  std::size_t width = 0;
  for (const auto& row : grid) width = std::max(width, row.size());
  // Where a value goes, named also beyond the last step or row.
  const auto place = [this](int row, int column) {
    const QString step = column < m_model->columnCount()
                             ? m_model->headerData(column, Qt::Horizontal).toString()
                             : QStringLiteral("Шаг %1 (такого шага нет)").arg(column + 1);
    QString label = row < m_model->rowCount() ? m_model->headerData(row, Qt::Vertical).toString()
                                              : QStringLiteral("ниже последней строки");
    if (label.isEmpty()) label = QStringLiteral("строка %1").arg(row + 1);
    return step + QStringLiteral(", ") + label;
  };
  QStringList refused, unplaced;
  // Step by step, each from its first row down: a condition or an input is
  // stored before the cells that depend on it.
  for (std::size_t c = 0; c < width; ++c) {
    for (std::size_t r = 0; r < grid.size(); ++r) {
      const QString text = c < grid[r].size() ? QString::fromStdString(grid[r][c]).trimmed() : QString();
      if (text.isEmpty()) continue;
      const int row = at.row() + static_cast<int>(r), column = at.column() + static_cast<int>(c);
      const QModelIndex cell = m_model->index(row, column);
      // A cell that shows the text already loses nothing, whether it takes values or not.
      if (!cell.isValid())
        unplaced << messages::refusedCell(place(row, column), text);
      else if (m_model->data(cell).toString() != text && !m_model->storeText(cell, text))
        refused << messages::refusedCell(place(row, column), text);
    }
  }
  messages::showPasteFaults(this, refused, unplaced);
}
