#include "tables/TableModeView.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "document/Document.h"
#include "forms/ComparatorTabs.h"
#include "tables/StepsTablePage.h"
#include "tables/StepsTableRules.h"
#include "model/FormatText.h"
#include "widgets/DocumentSignals.h"

TableModeView::TableModeView(Document& doc, DocumentActions& documentActions, QWidget* parent)
    : QWidget(parent), m_doc(doc) {
  setObjectName(QStringLiteral("tableModeView"));
  setAccessibleName(QStringLiteral("Табличный вид"));
  m_tabs = new QTabWidget(this);
  m_tabs->setObjectName(QStringLiteral("tableModeTabs"));
  m_tabs->setAccessibleName(QStringLiteral("Страницы табличного вида"));
  m_tabs->setDocumentMode(true);
  m_steps = new StepsTablePage(doc, documentActions, m_tabs);
  m_comparators = new ComparatorTabs(m_tabs);
  m_tabs->addTab(m_steps, QStringLiteral("Параметры шагов"));
  m_tabs->addTab(m_comparators, QStringLiteral("Параметры компараторов"));
  m_chooser = new QComboBox(m_tabs);
  m_chooser->setObjectName(QStringLiteral("programChooser"));
  m_chooser->setAccessibleName(QStringLiteral("Программа"));
  m_chooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  m_tabs->setCornerWidget(m_chooser, Qt::TopRightCorner);
  connect(m_chooser, &QComboBox::activated, this, [this](int index) { m_doc.selectProgram(index); });
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_tabs);
  // The view's focus goes into the page shown: the grid, or the comparators.
  const auto followTab = [this] {
    setFocusProxy(m_tabs->currentIndex() == 0 ? static_cast<QWidget*>(m_steps->table())
                                              : static_cast<QWidget*>(m_comparators->tabs()));
  };
  connect(m_tabs, &QTabWidget::currentChanged, this, followTab);
  followTab();

  // Out of its mode (hidden in the main window's stack), the view catches up
  // when the table mode shows it.
  auto* notices = new DocumentSignals(doc, this);
  const auto follow = [this] {
    if (isHidden()) return;
    if (m_doc.currentProgram() != m_program)
      showCurrentProgram();
    else
      followSelection();
  };
  connect(notices, &DocumentSignals::selectionMoved, this, follow);
  // A program that is gone is let go of at once, shown or not.
  const auto programsChanged = [this] {
    const DeviceData* data = m_doc.deviceData();
    if (m_program && (!data || data->programIndexOf(m_program) < 0)) setProgram(nullptr);
    if (!isHidden()) showCurrentProgram();
  };
  connect(notices, &DocumentSignals::programsChanged, this, programsChanged);
  connect(notices, &DocumentSignals::configurationReplaced, this, programsChanged);
  connect(notices, &DocumentSignals::changeShown, this, &TableModeView::showChange);
  connect(notices, &DocumentSignals::programRenamed, this, &TableModeView::fillChooser);
}

void TableModeView::fillChooser() {
  const QSignalBlocker quiet(m_chooser);
  m_chooser->clear();
  const DeviceData* data = m_doc.deviceData();
  int number = 0;
  for (const Program& p : data ? data->programs : std::list<Program>{}) {
    m_chooser->addItem(QString::fromStdString(programTitle(++number, p.name())));
    m_chooser->setItemData(number - 1, QString::fromStdString(nameRecordText(p.nameRecord())), Qt::ToolTipRole);
  }
  m_chooser->setCurrentIndex(data ? data->programIndexOf(m_program) : -1);
}

void TableModeView::showCurrentProgram() {
  // Only a program the configuration holds: whoever changed the programs
  // behind the document's back may have left the current one dangling.
  const DeviceData* data = m_doc.deviceData();
  Program* program = m_doc.currentProgram();
  setProgram(data && data->programIndexOf(program) >= 0 ? program : nullptr);
  followSelection();
}

void TableModeView::setProgram(Program* program) {
  m_program = program;
  m_steps->setProgram(program);
  m_comparators->bindProgram(program);
  fillChooser();
}

void TableModeView::followSelection() {
  const std::optional<NavigationItem>& s = m_doc.selection();
  if (s && s->kind == NavigationKind::Step) m_steps->showStep(s->group.get<Step>());
}

void TableModeView::showChange(const ChangePlace& place) {
  if (!isVisible() || !m_program || m_doc.deviceData()->programIndexOf(m_program) != place.program) return;
  if (place.kind == NavigationKind::Comparator && place.index >= 0 &&
      place.index < Program::kComparatorCount) {
    m_tabs->setCurrentWidget(m_comparators);
    m_comparators->tabs()->setCurrentIndex(place.index);
  } else if (const Step* step =
                 place.kind == NavigationKind::Step ? m_program->stepAt(place.index) : nullptr) {
    m_tabs->setCurrentWidget(m_steps);
    m_steps->showStep(step, stepstable::rowKeyOfCode(place.code));
  }
}

bool TableModeView::commitEdits() {
  m_steps->commitEdits();
  return !m_comparators->isVisible() || m_comparators->commitForm();
}
