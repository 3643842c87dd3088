// The About box: the application icon, the program's name and version, and
// "OK". Modal, owned by whoever runs it. User-interface thread only.
#pragma once

#include <QDialog>

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};
