// Base of the dialog pages embedded in a form or in the table mode (the
// comparator page): a plain child widget with the data exchange of the
// forms (FormCore). It paints white, like a form, only while a form view
// holds it; in the tabbed comparators and elsewhere it paints as an ordinary
// dialog. Enter and Escape never close or leave it; F6 reaches the main
// window's pane cycling like any other key the page does not use.
//
// The host creates and owns the page. User-interface thread only.
#pragma once

#include <QWidget>

#include "forms/FormCore.h"

class FormPage : public QWidget, public FormCore {
  Q_OBJECT

 public:
  explicit FormPage(QWidget* parent = nullptr);

 protected:
  void exchange(DataExchange&) override {}
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void followHost();
};
