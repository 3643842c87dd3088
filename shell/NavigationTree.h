// The navigation tree of the dialog mode: the programs of level L1 with their
// comparators and steps, and the general parameter groups of level L2.
// Selecting an item makes it the document's selection (and sets its current
// program and step), after which the right pane shows the item's form or
// page. A right click offers the editing commands of the item's kind.
//
// Each item keeps its NavigationItem record. The tree follows the document's
// notices and changes only what a change concerns: a program's step items
// (kept where their steps remain), a program's text (its name, steps and
// duration: a value of its own changed), the texts of every program after
// values came back or a regulator was switched; the program part is made anew when the
// program list changed, the whole tree for a new configuration. Branches stay
// open or closed as they were; the current item is the document's selection.
// User-interface thread only.
#pragma once

#include <map>
#include <tuple>

#include <QTreeWidget>

#include "document/NavigationItem.h"

class Document;
class DocumentActions;
class GeneralParameters;
class Program;
class Parameter;
class QAction;
class QMenu;

class NavigationTree : public QTreeWidget {
  Q_OBJECT

 public:
  // levelMask: bit 0 shows level L1, bit 1 level L2.
  // The context menus offer `documentActions`.
  NavigationTree(Document& doc, DocumentActions& documentActions, int levelMask, QWidget* parent = nullptr);
  ~NavigationTree() override;

  // Makes every item anew from the document, keeping the open branches and
  // the selection where they still exist.
  void rebuild();

  // Selects the first item in tree order that shows `group`, as a click
  // does, expanding it when asked. False (nothing changed) for no group or
  // no match.
  bool selectGroup(GroupRef group, bool expand);
  // The first item at or below `start` (below the invisible root when
  // `start` is nullptr) that shows `group`, depth first; or nullptr.
  QTreeWidgetItem* findGroup(GroupRef group, QTreeWidgetItem* start = nullptr) const;

  // The record behind an item (nullptr for none or an item of another kind).
  static NavigationItem* record(QTreeWidgetItem* item);
  static const NavigationItem* record(const QTreeWidgetItem* item);
  // The context menu of the selected item's kind, or nullptr when the kind
  // has none. It holds the document's shared actions (DocumentActions), up
  // to date; the caller owns the menu, not the actions.
  QMenu* createContextMenu(QWidget* parent);
  bool ready() const { return m_ready; }

  // The item texts (UTF-16), as the tree shows them: "Программа №1
  // «Сушка»" names a program wherever a view names it; its tree item adds
  // the steps and one pass's duration ("… — 5 шагов, 12:30"), and a name
  // that came back after a read says so in its tooltip.
  static QString programText(int number, const QString& name);
  static QString programItemText(int number, const Program& program, const GeneralParameters& general);
  static QString stepText(int number, bool cycleStart);

 public slots:
  // The window's clipboard keys while the tree has the focus: a selected
  // step is copied, cut or pasted after (as steps), a selected program
  // copied or pasted over (as a program), and a program's steps item takes
  // steps after its last; other items take nothing.
  void copy();
  void cut();
  void paste();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;

 private:
  QTreeWidgetItem* addItem(QTreeWidgetItem* parent, const QString& text, NavigationKind kind,
                           int programNumber, int subIndex, GroupRef group, int position = -1);
  // The items of the programs under the L1 root, and of their comparators and steps.
  void addPrograms(QTreeWidgetItem* root);
  // The program part made anew (the program list changed).
  void rebuildPrograms();
  // The step items of `program` brought in line with its steps.
  void updateSteps(const Program* program);
  // Texts of the program item and its steps (names, numbers, cycle start).
  void updateTexts(QTreeWidgetItem* programItem);
  void updateAllTexts();
  void onCellChanged(const Parameter* cell);
  // The item of a program, or nullptr.
  QTreeWidgetItem* programItem(const Program* program) const;
  QTreeWidgetItem* l1Root() const;
  // Which branches are open, by kind and place, so they can be put back on
  // items made anew.
  using OpenKey = std::tuple<int, int, int>;
  std::map<OpenKey, bool> openBranches() const;
  void reopen(const std::map<OpenKey, bool>& open, QTreeWidgetItem* item);
  // The item that shows `wanted`, or nullptr.
  QTreeWidgetItem* itemOf(const NavigationItem& wanted) const;
  // Makes the document's selection the current item.
  void followSelection();
  void onCurrentItemChanged(QTreeWidgetItem* current);
  // Triggers the action for the selected item's kind, if it has one.
  void triggerFor(QAction* onStep, QAction* onProgram, QAction* onSteps = nullptr);
  // The item whose row holds the viewport point (also in the space to the
  // right of its text), or nullptr below the last item.
  QTreeWidgetItem* rowAt(const QPoint& pos) const;

  Document& m_doc;
  DocumentActions& m_documentActions;
  int m_levelMask;
  bool m_ready = false;
  bool m_following = false;  // the current item moves with the document's selection
};
