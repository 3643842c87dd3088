#include "shell/CMyDialogBar.h"

#include <QPushButton>
#include <algorithm>

namespace {
constexpr int kMargin = 6;        // around the buttons and between them
constexpr int kRightMargin = 10;  // from "Помощь" to the bar's right edge
}  // namespace

CMyDialogBar::CMyDialogBar(int barId, int templateId, const QList<Button>& buttons, QWidget* parent)
    : QFrame(parent), m_barId(barId), m_templateId(templateId) {
  setObjectName(QString::number(barId));
  // The border line on the top edge separates the bar from the view above.
  setFrameShape(QFrame::NoFrame);
  setStyleSheet(QStringLiteral("CMyDialogBar { border-top: 1px solid palette(mid); }"));
  for (const Button& spec : buttons) {
    auto* b = new QPushButton(spec.text, this);
    b->setObjectName(QString::number(spec.command));
    b->setAccessibleName(spec.text);
    b->setToolTip(spec.text);
    b->setAutoDefault(false);
    const int command = spec.command;
    connect(b, &QPushButton::clicked, this, [this, command] { emit commandTriggered(command); });
    m_buttons.append(b);
  }
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QPushButton* CMyDialogBar::button(int command) const {
  for (QPushButton* b : m_buttons)
    if (b->objectName().toInt() == command) return b;
  return nullptr;
}

QSize CMyDialogBar::sizeHint() const {
  int width = kMargin + kRightMargin - kMargin;
  int height = 0;
  for (QPushButton* b : m_buttons) {
    width += b->sizeHint().width() + kMargin;
    height = std::max(height, b->sizeHint().height());
  }
  return {width, height + 2 * kMargin};
}

QSize CMyDialogBar::minimumSizeHint() const {
  // Room for "Помощь" alone: the bar never forces the pane wider.
  const QSize help = m_buttons.isEmpty() ? QSize() : m_buttons.back()->sizeHint();
  return {kMargin + help.width() + kRightMargin, sizeHint().height()};
}

void CMyDialogBar::placeButtons() {
  if (m_buttons.isEmpty()) return;
  const int y = kMargin;
  int x = kMargin;
  for (int i = 0; i + 1 < m_buttons.size(); ++i) {
    const QSize s = m_buttons[i]->sizeHint();
    m_buttons[i]->setGeometry(x, y, s.width(), s.height());
    x += s.width() + kMargin;
  }
  QPushButton* help = m_buttons.back();
  const QSize s = help->sizeHint();
  help->setGeometry(width() - kRightMargin - s.width(), y, s.width(), s.height());
  help->raise();
}

void CMyDialogBar::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placeButtons();
}
