#include "forms/FormCore.h"

#include <map>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include "document/Document.h"
#include "forms/DataExchange.h"
#include "widgets/SpinButton.h"

// The event filter of a form's controls: focus leaving, Enter and Escape.
class FormCore::Events : public QObject {
 public:
  Events(FormCore& core, QObject* parent) : QObject(parent), m_core(core) {}

  // `leave` runs when the control loses the focus, `enter` on Enter in an
  // edit; either may be empty.
  void watch(QWidget* control, Handler leave, Handler enter) {
    m_handlers[control] = {std::move(leave), std::move(enter)};
    control->installEventFilter(this);
    connect(control, &QObject::destroyed, this, [this, control] { m_handlers.erase(control); });
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto it = m_handlers.find(watched);
    if (it == m_handlers.end()) return false;
    if (event->type() == QEvent::FocusOut && it->second.leave) {
      // Also when a menu opens or the window is left: a command chosen
      // there then sees the value the user typed. The control finishes its
      // own focus change first, so a refused value can take the focus back
      // with its text selected.
      const Handler handler = it->second.leave;  // the handler may change the map
      watched->event(event);
      handler();
      return true;
    }
    if (event->type() == QEvent::KeyPress && qobject_cast<QLineEdit*>(watched)) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Escape) {
        m_core.refreshForm();
        return true;
      }
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        const Handler handler = it->second.enter;
        if (handler) handler();
        return true;
      }
    }
    return false;
  }

 private:
  struct Handlers {
    Handler leave, enter;
  };
  FormCore& m_core;
  std::map<QObject*, Handlers> m_handlers;
};

FormCore::FormCore(QWidget* self) : m_self(self), m_events(new Events(*this, self)) {}

FormCore::~FormCore() {
  // No control may reach a form that is being torn down.
  delete m_events;
}

bool FormCore::commitForm() {
  if (m_committing) return false;
  m_committing = true;
  DataExchange dx(DataExchange::Direction::Save, m_self);
  exchange(dx);
  m_committing = false;
  return dx.ok();
}

void FormCore::refreshForm() {
  DataExchange dx(DataExchange::Direction::Load, m_self);
  exchange(dx);
}

void FormCore::commitSpinStep() {
  const Document::SpinClick click;
  commitForm();
}

void FormCore::onLeave(QWidget* control, Handler handler) {
  if (!handler) handler = [this] { commitForm(); };
  Handler enter = handler;
  m_events->watch(control, std::move(handler), std::move(enter));
}

void FormCore::onKeys(QLineEdit* edit, Handler enter) { m_events->watch(edit, {}, std::move(enter)); }

void FormCore::onSelect(QComboBox* list, Handler handler) {
  if (!handler) handler = [this] { commitForm(); };
  QObject::connect(list, &QComboBox::activated, m_self, [handler] { handler(); });
}

void FormCore::onClick(QAbstractButton* button, Handler handler) {
  if (!handler) handler = [this] { commitForm(); };
  QObject::connect(button, &QAbstractButton::clicked, m_self, [handler] { handler(); });
}

void FormCore::onClick(QButtonGroup* group, Handler handler) {
  for (QAbstractButton* b : group->buttons()) onClick(b, handler);
}

void FormCore::onSpin(SpinButton* spin, std::function<void(int)> handler) {
  QObject::connect(spin, &SpinButton::stepping, m_self, [this, handler](int delta) {
    if (commitOnSpin)
      QMetaObject::invokeMethod(
          m_self, [this] { commitSpinStep(); }, Qt::QueuedConnection);
    const Document::SpinClick click;
    if (handler) handler(delta);
  });
}
