#include "forms/CFormEmpty.h"

CFormEmpty::CFormEmpty(int kind, QWidget* parent) : CMyFormView(kind, parent) {}
