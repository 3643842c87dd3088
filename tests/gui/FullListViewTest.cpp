// The full list in the main frame: its rows over the document, values typed
// into it as a user types them (clamped, non-numbers refused), the step count
// H01, open and closed groups through rebuilds, the search field, "Только
// изменённые", the bold changed values and their tooltips.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include "GuiTest.h"
#include "shell/NavigationTree.h"
#include "tables/FullListView.h"
#include "tables/StepsTablePage.h"
#include "tables/TableModeView.h"

namespace {

void type(const QString& text) {
  for (QChar c : text) QTest::keyClicks(QApplication::focusWidget(), QString(c));
}

}  // namespace

class FullListViewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::Shell> m_shell;
  Document& doc() { return m_shell->doc; }
  FullListView* form() { return m_shell->frame->listView(); }
  CFListCtrl* list() { return form()->list(); }
  Program& program(int i) { return *doc().deviceData()->programAt(i); }

  // The displayed rows' texts of one column, in order.
  QStringList column(int c) {
    QStringList texts;
    for (int i = 0; i < list()->GetDisplayedRowCount(); ++i) texts << list()->GetCellText(list()->GetDisplayedRow(i), c);
    return texts;
  }
  // The n-th displayed row whose column 0 or 1 reads `text`.
  HFLROW row(const QString& text, int n = 0) {
    for (int i = 0; i < list()->GetDisplayedRowCount(); ++i) {
      HFLROW r = list()->GetDisplayedRow(i);
      if ((list()->GetCellText(r, 0) == text || list()->GetCellText(r, 1) == text) && n-- == 0) return r;
    }
    return nullptr;
  }
  // Types into the value cell of a row and presses Enter.
  void enter(HFLROW r, const QString& text) {
    list()->SetFocusCell(r, FullListView::kValueColumn);
    list()->setFocus();
    type(text);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  }
  void showList() {
    m_shell->frame->actions().listMode->trigger();
    m_shell->frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_shell->frame.get()));
  }

 private slots:
  void init() {
    guitest::MessageLog::clear();
    m_shell = std::make_unique<guitest::Shell>();
  }
  void cleanup() { m_shell.reset(); }

  void rowsInOrder() {
    QAbstractItemModelTester tester(list()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    doc().setStepCount(program(1), 1);
    showList();
    QCOMPARE(list()->GetColumnCount(), 3);
    const QStringList codes = column(0), titles = column(1);
    // Program 1: H01, H02, four comparators; program 2 has one step whose
    // key and regulator groups start closed.
    QCOMPARE(titles.mid(0, 4), QStringList({"Программа №1", "Количество шагов в программе", "Начальный шаг цикла",
                                             "Параметры компаратора №1"}));
    QCOMPARE(codes.mid(4, 10), QStringList({"C01", "C02", "C03", "C04", "C05", "C06", "C07", "C08", "C09", "C10"}));
    const int step = titles.indexOf("Шаг №1");
    QCOMPARE(titles[step - 47], QString("Программа №2"));
    QCOMPARE(codes.mid(step + 1, 5), QStringList({"U01", "U02", "U03", "U04", "U05"}));
    QCOMPARE(titles.mid(step + 6, 4), QStringList({"Режимы работы транзисторных ключей", "Параметры 1-го регулятора",
                                                    "Параметры 2-го регулятора", "Программа №3"}));
    QCOMPARE(list()->GetCellText(row("H01", 1), 2), QString("1"));
    // Level L2 after the programs; the PID groups start closed.
    const int keys = titles.indexOf("Параметры режимов транзисторных ключей");
    QCOMPARE(codes.mid(keys + 1, 4), QStringList({"F02", "F.02", "F03", "F.03"}));
    QCOMPARE(titles.mid(titles.size() - 2),
             QStringList({"Параметры 1-го ПИД-регулятора", "Параметры 2-го ПИД-регулятора"}));
    QCOMPARE(codes[titles.indexOf("Основные параметры работы прибора") + 10], QString("O10"));
  }

  void typedValues_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::addColumn<bool>("bold");
    QTest::newRow("above the limit is clamped") << "C09" << "1000" << 999 << true;
    QTest::newRow("below the limit is clamped") << "C03" << "-500" << -99 << true;
    QTest::newRow("digits after the number are ignored") << "C10" << "30s" << 30 << true;
    QTest::newRow("a non-number is refused") << "C09" << "abc" << 12 << false;
    QTest::newRow("back to the default") << "C05" << "2" << 2 << false;
  }
  void typedValues() {
    QFETCH(QString, code);
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(bool, bold);
    showList();
    HFLROW r = row(code);
    enter(r, typed);
    const Comparator& c = program(0).comparators[0];
    const int cell = code.mid(1).toInt() - 1;
    QCOMPARE(c.cells[cell].value(), stored);
    QCOMPARE(list()->GetCellText(r, 2), QString::number(stored));
    QCOMPARE(list()->IsRowBold(r), bold);
    QVERIFY(!list()->IsEditing());
  }

  void aValueBeyondItsLimitsIsMarkedAndAnInputBringsItsLimits() {
    Comparator& c = program(0).comparators[0];
    c[Comparator::C01].setEnteredValue(5);
    c[Comparator::C03].setEnteredValue(150);
    c.selectInputRanges();
    doc().setModified(false);
    showList();
    HFLROW c03 = row("C03");
    QCOMPARE(list()->GetCellText(c03, 2), QString("150"));
    QCOMPARE(list()->GetCellFormat(c03, 2).textColor, FL_COLOR(0x0000E0));
    QVERIFY(form()->GetCellToolTip(*list(), c03, 2).endsWith("\nвне допустимого диапазона 0…99"));
    QVERIFY(!doc().isModified());
    // Another input: the setpoints take its limits, their rows follow.
    enter(row("C01"), "1");
    QCOMPARE(c[Comparator::C03].maxValue(), 999);
    QCOMPARE(list()->GetCellFormat(c03, 2).flags, 0);
    enter(row("C01"), "5");
    QCOMPARE(c[Comparator::C03].value(), 99);
    QCOMPARE(list()->GetCellText(c03, 2), QString("99"));
  }

  void stepCount_data() {
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("after");
    QTest::newRow("grows with default steps") << 3 << "5" << 5;
    QTest::newRow("stops at the partition's limit") << 3 << "30" << 25;
    QTest::newRow("shrinks from the end") << 3 << "1" << 1;
    QTest::newRow("0 removes every step") << 3 << "0" << 0;
    QTest::newRow("negative is ignored") << 3 << "-2" << 3;
    QTest::newRow("a non-number keeps the steps") << 3 << "x" << 3;
  }
  void stepCount() {
    QFETCH(int, before);
    QFETCH(QString, typed);
    QFETCH(int, after);
    doc().setStepCount(program(1), before);
    program(1).stepAt(0)->cells[Step::U03].setValue(55);
    showList();
    enter(row("H01", 1), typed);
    QCOMPARE(program(1).stepCount(), after);
    QCOMPARE(doc().currentProgram, after == before && typed == "x" ? doc().currentProgram : &program(1));
    // The posted refresh rebuilds the list and the tree with the new steps.
    QVERIFY(guitest::waitFor([&] { return list()->GetCellText(row("H01", 1), 2) == QString::number(after); }));
    QCoreApplication::processEvents();
    QCOMPARE(row(QStringLiteral("Шаг №%1").arg(after)) != nullptr, after > 0);
    QVERIFY(!row(QStringLiteral("Шаг №%1").arg(after + 1)));
    if (after > 0) QCOMPARE(program(1).stepAt(0)->cells[Step::U03].value(), 55);  // existing steps kept
    if (after > 0 && after != before) QVERIFY(m_shell->frame->treeView()->findByData(program(1).stepAt(after - 1)));
  }

  void partitionChangeAsksAndRebuilds_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes: 60 programs") << true;
    QTest::newRow("No: the value stays") << false;
  }
  void partitionChangeAsksAndRebuilds() {
    QFETCH(bool, yes);
    showList();
    guitest::MessageLog::answer() = yes ? messages::Answer::Yes : messages::Answer::No;
    HFLROW o10 = row("O10");
    enter(o10, "0");
    QCOMPARE(guitest::MessageLog::shown().size(), size_t(1));
    QCOMPARE(doc().deviceData()->general.partition(), yes ? 0 : 2);
    QCOMPARE(list()->GetCellText(o10, 2), QString(yes ? "0" : "2"));
    // The frame's posted refresh rebuilds the list over the new programs.
    QVERIFY(guitest::waitFor([&] { return (row("Программа №60") != nullptr) == yes; }));
    QCOMPARE(list()->GetCellText(row("O10"), 2), QString(yes ? "0" : "2"));
    QVERIFY(row("Программа №20"));
  }

  void removingTheSelectedStepLeavesTheOtherViewsSound() {
    doc().setStepCount(program(1), 3);
    doc().notifyViews();
    QVERIFY(m_shell->frame->treeView()->selectByData(program(1).stepAt(2), false));
    QCOMPARE(doc().currentStep, program(1).stepAt(2));
    showList();
    enter(row("H01", 1), "1");
    QVERIFY(guitest::waitFor([&] { return row("Шаг №2") == nullptr && row("Шаг №1") != nullptr; }));
    QCOMPARE(doc().currentStep, nullptr);
    m_shell->frame->actions().dialogMode->trigger();
    QCoreApplication::processEvents();
    QVERIFY(!m_shell->frame->treeView()->findByData(program(1).stepAt(1)));
    QVERIFY(doc().currentStep == nullptr || doc().currentStep == program(1).stepAt(0));
  }

  // The program whose step count was edited is the one the user works on:
  // the tree's rebuild must not put back the item selected before, and the
  // table mode then shows that program.
  void editedStepCountMakesItsProgramTheTables_data() {
    QTest::addColumn<int>("selected");  // 0: program 1's item, 1: a step of program 1, 2: an L2 group
    QTest::addColumn<QString>("typed");
    QTest::newRow("program item, steps added") << 0 << "4";
    QTest::newRow("step item, steps removed") << 1 << "1";
    QTest::newRow("step item, count unchanged") << 1 << "2";
    QTest::newRow("L2 group, steps added") << 2 << "3";
  }
  void editedStepCountMakesItsProgramTheTables() {
    QFETCH(int, selected);
    QFETCH(QString, typed);
    doc().setStepCount(program(0), 2);
    doc().setStepCount(program(1), 2);
    doc().notifyViews();
    NavigationTree* tree = m_shell->frame->treeView();
    const void* item[] = {&program(0), program(0).stepAt(1), &doc().deviceData()->general.base};
    QVERIFY(tree->selectByData(item[selected], false));
    showList();
    enter(row("H01", 1), typed);
    QVERIFY(guitest::waitFor([&] { return list()->GetCellText(row("H01", 1), 2) == typed; }));
    QCoreApplication::processEvents();
    QCOMPARE(doc().currentProgram, &program(1));
    QCOMPARE(doc().selection->data, static_cast<void*>(&program(1)));
    m_shell->frame->actions().tableMode->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(m_shell->frame->tableView()->program(), &program(1));
    QCOMPARE(m_shell->frame->tableView()->stepsPage()->program(), &program(1));
    const QList<QAction*> items = m_shell->frame->programsMenu()->actions();
    QVERIFY(items.size() > 1 && items[1]->isChecked() && !items[0]->isChecked());
  }

  void closedGroupsSurviveRebuilds() {
    doc().setStepCount(program(0), 2);
    showList();
    list()->CollapseRow(row("Программа №2"), true);
    list()->CollapseRow(row("Шаг №2"), true);
    HFLROW h01 = row("H01");
    enter(h01, "3");  // a rebuild follows
    QVERIFY(guitest::waitFor([&] { return row("Шаг №3") != nullptr; }));
    QVERIFY(list()->IsRowCollapsed(row("Программа №2")));
    QVERIFY(list()->IsRowCollapsed(row("Шаг №2")));
    QVERIFY(!list()->IsRowCollapsed(row("Шаг №3")));  // seen for the first time: open
    // The focus stays on the edited cell.
    QCOMPARE(list()->GetCellText(list()->GetFocusRow(), 0), QString("H01"));
    QCOMPARE(list()->GetFocusColumn(), 2);
  }

  void searchAndChangedOnly_data() {
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("changedOnly");
    QTest::addColumn<QStringList>("rows");  // column 0, or column 1 for group rows
    const QStringList stepU03 = {"Программа №1", "Шаг №1", "U03", "Шаг №2", "U03"};
    QTest::newRow("code") << "u03" << false << stepU03;
    QTest::newRow("Cyrillic, any case") << "НАЧАЛЬНЫЙ ШАГ" << false
                                        << QStringList({"Программа №1", "H02", "Программа №2", "H02"});
    QTest::newRow("group title keeps its rows")
        << "2-го ПИД" << false << QStringList({"Параметры 2-го ПИД-регулятора", "P.01", "P.02", "P.03", "P.04", "P.05",
                                                "P.06", "P.07", "P.08"});
    QTest::newRow("changed only")
        << "" << true
        << QStringList({"Программа №1", "H01", "Параметры компаратора №3", "C09", "Шаг №2", "U03",
                        "Основные параметры работы прибора", "O04"});
    QTest::newRow("both") << "уставка" << true << QStringList({"Программа №1", "Шаг №2", "U03"});
    QTest::newRow("nothing") << "zzz" << false << QStringList();
  }
  void searchAndChangedOnly() {
    QFETCH(QString, search);
    QFETCH(bool, changedOnly);
    QFETCH(QStringList, rows);
    // Two programs, the first with two steps and three known changes.
    doc().setStepCount(program(0), 2);
    doc().setStepCount(program(1), 0);
    while (doc().deviceData()->programCount() > 2) doc().deviceData()->programs.pop_back();
    program(0).comparators[2].cells[Comparator::C09].setValue(30);
    program(0).stepAt(1)->cells[Step::U03].setValue(55);
    doc().deviceData()->general.base[BaseParameters::O04].setValue(5);
    showList();
    list()->CollapseRow(row("Программа №2"), true);
    form()->searchField()->setText(search);
    form()->changedOnlyBox()->setChecked(changedOnly);
    QStringList shown;
    for (int i = 0; i < list()->GetDisplayedRowCount(); ++i) {
      HFLROW r = list()->GetDisplayedRow(i);
      shown << (list()->GetCellText(r, 0).isEmpty() ? list()->GetCellText(r, 1) : list()->GetCellText(r, 0));
    }
    QCOMPARE(shown, rows);
    QCOMPARE(form()->findChild<QWidget*>("nothingFound")->isVisible(), rows.isEmpty());
    // Clearing both brings the whole list back, program 2 still closed.
    form()->searchField()->setFocus();
    QTest::keyClick(form()->searchField(), Qt::Key_Escape);
    QCOMPARE(form()->searchField()->text(), QString());
    form()->changedOnlyBox()->setChecked(false);
    QVERIFY(list()->IsRowCollapsed(row("Программа №2")));
    QVERIFY(row("D06"));
  }

  // Descriptions are not cut where the window has room for them, and a new
  // search starts at its first rows.
  void descriptionsFitAndANewSearchStartsAtTheTop() {
    doc().setStepCount(program(0), 20);
    showList();
    const QFontMetrics fm(list()->font());
    QVERIFY(list()->header()->sectionSize(1) > fm.horizontalAdvance(list()->GetCellText(row("U02"), 1)));
    QScrollBar* v = list()->verticalScrollBar();
    v->setValue(v->maximum());
    form()->searchField()->setText("E0");
    QVERIFY(v->maximum() > 0);
    QCOMPARE(v->value(), 0);
  }

  void searchShortcutAndTooltip() {
    doc().setStepCount(program(0), 1);
    program(0).stepAt(0)->cells[Step::U01].setValue(3);
    showList();
    list()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), form()->searchField());
    type("U01");
    QTest::keyClick(form()->searchField(), Qt::Key_Down);  // on to the rows found
    QCOMPARE(QApplication::focusWidget(), list());
    QCOMPARE(list()->GetCellText(list()->GetFocusRow(), 1), QString("Программа №1"));
    form()->searchField()->clear();
    HFLROW u01 = row("U01");
    QVERIFY(list()->IsRowBold(u01));
    QVERIFY(!list()->IsRowBold(row("U02")));
    const QString tip = list()->model()->data(list()->IndexOf(u01, 2), Qt::ToolTipRole).toString();
    QCOMPARE(tip, QStringLiteral("U01 — Условие перехода к следующему шагу\n"
                                 "Значение: 3 (достижение температуры/влажности или времени)\n"
                                 "Пределы: 0 … 3\nПо умолчанию: 2"));
    const QString h01 = list()->model()->data(list()->IndexOf(row("H01"), 2), Qt::ToolTipRole).toString();
    QVERIFY(h01.contains(QStringLiteral("Пределы: 0 … 25")));
  }

  void refreshKeepsRowsAndFollowsOtherViews() {
    showList();
    HFLROW o04 = row("O04");
    const int rows = list()->GetRowCount();
    doc().deviceData()->general.base[BaseParameters::O04].setValue(1);
    doc().notifyViews();
    QCOMPARE(row("O04"), o04);  // refreshed in place, not rebuilt
    QCOMPARE(list()->GetRowCount(), rows);
    QCOMPARE(list()->GetCellText(o04, 2), QString("1"));
    QVERIFY(list()->IsRowBold(o04));
    // A new document while the list is hidden is caught up when shown again.
    m_shell->frame->actions().dialogMode->trigger();
    doc().newDocument();
    showList();
    QCOMPARE(list()->GetCellText(row("O04"), 2), QString("3"));
  }
};

TKV88_GUI_SUITE(FullListViewTest);
#include "FullListViewTest.moc"
