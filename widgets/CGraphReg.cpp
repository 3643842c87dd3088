#include "widgets/CGraphReg.h"

#include <algorithm>
#include <cmath>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QHelpEvent>
#include <QPainter>
#include <QStaticText>
#include <QToolTip>
#include <QtMath>

#include "document/CTkv88_3Doc.h"
#include "model/SetpointPair.h"
#include "model/ValueTexts.h"
#include "widgets/GuiText.h"

namespace {

constexpr int kInputCount = 5;     // input quantities 1..5
constexpr int kHumidityInput = 5;  // relative humidity, in percent
constexpr int kMinTemperatureSpan = 20;

const QColor kGridColour(220, 220, 220);

struct StepCells {
  int input, integer, fraction;
};

StepCells cellsOf(int regulatorIndex) {
  return regulatorIndex == 0 ? StepCells{Step::E01, Step::E02, Step::E03}
                             : StepCells{Step::E_01, Step::E_02, Step::E_03};
}

bool timed(const Step& s) { return s[Step::U01].value() != 0; }
int ownMinutes(const Step& s) { return s[Step::U04].value() * 60 + s[Step::U05].value(); }

// The steps laid out over a client area of w × h pixels.
std::vector<CGraphReg::Segment> layOut(const Program& program, int regulatorIndex, int w, int h) {
  std::vector<CGraphReg::Segment> out;
  const int n = program.stepCount();
  const int available = w - CGraphReg::kLeftMargin - CGraphReg::kRightGap;
  if (n == 0 || available <= 0) return out;

  // Untimed steps (they wait for their condition) count at the average of
  // the timed ones. Without any timed minutes there is nothing to share
  // out by: every step then gets the same width.
  double total = 0;
  int untimed = 0;
  for (const Step& s : program.steps) {
    if (timed(s))
      total += ownMinutes(s);
    else
      ++untimed;
  }
  const bool equalWidths = untimed == n || total <= 0;
  const double average = equalWidths ? 0 : total / (n - untimed);
  const double totalDuration = total + untimed * average;

  // One temperature scale for every input but humidity: from the smallest
  // setpoint over at least 20 degrees.
  const StepCells c = cellsOf(regulatorIndex);
  double largest = -999999.0, smallest = 999999.0;
  for (const Step& s : program.steps) {
    if (s[c.input].value() == kHumidityInput) continue;
    const double v = pairValue(s[c.integer], s[c.fraction]);
    largest = std::max(largest, v);
    smallest = std::min(smallest, v);
  }
  const double range = largest - smallest;
  const double span = range > kMinTemperatureSpan ? range : kMinTemperatureSpan;
  const double band = h - CGraphReg::kTopMargin - CGraphReg::kBottomMargin;

  // Each step ends where the program's time up to its end falls, so the
  // truncation of many narrow steps does not add up to a gap at the right.
  out.reserve(n);
  double elapsed = 0;
  int x = CGraphReg::kLeftMargin;
  int index = 0;
  for (const Step& s : program.steps) {
    CGraphReg::Segment seg;
    seg.x = x;
    seg.input = s[c.input].value();
    seg.setpoint = pairValue(s[c.integer], s[c.fraction]);
    seg.minutes = timed(s) ? ownMinutes(s) : -1;
    ++index;
    int end;
    if (equalWidths) {
      end = CGraphReg::kLeftMargin + static_cast<int>(static_cast<int64_t>(available) * index / n);
    } else {
      elapsed += timed(s) ? ownMinutes(s) : std::trunc(average);
      end = CGraphReg::kLeftMargin + static_cast<int>(std::min(elapsed / totalDuration, 1.0) * available);
    }
    seg.width = std::max(0, end - x);
    double up;  // height above the bottom edge
    if (seg.input == kHumidityInput)
      up = band * seg.setpoint * 0.01 + CGraphReg::kBottomMargin + 0.5;
    else if (range == 0)
      up = CGraphReg::kBottomMargin;
    else
      up = band * (seg.setpoint - smallest) / span + CGraphReg::kBottomMargin + 0.5;
    // Setpoints beyond the scale (humidity over 100) lie outside the client
    // area; they are kept just outside it, so they stay invisible.
    seg.y = h - static_cast<int>(std::clamp(up, -2.0, h + 2.0));
    out.push_back(seg);
    x += seg.width;
  }
  return out;
}

bool regulatorOn(int regulatorIndex) {
  const CTkv88_3Doc* doc = CTkv88_3Doc::active();
  const DeviceData* data = doc ? doc->deviceData() : nullptr;
  return data && regulatorIndex >= 0 && regulatorIndex < 2 && data->general.pid[regulatorIndex].isEnabled();
}

QString setpointText(const CGraphReg::Segment& s) {
  const QString unit = s.input == kHumidityInput ? QStringLiteral("%") : QStringLiteral("°C");
  return QStringLiteral("%1 %2").arg(s.setpoint, 0, 'f', 1).arg(unit);
}

}  // namespace

