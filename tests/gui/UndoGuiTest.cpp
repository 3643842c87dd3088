// Undo and redo as the user meets them: the "&Правка" items naming the step,
// the keys (an edit's own typing first), the title's mark, spin clicks, and
// the tree and the right pane brought back to where the change was made.
#include <QMenuBar>
#include <QTableView>

#include "FormDriver.h"
#include "ItemViews.h"
#include "tables/FullListModel.h"
#include "support/TempDir.h"
#include "tables/FullListView.h"
#include "tables/StepsTablePage.h"
#include "tables/TableModeView.h"
#include "widgets/MaskedLineEdit.h"

class UndoGuiTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::FormDriver> m_ui;
  guitest::FormDriver& ui() { return *m_ui; }
  MainWindow* frame() { return ui().shell->frame.get(); }
  DigitalFilters& filters() { return ui().general().filters; }
  QString undoText() { return frame()->actions().undo->text(); }
  QString redoText() { return frame()->actions().redo->text(); }
  void keys(QWidget* w, Qt::KeyboardModifiers modifiers, Qt::Key key) {
    QTest::keyClick(w, key, modifiers);
    QCoreApplication::processEvents();
  }
  // The group of the tree's current item.
  GroupRef treeCurrent() { return NavigationTree::record(ui().tree()->currentItem())->group; }
  int treeSteps(Program& program) { return ui().tree()->findGroup(&program)->child(1)->childCount(); }

 private slots:
  void init() {
    m_ui = std::make_unique<guitest::FormDriver>();
    QVERIFY(ui().open(&filters()));
  }
  void cleanup() { m_ui.reset(); }

  void aFormValueIsNamedUndoneAndRedoneWithTheKeys() {
    QCOMPARE(undoText(), QString("&Отменить"));
    QVERIFY(!frame()->actions().undo->isEnabled());
    ui().type(ui().edit("dryFilter"), "17");
    QCoreApplication::processEvents();
    QCOMPARE(undoText(), QString("&Отменить: D02 в цифровых фильтрах"));
    QVERIFY(frame()->isWindowModified());

    // From elsewhere in the tree: the undo brings the filters' form back,
    // and a value's undo leaves the tree's open branches as they were.
    QVERIFY(ui().open(&ui().general().base));
    const auto program2 = [&] { return ui().tree()->findGroup(ui().data().programAt(1)); };
    program2()->setExpanded(true);
    ui().tree()->setFocus();
    keys(ui().tree(), Qt::ControlModifier, Qt::Key_Z);
    QCOMPARE(filters()[1].value(), 0);
    QCOMPARE(treeCurrent(), &filters());
    QVERIFY(program2()->isExpanded());
    QCOMPARE(ui().edit("dryFilter")->text(), QString("0"));
    QVERIFY(!frame()->isWindowModified());
    QCOMPARE(redoText(), QString("&Повторить: D02 в цифровых фильтрах"));

    keys(ui().tree(), Qt::ControlModifier, Qt::Key_Y);
    QCOMPARE(filters()[1].value(), 17);
    QCOMPARE(ui().edit("dryFilter")->text(), QString("17"));
    keys(ui().tree(), Qt::ControlModifier, Qt::Key_Z);
    keys(ui().tree(), Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    QCOMPARE(filters()[1].value(), 17);
    QVERIFY(frame()->isWindowModified());
  }

  void ctrlZInAnEditTakesBackTypingBeforeTheConfiguration() {
    ui().type(ui().edit("dryFilter"), "17");
    QLineEdit* d03 = ui().edit("productFilter");
    d03->setFocus();
    QTest::keyClicks(d03, "5");
    keys(d03, Qt::ControlModifier, Qt::Key_Z);
    QCOMPARE(d03->text(), QString("0"));
    QCOMPARE(filters()[1].value(), 17);
    keys(d03, Qt::ControlModifier, Qt::Key_Z);
    QCOMPARE(filters()[1].value(), 0);
  }

  void ctrlZInTheDurationTakesBackOnlyItsTyping() {
    Program& first = ui().data().programs.front();
    first.steps.resize(2);
    ui().doc().closeUndoStep();
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &first});
    QVERIFY(ui().open(&first.comparators[0]));
    ui().type(ui().edit("upperSetpoint"), "33");
    QCoreApplication::processEvents();
    QVERIFY(ui().open(first.stepAt(1)));
    auto* duration = ui().control<MaskedLineEdit>("stepDuration");
    duration->setFocus();
    QTest::keyClick(duration, Qt::Key_Home);
    QTest::keyClicks(duration, "1234");
    keys(duration, Qt::ControlModifier, Qt::Key_Z);
    QCOMPARE(duration->text(), QString("02:15"));
    QCOMPARE(first.comparators[0][Comparator::C03].value(), 33);
    QCOMPARE(treeCurrent(), first.stepAt(1));
    keys(duration, Qt::ControlModifier, Qt::Key_Y);
    QCOMPARE(duration->text(), QString("12:34"));
    // The menu item takes back the typing first too, then the configuration.
    frame()->actions().undo->trigger();
    QCOMPARE(duration->text(), QString("02:15"));
    keys(duration, Qt::ControlModifier, Qt::Key_Z);
    QCOMPARE(first.comparators[0][Comparator::C03].value(), -15);
    QCOMPARE(first.stepAt(1)->cells[Step::U04].value(), 2);
  }

  void spinClicksOnOneFieldAreOneStep() {
    const int before = ui().doc().history().undoCount();
    for (int i = 0; i < 3; ++i) ui().click(ui().spin("dryFilterSpin"), +1);
    QCoreApplication::processEvents();
    QCOMPARE(filters()[1].value(), 3);
    QCOMPARE(ui().doc().history().undoCount(), before + 1);
    frame()->actions().undo->trigger();
    QCOMPARE(filters()[1].value(), 0);
    QCOMPARE(ui().edit("dryFilter")->text(), QString("0"));
  }

  void treeCommandsAndThePartitionComeBackWithTheirItems() {
    Program& first = ui().data().programs.front();
    for (int i = 0; i < 3; ++i) first.steps.emplace_back();
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &first});
    QCoreApplication::processEvents();
    QVERIFY(ui().tree()->selectGroup(first.stepAt(1), false));
    frame()->documentActions().deleteStep->trigger();
    QCOMPARE(treeSteps(first), 2);
    QCOMPARE(undoText(), QString("&Отменить: удаление шага 2 программы 1"));
    frame()->actions().undo->trigger();
    QCOMPARE(treeSteps(first), 3);
    QCOMPARE(treeCurrent(), first.stepAt(1));
    QCOMPARE(ui().pane()->lastKind(), NavigationKind::Step);

    // A partition change with the programs it added is one step.
    guitest::MessageLog::answer() = messages::Answer::Yes;
    ui().general().base[BaseParameters::O10].setValue(0);
    QCoreApplication::processEvents();
    QCOMPARE(ui().tree()->findGroup(&first)->parent()->childCount(), 60);
    QCOMPARE(undoText(), QString("&Отменить: разбиение памяти"));
    frame()->actions().undo->trigger();
    QCOMPARE(ui().tree()->findGroup(&first)->parent()->childCount(), 20);
    QCOMPARE(treeCurrent(), &ui().general().base);
  }

  // An undo or redo that removes the step or program a view shows leaves
  // the view on what remains.
  void viewsShowingWhatAnUndoRemovesMoveToWhatRemains() {
    Program& first = ui().data().programs.front();
    QVERIFY(ui().tree()->selectGroup(&first, true));
    frame()->documentActions().addStepLast->trigger();
    QCOMPARE(treeCurrent(), first.stepAt(0));
    QCOMPARE(ui().pane()->lastKind(), NavigationKind::Step);
    frame()->actions().undo->trigger();
    QCOMPARE(first.stepCount(), 0);
    QCOMPARE(treeCurrent(), &first);
    QCOMPARE(ui().pane()->lastKind(), NavigationKind::Program);
    frame()->actions().redo->trigger();
    QCOMPARE(treeCurrent(), first.stepAt(0));

    // The table on program 20, which a partition change removes.
    guitest::MessageLog::answer() = messages::Answer::Yes;
    ui().general().base[BaseParameters::O10].setValue(7);
    QCoreApplication::processEvents();
    frame()->actions().undo->trigger();
    frame()->actions().tableMode->trigger();
    frame()->programsMenu()->findChild<QAction*>("program20")->trigger();
    QCOMPARE(frame()->tableView()->program(), ui().data().programAt(19));
    frame()->actions().redo->trigger();
    QCOMPARE(ui().data().programCount(), 5);
    QCOMPARE(frame()->tableView()->program(), &first);
    QCOMPARE(frame()->tableView()->stepsPage()->program(), &first);
    frame()->actions().listMode->trigger();
    frame()->actions().dialogMode->trigger();
    QVERIFY(ui().tree()->findGroup(&first));
  }

  void tableAndListEditsComeBackAtTheirCells() {
    Program& first = ui().data().programs.front();
    first.steps.resize(3);
    ui().doc().closeUndoStep();
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &first});
    frame()->actions().tableMode->trigger();
    frame()->programsMenu()->findChild<QAction*>("program1")->trigger();
    QCoreApplication::processEvents();
    StepsTablePage* steps = frame()->tableView()->stepsPage();
    QTableView* table = steps->table();
    const QModelIndex u03 = steps->cell(stepstable::kTransitionSetpoint, 1);
    itemviews::typeInto(table, u03, "55");
    QCoreApplication::processEvents();  // the undo step closes
    QCOMPARE(first.stepAt(1)->cells[Step::U03].value(), 55);
    QCOMPARE(undoText(), QString("&Отменить: U03 в программе 1, шаг 2"));
    table->setCurrentIndex(steps->cell(stepstable::kTransition, 0));
    keys(table, Qt::ControlModifier, Qt::Key_Z);
    QCOMPARE(first.stepAt(1)->cells[Step::U03].value(), 80);
    QCOMPARE(u03.data().toString(), QString("80"));
    QCOMPARE(table->currentIndex(), u03);

    frame()->actions().listMode->trigger();
    QTreeView* list = frame()->listView()->view();
    const QModelIndex d01 = itemviews::shownRow(list, "D01", 0, FullListModel::ValueColumn);
    QVERIFY(d01.isValid());
    itemviews::typeInto(list, d01, "9");
    QCoreApplication::processEvents();
    QCOMPARE(filters()[0].value(), 9);
    list->setCurrentIndex(list->model()->index(0, FullListModel::ValueColumn));
    keys(list, Qt::ControlModifier, Qt::Key_Z);
    QCOMPARE(filters()[0].value(), 0);
    QCOMPARE(list->currentIndex(), d01);
    QCOMPARE(d01.data().toString(), QString("0"));
  }

  void theTitleIsMarkedExactlyWhileTheSavedStateIsLeft() {
    TempDir dir;
    ui().type(ui().edit("wetFilter"), "3");
    ui().doc().saveFile((dir / "a.tkv88").string());
    QVERIFY(!frame()->isWindowModified());
    ui().type(ui().edit("wetFilter"), "4");
    QCoreApplication::processEvents();
    QVERIFY(frame()->isWindowModified());
    frame()->actions().undo->trigger();
    QVERIFY(!frame()->isWindowModified());
    frame()->actions().undo->trigger();
    QVERIFY(frame()->isWindowModified());
    QCOMPARE(frame()->windowTitle(), QString("a.tkv88[*] - Конфигуратор ТКВ88"));
  }
};

TKV88_GUI_SUITE(UndoGuiTest);
#include "UndoGuiTest.moc"
