// The table mode as a user meets it: step columns with their headers and the
// cycle-start mark, edits typed into the grid reaching the document and the
// charts, the dependencies that grey cells, a regulator switched off, the
// context menus running the step commands, the tree following the focused
// column and the other way round, and the comparators tab.
#include <functional>

#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTest>

#include "GuiTest.h"
#include "forms/ComparatorTabs.h"
#include "model/SetpointPair.h"
#include "shell/GroupPane.h"
#include "shell/NavigationTree.h"
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
  CFListCtrl* grid() { return steps()->grid(); }
  QString heading(int column) { return grid()->model()->headerData(column, Qt::Horizontal).toString(); }
  QStringList headings() {
    QStringList h;
    for (int c = 1; c < grid()->GetColumnCount(); ++c) h << heading(c);
    return h;
  }
  bool readOnly(int key, int column) {
    return grid()->GetCellFormat(steps()->rowOf(key), column).flags & FLF_READONLY;
  }

  // Shows program 1 with `n` default steps in the table mode.
  void showProgram(int n, int h02 = 1) {
    program(0).steps.resize(n);
    program(0).H02.valueRef() = h02;
    doc().notifyViews();
    m_shell->frame->actions().tableMode->trigger();
    chooseProgram(1);
    QCoreApplication::processEvents();
  }
  // "Программы" → program `number`.
  void chooseProgram(int number) {
    m_shell->frame->programsMenu()->findChild<QAction*>(QString("program%1").arg(number))->trigger();
  }
  // A right click on a cell of the first row, as the platform delivers it.
  QMenu* contextMenuAt(int column) {
    const QPoint pos = grid()->CellRect(steps()->rowOf(kTransition), column).center();
    QTest::mouseClick(grid()->viewport(), Qt::RightButton, {}, pos);
    QContextMenuEvent request(QContextMenuEvent::Mouse, pos, grid()->viewport()->mapToGlobal(pos));
    QApplication::sendEvent(grid()->viewport(), &request);
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
  // Types into a cell and ends the edit with Enter, as a user would.
  void typeInto(int key, int column, const QString& text) {
    grid()->setFocus();
    grid()->SetFocusCell(steps()->rowOf(key), column);
    for (QChar c : text) QTest::keyClicks(QApplication::focusWidget(), QString(c));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  }
  // Chooses a list entry as the list editor reports it.
  void choose(int key, int column, const QString& text) {
    FLNotifyInfo info{grid(), 0, FLN_CHANGED, steps()->rowOf(key), column, text};
    QCOMPARE(steps()->OnListNotify(info), 0);
    grid()->SetCellText(info.row, column, info.text);
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
    showProgram(0);
    QCOMPARE(grid()->GetColumnCount(), 1);
    runFromMenu(0, "addStepLast");
    QCOMPARE(headings(), QStringList{"Шаг 1 *"});
    program(0).H02.valueRef() = 0;
    runFromMenu(1, "addStepAfter");
    runFromMenu(2, "addStepAfter");
    QCOMPARE(headings(), (QStringList{"Шаг 1", "Шаг 2", "Шаг 3"}));
    // The new step's column has the focus, as the tree's selection.
    QCOMPARE(grid()->GetFocusColumn(), 3);
    runFromMenu(2, "toggleCycleStart");
    QCOMPARE(headings(), (QStringList{"Шаг 1", "Шаг 2 *", "Шаг 3"}));
    runFromMenu(1, "deleteStep");
    QCOMPARE(headings(), (QStringList{"Шаг 1 *", "Шаг 2"}));
    QCOMPARE(program(0).stepCount(), 2);
    // Every cell follows its step after the columns moved.
    QCOMPARE(steps()->stepOfColumn(2), &program(0).steps.back());
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
    QTest::newRow("speed") << int(kSpeed2) << "-2.5"
                           << "-2.5" << Check([](const Step& s) {
                                return s[Step::E_04].value() == 25 && s[Step::E_05].value() == 1;
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
    doc().notifyView(sheet());
    typeInto(key, 2, typed);
    QCOMPARE(grid()->GetCellText(steps()->rowOf(key), 2), shown);
    QVERIFY(check(second));
    // The charts read the step afresh.
    const int regulator = regulatorOf(key);
    if (regulator >= 0) {
      const auto segs = steps()->graph(regulator)->segments();
      QCOMPARE(QString::number(segs[1].setpoint, 'f', 1),
               cellText(second, regulator == 0 ? kSetpoint1 : kSetpoint2));
    }
  }

  void dependenciesFollowAnEdit() {
    showProgram(2);
    choose(kTransition, 2, QStringLiteral("Время"));
    QVERIFY(readOnly(kTransitionByValue, 2) && readOnly(kTransitionSetpoint, 2) && !readOnly(kDuration, 2));
    QVERIFY(!readOnly(kTransitionByValue, 1));
    choose(kTransition, 2, QStringLiteral("Темп/Влажн"));
    QVERIFY(!readOnly(kTransitionByValue, 2) && readOnly(kDuration, 2));
    // A humidity condition switches the transition setpoint's editor and
    // rewrites it within 0..100.
    program(0).stepAt(0)->cells[Step::U03].setEnteredValue(150);
    doc().notifyView(sheet());
    choose(kTransitionByValue, 1, QStringLiteral("влажность < уставки"));
    QCOMPARE(grid()->GetCellText(steps()->rowOf(kTransitionSetpoint), 1), QStringLiteral("100"));
    QCOMPARE(grid()->GetProfile(grid()->GetCellProfile(steps()->rowOf(kTransitionSetpoint), 1))->intMax, 100);
    // Key cells: red when open, green when closed.
    choose(kFirstKey, 1, QStringLiteral("замкнут"));
    QCOMPARE(grid()->GetCellFormat(steps()->rowOf(kFirstKey), 1).textColor, FL_COLOR(0x00C800));
    QCOMPARE(program(0).stepAt(0)->key(1).value(), 1);
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
    const HFLROW row = steps()->rowOf(kSetpoint1);
    QCOMPARE(grid()->GetCellText(row, 1), QString("150.2"));
    QCOMPARE(grid()->GetCellFormat(row, 1).textColor, FL_COLOR(0x0000E0));
    QCOMPARE(steps()->GetCellToolTip(*grid(), row, 1), QString("вне допустимого диапазона 0…99.9"));
    QCOMPARE(grid()->GetCellFormat(row, 2).flags, 0);
    QVERIFY(!doc().isModified());
    QCOMPARE(pairFixed(program(0).stepAt(0)->cells[Step::E02], program(0).stepAt(0)->cells[Step::E03]), 1502);

    // Humidity chosen as the input: the setpoint clamped as a whole number.
    const QString humidity = cellText(*program(0).stepAt(0), kInput1);
    choose(kInput1, 2, humidity);
    choose(kInput1, 3, humidity);
    QCOMPARE(grid()->GetCellText(row, 2), QString("0.0"));
    QCOMPARE(grid()->GetCellText(row, 3), QString("99.9"));
    // An edit of the marked cell stores it within the limits.
    typeInto(kSetpoint1, 1, "150.2");
    QCOMPARE(grid()->GetCellText(row, 1), QString("99.9"));
    QCOMPARE(grid()->GetCellFormat(row, 1).flags, 0);
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
    grid()->setFocus();
    grid()->SetFocusCell(steps()->rowOf(kSetpoint1), 2);
    for (QChar c : QString("55")) QTest::keyClicks(QApplication::focusWidget(), QString(c));
    QVERIFY(grid()->IsEditing());
    if (action)
      action->trigger();
    else
      m_shell->frame->close();
    const Step& second = *program(0).stepAt(1);
    QCOMPARE(pairValue(second[Step::E02], second[Step::E03]), 55.0);
    QVERIFY(!grid()->IsEditing());
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
    QCOMPARE(grid()->geometry().top(), StepsTablePage::kGraphHeight + StepsTablePage::kGraphGap);
    for (int key : {kInput2, kSetpoint2, kSpeed2}) {
      QVERIFY(readOnly(key, 1) && readOnly(key, 0));
      QCOMPARE(grid()->GetCellFormat(steps()->rowOf(key), 2).textColor, FL_COLOR(0xC8C8C8));
    }
    QVERIFY(!readOnly(kSetpoint1, 1) && !readOnly(kSetpoint1, 0));
    doc().deviceData()->general.pid[1][PidRegulator::P07].setEnteredValue(0);
    doc().notifyView(sheet());
    QVERIFY(steps()->graph(1)->isVisible());
    QVERIFY(!readOnly(kSetpoint2, 1) && !readOnly(kSetpoint2, 0));
  }

  void theTreeAndTheFocusedColumnFollowEachOther() {
    showProgram(30);
    grid()->SetFocusCell(steps()->rowOf(kDuration), 4);
    QCOMPARE(doc().currentStep, program(0).stepAt(3));
    QCOMPARE(static_cast<const void*>(doc().selection->data), static_cast<const void*>(program(0).stepAt(3)));
    m_shell->frame->treeView()->selectByData(program(0).stepAt(27), false);
    QCOMPARE(grid()->GetFocusColumn(), 28);
    QCOMPARE(grid()->GetFocusRow(), steps()->rowOf(kDuration));
    QVERIFY(grid()->viewport()->rect().intersects(grid()->CellRect(steps()->rowOf(kDuration), 28)));
  }

  void choosingAProgramRefreshesBothTabs() {
    program(1).steps.resize(4);
    showProgram(2);
    sheet()->tabs()->setCurrentIndex(1);
    chooseProgram(2);
    QCOMPARE(sheet()->program(), &program(1));
    QCOMPARE(grid()->GetColumnCount(), 5);
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
    QCOMPARE(grid()->GetColumnCount(), 1);
    QVERIFY(!steps()->graph(0)->program() && !steps()->graph(0)->isVisible());
    QVERIFY(!sheet()->comparatorsPage()->program());
    QVERIFY(!contextMenuAt(0));
  }
};

TKV88_GUI_SUITE(TableModeTest);
#include "TableModeTest.moc"
