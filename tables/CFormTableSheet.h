// The table-mode view: all steps of the current program side by side and its
// comparators. The main frame creates it hidden, registers it with the
// document as its table view and shows it in the table mode; the frame owns
// the widget. For now it is an empty page that the table mode will fill.
// User-interface thread only.
#pragma once

#include <QWidget>

#include "document/DocumentView.h"

class CTkv88_3Doc;

class CFormTableSheet : public QWidget, public DocumentView {
  Q_OBJECT

 public:
  CFormTableSheet(CTkv88_3Doc& doc, QWidget* parent = nullptr);

  void documentChanged() override;
  // Commands the frame routes to the table mode (CommandId::TableNext,
  // TablePrevious); true when handled.
  bool onCommand(int command);

 private:
  CTkv88_3Doc& m_doc;
};