CGraphReg::CGraphReg(QWidget* parent) : QFrame(parent) {
  // The legend and step-number font: the platform's sans-serif (Cyrillic on
  // every desktop Qt runs on), as large as fits a 13-pixel text cell.
  m_font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  m_font.setWeight(QFont::Normal);
  m_font.setItalic(false);
  m_font.setUnderline(false);
  m_font.setStrikeOut(false);
  for (int px = 13; px > 6; --px) {
    m_font.setPixelSize(px);
    if (QFontMetrics(m_font).height() <= 13) break;
  }
  // The host's bordered static: a thin frame around a white client area.
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
}

const QStaticText& CGraphReg::staticText(const QString& text) const {
  auto it = m_texts.find(text);
  if (it == m_texts.end()) {
    QStaticText t(text);
    t.setTextFormat(Qt::PlainText);
    t.setPerformanceHint(QStaticText::AggressiveCaching);
    t.prepare(QTransform(), m_font);
    it = m_texts.insert(text, t);
  }
  return *it;
}

void CGraphReg::SetProgram(const Program* program, int regulatorIndex) {
  m_program = program;
  m_regulatorIndex = regulatorIndex;
  update();
}

bool CGraphReg::showsProgram() const { return m_program && regulatorOn(m_regulatorIndex); }

std::vector<CGraphReg::Segment> CGraphReg::segments() const {
  if (!showsProgram()) return {};
  const QRect r = contentsRect();
  return layOut(*m_program, m_regulatorIndex, r.width(), r.height());
}

QColor CGraphReg::inputColour(int input) {
  static const QColor colours[] = {QColor(0, 0, 0),     QColor(255, 0, 0),   QColor(200, 0, 200),
                                   QColor(0, 200, 200), QColor(200, 200, 0), QColor(0, 0, 255)};
  return input >= 0 && input <= kInputCount ? colours[input] : QColor();
}

QSize CGraphReg::sizeHint() const { return {600, 110}; }
QSize CGraphReg::minimumSizeHint() const { return {0, 0}; }

