// The explanatory page of the right pane for the tree's roots and group items
// (the two levels, a program, its comparators, its steps, the PID
// regulators), named after its page ("stepsInfoPage"). One instance per
// tree kind that shows a page; the right pane
// creates them hidden and owns them. The pages are static HTML from the
// program's resources and reflect nothing of the configuration.
// User-interface thread only.
#pragma once

#include <optional>

#include <QTextBrowser>

#include "document/NavigationItem.h"
#include "resources/ResourcePaths.h"

class GroupInfoPage : public QTextBrowser {
  Q_OBJECT

 public:
  explicit GroupInfoPage(InfoPage page, QWidget* parent = nullptr);

  // The page for a tree item kind; nothing for the kinds that have a form.
  static std::optional<InfoPage> pageForKind(NavigationKind kind);

  // Run on every switch of the right pane to this view: loads the page
  // anew, at its start.
  void initialUpdate();
  InfoPage page() const { return m_page; }

 private:
  InfoPage m_page;
};
