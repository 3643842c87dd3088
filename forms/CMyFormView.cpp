#include "forms/CMyFormView.h"

#include <QPalette>

#include "document/CommandIds.h"
#include "widgets/HelpRequest.h"

CMyFormView::CMyFormView(int templateId, QWidget* parent)
    : QScrollArea(parent), m_templateId(templateId), m_page(new QWidget) {
  setAccessibleName(QStringLiteral("Форма параметров"));
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(true);
  // Forms are white pages; static texts take the same background.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setAutoFillBackground(true);
  m_page->setPalette(pal);
  m_page->setAutoFillBackground(true);
  setWidget(m_page);
}

void CMyFormView::bindGroup(void*) {}

void CMyFormView::initialUpdate() { refreshForm(); }

bool CMyFormView::commitForm() { return true; }

void CMyFormView::refreshForm() {}

bool CMyFormView::onCommand(int command) {
  switch (command) {
    case CommandId::CommitForm:
      commitForm();
      return true;
    case CommandId::HelpPage:
      help::show(help::kTopicEditing);
      return true;
    default:
      return false;
  }
}

void CMyFormView::postCommand(int command) {
  QMetaObject::invokeMethod(
      this, [this, command] { onCommand(command); }, Qt::QueuedConnection);
}

void CMyFormView::spinStepped() {
  if (postCommitOnSpin) postCommand(CommandId::CommitForm);
}
