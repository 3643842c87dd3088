// The modal dialog of the rename command: "Переименование", the label "Новое
// имя" over an edit wide enough for a whole program name, "OK" and
// "Отмена". The edit takes at most 63 characters, what a program keeps; a
// longer text is refused with the framework's message and the dialog stays
// open. Characters that Windows-1251 has no form for are not taken. The
// caller sets the name, runs the dialog and reads the name back after OK.
// User-interface thread only.
#pragma once

#include <QDialog>

class QLineEdit;

class RenameProgramDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMaxChars = 63;

  explicit RenameProgramDialog(QWidget* parent = nullptr);

  void setName(const QString& name);
  QString name() const;
  QLineEdit* nameEdit() const { return m_edit; }

  // OK: refused while the name is longer than kMaxChars.
  void accept() override;

 private:
  QLineEdit* m_edit;
};
