#include "shell/CMyDialogBar.h"

#include <QHBoxLayout>
#include <QPushButton>

CMyDialogBar::CMyDialogBar(int barId, int templateId, const QList<Button>& buttons, QWidget* parent)
    : QFrame(parent), m_barId(barId), m_templateId(templateId) {
  setObjectName(QString::number(barId));
  // The border line on the top edge separates the bar from the view above.
  setFrameShape(QFrame::NoFrame);
  setStyleSheet(QStringLiteral("CMyDialogBar { border-top: 1px solid palette(mid); }"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(6, 6, 10, 6);
  for (int i = 0; i < buttons.size(); ++i) {
    if (i == buttons.size() - 1) row->addStretch(1);
    auto* b = new QPushButton(buttons[i].text, this);
    b->setObjectName(QString::number(buttons[i].command));
    b->setAccessibleName(buttons[i].text);
    b->setToolTip(buttons[i].text);
    b->setAutoDefault(false);
    const int command = buttons[i].command;
    connect(b, &QPushButton::clicked, this, [this, command] { emit commandTriggered(command); });
    row->addWidget(b);
    m_buttons.append(b);
  }
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QPushButton* CMyDialogBar::button(int command) const {
  for (QPushButton* b : m_buttons)
    if (b->objectName().toInt() == command) return b;
  return nullptr;
}
