#include "forms/FormWidgets.h"

#include <algorithm>
#include <cmath>

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>

#include "widgets/SpinButton.h"

namespace formui {
namespace {

void setName(QObject* o, const char* name) {
  if (name) o->setObjectName(QLatin1String(name));
}

// A label that wraps only when it must: it asks for the width of its longest
// line (a wrapping QLabel asks for a narrow block and wraps short texts too).
class WrapLabel : public QLabel {
 public:
  WrapLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { setWordWrap(true); }

  QSize sizeHint() const override {
    int width = 0;
    for (const QString& line : text().split(u'\n'))
      width = std::max(width, fontMetrics().horizontalAdvance(line));
    width += 2 * margin() + contentsMargins().left() + contentsMargins().right() + 2;
    return {width, heightForWidth(width)};
  }
};

// Joins a button with the label that carries its text: a click on the label
// clicks the button, and the label follows the button's enabled state.
class TextOfButton : public QObject {
 public:
  TextOfButton(QAbstractButton* button, QLabel* label) : QObject(button), m_button(button), m_label(label) {
    label->installEventFilter(this);
    button->installEventFilter(this);
    label->setEnabled(button->isEnabled());
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_button && event->type() == QEvent::EnabledChange)
      m_label->setEnabled(m_button->isEnabled());
    if (watched == m_label && event->type() == QEvent::MouseButtonRelease && m_button->isEnabled() &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        m_label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
      m_button->setFocus(Qt::MouseFocusReason);
      m_button->click();
      return true;
    }
    return false;
  }

 private:
  QAbstractButton* m_button;
  QLabel* m_label;
};

template <typename Button>
Button* withText(Button* button, const QString& text, QBoxLayout* into, QWidget* inLine, int line) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  name(button, text);
  button->setParent(row);
  layout->addWidget(button, 0, Qt::AlignTop);
  const auto textLabel = [&](const QString& t) {
    auto* label = new WrapLabel(t, row);
    label->setBuddy(button);
    new TextOfButton(button, label);
    return label;
  };
  if (!inLine) {
    layout->addWidget(textLabel(text), 1);
    into->addWidget(row);
    return button;
  }
  // The text line by line, the control right after the words it completes.
  auto* lines = new QVBoxLayout;
  lines->setSpacing(0);
  const QStringList parts = text.split(u'\n');
  for (int i = 0; i < parts.size(); ++i) {
    if (i != line) {
      lines->addWidget(textLabel(parts[i]));
      continue;
    }
    auto* withControl = new QHBoxLayout;
    withControl->setSpacing(4);
    withControl->addWidget(textLabel(parts[i]));
    withControl->addWidget(inLine, 0, Qt::AlignVCenter);
    withControl->addStretch(1);
    lines->addLayout(withControl);
  }
  layout->addLayout(lines, 1);
  into->addWidget(row);
  return button;
}

}  // namespace

QString plain(const QString& text) {
  QString s = text;
  return s.replace(u'\n', u' ').simplified();
}

void name(QWidget* control, const QString& text) { control->setAccessibleName(plain(text)); }

void tabOrder(const QList<QWidget*>& controls) {
  for (int i = 0; i + 1 < controls.size(); ++i) QWidget::setTabOrder(controls[i], controls[i + 1]);
}

long long truncateScaled(double value, int scale) {
  // Far beyond every limit, yet inside what a long long holds.
  const double scaled = std::clamp(value * scale, -1e15, 1e15);
  return static_cast<long long>(std::trunc(scaled + (scaled < 0 ? -1e-9 : 1e-9)));
}

QLabel* label(QWidget* parent, const QString& text, const char* objectName) {
  auto* l = new WrapLabel(text, parent);
  setName(l, objectName);
  return l;
}

QGroupBox* frame(QWidget* parent, const QString& title, const char* objectName) {
  auto* f = new QGroupBox(title, parent);
  setName(f, objectName);
  // Its own title: a frame inside another would be announced with the
  // outer one's.
  name(f, title);
  return f;
}

QLineEdit* edit(QWidget* parent, const char* objectName, const QString& accessible, int chars) {
  auto* e = new QLineEdit(parent);
  setName(e, objectName);
  name(e, accessible);
  e->setAlignment(Qt::AlignRight);
  const int width = e->fontMetrics().horizontalAdvance(QString(chars, u'0')) + 14;
  e->setFixedWidth(width);
  return e;
}

SpinButton* spin(QWidget* parent, QLineEdit* buddy) {
  auto* s = new SpinButton(parent);
  if (!buddy->objectName().isEmpty()) s->setObjectName(buddy->objectName() + QStringLiteral("Spin"));
  s->setBuddy(buddy);
  s->setAccessibleName(buddy->accessibleName());
  return s;
}

QWidget* spinEdit(QLineEdit* edit, SpinButton* spin, QWidget* unit) {
  auto* row = new QWidget(edit->parentWidget());
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  edit->setParent(row);
  spin->setParent(row);
  layout->addWidget(edit);
  layout->addWidget(spin);
  if (unit) {
    unit->setParent(row);
    layout->addSpacing(4);
    layout->addWidget(unit);
  }
  layout->addStretch(1);
  return row;
}

QComboBox* list(QWidget* parent, const char* objectName, const QString& accessible,
                const QStringList& items) {
  auto* l = new QComboBox(parent);
  setName(l, objectName);
  name(l, accessible);
  // It takes the room its row leaves, but never asks for the width of its
  // longest entry; the popup always shows the entries whole.
  l->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  l->setMinimumContentsLength(16);
  l->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  l->addItems(items);
  fitPopup(l);
  return l;
}

void fitPopup(QComboBox* l) {
  int width = 0;
  for (int i = 0; i < l->count(); ++i)
    width = std::max(width, l->fontMetrics().horizontalAdvance(l->itemText(i)));
  l->view()->setMinimumWidth(width + 40);
}

QRadioButton* radio(QButtonGroup* group, int position, const QString& text, QBoxLayout* into, QWidget* inLine,
                    int line) {
  auto* b = withText(new QRadioButton, text, into, inLine, line);
  if (!group->objectName().isEmpty()) b->setObjectName(group->objectName() + QString::number(position + 1));
  group->addButton(b, position);
  return b;
}

QCheckBox* check(const char* objectName, const QString& text, QBoxLayout* into) {
  QCheckBox* box = withText(new QCheckBox, text, into, nullptr, 0);
  setName(box, objectName);
  return box;
}

}  // namespace formui
