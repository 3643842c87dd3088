#include "shell/ButtonBar.h"

#include <QAction>
#include <QPushButton>
#include <algorithm>

namespace {
constexpr int kMargin = 6;        // around the buttons and between them
constexpr int kRightMargin = 10;  // from "Помощь" to the bar's right edge
// "Помощь" as wide as its text needs, not at the style's floor for short
// texts (80 pixels), and the same in both layouts below.
constexpr int kHelpPadding = 6;  // each side of its text
// The tight layout that keeps one row where the usual one is a little too
// wide: narrow gaps, and buttons with just this much room beside their text.
constexpr int kTightMargin = 3;
constexpr int kTightPadding = 3;

int textWidth(const QPushButton* b) {
  return b->fontMetrics().horizontalAdvance(QString(b->text()).remove(u'&'));
}
}  // namespace

int ButtonBar::buttonWidth(const QPushButton* b, bool tight) const {
  if (b == m_buttons.back()) return std::min(b->sizeHint().width(), textWidth(b) + 2 * kHelpPadding);
  return tight ? textWidth(b) + 2 * kTightPadding : b->sizeHint().width();
}

ButtonBar::ButtonBar(const QString& name, const QList<QAction*>& actions, QWidget* parent)
    : QFrame(parent), m_actions(actions) {
  setObjectName(name);
  // The border line on the top edge separates the bar from the view above.
  setFrameShape(QFrame::NoFrame);
  setStyleSheet(QStringLiteral("ButtonBar { border-top: 1px solid palette(mid); }"));
  for (QAction* action : actions) {
    auto* b = new QPushButton(this);
    b->setObjectName(action->objectName());
    b->setAutoDefault(false);
    const auto follow = [this, b, action] {
      b->setEnabled(action->isEnabled());
      if (b->text() == action->text()) return;
      b->setText(action->text());
      b->setAccessibleName(action->text());
      b->setToolTip(action->text());
      placeButtons();
    };
    follow();
    connect(action, &QAction::changed, b, follow);
    connect(b, &QPushButton::clicked, action, &QAction::trigger);
    m_buttons.append(b);
  }
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

QPushButton* ButtonBar::button(const QAction* action) const {
  for (qsizetype i = 0; i < m_actions.size(); ++i)
    if (m_actions[i] == action) return m_buttons[i];
  return nullptr;
}

int ButtonBar::rowWidth(bool tight) const {
  int width = kRightMargin;
  for (QPushButton* b : m_buttons) width += (tight ? kTightMargin : kMargin) + buttonWidth(b, tight);
  return width;
}

QSize ButtonBar::sizeHint() const {
  const int width = rowWidth(false);
  return {width, layoutButtons(width, false)};
}

QSize ButtonBar::minimumSizeHint() const {
  // Room for the widest button on a row of its own, so none is ever cut
  // short; the bar wraps onto further rows down to that width.
  int widest = 0;
  for (QPushButton* b : m_buttons) widest = std::max(widest, buttonWidth(b, false));
  const int width = kMargin + widest + kRightMargin;
  return {width, layoutButtons(width, false)};
}

int ButtonBar::heightForWidth(int width) const { return layoutButtons(width, false); }

int ButtonBar::layoutButtons(int width, bool place) const {
  if (m_buttons.isEmpty()) return 2 * kMargin;
  // One row as usual, else one tight row, else as usual on several rows.
  const bool tight = rowWidth(false) > width && rowWidth(true) <= width;
  // The tight row's gaps take back what room there is.
  const int gap =
      tight ? std::min<int>(kMargin, kTightMargin + (width - rowWidth(true)) / m_buttons.size()) : kMargin;
  QPushButton* help = m_buttons.back();
  const int helpWidth = buttonWidth(help, tight);
  const int rowHeight = help->sizeHint().height();
  if (place) help->setGeometry(width - kRightMargin - helpWidth, kMargin, helpWidth, rowHeight);
  // The first row ends before "Помощь"; further rows may use the whole width.
  int right = width - kRightMargin - helpWidth - gap;
  int x = gap, y = kMargin;
  bool firstRow = true;
  for (int i = 0; i + 1 < m_buttons.size(); ++i) {
    const int w = buttonWidth(m_buttons[i], tight);
    if (x + w > right && (x > gap || firstRow)) {
      x = gap;
      y += rowHeight + kMargin;
      right = width - kRightMargin;
      firstRow = false;
    }
    if (place) m_buttons[i]->setGeometry(x, y, w, rowHeight);
    x += w + gap;
  }
  return y + rowHeight + kMargin;
}

void ButtonBar::placeButtons() {
  if (layoutButtons(width(), true) != height()) updateGeometry();  // rows were added or removed
}

void ButtonBar::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placeButtons();
}
