// The navigation tree: texts and hierarchy, the cycle-start mark, what a
// selection writes into the document, how a rebuild restores the selection
// or falls back, which items each kind of change makes anew, and the context
// menus per kind.
#include <functional>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>

#include "GuiTest.h"
#include "shell/GroupPane.h"
#include "shell/NavigationTree.h"

namespace {

QStringList childTexts(QTreeWidgetItem* item) {
  QStringList texts;
  for (int i = 0; i < item->childCount(); ++i) texts << item->child(i)->text(0);
  return texts;
}

QStringList commandsOf(QMenu* menu) {
  QStringList names;
  for (QAction* a : menu->actions())
    if (!a->isSeparator()) names << a->objectName();
  return names;
}

// A right click as the platform delivers it: the press, then the menu request.
void rightClick(QWidget* viewport, const QPoint& pos) {
  QTest::mouseClick(viewport, Qt::RightButton, {}, pos);
  QContextMenuEvent request(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
  QApplication::sendEvent(viewport, &request);
}

void closePopups() {
  while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
}

}  // namespace

class NavigationTreeTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::Shell> m_shell;
  Document& doc() { return m_shell->doc; }
  NavigationTree* tree() { return m_shell->frame->treeView(); }
  Program& program(int i) { return *doc().deviceData()->programAt(i); }
  void giveSteps(Program& p, int n, int h02) {
    p.steps.resize(n);
    p.H02.valueRef() = h02;
    doc().announce({DocumentChange::Kind::Steps, nullptr, &p});
  }

 private slots:
  void init() {
    guitest::MessageLog::clear();
    m_shell = std::make_unique<guitest::Shell>();
  }
  void cleanup() {
    closePopups();
    m_shell.reset();
  }

