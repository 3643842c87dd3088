#include "tables/EmptyPage.h"

#include <QLabel>
#include <QVBoxLayout>

void setUpEmptyPage(QWidget* page, const QString& note) {
  QPalette pal = page->palette();
  pal.setColor(QPalette::Window, Qt::white);
  page->setPalette(pal);
  page->setAutoFillBackground(true);
  auto* layout = new QVBoxLayout(page);
  auto* label = new QLabel(note, page);
  label->setAlignment(Qt::AlignCenter);
  label->setStyleSheet(QStringLiteral("color: gray;"));
  layout->addWidget(label);
}
