#include "forms/GroupForm.h"

#include <QKeyEvent>
#include <QPalette>

GroupForm::GroupForm(QWidget* parent) : QScrollArea(parent), FormCore(this), m_page(new QWidget) {
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

void GroupForm::bindGroup(GroupRef group) {
  m_boundGroup = group;
  refreshForm();
}

void GroupForm::initialUpdate() { refreshForm(); }

void GroupForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QScrollArea::keyPressEvent(event);
}
