// The explanatory page of the right pane for the tree's roots and group items
// (the two levels, a program, its comparators, its steps, the PID
// regulators). One instance per tree kind that shows a page; the right pane
// creates them hidden and owns them. The pages are static HTML from the
// program's resources and reflect nothing of the configuration.
// User-interface thread only.
#pragma once

#include <QTextBrowser>

class GroupInfoPage : public QTextBrowser {
  Q_OBJECT

 public:
  explicit GroupInfoPage(QWidget* parent = nullptr);

  // The resource id (529..534) of the page for a tree item kind, or 0.
  static int pageForKind(int kind);

  // Run on every switch of the right pane to this view: loads the page of the
  // kind anew; for a kind without a page the view keeps what it showed.
  void initialUpdate(int kind);
  // The resource id of the page shown, or 0 before the first load.
  int pageId() const { return m_pageId; }

 private:
  int m_pageId = 0;
};
