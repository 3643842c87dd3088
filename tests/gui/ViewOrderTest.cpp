// The views follow the document's selection whatever order they were made
// in: for every change that removes the selected step or program, each finds
// its own item for where the document moved the selection, and none meets
// what is gone (the sanitizer build runs this too).
#include <functional>
#include <vector>

#include <QHBoxLayout>
#include <QTest>

#include "GuiTest.h"
#include "forms/GroupForm.h"
#include "shell/GroupPane.h"
#include "shell/NavigationTree.h"
#include "tables/FullListView.h"
#include "tables/TableModeView.h"

namespace {

enum class View { Tree, Pane, Table, List };

// The views of one document, made in the order given, side by side on show.
struct Views {
  QtDocumentHost host;
  Document doc{&host};
  QWidget window;
  DocumentActions actions{doc, &window};
  NavigationTree* tree = nullptr;
  GroupPane* pane = nullptr;
  TableModeView* table = nullptr;

  explicit Views(const std::vector<View>& order) {
    doc.newDocument();
    auto* layout = new QHBoxLayout(&window);
    for (View view : order) {
      switch (view) {
        case View::Tree:
          layout->addWidget(tree = new NavigationTree(doc, actions, levelMask));
          break;
        case View::Pane:
          layout->addWidget(pane = new GroupPane(doc, actions));
          break;
        case View::Table:
          layout->addWidget(table = new TableModeView(doc, actions));
          break;
        case View::List:
          layout->addWidget(new FullListView(doc));
          break;
      }
    }
    window.show();
  }
  Program& last() { return doc.deviceData()->programs.back(); }
};

}  // namespace

class ViewOrderTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    guitest::MessageLog::clear();
    guitest::MessageLog::answer() = messages::Answer::Yes;  // a new partition goes ahead
  }

  void everyViewFollowsWhereTheSelectionWent() {
    const std::vector<std::vector<View>> orders = {{View::Pane, View::Table, View::List, View::Tree},
                                                   {View::Table, View::Tree, View::List, View::Pane},
                                                   {View::List, View::Pane, View::Tree, View::Table}};
    using Base = BaseParameters;
    const struct {
      const char* name;
      std::function<void(Views&)> remove;  // the selected step 2 of the last program goes
    } changes[] = {
        {"a step deleted", [](Views& v) { v.doc.deleteStep(); }},
        {"steps cut", [](Views& v) { v.doc.removeSteps(v.last(), 2, 2); }},
        {"the step count", [](Views& v) { v.doc.setStepCount(v.last(), 1); }},
        {"a program pasted over it", [](Views& v) { v.doc.replaceProgram(v.last(), Program()); }},
        {"an added step undone",
         [](Views& v) {
           v.doc.addStepAfter();
           v.doc.undo();
         }},
        {"a partition that trims programs",
         [](Views& v) { v.doc.deviceData()->general.base[Base::O10].setEnteredValue(3); }},
        {"a partition redone",
         [](Views& v) {
           v.doc.deviceData()->general.base[Base::O10].setEnteredValue(3);
           v.doc.closeUndoStep();
           v.doc.undo();
           v.doc.selectGroup(v.last().stepAt(1));
           v.doc.redo();
         }},
        {"a load", [](Views& v) { v.doc.loadText(v.doc.text()); }},
        {"a new document", [](Views& v) { v.doc.newDocument(); }},
    };
    for (const auto& order : orders) {
      for (const auto& change : changes) {
        Views v(order);
        v.doc.setStepCount(v.last(), 3);
        QVERIFY(v.doc.selectGroup(v.last().stepAt(1)));
        QCoreApplication::processEvents();
        change.remove(v);
        QCoreApplication::processEvents();
        checkViews(v, change.name);
        if (QTest::currentTestFailed()) return;
      }
    }
  }

 private:
  void checkViews(Views& v, const char* change) {
    const std::optional<NavigationItem>& selected = v.doc.selection();
    QVERIFY2(selected && (!selected->group || v.doc.holds(selected->group)), change);
    QVERIFY2(NavigationTree::record(v.tree->currentItem())->sameItem(*selected), change);
    QVERIFY2(v.pane->lastKind() == selected->kind, change);
    auto* form = qobject_cast<GroupForm*>(v.pane->activeView());
    QVERIFY2(!form || form->boundGroup() == selected->group, change);
    QVERIFY2(v.table->program() == v.doc.currentProgram(), change);
  }
};

TKV88_GUI_SUITE(ViewOrderTest);
#include "ViewOrderTest.moc"
