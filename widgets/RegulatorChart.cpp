#include "widgets/RegulatorChart.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "model/PidRegulator.h"
#include "model/ValueTexts.h"

namespace {

constexpr int kHumidityInput = 5;  // relative humidity, in percent

// The legend and step-number font: the platform's sans-serif (Cyrillic on
// every desktop Qt runs on), as large as fits a 13-pixel text cell.
QFont chartFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setWeight(QFont::Normal);
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  for (int px = 13; px > 6; --px) {
    font.setPixelSize(px);
    if (QFontMetrics(font).height() <= 13) break;
  }
  return font;
}

QString setpointText(const RegulatorChart::Segment& s) {
  const QString unit = s.input == kHumidityInput ? QStringLiteral("%") : QStringLiteral("°C");
  return QStringLiteral("%1 %2").arg(s.setpoint, 0, 'f', 1).arg(unit);
}

}  // namespace

RegulatorChart::RegulatorChart(QWidget* parent) : QFrame(parent), m_drawing(chartFont()) {
  // The host's bordered static: a thin frame around a white client area.
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

void RegulatorChart::setProgram(const Program* program, int regulatorIndex, const PidRegulator* regulator) {
  m_program = program;
  m_regulatorIndex = regulatorIndex;
  m_regulator = regulator;
  update();
}

bool RegulatorChart::showsProgram() const { return m_program && m_regulator && m_regulator->isEnabled(); }

std::vector<RegulatorChart::Segment> RegulatorChart::segments() const {
  if (!showsProgram()) return {};
  const QRect r = contentsRect();
  return RegulatorChartDrawing::layOut(*m_program, m_regulatorIndex, r.width(), r.height(), metrics());
}

RegulatorChartMetrics RegulatorChart::metrics() const {
  return m_program ? m_drawing.fitted(*m_program, m_regulatorIndex, this) : m_drawing.metrics();
}

QSize RegulatorChart::sizeHint() const { return {600, 110}; }
QSize RegulatorChart::minimumSizeHint() const { return {0, 0}; }

void RegulatorChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  drawFrame(&p);
  const QRect client = contentsRect();
  p.setClipRect(client);  // nothing reaches the border or beyond
  p.translate(client.topLeft());
  m_drawing.paint(p, client.width(), client.height(), m_program, m_regulatorIndex,
                  m_regulator && m_regulator->isEnabled());
}

int RegulatorChart::segmentAt(const QPoint& pos, const std::vector<Segment>& segs) const {
  const int x = pos.x() - contentsRect().left();
  for (size_t i = 0; i < segs.size(); ++i)
    if (x >= segs[i].x && x < segs[i].x + segs[i].width) return static_cast<int>(i);
  return -1;
}

QString RegulatorChart::toolTipAt(const QPoint& pos) const {
  const std::vector<Segment> segs = segments();
  const int i = segmentAt(pos, segs);
  if (i < 0) return {};
  const Segment& s = segs[i];
  const auto twoDigits = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar(u'0')); };
  const QString duration = s.minutes < 0 ? QStringLiteral("до выполнения условия")
                                         : twoDigits(s.minutes / 60) + u':' + twoDigits(s.minutes % 60);
  return QStringLiteral("Шаг %1\nдлительность: %2\nуставка (%3): %4")
      .arg(i + 1)
      .arg(duration, QString::fromUtf8(shortTextOf(valueTexts(valuetext::kRegulator1Input), s.input)),
           setpointText(s));
}

bool RegulatorChart::event(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return QFrame::event(event);
  auto* help = static_cast<QHelpEvent*>(event);
  const std::vector<Segment> segs = segments();
  const int i = segmentAt(help->pos(), segs);
  if (i < 0) {
    QToolTip::hideText();
    event->ignore();
    return true;
  }
  // The tip stays while the pointer is over the same step's column.
  const QRect column(contentsRect().left() + segs[i].x, contentsRect().top(), segs[i].width,
                     contentsRect().height());
  QToolTip::showText(help->globalPos(), toolTipAt(help->pos()), this, column);
  return true;
}
