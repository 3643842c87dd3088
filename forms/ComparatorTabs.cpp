#include "forms/ComparatorTabs.h"

#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include "forms/ComparatorPage.h"
#include "model/Program.h"

ComparatorTabs::ComparatorTabs(QWidget* parent) : QWidget(parent), m_tabs(new QTabWidget(this)) {
  setObjectName(QStringLiteral("comparatorTabs"));
  m_tabs->setObjectName(QStringLiteral("comparatorTabBar"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_tabs);
  for (int i = 0; i < Program::kComparatorCount; ++i) {
    m_pages[i] = new ComparatorPage;
    m_pages[i]->setObjectName(QStringLiteral("comparator%1").arg(i + 1));
    // A page scrolls when the tab is smaller than it.
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(m_pages[i]);
    m_tabs->addTab(scroll, QStringLiteral("Компаратор %1").arg(i + 1));
  }
}

void ComparatorTabs::bindProgram(Program* program) {
  m_program = program;
  for (int i = 0; i < Program::kComparatorCount; ++i)
    m_pages[i]->bindComparator(program ? &program->comparators[i] : nullptr);
}

void ComparatorTabs::refreshForm() {
  for (ComparatorPage* page : m_pages) page->refreshForm();
}

bool ComparatorTabs::commitForm() {
  ComparatorPage* page = currentPage();
  return !page || page->commitForm();
}

ComparatorPage* ComparatorTabs::currentPage() const {
  const int i = m_tabs->currentIndex();
  return i >= 0 && i < Program::kComparatorCount ? m_pages[i] : nullptr;
}
