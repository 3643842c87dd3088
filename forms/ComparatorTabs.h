// The four comparators of one program as four tabs "Компаратор 1" ..
// "Компаратор 4", each a comparator page ("comparator1" ...). The table mode
// shows it as its comparators page.
//
// Use: create it once, then bindProgram(doc.currentProgram()) whenever the
// program shown changes or the document refreshes the view (the pages then
// show the program's comparators anew); bindProgram(nullptr) detaches the
// pages before the program may go away. commitForm writes what the shown
// page holds (its text not yet committed by leaving a control). The widget
// owns its pages; the program belongs to the document. Enter and Escape in a
// page close nothing. User-interface thread only.
#pragma once

#include <QWidget>

class ComparatorPage;
class Program;
class QTabWidget;

class ComparatorTabs : public QWidget {
  Q_OBJECT

 public:
  explicit ComparatorTabs(QWidget* parent = nullptr);

  // Binds the four pages to the program's comparators (nullptr: to none).
  void bindProgram(Program* program);
  Program* program() const { return m_program; }
  // The pages show their comparators' values again.
  void refreshForm();
  // Commits the shown page; false when a check refused its text.
  bool commitForm();

  // Page i (0..3), the one shown, and the tab control.
  ComparatorPage* page(int i) const { return m_pages[i]; }
  ComparatorPage* currentPage() const;
  QTabWidget* tabs() const { return m_tabs; }

 private:
  Program* m_program = nullptr;
  QTabWidget* m_tabs;
  ComparatorPage* m_pages[4];
};
