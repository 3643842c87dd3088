#include "widgets/ProfileChart.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "model/GeneralParameters.h"
#include "model/ProfileText.h"
#include "model/Program.h"

ProfileChart::ProfileChart(QWidget* parent) : QWidget(parent), m_drawing(font()) {
  setAccessibleName(QStringLiteral("Профиль программы"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

void ProfileChart::setProgram(const Program* program, const GeneralParameters* general) {
  m_program = program;
  m_general = general;
  refresh();
}

void ProfileChart::refresh() {
  describe(profile());
  update();
}

ProgramProfile ProfileChart::profile() const {
  if (!m_program) return {};
  return m_general ? programProfile(*m_program, *m_general) : programProfile(*m_program);
}

void ProfileChart::describe(const ProgramProfile& profile) {
  const QString text = m_program ? QString::fromStdString(profiletext::durations(profile)) : QString();
  if (accessibleDescription() != text) setAccessibleDescription(text);
}

ProfileChartLayout ProfileChart::chartLayout() const {
  return m_drawing.layOut(profile(), width(), height(), this);
}

QString ProfileChart::toolTipAt(const QPoint& pos) const {
  if (!m_program) return {};
  const ProgramProfile p = profile();
  const ProfileChartLayout l = m_drawing.layOut(p, width(), height(), this);
  if (!l.note.isEmpty() || !l.plot.contains(pos)) return {};
  return ProfileChartDrawing::describeAt(p, l.minuteAt(pos.x()));
}

QSize ProfileChart::sizeHint() const { return {480, 260}; }
QSize ProfileChart::minimumSizeHint() const { return {160, 120}; }

void ProfileChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!m_program) {
    p.fillRect(rect(), Qt::white);
    return;
  }
  const ProgramProfile profile = this->profile();
  // Values edited elsewhere since the last refresh: the description follows.
  describe(profile);
  m_drawing.paint(p, width(), height(), profile);
}

bool ProfileChart::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QWidget::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const QString tip = toolTipAt(help->pos());
  if (tip.isEmpty()) {
    QToolTip::hideText();
    event->ignore();
  } else {
    // A small rectangle: the tip follows the pointer along the time axis.
    QToolTip::showText(help->globalPos(), tip, this, QRect(help->pos() - QPoint(2, 2), QSize(5, 5)));
  }
  return true;
}
