// The navigation tree of the dialog mode: the programs of level L1 with their
// comparators and steps, and the general parameter groups of level L2.
// Selecting an item makes it the document's selection (and sets its current
// program and step), after which the right pane shows the item's form or
// page. A right click offers the editing commands of the item's kind.
//
// The tree owns its NavigationItem records and rebuilds itself completely from the
// document whenever the document refreshes it, then restores the selection
// onto the same model object (compared as a pointer, never followed).
// Registered with the document as its treeView. User-interface thread only.
#pragma once

#include <list>

#include <QTreeWidget>

#include "document/DocumentView.h"
#include "document/NavigationItem.h"

class Document;
class DocumentActions;
class QAction;
class QMenu;

class NavigationTree : public QTreeWidget, public DocumentView {
  Q_OBJECT

 public:
  // levelMask: bit 0 shows level L1, bit 1 level L2.
  // The context menus offer `documentActions`.
  NavigationTree(Document& doc, DocumentActions& documentActions, int levelMask, QWidget* parent = nullptr);
  ~NavigationTree() override;

  // The document changed: rebuild and restore the selection.
  void documentChanged() override;
  void rebuild();

  // Selects the first item in tree order that shows `group`, expanding it
  // when asked. False (nothing changed) for no group or no match.
  bool selectGroup(GroupRef group, bool expand);
  // The first item at or below `start` (below the invisible root when
  // `start` is nullptr) that shows `group`, depth first; or nullptr.
  QTreeWidgetItem* findGroup(GroupRef group, QTreeWidgetItem* start = nullptr) const;

  // The record behind an item.
  static NavigationItem* record(const QTreeWidgetItem* item);
  // The context menu of the selected item's kind, or nullptr when the kind
  // has none. It holds the document's shared actions (DocumentActions), up
  // to date; the caller owns the menu, not the actions.
  QMenu* createContextMenu(QWidget* parent);
  bool ready() const { return m_ready; }

  // The item texts (UTF-16), as the tree shows them.
  static QString programText(int number, const QString& name);
  static QString stepText(int number, bool cycleStart);

 public slots:
  // The window's clipboard keys while the tree has the focus: a selected
  // step is copied, cut or pasted after (as steps), a selected program
  // copied or pasted over (as a program); other items take nothing.
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
                           int programNumber, int subIndex, GroupRef group);
  void onCurrentItemChanged(QTreeWidgetItem* current);
  // Triggers the action for the selected item's kind, if it has one.
  void triggerFor(QAction* onStep, QAction* onProgram);
  // The item whose row holds the viewport point (also in the space to the
  // right of its text), or nullptr below the last item.
  QTreeWidgetItem* rowAt(const QPoint& pos) const;

  Document& m_doc;
  DocumentActions& m_documentActions;
  int m_levelMask;
  std::list<NavigationItem> m_records;  // stable addresses for the items' pointers
  bool m_ready = false;
};
