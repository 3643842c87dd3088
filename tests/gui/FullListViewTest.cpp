// The full list in the main frame: its rows over the document, values typed
// into it as a user types them (clamped, non-numbers refused), the step count
// H01, open and closed groups through changes of the steps, the search field,
// "Только изменённые", the bold changed values and their tooltips, and the
// model kept sound while the document changes under it.
#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include "GuiTest.h"
#include "ItemViews.h"
#include "shell/NavigationTree.h"
#include "tables/CellDelegate.h"
#include "tables/FullListFilter.h"
#include "tables/FullListModel.h"
#include "tables/FullListView.h"
#include "tables/StepsTablePage.h"
#include "tables/TableModeView.h"

using namespace itemviews;

class FullListViewTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::Shell> m_shell;
  Document& doc() { return m_shell->doc; }
  FullListView* form() { return m_shell->frame->listView(); }
  QTreeView* view() { return form()->view(); }
  Program& program(int i) { return *doc().deviceData()->programAt(i); }

  QModelIndex row(const QString& name, int n = 0) { return shownRow(view(), name, n); }
  QModelIndex value(const QString& name, int n = 0) { return shownRow(view(), name, n, FullListModel::ValueColumn); }
  QString valueText(const QString& name, int n = 0) { return value(name, n).data().toString(); }
  bool bold(const QModelIndex& i) { return i.data(Qt::FontRole).value<QFont>().bold(); }
  void enter(const QString& name, const QString& text, int n = 0) { typeInto(view(), value(name, n), text); }
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
    doc().setStepCount(program(1), 1);
    showList();
    QCOMPARE(view()->model()->columnCount(), 3);
    const QStringList names = shownNames(view());
    // Program 1: H01, H02, four comparators; program 2 has one step whose
    // key and regulator groups start closed.
    QCOMPARE(names.mid(0, 4), QStringList({"Программа №1", "H01", "H02", "Параметры компаратора №1"}));
    QCOMPARE(names.mid(4, 10), QStringList({"C01", "C02", "C03", "C04", "C05", "C06", "C07", "C08", "C09", "C10"}));
    QCOMPARE(row("H02").siblingAtColumn(1).data().toString(), QString("Начальный шаг цикла"));
    const int step = names.indexOf("Шаг №1");
    QCOMPARE(names[step - 47], QString("Программа №2"));
    QCOMPARE(names.mid(step + 1, 5), QStringList({"U01", "U02", "U03", "U04", "U05"}));
    QCOMPARE(names.mid(step + 6, 4), QStringList({"Режимы работы транзисторных ключей", "Параметры 1-го регулятора",
                                                   "Параметры 2-го регулятора", "Программа №3"}));
    QCOMPARE(valueText("H01", 1), QString("1"));
    // Level L2 after the programs; the PID groups start closed.
    const int keys = names.indexOf("Параметры режимов транзисторных ключей");
    QCOMPARE(names.mid(keys + 1, 4), QStringList({"F02", "F.02", "F03", "F.03"}));
    QCOMPARE(names.mid(names.size() - 2),
             QStringList({"Параметры 1-го ПИД-регулятора", "Параметры 2-го ПИД-регулятора"}));
    QCOMPARE(names[names.indexOf("Основные параметры работы прибора") + 10], QString("O10"));
  }

  // The model and the filter stay sound while the document changes under
  // them the ways a user changes it.
  void theModelsStaySoundUnderEveryKindOfChange() {
    // A small configuration keeps the testers' walks over every row short.
    while (doc().deviceData()->programCount() > 3) doc().deviceData()->programs.pop_back();
    doc().announce({DocumentChange::Kind::Programs});
    QAbstractItemModelTester model(form()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester filter(form()->filter(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    showList();
    form()->searchField()->setText("U0");
    doc().setStepCount(program(0), 3);  // steps inserted
    program(0).stepAt(1)->cells[Step::U03].setEnteredValue(40);  // a cell
    doc().closeUndoStep();
    doc().setStepCount(program(0), 1);  // steps removed
    doc().closeUndoStep();
    doc().undo();  // the steps come back
    form()->searchField()->clear();
    doc().loadText(doc().text());  // another configuration
    guitest::MessageLog::answer() = messages::Answer::Yes;
    doc().deviceData()->general.base[BaseParameters::O10].setEnteredValue(4);  // other programs
    QVERIFY(row("Программа №4").isValid());
    doc().closeDocument();
    QCOMPARE(form()->model()->rowCount(), 0);
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
    QTest::newRow("typed on the code goes to the value") << "C09@0" << "40" << 40 << true;
  }
  void typedValues() {
    QFETCH(QString, code);
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(bool, bold);
    showList();
    const bool onCode = code.endsWith("@0");
    code = code.section('@', 0, 0);
    typeInto(view(), onCode ? row(code) : value(code), typed);
    const Comparator& c = program(0).comparators[0];
    QCOMPARE(c.cells[code.mid(1).toInt() - 1].value(), stored);
    QCOMPARE(valueText(code), QString::number(stored));
    QCOMPARE(this->bold(value(code)), bold);
    QVERIFY(!form()->delegate()->openEditor());
  }

  // Ranges through the clipboard: a pasted column goes down the values as
  // typed, rows without a value take their line (a text there is named as
  // refused), refusals are named once,
  // one undo step; a copied range pastes back the same values elsewhere.
  void cellRangesCopyAndPasteThroughTheClipboard() {
    showList();
    const Comparator &first = program(0).comparators[0], &second = program(0).comparators[1];
    view()->setFocus();
    view()->setCurrentIndex(value("C09"));
    doc().closeUndoStep();
    QGuiApplication::clipboard()->setText("1000\nabc\nxyz\n7\n");
    QTest::keySequence(m_shell->frame.get(), QKeySequence::Paste);
    QCOMPARE(first.cells[8].value(), 999);
    QCOMPARE(first.cells[9].value(), 24);  // refused, as it was
    QCOMPARE(second.cells[0].value(), 7);
    QCOMPARE(guitest::MessageLog::shown().size(), std::size_t(1));
    QCOMPARE(guitest::MessageLog::shown()[0].text,
             QString("Эти ячейки не приняли вставленные значения:\nПрограмма №1, Параметры компаратора №1, C10 " +
                     row("C10").siblingAtColumn(1).data().toString() +
                     ": \"abc\"\nПрограмма №1, Параметры компаратора №2: \"xyz\""));
    QCoreApplication::processEvents();
    m_shell->frame->actions().undo->trigger();
    QCOMPARE(first.cells[8].value(), 12);
    QCOMPARE(second.cells[0].value(), program(1).comparators[1].cells[0].value());

    enter("C09", "40");
    enter("C10", "30");
    view()->selectionModel()->select(QItemSelection(row("C09"), value("C10")), QItemSelectionModel::ClearAndSelect);
    QTest::keySequence(m_shell->frame.get(), QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text().count(u'\t'), 4);
    view()->setCurrentIndex(value("C09", 1));
    QTest::keySequence(m_shell->frame.get(), QKeySequence::Paste);
    QCOMPARE(second.cells[8].value(), 40);
    QCOMPARE(second.cells[9].value(), 30);
  }

  // A range pasted near the end names the values that had no row, and the
  // lines that fell on a group's row, which takes none.
  void aPasteNamesTheValuesThatHadNoRow() {
    showList();
    const QStringList names = shownNames(view());
    const QString last = names[names.indexOf("Параметры 1-го ПИД-регулятора") - 1];
    const QString kept = valueText(last);
    view()->setCurrentIndex(value(last));
    QGuiApplication::clipboard()->setText(kept + "\n1\n\n3\n4\n");
    form()->paste();
    QCOMPARE(valueText(last), kept);
    QCOMPARE(guitest::MessageLog::shown().size(), std::size_t(1));
    const QString text = guitest::MessageLog::shown()[0].text;
    QVERIFY2(text.startsWith("Эти ячейки не приняли вставленные значения:\n"), qPrintable(text));
    QVERIFY2(text.contains("Параметры 1-го ПИД-регулятора: \"1\"\n\n"), qPrintable(text));
    QVERIFY2(text.endsWith("Этим вставленным значениям не нашлось ячеек, они не вставлены:\n"
                           "ниже последней строки (строка 4 вставки): \"3\"\n"
                           "ниже последней строки (строка 5 вставки): \"4\""),
             qPrintable(text));
  }

  void aValueBeyondItsLimitsIsMarkedAndAnInputBringsItsLimits() {
    Comparator& c = program(0).comparators[0];
    c[Comparator::C01].setEnteredValue(5);
    c[Comparator::C03].setEnteredValue(150);
    c.selectInputRanges();
    doc().setModified(false);
    showList();
    QCOMPARE(valueText("C03"), QString("150"));
    QCOMPARE(value("C03").data(Qt::ForegroundRole).value<QColor>(), QColor(0xE0, 0, 0));
    QVERIFY(value("C03").data(Qt::ToolTipRole).toString().endsWith("\nвне допустимого диапазона 0…99"));
    QVERIFY(!doc().isModified());
    // Another input: the setpoints take its limits, their rows follow.
    enter("C01", "1");
    QCOMPARE(c[Comparator::C03].maxValue(), 999);
    QVERIFY(!value("C03").data(Qt::ForegroundRole).isValid());
    enter("C01", "5");
    QCOMPARE(c[Comparator::C03].value(), 99);
    QCOMPARE(valueText("C03"), QString("99"));
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
    enter("H01", typed, 1);
    QCOMPARE(program(1).stepCount(), after);
    QCOMPARE(doc().currentProgram(), after == before && typed == "x" ? doc().currentProgram() : &program(1));
    QCOMPARE(valueText("H01", 1), QString::number(after));
    QCOMPARE(row(QStringLiteral("Шаг №%1").arg(after)).isValid(), after > 0);
    QVERIFY(!row(QStringLiteral("Шаг №%1").arg(after + 1)).isValid());
    if (after > 0) QCOMPARE(program(1).stepAt(0)->cells[Step::U03].value(), 55);  // existing steps kept
    // The posted refresh brings the tree along.
    QCoreApplication::processEvents();
    if (after > 0 && after != before) QVERIFY(m_shell->frame->treeView()->findGroup(program(1).stepAt(after - 1)));
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
    enter("O10", "0");
    QCOMPARE(guitest::MessageLog::shown().size(), size_t(1));
    QCOMPARE(doc().deviceData()->general.partition(), yes ? 0 : 2);
    QCOMPARE(valueText("O10"), QString(yes ? "0" : "2"));
    QCOMPARE(row("Программа №60").isValid(), yes);
    QVERIFY(row("Программа №20").isValid());
  }

  void removingTheSelectedStepLeavesTheOtherViewsSound() {
    doc().setStepCount(program(1), 3);
    QVERIFY(m_shell->frame->treeView()->selectGroup(program(1).stepAt(2), false));
    QCOMPARE(doc().currentStep(), program(1).stepAt(2));
    showList();
    enter("H01", "1", 1);
    QVERIFY(!row("Шаг №2").isValid() && row("Шаг №1").isValid());
    QCOMPARE(doc().currentStep(), nullptr);
    QCoreApplication::processEvents();
    m_shell->frame->actions().dialogMode->trigger();
    QCoreApplication::processEvents();
    QVERIFY(!m_shell->frame->treeView()->findGroup(program(1).stepAt(1)));
    QVERIFY(doc().currentStep() == nullptr || doc().currentStep() == program(1).stepAt(0));
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
    NavigationTree* tree = m_shell->frame->treeView();
    const GroupRef item[] = {&program(0), program(0).stepAt(1), &doc().deviceData()->general.base};
    QVERIFY(tree->selectGroup(item[selected], false));
    showList();
    enter("H01", typed, 1);
    QCOMPARE(valueText("H01", 1), typed);
    QCoreApplication::processEvents();
    QCOMPARE(doc().currentProgram(), &program(1));
    QCOMPARE(doc().selection()->group, GroupRef(&program(1)));
    m_shell->frame->actions().tableMode->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(m_shell->frame->tableView()->program(), &program(1));
    QCOMPARE(m_shell->frame->tableView()->stepsPage()->program(), &program(1));
    const QList<QAction*> items = m_shell->frame->programsMenu()->actions();
    QVERIFY(items.size() > 1 && items[1]->isChecked() && !items[0]->isChecked());
  }

  void closedGroupsSurviveChangesOfTheSteps() {
    doc().setStepCount(program(0), 2);
    showList();
    view()->collapse(row("Программа №2"));
    view()->collapse(row("Шаг №2"));
    view()->expand(row("Режимы работы транзисторных ключей"));
    enter("H01", "3");
    QVERIFY(row("Шаг №3").isValid());
    QVERIFY(!view()->isExpanded(row("Программа №2")));
    QVERIFY(!view()->isExpanded(row("Шаг №2")));
    QVERIFY(view()->isExpanded(row("Шаг №3")));  // seen for the first time: open
    QVERIFY(view()->isExpanded(row("Режимы работы транзисторных ключей")));  // opened by the user
    QVERIFY(!view()->isExpanded(row("Режимы работы транзисторных ключей", 1)));
    // The focus stays on the edited cell.
    QCOMPARE(view()->currentIndex(), value("H01"));
    // A program and its first comparator, at one address, are two groups; a
    // step and its key modes likewise.
    view()->collapse(row("Параметры компаратора №1"));
    view()->collapse(row("Шаг №1"));
    form()->changedOnlyBox()->setChecked(true);
    form()->changedOnlyBox()->setChecked(false);
    QVERIFY(view()->isExpanded(row("Программа №1")));
    QVERIFY(!view()->isExpanded(row("Параметры компаратора №1")));
    QVERIFY(!view()->isExpanded(row("Шаг №1")));
    view()->expand(row("Шаг №1"));
    QVERIFY(view()->isExpanded(row("Режимы работы транзисторных ключей")));
    // A new configuration keeps what the user closed among the general groups,
    // also after a filter has been on and off.
    view()->collapse(row("Основные параметры работы прибора"));
    doc().loadText(doc().text());
    QVERIFY(!view()->isExpanded(row("Основные параметры работы прибора")));
    QVERIFY(view()->isExpanded(row("Коррекция показаний термометров")));
  }

  void searchAndChangedOnly_data() {
    QTest::addColumn<QString>("search");
    QTest::addColumn<bool>("changedOnly");
    QTest::addColumn<QStringList>("rows");
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
    doc().announce({DocumentChange::Kind::Programs});
    showList();
    view()->collapse(row("Программа №2"));
    form()->searchField()->setText(search);
    form()->changedOnlyBox()->setChecked(changedOnly);
    QCOMPARE(shownNames(view()), rows);
    QCOMPARE(form()->findChild<QWidget*>("nothingFound")->isVisible(), rows.isEmpty());
    // Clearing both brings the whole list back, program 2 still closed.
    form()->searchField()->setFocus();
    QTest::keyClick(form()->searchField(), Qt::Key_Escape);
    QCOMPARE(form()->searchField()->text(), QString());
    form()->changedOnlyBox()->setChecked(false);
    QVERIFY(!view()->isExpanded(row("Программа №2")));
    QVERIFY(row("D06").isValid());
  }

  // Descriptions are not cut where the window has room for them, and a new
  // search starts at its first rows.
  void descriptionsFitAndANewSearchStartsAtTheTop() {
    doc().setStepCount(program(0), 20);
    showList();
    const QFontMetrics fm(view()->font());
    QVERIFY(view()->header()->sectionSize(1) > fm.horizontalAdvance(row("U02").siblingAtColumn(1).data().toString()));
    QScrollBar* v = view()->verticalScrollBar();
    v->setValue(v->maximum());
    form()->searchField()->setText("E0");
    QVERIFY(v->maximum() > 0);
    QCOMPARE(v->value(), 0);
  }

  void searchShortcutAndTooltip() {
    doc().setStepCount(program(0), 1);
    program(0).stepAt(0)->cells[Step::U01].setValue(3);
    showList();
    view()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), form()->searchField());
    for (QChar c : QString("U01")) QTest::keyClicks(form()->searchField(), QString(c));
    QTest::keyClick(form()->searchField(), Qt::Key_Down);  // on to the rows found
    QCOMPARE(QApplication::focusWidget(), view());
    QCOMPARE(nameOf(view()->currentIndex()), QString("Программа №1"));
    form()->searchField()->clear();
    QVERIFY(bold(value("U01")) && bold(row("U01")));
    QVERIFY(!bold(value("U02")));
    QCOMPARE(value("U01").data(Qt::ToolTipRole).toString(),
             QStringLiteral("U01 — Условие перехода к следующему шагу\n"
                            "Значение: 3 (достижение температуры/влажности или времени)\n"
                            "Пределы: 0 … 3\nПо умолчанию: 2"));
    QVERIFY(value("H01").data(Qt::ToolTipRole).toString().contains(QStringLiteral("Пределы: 0 … 25")));
  }

  // One value changed is one row told; changes made behind the document's
  // notices are caught up, a hidden list too.
  void aChangeReachesJustItsRow() {
    showList();
    QSignalSpy told(form()->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy reset(form()->model(), &QAbstractItemModel::modelReset);
    doc().deviceData()->general.base[BaseParameters::O04].setEnteredValue(1);
    QCOMPARE(told.size(), 1);
    QCOMPARE(told[0][0].value<QModelIndex>().row(), told[0][1].value<QModelIndex>().row());
    QCOMPARE(valueText("O04"), QString("1"));
    QVERIFY(bold(value("O04")));
    QCOMPARE(reset.size(), 0);
    m_shell->frame->actions().dialogMode->trigger();
    program(0).steps.resize(2);
    doc().announce({DocumentChange::Kind::Steps, nullptr, &program(0)});
    showList();
    QVERIFY(row("Шаг №2").isValid());
    doc().newDocument();
    QCOMPARE(valueText("O04"), QString("3"));
  }
};

TKV88_GUI_SUITE(FullListViewTest);
#include "FullListViewTest.moc"
