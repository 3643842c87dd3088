#include "forms/FormPage.h"

#include <QEvent>
#include <QKeyEvent>

#include "forms/GroupForm.h"

FormPage::FormPage(QWidget* parent) : QWidget(parent), FormCore(this) { followHost(); }

void FormPage::keyPressEvent(QKeyEvent* event) {
  // A page has no OK or Cancel: the keys stop here, so no dialog around it
  // closes.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void FormPage::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ParentChange) followHost();
  QWidget::changeEvent(event);
}

void FormPage::followHost() {
  bool inForm = false;
  for (QWidget* w = parentWidget(); w && !inForm; w = w->parentWidget())
    inForm = qobject_cast<GroupForm*>(w) != nullptr;
  QPalette pal;  // nothing set: the host's colours
  if (inForm) pal.setColor(QPalette::Window, Qt::white);
  setPalette(pal);
  setAutoFillBackground(inForm);
}
