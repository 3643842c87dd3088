// The help window: the program's short manual, shipped in its resources,
// opened at a topic (HelpTopic::Overview ...).
// One window for the process, created on first use, parentless so it stays
// usable beside modal dialogs, and kept (hidden when closed) for reuse.
// User-interface thread only.
#pragma once

#include <optional>

#include <QWidget>

#include "resources/ResourcePaths.h"

class QTextBrowser;

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // The process's help window, created on first use.
  static HelpWindow& instance();
  // Shows the window, raised, at the topic.
  void showTopic(HelpTopic topic);
  // The topic last asked for, if any.
  std::optional<HelpTopic> topic() const { return m_topic; }
  QTextBrowser* browser() const { return m_browser; }

 private:
  HelpWindow();

  QTextBrowser* m_browser;
  std::optional<HelpTopic> m_topic;
};
