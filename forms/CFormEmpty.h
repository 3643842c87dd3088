// A form without controls: shown for a parameter group whose own form is not
// built yet. It binds to nothing and commits nothing.
#pragma once

#include "forms/CMyFormView.h"

class CFormEmpty : public CMyFormView {
  Q_OBJECT

 public:
  CFormEmpty(int kind, QWidget* parent = nullptr);
};
