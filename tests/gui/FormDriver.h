// Driving the parameter forms as a user does: the shell with one group
// selected in the tree, controls found by their names ("stepDuration"),
// typing into an edit and leaving it, clicking spin arrows. Shared by the
// form suites.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "GuiTest.h"
#include "forms/GroupForm.h"
#include "shell/GroupPane.h"
#include "shell/NavigationTree.h"
#include "widgets/SpinButton.h"

namespace guitest {

struct FormDriver {
  std::unique_ptr<Shell> shell = std::make_unique<Shell>();

  FormDriver() {
    MessageLog::clear();
    shell->frame->activateWindow();
    (void)QTest::qWaitForWindowActive(shell->frame.get());  // offscreen windows may never become active
  }
  Document& doc() { return shell->doc; }
  DeviceData& data() { return *doc().deviceData(); }
  GeneralParameters& general() { return data().general; }
  NavigationTree* tree() { return shell->frame->treeView(); }
  GroupPane* pane() { return shell->frame->groupPane(); }
  GroupForm* form() { return qobject_cast<GroupForm*>(pane()->activeView()); }

  // Selects the tree item of a group; the pane shows its form.
  GroupForm* open(GroupRef group) {
    if (!tree()->selectGroup(group, false)) return nullptr;
    return form();
  }

  // A control of the shown view by its name.
  template <typename T = QWidget>
  T* control(const char* name) {
    return pane()->activeView()->findChild<T*>(name);
  }
  QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
  QComboBox* list(const char* name) { return control<QComboBox>(name); }
  QAbstractButton* button(const char* name) { return control<QAbstractButton>(name); }
  SpinButton* spin(const char* name) { return control<SpinButton>(name); }

  // Types `text` over the edit's content and moves the focus to the tree,
  // as a click there would.
  void type(QLineEdit* e, const QString& text) {
    e->setFocus();
    e->selectAll();
    QTest::keyClicks(e, text);
    tree()->setFocus();
  }
  // The user picks list entry `index`.
  void choose(QComboBox* l, int index) {
    l->setFocus();
    l->setCurrentIndex(index);
    emit l->activated(index);
  }
  // One click on a spin's upper (+1) or lower (-1) arrow; posted commits run.
  void click(SpinButton* s, int direction) {
    const QPoint at(s->width() / 2, direction > 0 ? s->height() / 4 : s->height() * 3 / 4);
    QTest::mouseClick(s, Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
  }
  // The texts of the messages shown since the last call.
  QStringList messages() {
    QStringList texts;
    for (const messages::Shown& m : MessageLog::shown()) texts << m.text;
    MessageLog::shown().clear();
    return texts;
  }
};

}  // namespace guitest
