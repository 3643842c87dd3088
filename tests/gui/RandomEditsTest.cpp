// A seeded random walk of what a user does in the window: selecting items,
// the step commands, the clipboard, undo and redo, a new partition, values
// typed into forms, the steps table and the full list, the three modes. After every action the views agree with the
// document: nothing selected or current that is gone, and a tree, a steps
// table and a full list that were only told what changed read exactly as
// ones built anew. The commands' enabled states are the actions' own, so a
// stale one shows.
#include <algorithm>
#include <functional>
#include <random>

#include <QApplication>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <QTreeWidgetItemIterator>

#include "GuiTest.h"
#include "shell/NavigationTree.h"
#include "tables/FullListModel.h"
#include "tables/FullListView.h"
#include "tables/StepsTableModel.h"
#include "tables/StepsTablePage.h"
#include "tables/TableModeView.h"

namespace {

// The tree as it reads: every item's text, indented by its depth.
QStringList treeTexts(QTreeWidget* tree) {
  QStringList texts;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    int depth = 0;
    for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent()) ++depth;
    texts << QString(depth, u' ') + (*it)->text(0);
  }
  return texts;
}

// Every text a model shows: its column headers, then each row's cells,
// indented by the row's depth.
QStringList modelTexts(const QAbstractItemModel& model) {
  QStringList texts;
  for (int c = 0; c < model.columnCount(); ++c) texts << model.headerData(c, Qt::Horizontal).toString();
  const std::function<void(const QModelIndex&, int)> rows = [&](const QModelIndex& parent, int depth) {
    for (int r = 0; r < model.rowCount(parent); ++r) {
      QString row(depth, u' ');
      for (int c = 0; c < model.columnCount(parent); ++c) row += model.index(r, c, parent).data().toString() + u'|';
      texts << row;
      if (const QModelIndex first = model.index(r, 0, parent); model.hasChildren(first)) rows(first, depth + 1);
    }
  };
  rows({}, 0);
  return texts;
}

}  // namespace

class RandomEditsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::Shell> m_shell;
  Document& doc() { return m_shell->doc; }
  MainWindow& frame() { return *m_shell->frame; }
  NavigationTree* tree() { return frame().treeView(); }

  void selectAnyItem(std::mt19937& rng) {
    std::vector<QTreeWidgetItem*> items;
    for (QTreeWidgetItemIterator it(tree()); *it; ++it) items.push_back(*it);
    tree()->setCurrentItem(items[std::uniform_int_distribution<std::size_t>(0, items.size() - 1)(rng)]);
  }
  void triggerIfEnabled(QAction* action) {
    if (action->isEnabled()) action->trigger();
  }
  void typeIntoCurrentStep(std::mt19937& rng) {
    if (Step* step = doc().currentStep()) {
      Parameter& cell = step->cells[std::uniform_int_distribution<int>(0, Step::kCellCount - 1)(rng)];
      cell.setEnteredValue(std::uniform_int_distribution<int32_t>(-100, 1000)(rng));
    }
  }
  // What a user types into a cell: a number, often beyond the limits, a
  // time, or something that is no number at all.
  static QString anyText(std::mt19937& rng) {
    static const QStringList texts = {"0", "1", "5", "-3", "25", "99.9", "150", "-0", "7:30", "x", ""};
    return texts[std::uniform_int_distribution<int>(0, static_cast<int>(texts.size()) - 1)(rng)];
  }
  // A random editable cell of `model` (the steps table, or the full list as
  // its view shows it), or none.
  static QModelIndex anyEditableCell(QAbstractItemModel* model, std::mt19937& rng) {
    std::vector<QModelIndex> editable;
    std::vector<QModelIndex> parents{QModelIndex()};
    while (!parents.empty()) {
      const QModelIndex parent = parents.back();
      parents.pop_back();
      for (int r = 0; r < model->rowCount(parent); ++r)
        for (int c = 0; c < model->columnCount(parent); ++c) {
          const QModelIndex i = model->index(r, c, parent);
          if (model->flags(i) & Qt::ItemIsEditable) editable.push_back(i);
          if (c == 0 && model->hasChildren(i)) parents.push_back(i);
        }
    }
    if (editable.empty()) return {};
    return editable[std::uniform_int_distribution<std::size_t>(0, editable.size() - 1)(rng)];
  }
  // Types into a cell as its editor would store it.
  void typeIntoCell(QAbstractItemModel* model, std::mt19937& rng) {
    if (const QModelIndex at = anyEditableCell(model, rng); at.isValid())
      model->setData(at, anyText(rng), Qt::EditRole);
  }
  // Opens a cell's editor and leaves it open while the walk goes on.
  void openEditor(QAbstractItemView* view, std::mt19937& rng) {
    if (const QModelIndex at = anyEditableCell(view->model(), rng); at.isValid()) {
      view->setCurrentIndex(at);
      view->edit(at);
    }
  }
  // Types into whatever line edit has the focus and presses Enter.
  void typeIntoFocus(std::mt19937& rng) {
    if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget())) {
      edit->setText(anyText(rng));
      QTest::keyClick(edit, Qt::Key_Return);
    }
  }
  void choosePartition(std::mt19937& rng) {
    Parameter& o10 = doc().deviceData()->general.base[BaseParameters::O10];
    o10.setEnteredValue(std::uniform_int_distribution<int32_t>(o10.minValue(), o10.maxValue())(rng));
  }

  // The tree, the steps table and the full list read as ones made anew.
  void checkAgainstFreshViews() {
    const QStringList told = treeTexts(tree());
    tree()->rebuild();
    QCOMPARE(treeTexts(tree()), told);
    StepsTableModel* table = frame().tableView()->stepsPage()->model();
    StepsTableModel freshTable(doc());
    freshTable.setProgram(table->program());
    QCOMPARE(modelTexts(*table), modelTexts(freshTable));
    const FullListModel freshList(doc());
    QCOMPARE(modelTexts(*frame().listView()->model()), modelTexts(freshList));
  }

  // Nothing the document or the tree points at is gone.
  void checkAgreement(int action) {
    const DeviceData& data = *doc().deviceData();
    const Program* program = doc().currentProgram();
    const Step* step = doc().currentStep();
    QVERIFY2(!program || data.programIndexOf(program) >= 0, qPrintable(QString::number(action)));
    // The current step may be another program's (a program's groups leave it).
    const auto holdsStep = [&] {
      return std::ranges::any_of(data.programs, [step](const Program& p) { return p.stepIndexOf(step) >= 0; });
    };
    QVERIFY2(!step || holdsStep(), qPrintable(QString::number(action)));
    const std::optional<NavigationItem>& selected = doc().selection();
    QVERIFY2(!selected || !selected->group || doc().holds(selected->group), qPrintable(QString::number(action)));
  }

 private slots:
  void init() {
    guitest::MessageLog::clear();
    guitest::MessageLog::answer() = messages::Answer::Yes;  // a new partition goes ahead
    m_shell = std::make_unique<guitest::Shell>();
  }
  void cleanup() { m_shell.reset(); }

  void theViewsAgreeWithTheDocumentAfterEveryAction() {
    for (const unsigned seed : {1u, 2u, 3u}) {
      cleanup();
      init();
      std::mt19937 rng(seed);
      for (int p = 0; p < 3; ++p) doc().setStepCount(*doc().deviceData()->programAt(p), 4);
      QCoreApplication::processEvents();
      DocumentActions& commands = frame().documentActions();
      const MainWindow::Actions& window = frame().actions();
      const std::vector<std::function<void()>> actions = {
          [&] { selectAnyItem(rng); },
          [&] { selectAnyItem(rng); },
          [&] { triggerIfEnabled(commands.addStepLast); },
          [&] { triggerIfEnabled(commands.addStepLast); },
          [&] { triggerIfEnabled(commands.addStepAfter); },
          [&] { triggerIfEnabled(commands.addStepAfter); },
          [&] { triggerIfEnabled(commands.addStepBefore); },
          [&] { triggerIfEnabled(commands.deleteStep); },
          [&] { triggerIfEnabled(commands.toggleCycleStart); },
          [&] { triggerIfEnabled(commands.copyStep); },
          [&] { triggerIfEnabled(commands.cutStep); },
          [&] { triggerIfEnabled(commands.pasteStepAfter); },
          [&] { triggerIfEnabled(commands.pasteStepsAtEnd); },
          [&] { triggerIfEnabled(commands.pasteStepsAtEnd); },
          [&] { window.undo->trigger(); },
          [&] { window.undo->trigger(); },
          [&] { window.redo->trigger(); },
          [&] { typeIntoCurrentStep(rng); },
          [&] { typeIntoCell(frame().tableView()->stepsPage()->model(), rng); },
          [&] { typeIntoCell(frame().listView()->view()->model(), rng); },
          [&] { openEditor(frame().tableView()->stepsPage()->table(), rng); },
          [&] { openEditor(frame().listView()->view(), rng); },
          [&] { typeIntoFocus(rng); },
          [&] { choosePartition(rng); },
          [&] { window.dialogMode->trigger(); },
          [&] { window.tableMode->trigger(); },
          [&] { window.listMode->trigger(); },
      };
      std::uniform_int_distribution<std::size_t> pick(0, actions.size() - 1);
      for (int i = 0; i < 400; ++i) {
        const std::size_t action = pick(rng);
        actions[action]();
        QCoreApplication::processEvents();
        checkAgreement(static_cast<int>(action));
        if (QTest::currentTestFailed()) return;
        if (i % 25 == 24) checkAgainstFreshViews();
      }
    }
  }
};

TKV88_GUI_SUITE(RandomEditsTest);
#include "RandomEditsTest.moc"