void CGraphReg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  drawFrame(&p);
  const QRect client = contentsRect();
  p.setClipRect(client);  // nothing reaches the border or beyond
  p.translate(client.topLeft());
  const int w = client.width(), h = client.height();
  p.fillRect(0, 0, w, h, Qt::white);
  if (!showsProgram()) return;

  // Lines are drawn as the device's own drawing does: a segment from x to
  // x + w covers the pixels x .. x + w - 1.
  p.setFont(m_font);
  for (int v = 1; v <= kInputCount; ++v) {
    const int top = (v - 1) * kLegendRowHeight + 2, bottom = top + kLegendRowHeight;
    const int middle = (top + bottom) / 2;
    p.setPen(inputColour(v));
    p.drawLine(2, middle, 17, middle);
    p.setPen(Qt::black);
    const QRect cell(QPoint(20, top), QPoint(kLeftMargin - 1, bottom - 1));
    p.save();
    p.setClipRect(cell, Qt::IntersectClip);
    p.drawStaticText(cell.topLeft(),
                     staticText(fromCp1251(shortTextOf(valueTexts(valuetext::kRegulator1Input), v))));
    p.restore();
  }

  const std::vector<Segment> segs = layOut(*m_program, m_regulatorIndex, w, h);
  if (kLeftMargin + kRightGap > w) return;  // no room for a plot: the legend alone

  p.setPen(kGridColour);
  p.drawLine(kLeftMargin, 0, kLeftMargin, h - 1);
  for (const Segment& s : segs) p.drawLine(s.x + s.width, 0, s.x + s.width, h - 1);

  for (const Segment& s : segs) {
    const QColor colour = inputColour(s.input);
    if (colour.isValid() && s.width > 0) {
      p.setPen(colour);
      p.drawLine(s.x, s.y, s.x + s.width - 1, s.y);
    }
  }
  const auto numberWidth = [this](int n) { return qCeil(staticText(QString::number(n)).size().width()); };
  p.setPen(Qt::black);
  for (const NumberPlace& place : numberPlaces(segs, numberWidth, w))
    p.drawStaticText(place.left, h - kBottomMargin + 1, staticText(QString::number(place.index + 1)));
}

std::vector<CGraphReg::NumberPlace> CGraphReg::numberPlaces(const std::vector<Segment>& segs,
                                                            const std::function<int(int)>& width, int right) {
  constexpr int kGap = 2;  // between two numbers
  const int n = static_cast<int>(segs.size());
  if (n == 0) return {};
  const auto place = [&](int i) {
    const int tw = width(i + 1);
    const int centred = segs[i].x + (segs[i].width - tw) / 2;
    return NumberPlace{i, std::max(kLeftMargin + 1, std::min(centred, right - tw))};
  };
  const auto collide = [&](const NumberPlace& a, const NumberPlace& b) {
    return b.left < a.left + width(a.index + 1) + kGap;
  };
  std::vector<NumberPlace> places;
  for (int k = 1; k < n; ++k) {
    places.clear();
    for (int i = 0; i < n - 1; i += k) places.push_back(place(i));
    const NumberPlace last = place(n - 1);
    if (places.size() > 1 && collide(places.back(), last)) places.pop_back();
    places.push_back(last);
    bool fits = true;
    for (size_t j = 1; fits && j < places.size(); ++j) fits = !collide(places[j - 1], places[j]);
    if (fits) return places;
  }
  // Too narrow for more than the first and the last.
  if (n > 1) return places;
  return {place(0)};
}

int CGraphReg::segmentAt(const QPoint& pos, const std::vector<Segment>& segs) const {
  const int x = pos.x() - contentsRect().left();
  for (size_t i = 0; i < segs.size(); ++i)
    if (x >= segs[i].x && x < segs[i].x + segs[i].width) return static_cast<int>(i);
  return -1;
}

QString CGraphReg::toolTipAt(const QPoint& pos) const {
  const std::vector<Segment> segs = segments();
  const int i = segmentAt(pos, segs);
  if (i < 0) return {};
  const Segment& s = segs[i];
  const auto twoDigits = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QChar(u'0')); };
  const QString duration = s.minutes < 0 ? QStringLiteral("до выполнения условия")
                                         : twoDigits(s.minutes / 60) + u':' + twoDigits(s.minutes % 60);
  return QStringLiteral("Шаг %1\nдлительность: %2\nуставка (%3): %4")
      .arg(i + 1)
      .arg(duration, fromCp1251(shortTextOf(valueTexts(valuetext::kRegulator1Input), s.input)),
           setpointText(s));
}

bool CGraphReg::event(QEvent* event) {
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
