// Steps and programs through the clipboard as the user meets them: the
// tree's keys and menus, what the clipboard holds, refusals said once, and a
// program carried from one window into another of a different partition.
#include <QClipboard>
#include <QMenu>
#include <QMimeData>

#include <QItemSelectionModel>
#include <QTableView>
#include "FormDriver.h"

#include "report/StepsTableTexts.h"
#include "tables/StepsTableModel.h"
#include "tables/StepsTablePage.h"
#include "tables/TableModeView.h"
#include "widgets/StepClipboard.h"

class ClipboardGuiTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::FormDriver> m_ui;
  guitest::FormDriver& ui() { return *m_ui; }
  DocumentActions& actions() { return ui().shell->frame->documentActions(); }
  Program& program(int n) { return *ui().data().programAt(n - 1); }
  // Program n gets steps whose durations U04 are 1..count, cycle start h02.
  void makeSteps(int n, int count, int h02) {
    for (int i = 1; i <= count; ++i) program(n).steps.emplace_back()[Step::U04].setValue(i);
    program(n).H02.setValue(h02);
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &program(n)});
  }
  std::vector<int> marks(int n) {
    std::vector<int> list;
    for (const Step& s : program(n).steps) list.push_back(s[Step::U04].value());
    return list;
  }
  void key(QKeyCombination combination) {
    ui().tree()->setFocus();
    QTest::keySequence(ui().shell->frame.get(), QKeySequence(combination));
    QCoreApplication::processEvents();
  }

 private slots:
  void init() { m_ui = std::make_unique<guitest::FormDriver>(); }
  void cleanup() { m_ui.reset(); }

  void stepsMoveWithTheTreesKeysKeepingTheCycleStart() {
    makeSteps(1, 3, 3);
    QVERIFY(ui().tree()->selectGroup(program(1).stepAt(1), false));
    key(Qt::CTRL | Qt::Key_C);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    QVERIFY(data->hasFormat(stepclipboard::kStepsType));
    // The plain text: the table's 21 rows with the step's texts.
    const QStringList rows = data->text().split(u'\n');
    QCOMPARE(rows.size(), stepstable::kRowCount + 1);  // each row ends with a line feed
    QCOMPARE(rows[4], QString());
    QCOMPARE(rows[3], stepstable::cellText(*program(1).stepAt(1), stepstable::kDuration));

    key(Qt::CTRL | Qt::Key_V);  // after step 2
    QCOMPARE(marks(1), (std::vector<int>{1, 2, 2, 3}));
    QCOMPARE(program(1).H02.value(), 4);
    QCOMPARE(ui().shell->frame->actions().undo->text(), QString("&Отменить: вставка шага 3 в программу 1"));
    QCOMPARE(NavigationTree::record(ui().tree()->currentItem())->group, GroupRef(program(1).stepAt(2)));

    QVERIFY(ui().tree()->selectGroup(program(1).stepAt(0), false));
    key(Qt::CTRL | Qt::Key_X);
    QCOMPARE(marks(1), (std::vector<int>{2, 2, 3}));
    QCOMPARE(program(1).H02.value(), 3);
    QVERIFY(ui().tree()->selectGroup(program(1).stepAt(0), false));
    actions().pasteStepBefore->trigger();
    QCOMPARE(marks(1), (std::vector<int>{1, 2, 2, 3}));
    QCOMPARE(program(1).H02.value(), 4);
    ui().shell->frame->actions().undo->trigger();
    ui().shell->frame->actions().undo->trigger();
    QCOMPARE(marks(1), (std::vector<int>{1, 2, 2, 3}));
    QVERIFY(ui().messages().isEmpty());
  }

  void theMenusOfferWhatTheClipboardAndSelectionAllow() {
    makeSteps(1, 1, 1);
    QGuiApplication::clipboard()->setText(QStringLiteral("-40.5\t07:45"));
    QVERIFY(ui().tree()->selectGroup(program(1).stepAt(0), false));
    std::unique_ptr<QMenu> menu(ui().tree()->createContextMenu(nullptr));
    QStringList offered;
    for (QAction* a : menu->actions())
      if (!a->isSeparator() && a->isEnabled()) offered << a->objectName();
    QCOMPARE(offered, QStringList({"addStepBefore", "addStepAfter", "toggleCycleStart", "deleteStep",
                                   "copyStep", "cutStep"}));
    actions().copyStep->trigger();
    QVERIFY(actions().pasteStepAfter->isEnabled());
    QVERIFY(ui().tree()->selectGroup(&program(2), false));
    QVERIFY(actions().copyProgram->isEnabled());
    QVERIFY(!actions().pasteProgram->isEnabled());
    QVERIFY(!actions().cutStep->isEnabled());
  }

  // A program without steps (or any program, at its end) takes copied steps
  // from the steps item's menu, from the tree's key there, and in the table.
  void stepsGoIntoAProgramWithoutSteps() {
    const struct {
      const char* how;
      std::function<void(ClipboardGuiTest&)> paste;
    } cases[] = {
        {"menu of the steps item",
         [](ClipboardGuiTest& t) {
           QVERIFY(t.ui().tree()->selectGroup(&t.program(2), true));
           t.ui().tree()->setCurrentItem(t.ui().tree()->currentItem()->child(1));  // "Параметры шагов"
           std::unique_ptr<QMenu> menu(t.ui().tree()->createContextMenu(nullptr));
           QVERIFY(menu->actions().contains(t.actions().pasteStepsAtEnd));
           QVERIFY(t.actions().pasteStepsAtEnd->isEnabled());
           t.actions().pasteStepsAtEnd->trigger();
         }},
        {"tree key on the steps item",
         [](ClipboardGuiTest& t) {
           QVERIFY(t.ui().tree()->selectGroup(&t.program(2), true));
           t.ui().tree()->setCurrentItem(t.ui().tree()->currentItem()->child(1));
           t.key(Qt::CTRL | Qt::Key_V);
         }},
        {"table",
         [](ClipboardGuiTest& t) {
           QVERIFY(t.ui().tree()->selectGroup(&t.program(2), false));
           t.ui().shell->frame->actions().tableMode->trigger();
           QCoreApplication::processEvents();
           t.ui().shell->frame->findChild<StepsTablePage*>()->paste();
         }},
    };
    for (const auto& c : cases) {
      init();
      makeSteps(1, 2, 1);
      QVERIFY(ui().tree()->selectGroup(program(1).stepAt(1), false));
      actions().copyStep->trigger();
      c.paste(*this);
      QVERIFY2(marks(2) == std::vector<int>{2}, c.how);
      QCOMPARE(ui().shell->frame->actions().undo->text(), QString("&Отменить: вставка шага 1 в программу 2"));
      QVERIFY2(ui().messages().isEmpty(), c.how);
      cleanup();
    }
    init();
  }

  void aPasteBeyondThePartitionIsRefusedOnce() {
    makeSteps(1, 25, 1);
    QVERIFY(ui().tree()->selectGroup(program(1).stepAt(24), false));
    key(Qt::CTRL | Qt::Key_C);
    key(Qt::CTRL | Qt::Key_V);
    QCOMPARE(program(1).stepCount(), 25);
    QCOMPARE(ui().messages(),
             QStringList("Вставить 1 шаг нельзя: в программе 1 есть место ещё для 0 (20 программ "
                         "по 25 шагов)."));
  }

  void aProgramGoesIntoAnotherWindowAfterAQuestionNamingBoth() {
    program(1).setName("Сушка");
    makeSteps(1, 10, 2);
    program(1).comparators[1][Comparator::C03].setValue(-20);
    QVERIFY(ui().tree()->selectGroup(&program(1), false));
    key(Qt::CTRL | Qt::Key_C);

    guitest::Shell other;
    DeviceData& data = *other.doc.deviceData();
    Program& target = *data.programAt(4);
    QVERIFY(other.frame->treeView()->selectGroup(&target, false));
    guitest::MessageLog::answer() = messages::Answer::No;
    other.frame->documentActions().pasteProgram->trigger();
    QCOMPARE(target.stepCount(), 0);
    guitest::MessageLog::answer() = messages::Answer::Yes;
    other.frame->documentActions().pasteProgram->trigger();
    QCOMPARE(QString::fromUtf8(target.name()), QString("Сушка"));
    QCOMPARE(target.stepCount(), 10);
    QCOMPARE(target.H02.value(), 2);
    QCOMPARE(target.comparators[1][Comparator::C03].value(), -20);
    QCOMPARE(ui().messages(),
             QStringList({"Вставить программу \"Сушка\" вместо программы 5 \"Новая программа\"?",
                          "Вставить программу \"Сушка\" вместо программы 5 \"Новая программа\"?"}));

    // Into a partition of 7 steps a program: refused, nothing cut.
    guitest::MessageLog::answer() = messages::Answer::Yes;
    data.general.base[BaseParameters::O10].setValue(0);
    QCoreApplication::processEvents();
    Program& small = *data.programAt(0);
    QVERIFY(other.frame->treeView()->selectGroup(&small, false));
    const std::string before = other.doc.text();
    other.frame->documentActions().pasteProgram->trigger();
    QCOMPARE(other.doc.text(), before);
    QCOMPARE(ui().messages().last(),
             QString("Вставить программу \"Сушка\" нельзя: в ней 10 шагов, а в программе этой "
                     "прошивки их может быть не более 7 (60 программ по 7 шагов)."));
  }

  void rangesOfTheTableCopyAndPasteAsASpreadsheetDoes() {
    using namespace stepstable;
    makeSteps(1, 3, 1);
    MainWindow& frame = *ui().shell->frame;
    frame.actions().tableMode->trigger();
    frame.programsMenu()->findChild<QAction*>("program1")->trigger();
    StepsTablePage& page = *frame.tableView()->stepsPage();
    StepsTableModel& model = *page.model();
    QTableView& table = *page.table();
    program(1).stepAt(0)->key(2).setValue(1);

    // Keys 1..2 of steps 1..2, as shown, round trip into steps 2..3.
    table.setFocus();
    QCoreApplication::processEvents();
    table.selectionModel()->select(QItemSelection(page.cell(kFirstKey, 0), page.cell(kFirstKey + 1, 1)),
                                   QItemSelectionModel::ClearAndSelect);
    QTest::keySequence(&frame, QKeySequence::Copy);  // the window's key reaches the table
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied.count(u'\t'), 2);
    table.setCurrentIndex(page.cell(kFirstKey, 1));
    QTest::keySequence(&frame, QKeySequence::Paste);
    QCOMPARE(program(1).stepAt(1)->key(2).value(), 1);
    QCOMPARE(program(1).stepAt(2)->key(1).value(), program(1).stepAt(0)->key(1).value());

    // A spreadsheet's setpoints and durations: a decimal comma, a refused
    // cell among good ones, a column beyond the steps named; one message,
    // one undo step.
    ui().doc().closeUndoStep();
    const std::string before = ui().doc().text();
    QGuiApplication::clipboard()->setText("-40,5\t12.5\tabc\t7\n");
    table.setCurrentIndex(page.cell(kSetpoint1, 0));
    page.paste();
    QCOMPARE(model.data(page.cell(kSetpoint1, 0)).toString(), QString("-40.5"));
    QCOMPARE(model.data(page.cell(kSetpoint1, 1)).toString(), QString("12.5"));
    QCOMPARE(ui().messages(), QStringList("Эти ячейки не приняли вставленные значения:\n"
                                          "Шаг 3, уставка входной величины 1-го регулятора: \"abc\"\n\n"
                                          "Этим вставленным значениям не нашлось ячеек, они не вставлены:\n"
                                          "Шаг 4 (такого шага нет), уставка входной величины 1-го регулятора: "
                                          "\"7\""));
    QCoreApplication::processEvents();
    frame.actions().undo->trigger();
    QCOMPARE(ui().doc().text(), before);

    // Whole step columns go as steps, and paste after the selected ones.
    table.selectionModel()->select(QItemSelection(page.cell(kTransition, 0), page.cell(kLastKey, 0)),
                                   QItemSelectionModel::ClearAndSelect);
    page.copy();
    QVERIFY(stepclipboard::holdsSteps());
    page.paste();
    QCOMPARE(marks(1), (std::vector<int>{1, 1, 2, 3}));
  }
};

TKV88_GUI_SUITE(ClipboardGuiTest);
#include "ClipboardGuiTest.moc"
