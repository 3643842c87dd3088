#include "tables/CFormTableSheet.h"

#include "tables/EmptyPage.h"

CFormTableSheet::CFormTableSheet(CTkv88_3Doc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
  setUpEmptyPage(this, QStringLiteral("Табличный вид ещё не реализован."));
}

void CFormTableSheet::documentChanged() {}

bool CFormTableSheet::onCommand(int) { return false; }
