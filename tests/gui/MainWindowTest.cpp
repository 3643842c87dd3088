// The main frame: its menus and accelerators, the three view modes with the
// table mode's "Программы" menu, the title, the refresh after a partition
// change and F6 focus cycling.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyleOptionMenuItem>
#include <QTest>

#include "GuiTest.h"
#include "shell/ButtonBar.h"
#include "shell/GroupPane.h"
#include "shell/LockIndicators.h"
#include "shell/NavigationTree.h"
#include "tables/FullListView.h"
#include "tables/TableModeView.h"

namespace {

// How a menu would draw an item's mark: a check mark or a radio bullet.
QStyleOptionMenuItem::CheckType markOf(QAction* action) {
  struct Probe : QMenu {
    QStyleOptionMenuItem::CheckType mark(QAction* a) {
      addAction(a);
      QStyleOptionMenuItem option;
      initStyleOption(&option, a);
      return option.checkType;
    }
  } probe;
  return probe.mark(action);
}

QStringList menuTitles(QMenuBar* bar) {
  QStringList titles;
  for (QAction* a : bar->actions()) titles << a->text();
  return titles;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::Shell> m_shell;
  MainWindow* frame() { return m_shell->frame.get(); }
  Document& doc() { return m_shell->doc; }

  // Which of the three mode windows are visible.
  QList<bool> visibleModes() {
    return {frame()->splitter()->isVisible(), frame()->tableView()->isVisible(),
            frame()->listView()->isVisible()};
  }

 private slots:
  void init() {
    guitest::MessageLog::clear();
    m_shell = std::make_unique<guitest::Shell>();
  }
  void cleanup() { m_shell.reset(); }

  void menusAndAccelerators() {
    QCOMPARE(menuTitles(frame()->menuBar()), QStringList({"&Файл", "&Правка", "&Прибор", "Вид", "&Справка"}));
    // Every item by its name, with its text and keys.
    const struct {
      const char* name;
      const char* text;
      QList<QKeySequence> keys;
    } items[] = {
        {"newFile", "&Новая прошивка", {QKeySequence("Ctrl+N")}},
        {"open", "&Открыть...", {QKeySequence("Ctrl+O")}},
        {"save", "&Сохранить", {QKeySequence("Ctrl+S")}},
        {"saveAs", "Сохранить &как...", {}},
        {"exit", "&Выход", {}},
        {"readDevice", "&Считать прошивку", {}},
        {"writeDevice", "&Записать прошивку", {}},
        {"dialogMode", "Диалоговый", {}},
        {"tableMode", "Табличный", {}},
        {"listMode", "Полный список", {}},
        {"help", "&Помощь", {QKeySequence("F1")}},
        {"about", "&О программе...", {}},
        {"copy", "", {QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Ins")}},
        {"cut", "", {QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")}},
        {"paste", "", {QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}},
        {"undo", "&Отменить", {QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}},
        {"redo", "&Повторить", {QKeySequence("Ctrl+Y"), QKeySequence("Ctrl+Shift+Z")}},
        {"nextPane", "", {QKeySequence("F6")}},
        {"previousPane", "", {QKeySequence("Shift+F6")}},
        {"tableNext", "", {QKeySequence("F8")}},
        {"tablePrevious", "", {QKeySequence("Shift+F8")}},
    };
    for (const auto& item : items) {
      const auto* a = frame()->findChild<QAction*>(item.name, Qt::FindDirectChildrenOnly);
      QVERIFY2(a, item.name);
      QCOMPARE(a->text(), QString(item.text));
      QCOMPARE(a->shortcuts(), item.keys);
    }
    QCOMPARE(frame()->windowTitle(), QString("Новая прошивка[*] - Конфигуратор ТКВ88"));
    QVERIFY(!frame()->isWindowModified());
    QCOMPARE(frame()->size(), QSize(850, 730));
  }

  void viewModesAndTheProgramsMenu() {
    // The frame is made in table mode and opens in dialog mode.
    QCOMPARE(frame()->viewMode(), int(MainWindow::kDialogMode));
    QCOMPARE(visibleModes(), QList<bool>({true, false, false}));
    QVERIFY(frame()->actions().dialogMode->isChecked());
    QVERIFY(!frame()->programsMenu());

    doc().deviceData()->programs.resize(3);
    doc().announce({DocumentChange::Kind::Programs});
    QVERIFY(m_shell->frame->treeView()->selectGroup(doc().deviceData()->programAt(1), false));
    frame()->actions().tableMode->trigger();
    QCOMPARE(frame()->viewMode(), int(MainWindow::kTableMode));
    QCOMPARE(visibleModes(), QList<bool>({false, true, false}));
    QVERIFY(frame()->actions().tableMode->isChecked() && !frame()->actions().dialogMode->isChecked());
    QCOMPARE(menuTitles(frame()->menuBar()),
             QStringList({"&Файл", "&Правка", "&Прибор", "Вид", "Программы", "&Справка"}));
    QMenu* programs = frame()->programsMenu();
    QVERIFY(programs);
    QCOMPARE(programs->actions().size(), 3);
    QStringList texts, names, checked;
    for (QAction* a : programs->actions()) {
      texts << a->text();
      names << a->objectName();
      if (a->isChecked()) checked << a->objectName();
    }
    QCOMPARE(texts, QStringList({"Программа №1 «Новая программа»", "Программа №2 «Новая программа»",
                                 "Программа №3 «Новая программа»"}));
    QCOMPARE(names, QStringList({"program1", "program2", "program3"}));
    QCOMPARE(checked, QStringList({"program2"}));

    // Choosing a program makes it current and moves the check mark;
    // choosing the current one again keeps it.
    frame()->programsMenu()->actions()[2]->trigger();
    QCOMPARE(doc().currentProgram(), doc().deviceData()->programAt(2));
    QVERIFY(frame()->programsMenu()->actions()[2]->isChecked());
    QVERIFY(!frame()->programsMenu()->actions()[1]->isChecked());
    frame()->programsMenu()->actions()[2]->trigger();
    QVERIFY(frame()->programsMenu()->actions()[2]->isChecked());
    frame()->actions().tableMode->trigger();
    QVERIFY(frame()->actions().tableMode->isChecked());
    // The table's chooser names the program shown and switches as the menu does.
    QComboBox* chooser = frame()->tableView()->programChooser();
    QVERIFY(chooser->isVisible());
    QCOMPARE(chooser->count(), 3);
    QCOMPARE(chooser->itemText(0), texts[0]);
    QCOMPARE(chooser->currentIndex(), 2);
    chooser->setCurrentIndex(0);
    emit chooser->activated(0);
    QCOMPARE(doc().currentProgram(), doc().deviceData()->programAt(0));
    QCOMPARE(frame()->tableView()->program(), doc().deviceData()->programAt(0));
    QCOMPARE(chooser->currentIndex(), 0);
    frame()->programsMenu()->actions()[2]->trigger();
    QCOMPARE(chooser->currentIndex(), 2);
    // Check marks, as the menus always showed them, not radio bullets.
    QCOMPARE(markOf(frame()->programsMenu()->actions()[2]), QStyleOptionMenuItem::NonExclusive);
    QCOMPARE(markOf(frame()->actions().tableMode), QStyleOptionMenuItem::NonExclusive);

    frame()->actions().listMode->trigger();
    QCOMPARE(visibleModes(), QList<bool>({false, false, true}));
    QVERIFY(!frame()->programsMenu());
    frame()->actions().dialogMode->trigger();
    QCOMPARE(visibleModes(), QList<bool>({true, false, false}));
    QCOMPARE(menuTitles(frame()->menuBar()), QStringList({"&Файл", "&Правка", "&Прибор", "Вид", "&Справка"}));
  }

  void theStatusBarFallsBackToItsIdleText() {
    auto* idle = frame()->statusBar()->findChild<QLabel*>("idleMessage");
    QVERIFY(idle);
    QCOMPARE(idle->text(), QString("Готово"));
    QVERIFY(idle->isVisible());
    frame()->statusBar()->showMessage("Порт: sim:x");
    QVERIFY(!idle->isVisible());
    // Hovering a menu item without a tip clears the message.
    QStatusTipEvent tip(QString{});
    QApplication::sendEvent(frame(), &tip);
    QVERIFY(idle->isVisible());
  }

  void thePortMessageIsCutShortAndOpensThePortChoice() {
    int choices = 0;
    QObject probe;
    frame()->onTriggered(frame()->actions().choosePort, &probe, [&] { ++choices; });
    const QString text = QStringLiteral(
        "Порт \"auto\" недоступен: параллельный порт не найден: устройств /dev/parport0..2 нет "
        "(загрузите драйвер: modprobe ppdev parport_pc), прямой доступ к портам 0x378, 0x278, 0x3BC только "
        "для root");
    frame()->setPortMessage(text);
    QCoreApplication::processEvents();
    auto* note = frame()->statusBar()->findChild<QLabel*>("portMessage");
    QVERIFY(note->isVisible());
    QVERIFY(!frame()->statusBar()->findChild<QLabel*>("idleMessage")->isVisible());
    QVERIFY(note->text().endsWith(u'…'));
    QVERIFY(note->fontMetrics().horizontalAdvance(note->text()) <= note->contentsRect().width());
    QCOMPARE(note->toolTip(), text);
    QTest::mouseClick(note, Qt::LeftButton);
    QCOMPARE(choices, 1);
    frame()->setPortMessage({});
    QVERIFY(!note->isVisible());
    QVERIFY(frame()->statusBar()->findChild<QLabel*>("idleMessage")->isVisible());
  }

  void theLockIndicatorsFollowTheKeys() {
    auto* locks = frame()->statusBar()->findChild<LockIndicators*>();
    QVERIFY(locks);
    const auto shown = [&] {
      return QStringList{locks->pane(0)->text(), locks->pane(1)->text(), locks->pane(2)->text()};
    };
    // Offscreen no client can read them: blank, not a guess.
    QVERIFY(!LockIndicators::readDisplay());
    QCOMPARE(shown(), QStringList({"", "", ""}));
    // Read again on the next key.
    LockIndicators::States states{true, false, true};
    locks->setReader([&] { return std::optional(states); });
    states = {false, true, false};
    QTest::keyClick(frame()->windowHandle(), Qt::Key_CapsLock);
    QCOMPARE(shown(), QStringList({"", "NUM", ""}));
    locks->setReader(nullptr);
    QCOMPARE(shown(), QStringList({"", "", ""}));
  }

  void deferredWorkRunsAfterTheEvent() {
    doc().deviceData()->programs.resize(4);
    m_shell->host.runLater([this] { doc().announce({DocumentChange::Kind::Programs}); });
    QCOMPARE(frame()->treeView()->topLevelItem(0)->childCount(), 20);
    QCoreApplication::processEvents();
    QCOMPARE(frame()->treeView()->topLevelItem(0)->childCount(), 4);
  }

  void f6CyclesTreeViewAndBar() {
    frame()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(frame()));
    NavigationTree* tree = frame()->treeView();
    GroupPane* pane = frame()->groupPane();
    auto where = [&]() -> QString {
      QWidget* f = QApplication::focusWidget();
      if (!f) return "none";
      if (f == tree) return "tree";
      if (pane->currentBar() && pane->currentBar()->isAncestorOf(f)) return "bar";
      if (pane->activeView() && (pane->activeView() == f || pane->activeView()->isAncestorOf(f)))
        return "view";
      return "elsewhere";
    };
    auto press = [&](Qt::KeyboardModifiers mods = {}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, mods);
      return where();
    };

    // A comparator: form and bar.
    QVERIFY(tree->selectGroup(&doc().deviceData()->programAt(0)->comparators[0], false));
    tree->setFocus();
    QCOMPARE(where(), QString("tree"));
    QCOMPARE(press(), QString("view"));
    QCOMPARE(press(), QString("bar"));
    // The button that has the focus shows it.
    QWidget* button = QApplication::focusWidget();
    const QImage focused = button->grab().toImage();
    QCOMPARE(press(), QString("tree"));
    QVERIFY(button->grab().toImage() != focused);
    QCOMPARE(press(Qt::ShiftModifier), QString("bar"));
    QCOMPARE(press(Qt::ShiftModifier), QString("view"));
    QCOMPARE(press(Qt::ShiftModifier), QString("tree"));

    // A program's page has the program commands' bar.
    QVERIFY(tree->selectGroup(doc().deviceData()->programAt(0), false));
    tree->setFocus();
    QCOMPARE(press(), QString("view"));
    QCOMPARE(press(), QString("bar"));
    QCOMPARE(press(), QString("tree"));
  }
};

TKV88_GUI_SUITE(MainWindowTest);
#include "MainWindowTest.moc"
