#include "forms/CFormEmpty.h"

#include <QLabel>
#include <QVBoxLayout>

CFormEmpty::CFormEmpty(int kind, QWidget* parent) : CMyFormView(kind, parent) {
  auto* layout = new QVBoxLayout(page());
  auto* note = new QLabel(QStringLiteral("Форма этой группы параметров ещё не реализована."), page());
  note->setAlignment(Qt::AlignCenter);
  note->setStyleSheet(QStringLiteral("color: gray;"));
  layout->addWidget(note);
}
