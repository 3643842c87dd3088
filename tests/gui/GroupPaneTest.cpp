// The right pane: the view and bar each kind gets, re-binding without a new
// view for the same kind, "По умолчанию" with its enable rule, the step
// commands of the step bar, and the bar's layout.
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTest>

#include "GuiTest.h"
#include "forms/GroupForm.h"
#include "shell/ButtonBar.h"
#include "shell/GroupPane.h"
#include "shell/NavigationTree.h"
#include "widgets/DocumentActions.h"
#include "widgets/GroupInfoPage.h"
#include "widgets/HelpRequest.h"
#include "widgets/ProfileChart.h"
#include "widgets/ProgramPage.h"

namespace {

QStringList buttonNames(ButtonBar* bar) {
  QStringList names;
  if (bar)
    for (QPushButton* b : bar->buttons()) names << b->objectName();
  return names;
}

}  // namespace

class GroupPaneTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::Shell> m_shell;
  Document& doc() { return m_shell->doc; }
  GroupPane* pane() { return m_shell->frame->groupPane(); }
  NavigationTree* tree() { return m_shell->frame->treeView(); }
  GeneralParameters& general() { return doc().deviceData()->general; }
  Program& program(int i) { return *doc().deviceData()->programAt(i); }
  QPushButton* defaultsButton() { return pane()->currentBar()->button(pane()->restoreDefaultsAction()); }
  QPushButton* stepButton(const char* name) { return pane()->stepBar()->findChild<QPushButton*>(name); }
  ButtonBar* shownBar() {
    for (ButtonBar* bar : {pane()->defaultsBar(), pane()->stepBar(), pane()->programBar()})
      if (bar->isVisible()) return bar;
    return nullptr;
  }

 private slots:
  void init() {
    guitest::MessageLog::clear();
    m_shell = std::make_unique<guitest::Shell>();
    program(0).steps.resize(2);
    doc().announce({DocumentChange::Kind::Steps, nullptr, &program(0)});
  }
  void cleanup() {
    help::setHandler(nullptr);
    m_shell.reset();
  }

  void eachKindGetsItsViewAndBar() {
    QTreeWidgetItem* l1 = tree()->topLevelItem(0);
    QTreeWidgetItem* p1 = l1->child(0);
    QTreeWidgetItem* l2 = tree()->topLevelItem(1);
    const QStringList defaults{"restoreDefaults", "editingHelp"};
    const QStringList stepCommands{"restoreDefaults", "addStepBefore", "addStepAfter", "toggleCycleStart",
                                   "editingHelp"};
    struct Case {
      QTreeWidgetItem* item;
      const char* view;
      std::optional<InfoPage> page;  // the page shown; none for a form
      QStringList bar;
    } cases[] = {
        {l1, "level1InfoPage", InfoPage::Level1, {}},
        {p1, "programPage", {}, {"renameProgram", "addStepLast", "copyProgram", "pasteProgram", "editingHelp"}},
        {p1->child(0), "comparatorsInfoPage", InfoPage::Comparators, {}},
        {p1->child(0)->child(3), "comparatorForm", {}, defaults},
        {p1->child(1), "stepsInfoPage", InfoPage::Steps, {}},
        {p1->child(1)->child(1), "stepForm", {}, stepCommands},
        {l2, "level2InfoPage", InfoPage::Level2, {}},
        {l2->child(0), "baseParametersForm", {}, defaults},
        {l2->child(1), "keyPulseModesForm", {}, defaults},
        {l2->child(2), "correctionsForm", {}, defaults},
        {l2->child(3), "digitalFiltersForm", {}, defaults},
        {l2->child(4), "pidRegulatorsInfoPage", InfoPage::PidRegulators, {}},
        {l2->child(4)->child(1), "pidRegulatorForm", {}, defaults},
    };
    for (const Case& c : cases) {
      tree()->setCurrentItem(c.item);
      const NavigationItem* r = NavigationTree::record(c.item);
      QWidget* view = pane()->activeView();
      QCOMPARE(view, pane()->viewForKind(r->kind));
      QVERIFY(view->isVisible());
      QCOMPARE(view->objectName(), QString(c.view));
      if (c.page) {
        QCOMPARE(qobject_cast<GroupInfoPage*>(view)->page(), *c.page);
      } else if (auto* programPage = qobject_cast<ProgramPage*>(view)) {
        QCOMPARE(programPage->program(), r->group.get<Program>());
      } else {
        auto* form = qobject_cast<GroupForm*>(view);
        QVERIFY(form);
        QCOMPARE(form->boundGroup(), r->group);
      }
      QCOMPARE(buttonNames(shownBar()), c.bar);
    }
  }

  // The program page sums up its program as the chamber runs it and follows
  // its edits; its bar's commands act on it.
  void theProgramPageSumsUpItsProgram() {
    Program& p = program(1);
    p.steps.resize(3);
    const int minutes[] = {90, 30, 45};  // 1:30, then a loop of 0:30 + 0:45
    int i = 0;
    for (Step& s : p.steps) {
      s.cells[Step::U01].valueRef() = 1;  // ends by time
      s.cells[Step::U04].valueRef() = minutes[i] / 60;
      s.cells[Step::U05].valueRef() = minutes[i++] % 60;
    }
    p.H02.valueRef() = 2;
    doc().announce({DocumentChange::Kind::Steps, nullptr, &p});
    QVERIFY(tree()->selectGroup(&p, false));
    auto* page = qobject_cast<ProgramPage*>(pane()->activeView());
    QVERIFY(page);
    const auto value = [&](const char* key) { return page->value(key)->text(); };
    QCOMPARE(page->title()->text(), QString("Программа №2 «Новая программа»"));
    QCOMPARE(value("steps"), QString("3 из 25 (20 программ по 25 шагов)"));
    QCOMPARE(value("cycleStart"), QString("шаг 2"));
    QCOMPARE(value("duration"), QString("02:45 — один проход"));
    QCOMPARE(value("loop"), QString("01:15 — шаги 2…3, повторяются"));
    QCOMPARE(value("nameRecord"), QString("задано в конфигурации"));
    QCOMPARE(page->chart()->program(), &p);
    QCOMPARE(page->chart()->accessibleDescription(), QString("длительность 02:45, цикл с шага 2: 01:15"));

    // A typed value, a step added from the bar, a name that came back.
    p.stepAt(0)->cells[Step::U04].setEnteredValue(3);
    QCOMPARE(value("duration"), QString("04:45 — один проход"));
    QPushButton* add = pane()->programBar()->findChild<QPushButton*>("addStepLast");
    QVERIFY(add && add->isEnabled());
    add->click();
    QCOMPARE(p.stepCount(), 4);
    QCOMPARE(doc().selection()->group, GroupRef(&p.steps.back()));  // the new step is shown
    QVERIFY(tree()->selectGroup(&p, false));
    QCOMPARE(value("steps"), QString("4 из 25 (20 программ по 25 шагов)"));
    p.setName("Сушка", "08.12.2026 14:25");
    doc().announce({DocumentChange::Kind::Name, nullptr, &p});
    QCOMPARE(page->title()->text(), QString("Программа №2 «Сушка»"));
    QCOMPARE(value("nameRecord"), QString("название из записи от 08.12.2026 14:25"));
    // A program that is gone is let go of.
    doc().deviceData()->programs.clear();
    doc().announce({DocumentChange::Kind::Programs});
    QCOMPARE(page->chart()->program(), nullptr);
  }

  void theSameKindKeepsItsViewAndRebinds() {
    QVERIFY(tree()->selectGroup(&program(0).steps.front(), false));
    auto* form = qobject_cast<GroupForm*>(pane()->activeView());
    QVERIFY(tree()->selectGroup(&program(0).steps.back(), false));
    QCOMPARE(pane()->activeView(), form);
    QCOMPARE(form->boundGroup(), GroupRef(&program(0).steps.back()));
    // Leaving a form detaches it.
    QVERIFY(tree()->selectGroup(&general().filters, false));
    QCOMPARE(form->boundGroup(), nullptr);
    // Two programs share their page.
    QVERIFY(tree()->selectGroup(&program(1), false));
    QWidget* page = pane()->activeView();
    QVERIFY(tree()->selectGroup(&program(2), false));
    QCOMPARE(pane()->activeView(), page);
  }

  // Shown or hidden, the pane never follows a selected step that is gone:
  // without a tree, the document moves the selection to the step that
  // remains.
  void aSelectedGroupThatIsGoneIsShownAsNone() {
    for (const bool shown : {false, true}) {
      Document doc;
      doc.newDocument();
      Program& p = *doc.deviceData()->programAt(0);
      p.steps.resize(2);
      DocumentActions actions(doc, nullptr);
      GroupPane pane(doc, actions);
      if (shown) pane.show();
      const NavigationItem item{NavigationKind::Step, 1, 2, GroupRef(&p.steps.back())};
      doc.select(item);
      auto* form = qobject_cast<GroupForm*>(pane.viewForKind(NavigationKind::Step));
      QVERIFY(form);
      QCOMPARE(form->boundGroup(), item.group);
      p.steps.pop_back();
      doc.announce({DocumentChange::Kind::Steps, nullptr, &p});
      QCOMPARE(doc.selection()->group, GroupRef(&p.steps.front()));
      QCOMPARE(form->boundGroup(), GroupRef(&p.steps.front()));
      pane.show();  // a pane shown again shows the selection anew
      QCOMPARE(form->boundGroup(), GroupRef(&p.steps.front()));
    }
  }

  void restoreDefaultsFollowsTheGroupsValues() {
    Comparator& c = program(1).comparators[2];
    QVERIFY(tree()->selectGroup(&c, false));
    QVERIFY(!defaultsButton()->isEnabled());
    // Once the change is an undo step, the button follows it.
    const int original = c[Comparator::C03].value();
    c[Comparator::C03].setEnteredValue(original + 7);
    QCoreApplication::processEvents();
    QVERIFY(defaultsButton()->isEnabled());
    QTest::mouseClick(defaultsButton(), Qt::LeftButton);
    QCOMPARE(c[Comparator::C03].value(), original);
    QVERIFY(!defaultsButton()->isEnabled());
    // The comparator keeps its own place in the program's memory.
    QCOMPARE(c[Comparator::C03].bitOffset(), Comparator(2)[Comparator::C03].bitOffset());
  }

  void theSecondRegulatorComparesWithItsOwnDefaults() {
    PidRegulator& pid = general().pid[1];
    QVERIFY(tree()->selectGroup(&pid, false));
    QVERIFY(!defaultsButton()->isEnabled());
    pid[PidRegulator::P01].setEnteredValue(pid[PidRegulator::P01].value() + 1);
    QCoreApplication::processEvents();
    QVERIFY(defaultsButton()->isEnabled());
    QTest::mouseClick(defaultsButton(), Qt::LeftButton);
    QCOMPARE(pid.index, 1);
    QCOMPARE(std::string(pid[PidRegulator::P01].code()), std::string("P.01"));
    QVERIFY(!defaultsButton()->isEnabled());
  }

  void stepBarRunsTheStepCommands() {
    program(0).H02.valueRef() = 0;
    QVERIFY(tree()->selectGroup(&program(0).steps.back(), false));
    QPushButton* cycle = stepButton("toggleCycleStart");
    QCOMPARE(cycle->text(), QString("Начало цикла"));
    QTest::mouseClick(cycle, Qt::LeftButton);
    QCOMPARE(program(0).H02.value(), 2);
    QCOMPARE(cycle->text(), QString("Отменить цикл"));
    QCOMPARE(cycle->accessibleName(), QString("Отменить цикл"));
    QCOMPARE(tree()->currentItem()->text(0), QString("Шаг № 2 <начало цикла>"));

    QTest::mouseClick(stepButton("addStepAfter"), Qt::LeftButton);
    QCOMPARE(program(0).stepCount(), 3);
    QCOMPARE(doc().selection()->group, GroupRef(&program(0).steps.back()));

    // A full program offers no more inserts.
    general().base[BaseParameters::O10].setValueQuiet(0);  // 7 steps per program
    program(0).steps.resize(7);
    doc().announce({DocumentChange::Kind::Steps, nullptr, &program(0)});
    QVERIFY(!stepButton("addStepBefore")->isEnabled());
    QVERIFY(!stepButton("addStepAfter")->isEnabled());
  }

  void helpOpensTheEditingTopic() {
    std::optional<HelpTopic> topic;
    help::setHandler([&](HelpTopic asked) { topic = asked; });
    QVERIFY(tree()->selectGroup(&general().corrections, false));
    QTest::mouseClick(pane()->currentBar()->button(pane()->helpAction()), Qt::LeftButton);
    QCOMPARE(topic, HelpTopic::Editing);
  }

  void theStepBarAtEverySize() {
    QVERIFY(tree()->selectGroup(&program(0).steps.front(), false));
    int helpWidth = 0;
    for (QSize size : {QSize(850, 730), QSize(1200, 730), QSize(700, 730), QSize(400, 300)}) {
      m_shell->frame->resize(size);
      QCoreApplication::processEvents();
      const QString at = QStringLiteral("%1x%2 ").arg(size.width()).arg(size.height());
      ButtonBar* bar = pane()->currentBar();
      QPushButton* help = bar->button(pane()->helpAction());
      // "Помощь" keeps its size, 10 pixels from the right edge.
      QCOMPARE(bar->width() - (help->geometry().right() + 1), 10);
      if (!helpWidth) helpWidth = help->width();
      QCOMPARE(help->width(), helpWidth);
      // No button hides under another, leaves the bar or has its text cut
      // short; from the default width on they stand in one row.
      const QList<QPushButton*> buttons = bar->buttons();
      for (int i = 0; i < buttons.size(); ++i) {
        const QString name = at + buttons[i]->text();
        QVERIFY2(bar->rect().contains(buttons[i]->geometry()), qPrintable(name));
        QVERIFY2(buttons[i]->width() >= buttons[i]->fontMetrics().horizontalAdvance(buttons[i]->text()) + 6,
                 qPrintable(name));
        if (size.width() >= 850) QVERIFY2(buttons[i]->y() == help->y(), qPrintable(name));
        for (int j = i + 1; j < buttons.size(); ++j)
          QVERIFY2(!buttons[i]->geometry().intersects(buttons[j]->geometry()),
                   qPrintable(at + buttons[i]->text() + " / " + buttons[j]->text()));
      }
      // The tree keeps its 280 pixels while there is room; a small window
      // shares its width instead of squeezing the right pane.
      const QList<int> panes = m_shell->frame->splitter()->sizes();
      if (size.width() >= 850)
        QCOMPARE(panes[0], 280);
      else
        QVERIFY2(panes[1] >= 2 * panes[0], qPrintable(at));
    }
  }
};

TKV88_GUI_SUITE(GroupPaneTest);
#include "GroupPaneTest.moc"
