// Base of every parameter form of the right pane: a scrollable white page
// that shows one parameter group of the document's configuration in
// ordinary controls and keeps no copies of values: the group's cells are the
// only store, read by refreshForm and written by commitForm (FormCore).
//
// The right pane creates each form once, owns it, binds it to the selected
// group with bindGroup before showing it and with none when it is left, and
// runs initialUpdate on every switch to it. The group belongs to the
// document. User-interface thread only.
#pragma once

#include <QScrollArea>

#include "document/GroupRef.h"
#include "forms/FormCore.h"

class GroupForm : public QScrollArea, public FormCore {
  Q_OBJECT

 public:
  explicit GroupForm(QWidget* parent = nullptr);

  // Attaches the form to a group of the document, or detaches it with none;
  // then refreshes the controls. Forms keep their typed pointer (none when
  // the group is not of their type) and call this base.
  virtual void bindGroup(GroupRef group);
  GroupRef boundGroup() const { return m_boundGroup; }
  // Run by the right pane on every switch to the form: refreshes the
  // controls, then sets spin ranges and rebuilds lists.
  virtual void initialUpdate();

 protected:
  // The white page the derived form lays its controls on.
  QWidget* page() const { return m_page; }
  void exchange(DataExchange&) override {}
  // Enter and Escape stop here: they never reach the main window.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* m_page;
  GroupRef m_boundGroup;
};
