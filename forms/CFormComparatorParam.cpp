#include "forms/CFormComparatorParam.h"

#include <QVBoxLayout>

#include "document/CommandIds.h"
#include "forms/CDlgComparator.h"
#include "model/Comparator.h"

CFormComparatorParam::CFormComparatorParam(QWidget* parent)
    : CMyFormView(kTemplateId, parent), m_page(new CDlgComparator(page())) {
  auto* layout = new QVBoxLayout(page());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_page);
}

void CFormComparatorParam::bindGroup(void* group) {
  CMyFormView::bindGroup(group);
  m_page->bindComparator(static_cast<Comparator*>(group));
}

bool CFormComparatorParam::commitForm() { return m_page->commitForm(); }

void CFormComparatorParam::refreshForm() { m_page->refreshForm(); }

bool CFormComparatorParam::onCommand(int command) {
  return command == CommandId::HelpPage || command == CommandId::CommitForm ? m_page->onCommand(command)
                                                                            : CMyFormView::onCommand(command);
}
