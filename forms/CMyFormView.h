// Base of every parameter form of the right pane. A form shows one parameter
// group of the document's configuration in ordinary controls and keeps no
// copies of values: the group's cells are the only store, read by
// refreshForm and written by commitForm.
//
// The right pane creates each form once, owns it, binds it to the selected
// group with bindGroup before showing it and with none when it is left, and
// runs initialUpdate on every switch to it. The group belongs to the
// document. User-interface thread only.
#pragma once

#include <QScrollArea>

class CMyFormView : public QScrollArea {
  Q_OBJECT

 public:
  // templateId names the form's layout (the dialog template it stands for).
  explicit CMyFormView(int templateId, QWidget* parent = nullptr);

  int templateId() const { return m_templateId; }

  // Attaches the form to a group of the document (its type is the form's
  // own), or detaches it with nullptr; then refreshes the controls.
  virtual void bindGroup(void* group);
  // Run by the right pane on every switch to the form: refreshes the
  // controls, then sets spin ranges and rebuilds lists.
  virtual void initialUpdate();
  // Reads every control into its parameter; false when a check failed (the
  // message has been shown and the focus put into the control).
  virtual bool commitForm();
  // Writes every parameter into its control.
  virtual void refreshForm();

  // Commands that reach the form: CommandId::CommitForm and
  // CommandId::HelpPage. True when the form handled the command.
  virtual bool onCommand(int command);
  // Posts a command to the form, handled after the current event has
  // finished: a spin step posts CommitForm so the commit reads the new number.
  void postCommand(int command);

  // True: a spin step posts CommitForm.
  bool postCommitOnSpin = true;

 protected:
  // The white page the derived form lays its controls on.
  QWidget* page() const { return m_page; }
  // Call from a spin box's step: posts the commit when postCommitOnSpin.
  void spinStepped();

 private:
  int m_templateId;
  QWidget* m_page;
};
