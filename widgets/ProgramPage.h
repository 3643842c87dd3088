// The right pane's page for a program: its name (and where a restored name
// came from), its steps against what the memory partition allows, its cycle
// start, how long one pass and one loop of the cycle last, and its profile
// chart, with the explanatory text of programs below. The pane puts the
// program's commands (rename, add a step, copy, paste) in its button bar
// under the page.
//
// The page follows the document's notices while it shows a program and lets
// go of one that is gone; the pane gives it the selected program on every
// switch. User-interface thread only; the document outlives the page.
#pragma once

#include <QWidget>

class Document;
class GroupInfoPage;
class ProfileChart;
class Program;
class QLabel;

class ProgramPage : public QWidget {
  Q_OBJECT

 public:
  explicit ProgramPage(Document& doc, QWidget* parent = nullptr);

  // Shows `program` (none empties the page) and reloads the explanatory text.
  void showProgram(Program* program);
  Program* program() const { return m_program; }

  QLabel* title() const { return m_title; }
  // The summary's value for "steps", "cycleStart", "duration", "loop" and
  // "nameRecord" (its object name is "program" and the key capitalised).
  QLabel* value(const char* key) const;
  ProfileChart* chart() const { return m_chart; }

 private:
  void refresh();

  Document& m_doc;
  Program* m_program = nullptr;
  QLabel* m_title;
  QLabel* m_steps;
  QLabel* m_cycleStart;
  QLabel* m_duration;
  QLabel* m_loop;
  QLabel* m_nameRecord;
  ProfileChart* m_chart;
  GroupInfoPage* m_info;
};
