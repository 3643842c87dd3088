// What every parameter form and dialog page shares: the data exchange in both
// directions (commitForm, refreshForm), the events that commit, the commit
// after a spin step and the keys a page ignores. GroupForm (a form of the right pane) and FormPage (a page
// embedded in a form or in the table mode) are the two widgets built on it.
//
// Forms keep no copies of values: between exchanges the controls may hold
// uncommitted text, which the commit triggers write or a refresh drops.
// User-interface thread only.
#pragma once

#include <functional>

class SpinButton;
class DataExchange;
class QAbstractButton;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QObject;
class QWidget;

class FormCore {
 public:
  FormCore(const FormCore&) = delete;
  FormCore& operator=(const FormCore&) = delete;

  // Reads every control into its parameter, in the form's order; false when
  // a check failed (the message has been shown and the focus put into the
  // control). Nothing happens while the form is bound to no group, or while
  // a commit of the same form is still running (a message box is open).
  virtual bool commitForm();
  // Writes every parameter into its control.
  virtual void refreshForm();

  // The commit after a spin step, run once the step's event has finished,
  // so it reads the number the spin has just written; consecutive clicks
  // that change one field make one undo step.
  void commitSpinStep();

  // True: every spin step has commitSpinStep run after it.
  bool commitOnSpin = true;

 protected:
  explicit FormCore(QWidget* self);
  virtual ~FormCore();

  // The form's controls in their fixed order; the form checks its group.
  virtual void exchange(DataExchange& dx) = 0;

  // Commit triggers. Each control's handler runs on its event; by default it
  // commits the form. An edit also commits on Enter and restores the shown
  // value from the parameters on Escape, so a refused value never traps the
  // user.
  using Handler = std::function<void()>;
  void onLeave(QWidget* control, Handler handler = {});  // the control loses the focus
  // Enter runs `handler` and Escape restores the shown values, for an edit
  // that handles its own focus loss (the masked duration).
  void onKeys(QLineEdit* edit, Handler enter);
  void onSelect(QComboBox* list, Handler handler = {});  // the user changes its selection
  void onClick(QAbstractButton* button, Handler handler = {});
  void onClick(QButtonGroup* group, Handler handler = {});
  // Every step has the commit run after it (commitOnSpin); `handler` (optional) then
  // handles the step itself, for spins that do not write their edit.
  void onSpin(SpinButton* spin, std::function<void(int delta)> handler = {});

  QWidget* formWidget() const { return m_self; }

 private:
  class Events;
  QWidget* m_self;
  Events* m_events;
  bool m_committing = false;
};
