// The full-list view: every parameter of the configuration in one list with
// its code, description and value. The main frame creates it hidden,
// registers it with the document as its list view and shows it in the
// full-list mode; the frame owns the widget. For now it is an empty page that
// the full-list mode will fill. User-interface thread only.
#pragma once

#include <QWidget>

#include "document/DocumentView.h"

class CTkv88_3Doc;

class CFormListMode : public QWidget, public DocumentView {
  Q_OBJECT

 public:
  CFormListMode(CTkv88_3Doc& doc, QWidget* parent = nullptr);

  void documentChanged() override;

 private:
  CTkv88_3Doc& m_doc;
};
