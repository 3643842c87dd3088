// The table mode as a user meets it: step columns with their headers and the
// cycle-start mark, edits typed into the table and chosen from its lists
// reaching the document and the charts, the dependencies that grey cells, a
// regulator switched off, the context menus running the step commands, the
// tree following the current column and the other way round, cell ranges
// selected, the comparators tab, and the model kept sound under changes.
#include <functional>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "GuiTest.h"
#include "ItemViews.h"
#include "forms/ComparatorTabs.h"
#include "model/SetpointPair.h"
#include "shell/GroupPane.h"
#include "shell/NavigationTree.h"
#include "tables/CellDelegate.h"
#include "tables/CellRoles.h"
#include "tables/StepsTableModel.h"
#include "tables/StepsTablePage.h"
#include "tables/TableModeView.h"
#include "widgets/RegulatorChart.h"

using namespace stepstable;

namespace {

void closePopups() {
  while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
}

using Check = std::function<bool(const Step&)>;

}  // namespace

Q_DECLARE_METATYPE(Check)

class TableModeTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::Shell> m_shell;
  Document& doc() { return m_shell->doc; }
  Program& program(int i) { return *doc().deviceData()->programAt(i); }
  TableModeView* sheet() { return m_shell->frame->tableView(); }
  StepsTablePage* steps() { return sheet()->stepsPage(); }
  QTableView* table() { return steps()->table(); }
  StepsTableModel* model() { return steps()->model(); }
  QStringList headings() {
    QStringList h;
    for (int c = 0; c < model()->columnCount(); ++c) h << model()->headerData(c, Qt::Horizontal).toString();
    return h;
  }
  QModelIndex cell(int key, int column) { return steps()->cell(key, column); }
  QString text(int key, int column) { return cell(key, column).data().toString(); }
  bool editable(int key, int column) { return cell(key, column).flags() & Qt::ItemIsEditable; }
  QColor textColour(int key, int column) { return cell(key, column).data(Qt::ForegroundRole).value<QColor>(); }
  bool labelGrey(int key) {
    return model()->headerData(StepsTableModel::rowOf(key), Qt::Vertical, Qt::ForegroundRole).isValid();
  }

  // Shows program 1 with `n` default steps in the table mode.
  void showProgram(int n, int h02 = 1) {
    program(0).steps.resize(n);
    program(0).H02.valueRef() = h02;
    doc().announce({DocumentChange::Kind::Steps, nullptr, &program(0)});
    m_shell->frame->actions().tableMode->trigger();
    chooseProgram(1);
    m_shell->frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_shell->frame.get()));
  }
  // "Программы" → program `number`.
  void chooseProgram(int number) {
    m_shell->frame->programsMenu()->findChild<QAction*>(QString("program%1").arg(number))->trigger();
  }
  // A right click on a step column's cell (or, for column -1, on the labels),
  // as the platform delivers it.
  QMenu* contextMenuAt(int column) {
    QWidget* target = column < 0 ? table()->verticalHeader()->viewport() : table()->viewport();
    // The column is scrolled into view first, as a user would.
    if (column >= 0) table()->scrollTo(cell(kTransition, column));
    const QPoint pos = column < 0 ? QPoint(10, 10) : table()->visualRect(cell(kTransition, column)).center();
    QTest::mouseClick(target, Qt::RightButton, {}, pos);
    QContextMenuEvent request(QContextMenuEvent::Mouse, pos, target->mapToGlobal(pos));
    QApplication::sendEvent(target, &request);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }
  void runFromMenu(int column, const char* command) {
    QMenu* menu = contextMenuAt(column);
    QVERIFY(menu);
    QAction* a = guitest::actionNamed(menu, command);
    QVERIFY(a && a->isEnabled());
    closePopups();
    a->trigger();
    QCoreApplication::processEvents();
  }
  // Chooses a list entry in the cell's drop-down list, as a user does.
  void choose(int key, int column, const QString& entry) {
    table()->setFocus();
    table()->setCurrentIndex(cell(key, column));
    QTest::keyClick(table(), Qt::Key_Down, Qt::AltModifier);
    auto* combo = qobject_cast<QComboBox*>(steps()->delegate()->openEditor());
    QVERIFY(combo);
    const int i = combo->findText(entry);
    QVERIFY(i >= 0);
    // The entry clicked in the open list: the list closes, the choice is made.
    QVERIFY(guitest::waitFor([&] { return combo->view()->isVisible(); }));
    combo->hidePopup();
    combo->setCurrentIndex(i);
    emit combo->activated(i);
    QCoreApplication::processEvents();
    QVERIFY(QTest::qWaitForWindowActive(m_shell->frame.get()));
    QVERIFY(!steps()->delegate()->openEditor());
  }

 private slots:
  void init() {
    guitest::MessageLog::clear();
    m_shell = std::make_unique<guitest::Shell>();
    m_shell->frame->resize(1000, 700);
  }
  void cleanup() {
    closePopups();
    m_shell.reset();
  }

  void stepsComeAndGoWithTheirHeaders() {
    QAbstractItemModelTester tester(model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    showProgram(0);
    QCOMPARE(model()->columnCount(), 0);
    runFromMenu(-1, "addStepLast");
    QCOMPARE(headings(), QStringList{"Шаг 1 *"});
    program(0).H02.valueRef() = 0;
    runFromMenu(0, "addStepAfter");
    runFromMenu(1, "addStepAfter");
    QCOMPARE(headings(), (QStringList{"Шаг 1", "Шаг 2", "Шаг 3"}));
    // The new step's column is current, as the tree's selection.
    QCOMPARE(table()->currentIndex().column(), 2);
    runFromMenu(1, "toggleCycleStart");
    QCOMPARE(headings(), (QStringList{"Шаг 1", "Шаг 2 *", "Шаг 3"}));
    runFromMenu(0, "deleteStep");
    QCOMPARE(headings(), (QStringList{"Шаг 1 *", "Шаг 2"}));
    QCOMPARE(program(0).stepCount(), 2);
    // Every column follows its step after the columns moved.
    QCOMPARE(model()->stepAt(1), &program(0).steps.back());
    doc().undo();  // the step comes back
    QCOMPARE(model()->columnCount(), 3);
  }

  // Each case: a typed edit, what the cell shows and what the step holds.
  void typedEditsReachTheStepAndTheCharts_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<Check>("check");
    QTest::newRow("setpoint -0.5 from 0.0")
        << int(kSetpoint1) << "-0.5"
        << "-1.0"
        << Check([](const Step& s) { return s[Step::E02].value() == -1 && s[Step::E03].value() == 0; });
    QTest::newRow("decimal comma") << int(kSetpoint1) << "12,5"
                                   << "12.5" << Check([](const Step& s) { return s[Step::E02].value() == 12; });
    QTest::newRow("speed") << int(kSpeed2) << "-2.5"
                           << "-2.5" << Check([](const Step& s) {
                                return s[Step::E_04].value() == 25 && s[Step::E_05].value() == 1;
                              });
    QTest::newRow("a non-number is refused") << int(kSetpoint1) << "x1"
                                             << "0.0" << Check([](const Step& s) { return s[Step::E02].value() == 0; });
    QTest::newRow("hours:minutes") << int(kDuration) << "0130"
                                   << "01:30" << Check([](const Step& s) {
                                        return s[Step::U04].value() == 1 && s[Step::U05].value() == 30;
                                      });
  }
  void typedEditsReachTheStepAndTheCharts() {
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(Check, check);
    showProgram(3);
    Step& second = *program(0).stepAt(1);
    setPairFixed(second[Step::E02], second[Step::E03], 0);
    second[Step::U01].setEnteredValue(1);  // waits out its time: the duration counts
    doc().announce({DocumentChange::Kind::Values});
    itemviews::typeInto(table(), cell(key, 1), typed);
    QCOMPARE(text(key, 1), shown);
    QVERIFY(check(second));
    // The charts read the step afresh.
    const int regulator = regulatorOf(key);
    if (regulator >= 0) {
      const auto segs = steps()->graph(regulator)->segments();
      QCOMPARE(QString::number(segs[1].setpoint, 'f', 1),
               cellText(second, regulator == 0 ? kSetpoint1 : kSetpoint2));
    }
  }

  void aSpinClickStoresAtOnce() {
    showProgram(2);
    Step& first = *program(0).stepAt(0);
    setPairFixed(first[Step::E02], first[Step::E03], 999);
    doc().announce({DocumentChange::Kind::Values});
    table()->setFocus();
    table()->setCurrentIndex(cell(kSetpoint1, 0));
    QTest::keyClick(table(), Qt::Key_F2);
    QWidget* editor = steps()->delegate()->openEditor();
    QVERIFY(editor);
    QTest::keyClick(editor, Qt::Key_Up);
    QTest::keyClick(editor, Qt::Key_Up);
    QCOMPARE(pairFixed(first[Step::E02], first[Step::E03]), 1001);
    QCOMPARE(qobject_cast<QLineEdit*>(editor)->text(), QString("100.1"));
  }

  void dependenciesFollowAnEdit() {
    showProgram(2);
    choose(kTransition, 1, QStringLiteral("Время"));
    QVERIFY(!editable(kTransitionByValue, 1) && !editable(kTransitionSetpoint, 1) && editable(kDuration, 1));
    QVERIFY(editable(kTransitionByValue, 0));
    choose(kTransition, 1, QStringLiteral("Темп/Влажн"));
    QVERIFY(editable(kTransitionByValue, 1) && !editable(kDuration, 1));
    // A humidity condition switches the transition setpoint's editor and
    // rewrites it within 0..100.
    program(0).stepAt(0)->cells[Step::U03].setEnteredValue(150);
    choose(kTransitionByValue, 0, QStringLiteral("влажность < уставки"));
    QCOMPARE(text(kTransitionSetpoint, 0), QStringLiteral("100"));
    QCOMPARE(cell(kTransitionSetpoint, 0).data(cellrole::Maximum).toDouble(), 100.0);
    // Key cells: red when open, green when closed.
    choose(kFirstKey, 0, QStringLiteral("замкнут"));
    QCOMPARE(textColour(kFirstKey, 0), QColor(0, 0xC8, 0));
    QCOMPARE(program(0).stepAt(0)->key(1).value(), 1);
    QVERIFY(cell(kFirstKey, 0).data(Qt::ToolTipRole).toString().size() > 0);
  }

  void aSetpointBeyondItsLimitsIsMarkedAndClampedOnlyWhenEdited() {
    program(0).steps.resize(3);
    const int64_t setpoints[3] = {1502, -999, 1502};  // step 1 a humidity input, as read
    for (int i = 0; i < 3; ++i) {
      Step& s = *program(0).stepAt(i);
      setPairFixed(s[Step::E02], s[Step::E03], setpoints[i]);
      if (i == 0) s[Step::E01].setEnteredValue(5);
      s.selectInputRanges();
    }
    doc().setModified(false);
    showProgram(3);
    QCOMPARE(text(kSetpoint1, 0), QString("150.2"));
    QCOMPARE(textColour(kSetpoint1, 0), QColor(0xE0, 0, 0));
    QCOMPARE(cell(kSetpoint1, 0).data(Qt::ToolTipRole).toString(), QString("вне допустимого диапазона 0…99.9"));
    QVERIFY(!cell(kSetpoint1, 1).data(Qt::ForegroundRole).isValid());
    QVERIFY(!doc().isModified());
    QCOMPARE(pairFixed(program(0).stepAt(0)->cells[Step::E02], program(0).stepAt(0)->cells[Step::E03]), 1502);

    // Humidity chosen as the input: the setpoint clamped as a whole number.
    const QString humidity = cellText(*program(0).stepAt(0), kInput1);
    choose(kInput1, 1, humidity);
    choose(kInput1, 2, humidity);
    QCOMPARE(text(kSetpoint1, 1), QString("0.0"));
    QCOMPARE(text(kSetpoint1, 2), QString("99.9"));
    // An edit of the marked cell stores it within the limits.
    itemviews::typeInto(table(), cell(kSetpoint1, 0), "150.2");
    QCOMPARE(text(kSetpoint1, 0), QString("99.9"));
    QVERIFY(!cell(kSetpoint1, 0).data(Qt::ForegroundRole).isValid());
  }

  // A value typed into a cell, its editor still open, counts for whatever
  // the user does next with the mouse or a shortcut.
  void anOpenEditorIsCommittedBeforeTheNextCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("Вид → Диалоговый") << "dialogMode";
    QTest::newRow("Вид → Полный список") << "listMode";
    QTest::newRow("Сохранить") << "save";
    QTest::newRow("Записать прошивку") << "writeDevice";
    QTest::newRow("another program") << "program2";
    QTest::newRow("closing the window") << "";
  }
  void anOpenEditorIsCommittedBeforeTheNextCommand() {
    QFETCH(QString, command);
    showProgram(2);
    doc().closeUndoStep();  // the steps made above are no edit of the user's
    QAction* action = command.isEmpty() ? nullptr : m_shell->frame->findChild<QAction*>(command);
    QVERIFY(command.isEmpty() || action);
    int ran = 0;
    QObject probe;
    if (action) m_shell->frame->onTriggered(action, &probe, [&] { ++ran; });
    table()->setFocus();
    table()->setCurrentIndex(cell(kSetpoint1, 1));
    for (QChar c : QString("55")) QTest::keyClicks(QApplication::focusWidget(), QString(c));
    QVERIFY(steps()->delegate()->openEditor());
    if (action)
      action->trigger();
    else
      m_shell->frame->close();
    const Step& second = *program(0).stepAt(1);
    QCOMPARE(pairValue(second[Step::E02], second[Step::E03]), 55.0);
    QVERIFY(!steps()->delegate()->openEditor());
    if (command == "save" || command == "writeDevice") QCOMPARE(ran, 1);
    if (command == "dialogMode") {
      // The step's form shows what was stored, and the undo takes back just that.
      QCoreApplication::processEvents();
      auto* setpoint = m_shell->frame->groupPane()->activeView()->findChild<QLineEdit*>("regulator1Setpoint");
      QCOMPARE(setpoint->text(), QString("55.0"));
      m_shell->frame->actions().undo->trigger();
      QCOMPARE(setpoint->text(), QString("10.2"));
    }
  }

  void aRegulatorSwitchedOffHidesItsChartAndGreysItsRows() {
    doc().deviceData()->general.pid[1][PidRegulator::P07].setEnteredValue(1);
    showProgram(2);
    QVERIFY(steps()->graph(0)->isVisible());
    QVERIFY(!steps()->graph(1)->isVisible());
    QCOMPARE(table()->mapTo(steps(), QPoint()).y(), StepsTablePage::kGraphHeight + StepsTablePage::kGraphGap);
    for (int key : {kInput2, kSetpoint2, kSpeed2}) {
      QVERIFY(!editable(key, 0) && labelGrey(key));
      QCOMPARE(textColour(key, 1), QColor(0xC8, 0xC8, 0xC8));
    }
    QVERIFY(editable(kSetpoint1, 0) && !labelGrey(kSetpoint1));
    // Switched on again, the table follows at once.
    doc().deviceData()->general.pid[1][PidRegulator::P07].setEnteredValue(0);
    QVERIFY(steps()->graph(1)->isVisible());
    QVERIFY(editable(kSetpoint2, 0) && !labelGrey(kSetpoint2));
  }

  void theTreeAndTheCurrentColumnFollowEachOther() {
    showProgram(30);
    table()->setCurrentIndex(cell(kDuration, 3));
    QCOMPARE(doc().currentStep(), program(0).stepAt(3));
    QCOMPARE(doc().selection()->group, GroupRef(program(0).stepAt(3)));
    m_shell->frame->treeView()->selectGroup(program(0).stepAt(27), false);
    QCOMPARE(table()->currentIndex(), cell(kDuration, 27));
    QVERIFY(table()->viewport()->rect().intersects(table()->visualRect(cell(kDuration, 27))));
    // The steps scroll by whole columns, the labels stay.
    QScrollBar* h = table()->horizontalScrollBar();
    QVERIFY(h->value() > 0);
    QCOMPARE(table()->columnViewportPosition(table()->columnAt(0)), 0);
    QVERIFY(table()->verticalHeader()->isVisible());
  }

  void cellRangesAndStepColumnsAreSelected() {
    showProgram(4);
    table()->setFocus();
    table()->setCurrentIndex(cell(kTransition, 0));
    QTest::keyClick(table(), Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(table(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(table()->selectionModel()->selectedIndexes().size(), 4);
    QHeaderView* header = table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    QVERIFY(table()->selectionModel()->isColumnSelected(2, {}));
    QCOMPARE(table()->selectionModel()->selectedIndexes().size(), kRowCount);
  }

  void choosingAProgramRefreshesBothTabs() {
    program(1).steps.resize(4);
    showProgram(2);
    sheet()->tabs()->setCurrentIndex(1);
    chooseProgram(2);
    QCOMPARE(sheet()->program(), &program(1));
    QCOMPARE(model()->columnCount(), 4);
    QCOMPARE(steps()->graph(0)->program(), &program(1));
    QCOMPARE(sheet()->comparatorsPage()->program(), &program(1));
    // The tab stays across mode switches.
    m_shell->frame->actions().dialogMode->trigger();
    m_shell->frame->actions().tableMode->trigger();
    QCOMPARE(sheet()->tabs()->currentIndex(), 1);
  }

  void noProgramEmptiesThePage() {
    showProgram(3);
    sheet()->setProgram(nullptr);
    QCOMPARE(model()->columnCount(), 0);
    QVERIFY(!steps()->graph(0)->program() && !steps()->graph(0)->isVisible());
    QVERIFY(!sheet()->comparatorsPage()->program());
    QVERIFY(!contextMenuAt(-1));
  }

  // A new partition takes the program shown away: the table lets it go at once.
  void aPartitionChangeNeverLeavesTheTableOnAProgramThatIsGone() {
    showProgram(2);
    chooseProgram(20);
    QCOMPARE(sheet()->program(), &program(19));
    guitest::MessageLog::answer() = messages::Answer::Yes;
    doc().deviceData()->general.base[BaseParameters::O10].setEnteredValue(7);  // 5 programs
    QVERIFY(model()->program() == nullptr || doc().deviceData()->programIndexOf(model()->program()) >= 0);
    QCoreApplication::processEvents();
    QCOMPARE(sheet()->program(), doc().currentProgram());
  }
};

TKV88_GUI_SUITE(TableModeTest);
#include "TableModeTest.moc"
