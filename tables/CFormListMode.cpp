#include "tables/CFormListMode.h"

#include "tables/EmptyPage.h"

CFormListMode::CFormListMode(CTkv88_3Doc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
  setUpEmptyPage(this, QStringLiteral("Полный список ещё не реализован."));
}

void CFormListMode::documentChanged() {}