  void textsHierarchyAndExpansion() {
    QAbstractItemModelTester tester(tree()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    giveSteps(program(0), 2, 1);

    QCOMPARE(tree()->topLevelItemCount(), 2);
    QTreeWidgetItem* l1 = tree()->topLevelItem(0);
    QTreeWidgetItem* l2 = tree()->topLevelItem(1);
    QCOMPARE(l1->text(0), QString("L1 Программы технолога"));
    QCOMPARE(l1->childCount(), 20);
    QCOMPARE(l1->child(19)->text(0), QString("Программа №20 «Новая программа» — нет шагов"));
    QTreeWidgetItem* p1 = l1->child(0);
    QCOMPARE(childTexts(p1), QStringList({"Параметры компараторов", "Параметры шагов"}));
    QCOMPARE(childTexts(p1->child(0)),
             QStringList({"Параметры 1-го компаратора", "Параметры 2-го компаратора",
                          "Параметры 3-го компаратора", "Параметры 4-го компаратора"}));
    QCOMPARE(childTexts(p1->child(1)), QStringList({"Шаг № 1 <начало цикла>", "Шаг № 2"}));
    QCOMPARE(l2->text(0), QString("L2 Общие параметры"));
    QCOMPARE(childTexts(l2),
             QStringList({"Основные параметры работы прибора", "Параметры режимов транзисторных ключей",
                          "Коррекция показаний термометров", "Параметры цифровых фильтров",
                          "Параметры ПИД-регуляторов"}));
    QCOMPARE(childTexts(l2->child(4)), QStringList({"1-ый ПИД-регулятор", "2-ой ПИД-регулятор"}));

    // Records: kinds, numbers and the objects shown.
    const NavigationItem* comp3 = NavigationTree::record(p1->child(0)->child(2));
    QCOMPARE(comp3->kind, NavigationKind::Comparator);
    QCOMPARE(comp3->programNumber, 1);
    QCOMPARE(comp3->subIndex, 2);
    QCOMPARE(comp3->group, GroupRef(&program(0).comparators[2]));
    const NavigationItem* step2 = NavigationTree::record(p1->child(1)->child(1));
    QCOMPARE(step2->kind, NavigationKind::Step);
    QCOMPARE(step2->subIndex, 2);
    QCOMPARE(NavigationTree::record(l2->child(4)->child(1))->group,
             GroupRef(&doc().deviceData()->general.pid[1]));

    // Programs start closed with their groups already open.
    QVERIFY(l1->isExpanded() && l2->isExpanded() && l2->child(4)->isExpanded());
    QVERIFY(!p1->isExpanded());
    QVERIFY(p1->child(0)->isExpanded() && p1->child(1)->isExpanded());
  }

  void cycleStartMark() {
    giveSteps(program(0), 5, 3);
    giveSteps(program(1), 5, 0);
    QTreeWidgetItem* steps1 = tree()->topLevelItem(0)->child(0)->child(1);
    QTreeWidgetItem* steps2 = tree()->topLevelItem(0)->child(1)->child(1);
    QCOMPARE(childTexts(steps1),
             QStringList({"Шаг № 1", "Шаг № 2", "Шаг № 3 <начало цикла>", "Шаг № 4", "Шаг № 5"}));
    QCOMPARE(childTexts(steps2), QStringList({"Шаг № 1", "Шаг № 2", "Шаг № 3", "Шаг № 4", "Шаг № 5"}));
  }

  void selectionWritesTheDocument() {
    giveSteps(program(2), 3, 1);
    Step* step = &*std::next(program(2).steps.begin());
    QVERIFY(tree()->selectGroup(step, false));
    QCOMPARE(doc().currentProgram(), &program(2));
    QCOMPARE(doc().currentStep(), step);
    QCOMPARE(doc().selection()->kind, NavigationKind::Step);

    // A group of another program moves the program, not the step.
    QTreeWidgetItem* comps2 = tree()->topLevelItem(0)->child(1)->child(0);
    tree()->setCurrentItem(comps2);
    QCOMPARE(doc().currentProgram(), &program(1));
    QCOMPARE(doc().currentStep(), step);
    QVERIFY(doc().selection()->sameItem(*NavigationTree::record(comps2)));

    // A comparator makes its program current; level L2 leaves both as they are.
    QVERIFY(tree()->selectGroup(&program(4).comparators[1], false));
    QCOMPARE(doc().currentProgram(), &program(4));
    QVERIFY(tree()->selectGroup(&doc().deviceData()->general.filters, false));
    QCOMPARE(doc().currentProgram(), &program(4));
    QCOMPARE(doc().currentStep(), step);
    QCOMPARE(doc().selection()->kind, NavigationKind::DigitalFilters);

    // Nothing to find changes nothing.
    QVERIFY(!tree()->selectGroup(nullptr, false));
    Step unknown;
    QVERIFY(!tree()->selectGroup(&unknown, false));
    QCOMPARE(doc().selection()->kind, NavigationKind::DigitalFilters);
    // A program is found at its own item, before its two groups; its first
    // comparator, at the same address, at the comparator's.
    QCOMPARE(NavigationTree::record(tree()->findGroup(&program(3)))->kind, NavigationKind::Program);
    QCOMPARE(NavigationTree::record(tree()->findGroup(&program(3).comparators[0]))->kind,
             NavigationKind::Comparator);
  }

  void rebuildRestoresOrFallsBack() {
    // The first build selects the first program.
    QCOMPARE(doc().selection()->kind, NavigationKind::Program);
    QCOMPARE(doc().selection()->group, GroupRef(&program(0)));

    // A kept object is selected again, and the right pane shows it.
    QVERIFY(tree()->selectGroup(&program(1).comparators[0], false));
    tree()->rebuild();
    QCOMPARE(doc().selection()->group, GroupRef(&program(1).comparators[0]));
    QCOMPARE(m_shell->frame->groupPane()->lastKind(), NavigationKind::Comparator);

    // A step that is gone falls back to its program.
    giveSteps(program(3), 2, 0);
    QVERIFY(tree()->selectGroup(&program(3).steps.back(), false));
    program(3).steps.pop_back();
    doc().announce({DocumentChange::Kind::Configuration});
    QCOMPARE(doc().selection()->kind, NavigationKind::Program);
    QCOMPARE(doc().selection()->group, GroupRef(&program(3)));

    // An L2 selection survives; without programs the fallback is the base parameters.
    QVERIFY(tree()->selectGroup(&doc().deviceData()->general.pid[1], false));
    tree()->rebuild();
    QCOMPARE(doc().selection()->group, GroupRef(&doc().deviceData()->general.pid[1]));
    doc().deviceData()->programs.clear();  // behind the document's back
    doc().setSelection(std::nullopt, nullptr, nullptr);
    doc().announce({DocumentChange::Kind::Configuration});
    QCOMPARE(doc().selection()->kind, NavigationKind::BaseParameters);
  }

  // Each change makes anew only the items it concerns (items compared as
  // objects); every branch stays open or closed and the selection stays on
  // its step.
  void eachChangeRemakesOnlyTheItemsItConcerns() {
    struct Case {
      const char* name;
      std::function<void()> change;
      bool general, programs, firstSteps;  // item groups kept as they were
      QString secondProgramText;  // the name in it
    };
    const QString second = NavigationTree::programText(2, "Новая программа");
    const Case cases[] = {
        {"a value", [&] { program(0).stepAt(0)->cells[Step::U03].setEnteredValue(40); }, true, true, true, second},
        {"a cycle start", [&] { program(1).H02.setEnteredValue(3); }, true, true, true, second},
        {"steps of the second program",
         [&] {
           doc().addStepAfter();  // after the selected third step, then selected
           QVERIFY(tree()->selectGroup(program(1).stepAt(2), false));
         },
         true, true, true, second},
        {"a name",
         [&] {
           program(1).setName("Сушка");
           doc().announce({DocumentChange::Kind::Name, nullptr, &program(1)});
         },
         true, true, true, NavigationTree::programText(2, "Сушка")},
        {"the program list", [&] { doc().announce({DocumentChange::Kind::Programs}); }, true, false, false, second},
        {"the configuration", [&] { doc().announce({DocumentChange::Kind::Configuration}); }, false, false, false,
         second},
    };
    for (const Case& c : cases) {
      init();
      giveSteps(program(0), 3, 1);
      giveSteps(program(1), 3, 1);
      QTreeWidgetItem* p1 = tree()->findGroup(&program(0));
      QTreeWidgetItem* p2 = tree()->findGroup(&program(1));
      p2->setExpanded(true);
      p1->child(0)->setExpanded(false);
      const auto openState = [&] {
        QList<bool> open;
        for (QTreeWidgetItemIterator it(tree()); *it; ++it) open << (*it)->isExpanded();
        return open;
      };
      const QList<bool> open = openState();
      QVERIFY(tree()->selectGroup(program(1).stepAt(2), false));
      Step* selected = program(1).stepAt(2);
      // Every item made so far is marked (an address alone could be reused).
      constexpr int kMark = Qt::UserRole + 1;
      for (QTreeWidgetItemIterator it(tree()); *it; ++it) (*it)->setData(0, kMark, true);
      const auto kept = [&](GroupRef group) {
        QTreeWidgetItem* item = tree()->findGroup(group);
        return item && item->data(0, kMark).isValid();
      };

      c.change();
      QVERIFY2(kept(&doc().deviceData()->general.base) == c.general, c.name);
      QVERIFY2((kept(&program(0)) && kept(&program(1))) == c.programs, c.name);
      QVERIFY2((kept(program(0).stepAt(0)) && kept(program(0).stepAt(2))) == c.firstSteps, c.name);
      // The selected step's item is kept wherever its program's items are.
      QVERIFY2(kept(selected) == c.programs, c.name);
      QCOMPARE(NavigationTree::record(tree()->currentItem())->group, GroupRef(selected));
      QVERIFY2(tree()->findGroup(&program(1))->text(0).startsWith(c.secondProgramText + " — "), c.name);
      // Open branches: one more step item changes nothing of them.
      QCOMPARE(openState().mid(0, 10), open.mid(0, 10));
      QVERIFY(tree()->findGroup(&program(1))->isExpanded());
      QVERIFY(!tree()->findGroup(&program(0))->child(0)->isExpanded());
      QCOMPARE(childTexts(tree()->findGroup(&program(1))->child(1)).last(),
               NavigationTree::stepText(program(1).stepCount(), program(1).H02.value() == program(1).stepCount()));
      cleanup();
    }
  }

  // A program's item says its steps and one pass's duration, follows every
  // value that changes them, and says where a name that came back is from.
  void programItemsSayStepsAndDuration() {
    const auto timed = [&](Program& p, std::vector<int> minutes) {
      p.steps.resize(minutes.size());
      auto m = minutes.begin();
      for (Step& s : p.steps) {
        s.cells[Step::U01].valueRef() = 1;
        s.cells[Step::U04].valueRef() = *m / 60;
        s.cells[Step::U05].valueRef() = *m++ % 60;
      }
      doc().announce({DocumentChange::Kind::Steps, nullptr, &p});
    };
    QTreeWidgetItem* p1 = tree()->findGroup(&program(0));
    const struct {
      std::vector<int> minutes;
      const char* text;
    } cases[] = {
        {{90}, "Программа №1 «Новая программа» — 1 шаг, 01:30"},
        {{90, 60, 5}, "Программа №1 «Новая программа» — 3 шага, 02:35"},
        {std::vector<int>(21, 10), "Программа №1 «Новая программа» — 21 шаг, 03:30"},
        {{}, "Программа №1 «Новая программа» — нет шагов"},
    };
    for (const auto& c : cases) {
      timed(program(0), c.minutes);
      QCOMPARE(p1->text(0), QString(c.text));
    }
    timed(program(0), {90, 60});
    program(0).stepAt(1)->cells[Step::U04].setEnteredValue(10);  // typed: 10:00
    QCOMPARE(p1->text(0), QString("Программа №1 «Новая программа» — 2 шага, 11:30"));
    QCOMPARE(p1->toolTip(0), QString());
    program(0).setName("Сушка", "08.12.2026 14:25");
    doc().announce({DocumentChange::Kind::Name, nullptr, &program(0)});
    QCOMPARE(p1->text(0), QString("Программа №1 «Сушка» — 2 шага, 11:30"));
    QCOMPARE(p1->toolTip(0), QString("название из записи от 08.12.2026 14:25"));
  }

  void contextMenusPerKind() {
    giveSteps(program(0), 2, 2);
    QTreeWidgetItem* p1 = tree()->topLevelItem(0)->child(0);
    struct Case {
      QTreeWidgetItem* item;
      QStringList commands;
    } cases[] = {
        {p1, {"renameProgram", "copyProgram", "pasteProgram"}},
        {p1->child(1), {"addStepFirst", "addStepLast", "pasteStepsAtEnd"}},
        {p1->child(1)->child(0),
         {"addStepBefore", "addStepAfter", "toggleCycleStart", "deleteStep", "copyStep", "cutStep", "pasteStepBefore",
          "pasteStepAfter"}},
        {p1->child(0), {}},
        {p1->child(0)->child(0), {}},
        {tree()->topLevelItem(0), {}},
        {tree()->topLevelItem(1)->child(0), {}},
        {tree()->topLevelItem(1)->child(4)->child(1), {}},
    };
    for (const Case& c : cases) {
      tree()->setCurrentItem(c.item);
      std::unique_ptr<QMenu> menu(tree()->createContextMenu(nullptr));
      QCOMPARE(menu ? commandsOf(menu.get()) : QStringList(), c.commands);
    }

    // "Начало цикла" reads "Отменить цикл" on the cycle-start step.
    auto cycleText = [&](QTreeWidgetItem* item) {
      tree()->setCurrentItem(item);
      std::unique_ptr<QMenu> menu(tree()->createContextMenu(nullptr));
      return menu->actions()[2]->text();
    };
    QCOMPARE(cycleText(p1->child(1)->child(0)), QString("Начало цикла"));
    QCOMPARE(cycleText(tree()->topLevelItem(0)->child(0)->child(1)->child(1)), QString("Отменить цикл"));
  }

  void stepInsertsAreDisabledWhenTheProgramIsFull() {
    Program& p = program(0);
    giveSteps(p, 7, 1);
    doc().deviceData()->general.base[BaseParameters::O10].setValueQuiet(0);  // 7 steps per program
    QVERIFY(tree()->selectGroup(&p.steps.front(), false));
    std::unique_ptr<QMenu> menu(tree()->createContextMenu(nullptr));
    const QList<QAction*> a = menu->actions();
    QVERIFY(!a[0]->isEnabled() && !a[1]->isEnabled());
    QVERIFY(a[2]->isEnabled() && a[3]->isEnabled());
  }

  void aMenuCommandRunsOnTheDocumentAndSelectsItsResult() {
    tree()->setCurrentItem(tree()->topLevelItem(0)->child(0)->child(1));  // program 1's steps
    std::unique_ptr<QMenu> menu(tree()->createContextMenu(nullptr));
    menu->actions()[1]->trigger();  // "Добавить шаг в конец"
    QCOMPARE(program(0).stepCount(), 1);
    QCOMPARE(doc().selection()->group, GroupRef(&program(0).steps.back()));
  }

  void theKeyboardOpensTheSelectedItemsMenu() {
    m_shell->frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_shell->frame.get()));
    QTreeWidgetItem* steps = tree()->topLevelItem(0)->child(0)->child(1);
    tree()->setCurrentItem(steps);
    tree()->setFocus();
    const std::function<void()> requests[] = {
        // The menu key: the platform turns it into a menu request without a position.
        [&] {
          QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos());
          QApplication::sendEvent(tree(), &request);
        },
        // Shift+F10, for keyboards without a menu key.
        [&] { QTest::keyClick(m_shell->frame->windowHandle(), Qt::Key_F10, Qt::ShiftModifier); },
    };
    for (const auto& request : requests) {
      request();
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      QVERIFY(menu);
      QCOMPARE(commandsOf(menu), QStringList({"addStepFirst", "addStepLast", "pasteStepsAtEnd"}));
      // Near the top-left corner of the tree's client area.
      QCOMPARE(menu->pos(), tree()->viewport()->mapToGlobal(QPoint(5, 5)));
      closePopups();
    }
  }

  void linesAndWholeTextsAtTheDefaultWidth() {
    m_shell->frame->resize(850, 730);
    QCoreApplication::processEvents();
    QTreeWidgetItem* l2 = tree()->topLevelItem(1);
    QTreeWidgetItem* keys = l2->child(1);  // "Параметры режимов транзисторных ключей"
    QTreeWidgetItem* corrections = l2->child(2);
    QTreeWidgetItem* pids = l2->child(4);
    tree()->scrollToItem(pids->child(1));
    // The long text goes on over a second line instead of running out of sight.
    QVERIFY(!tree()->horizontalScrollBar()->isVisible());
    QVERIFY(tree()->visualItemRect(keys).height() >= 2 * tree()->visualItemRect(corrections).height() - 2);
    // Dotted lines join the items of a level and end at the last one's; a
    // box with a minus stands on an opened item's line.
    const QImage shot = tree()->viewport()->grab().toImage();
    const QRgb base = tree()->palette().color(QPalette::Base).rgb();
    const int x = tree()->indentation() / 2, x2 = x + tree()->indentation();  // the first two levels
    const auto inked = [&](int y, int at) {
      return shot.pixel(at, y) != base || shot.pixel(at, y + 1) != base;  // a dot on one of two pixels
    };
    const QRect between = tree()->visualItemRect(corrections);
    QVERIFY(inked(between.top(), x) && inked(between.center().y(), x) && inked(between.bottom() - 1, x));
    const QRect opened = tree()->visualItemRect(pids);
    QCOMPARE(shot.pixel(x, opened.top() + opened.height() / 2),
             tree()->palette().color(QPalette::Text).rgb());
    const QRect last = tree()->visualItemRect(pids->child(1));
    QVERIFY(inked(last.top(), x2));
    QCOMPARE(shot.pixel(x2, last.bottom()), base);
  }

  void rightClickSelectsTheRowUnderIt() {
    m_shell->frame->resize(850, 730);
    // A tree pane wider than its longest text leaves room right of every row.
    m_shell->frame->splitter()->setSizes({600, 250});
    QCoreApplication::processEvents();
    QTreeWidgetItem* steps = tree()->topLevelItem(0)->child(0)->child(1);
    tree()->topLevelItem(0)->child(0)->setExpanded(true);
    const QRect row = tree()->visualItemRect(steps);
    const int farRight = tree()->viewport()->width() - 5;
    QVERIFY(farRight > row.left() + tree()->fontMetrics().horizontalAdvance(steps->text(0)) + 20);
    // Anywhere on the row, here well to the right of its text.
    rightClick(tree()->viewport(), QPoint(farRight, row.center().y()));
    QVERIFY(QApplication::activePopupWidget());
    closePopups();
    QVERIFY(doc().selection()->sameItem(*NavigationTree::record(steps)));
    QVERIFY(steps->isSelected());
    // Below the last item nothing changes, not even the highlight.
    const QPoint below(10, tree()->viewport()->height() - 3);
    QVERIFY(!tree()->itemAt(below));
    for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton}) {
      if (button == Qt::RightButton)
        rightClick(tree()->viewport(), below);
      else
        QTest::mouseClick(tree()->viewport(), button, {}, below);
      QVERIFY(!QApplication::activePopupWidget());
      QVERIFY(doc().selection()->sameItem(*NavigationTree::record(steps)));
      QVERIFY(steps->isSelected());
    }
  }
};

TKV88_GUI_SUITE(NavigationTreeTest);
#include "NavigationTreeTest.moc"
