// The help window: the program's short manual, shipped in its resources,
// opened at the topic of a help context number (help::kTopicOverview ...).
// One window for the process, created on first use, parentless so it stays
// usable beside modal dialogs, and kept (hidden when closed) for reuse.
// User-interface thread only.
#pragma once

#include <QWidget>

class QTextBrowser;

class HelpWindow : public QWidget {
  Q_OBJECT

 public:
  // The process's help window, created on first use.
  static HelpWindow& instance();
  // Shows the window, raised, at the topic of the context number; an
  // unknown number opens the manual at its start.
  void showTopic(int context);
  // The topic last asked for.
  int topic() const { return m_topic; }
  QTextBrowser* browser() const { return m_browser; }

 private:
  HelpWindow();

  QTextBrowser* m_browser;
  int m_topic = 0;
};
