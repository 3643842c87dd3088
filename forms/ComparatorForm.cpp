#include "forms/ComparatorForm.h"

#include <QVBoxLayout>

#include "forms/ComparatorPage.h"
#include "model/Comparator.h"

ComparatorForm::ComparatorForm(QWidget* parent) : GroupForm(parent), m_page(new ComparatorPage(page())) {
  auto* layout = new QVBoxLayout(page());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_page);
}

void ComparatorForm::bindGroup(GroupRef group) {
  // The page first: the base refreshes the page, which must not read a
  // comparator that may be gone by now.
  m_page->bindComparator(group.get<Comparator>());
  GroupForm::bindGroup(group);
}

bool ComparatorForm::commitForm() { return m_page->commitForm(); }

void ComparatorForm::refreshForm() { m_page->refreshForm(); }
