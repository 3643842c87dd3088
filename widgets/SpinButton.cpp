#include "widgets/SpinButton.h"

#include <algorithm>

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

constexpr int kFirstRepeatMs = 400;  // holding an arrow: the pause before it repeats
constexpr int kRepeatMs = 60;        // then one step each

// The step while an arrow has been held for `ms`: one, then faster.
int acceleratedStep(qint64 ms) {
  if (ms >= 5000) return 20;
  if (ms >= 2000) return 5;
  return 1;
}

}  // namespace

SpinButton::SpinButton(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  m_repeat.setSingleShot(false);
  connect(&m_repeat, &QTimer::timeout, this, &SpinButton::repeat);
}

void SpinButton::setBuddy(QLineEdit* buddy) {
  if (m_buddy) m_buddy->removeEventFilter(this);
  m_buddy = buddy;
  if (m_buddy) m_buddy->installEventFilter(this);
  updateGeometry();
}

void SpinButton::setRange(int minimum, int maximum) {
  m_min = minimum;
  m_max = std::max(minimum, maximum);
  m_pos = std::clamp(m_pos, m_min, m_max);
}

int SpinButton::position() const {
  int pos = m_pos;
  if (m_buddy && m_writesBuddy) {
    bool ok = false;
    const int typed = m_buddy->text().trimmed().toInt(&ok);
    if (ok) pos = typed;
  }
  return std::clamp(pos, m_min, m_max);
}

void SpinButton::stepBy(int delta) {
  if (delta == 0) return;
  const int from = position();
  QPointer<SpinButton> self(this);
  emit stepping(delta);
  if (!self) return;
  m_pos = static_cast<int>(std::clamp<long long>(static_cast<long long>(from) + delta, m_min, m_max));
  if (m_buddy && m_writesBuddy) {
    const QString text = QString::number(m_pos);
    if (m_buddy->text() != text) m_buddy->setText(text);
  }
}

QSize SpinButton::sizeHint() const {
  const int height = m_buddy ? m_buddy->sizeHint().height() : 22;
  return {std::max(14, height * 2 / 3), height};
}

void SpinButton::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  const int half = height() / 2;
  const QRect halves[] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
  for (int i = 0; i < 2; ++i) {
    QStyleOptionButton button;
    button.initFrom(this);
    button.rect = halves[i];
    const bool down = m_pressed == (i == 0 ? 1 : -1);
    button.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
    p.drawPrimitive(QStyle::PE_PanelButtonCommand, button);
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = halves[i].adjusted(3, 2, -3, -2);
    if (down) arrow.rect.translate(1, 1);
    p.drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, arrow);
  }
}

void SpinButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !isEnabled()) return;
  m_pressed = event->position().y() < height() / 2 ? 1 : -1;
  update();
  m_held.start();
  m_repeat.start(kFirstRepeatMs);
  stepBy(m_pressed);
}

void SpinButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  m_pressed = 0;
  m_repeat.stop();
  update();
}

void SpinButton::repeat() {
  if (m_pressed == 0 || !isEnabled()) {
    m_repeat.stop();
    return;
  }
  m_repeat.setInterval(kRepeatMs);
  stepBy(m_pressed * acceleratedStep(m_held.elapsed()));
}

bool SpinButton::eventFilter(QObject* watched, QEvent* event) {
  // The event type first: while the buddy is being destroyed it is no
  // QLineEdit any more, and reading the guarded pointer would cast it as one.
  if (event->type() == QEvent::KeyPress && watched == m_buddy && isEnabled()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
      if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
        stepBy(key->key() == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

void SpinButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange && !isEnabled()) {
    m_pressed = 0;
    m_repeat.stop();
  }
  QWidget::changeEvent(event);
}
