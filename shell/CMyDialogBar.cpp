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
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

QPushButton* CMyDialogBar::button(int command) const {
  for (QPushButton* b : m_buttons)
    if (b->objectName().toInt() == command) return b;
  return nullptr;
}

QSize CMyDialogBar::sizeHint() const {
  int width = kRightMargin;
  for (QPushButton* b : m_buttons) width += kMargin + b->sizeHint().width();
  return {width, layoutButtons(width, false)};
}

QSize CMyDialogBar::minimumSizeHint() const {
  // Room for "Помощь" alone: the bar never forces the pane wider.
  const QSize help = m_buttons.isEmpty() ? QSize() : m_buttons.back()->sizeHint();
  const int width = kMargin + help.width() + kRightMargin;
  return {width, layoutButtons(width, false)};
}

int CMyDialogBar::heightForWidth(int width) const { return layoutButtons(width, false); }

int CMyDialogBar::layoutButtons(int width, bool place) const {
  if (m_buttons.isEmpty()) return 2 * kMargin;
  QPushButton* help = m_buttons.back();
  const QSize helpSize = help->sizeHint();
  const int rowHeight = helpSize.height();
  if (place) help->setGeometry(width - kRightMargin - helpSize.width(), kMargin, helpSize.width(), rowHeight);
  // The first row ends before "Помощь"; further rows may use the whole width.
  int right = width - kRightMargin - helpSize.width() - kMargin;
  int x = kMargin, y = kMargin;
  bool firstRow = true;
  for (int i = 0; i + 1 < m_buttons.size(); ++i) {
    const QSize s = m_buttons[i]->sizeHint();
    if (x + s.width() > right && (x > kMargin || firstRow)) {
      x = kMargin;
      y += rowHeight + kMargin;
      right = width - kRightMargin;
      firstRow = false;
    }
    if (place) m_buttons[i]->setGeometry(x, y, s.width(), s.height());
    x += s.width() + kMargin;
  }
  return y + rowHeight + kMargin;
}

void CMyDialogBar::placeButtons() {
  if (layoutButtons(width(), true) != height()) updateGeometry();  // rows were added or removed
}

void CMyDialogBar::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placeButtons();
}
