#include "report/RegulatorChartDrawing.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QtMath>

#include "model/Program.h"
#include "model/SetpointPair.h"
#include "model/ValueTexts.h"
#include "report/StepsTableTexts.h"

namespace {

constexpr int kInputCount = 5;     // input quantities 1..5
constexpr int kHumidityInput = 5;  // relative humidity, in percent
constexpr int kMinTemperatureSpan = 20;

const QColor kGridColour(220, 220, 220);

bool timed(const Step& s) { return s[Step::U01].value() != 0; }
int ownMinutes(const Step& s) { return s[Step::U04].value() * 60 + s[Step::U05].value(); }

// A line of `width` units: one unit covers its end points as the screen's
// own drawing does; a wider one ends where the segment does.
QPen linePen(const QColor& colour, int width) {
  return QPen(colour, width, Qt::SolidLine, width > 1 ? Qt::FlatCap : Qt::SquareCap);
}

}  // namespace

RegulatorChartMetrics RegulatorChartMetrics::scaled(double factor) const {
  const auto s = [factor](int v) { return static_cast<int>(std::lround(v * factor)); };
  RegulatorChartMetrics m;
  m.leftMargin = s(leftMargin);
  m.topMargin = s(topMargin);
  m.bottomMargin = s(bottomMargin);
  m.rightGap = s(rightGap);
  m.legendRowHeight = s(legendRowHeight);
  m.legendTop = s(legendTop);
  m.swatchLeft = s(swatchLeft);
  m.swatchRight = s(swatchRight);
  m.legendText = s(legendText);
  m.numberGap = s(numberGap);
  m.lineWidth = std::max(1, s(lineWidth));
  m.gridWidth = std::max(1, s(gridWidth));
  return m;
}

RegulatorChartDrawing::RegulatorChartDrawing(const QFont& font, const Metrics& metrics, bool cacheTexts)
    : m_font(font), m_metrics(metrics), m_cacheTexts(cacheTexts) {}

std::vector<RegulatorChartDrawing::Segment> RegulatorChartDrawing::layOut(const Program& program,
                                                                          int regulatorIndex, int w, int h,
                                                                          const Metrics& m) {
  std::vector<Segment> out;
  const int n = program.stepCount();
  const int available = w - m.leftMargin - m.rightGap;
  if (n == 0 || available <= 0) return out;

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

  const stepstable::RegulatorCells c = stepstable::regulatorCells(regulatorIndex);
  double largest = -999999.0, smallest = 999999.0;
  for (const Step& s : program.steps) {
    if (s[c.input].value() == kHumidityInput) continue;
    const double v = pairValue(s[c.integer], s[c.fraction]);
    largest = std::max(largest, v);
    smallest = std::min(smallest, v);
  }
  const double range = largest - smallest;
  const double span = range > kMinTemperatureSpan ? range : kMinTemperatureSpan;
  const double band = h - m.topMargin - m.bottomMargin;

  // Each step ends where the program's time up to its end falls, so the
  // truncation of many narrow steps does not add up to a gap at the right.
  out.reserve(n);
  double elapsed = 0;
  int x = m.leftMargin;
  int index = 0;
  for (const Step& s : program.steps) {
    Segment seg;
    seg.x = x;
    seg.input = s[c.input].value();
    seg.setpoint = pairValue(s[c.integer], s[c.fraction]);
    seg.minutes = timed(s) ? ownMinutes(s) : -1;
    ++index;
    int end;
    if (equalWidths) {
      end = m.leftMargin + static_cast<int>(static_cast<int64_t>(available) * index / n);
    } else {
      elapsed += timed(s) ? ownMinutes(s) : std::trunc(average);
      end = m.leftMargin + static_cast<int>(std::min(elapsed / totalDuration, 1.0) * available);
    }
    seg.width = std::max(0, end - x);
    double up;  // height above the bottom edge
    if (seg.input == kHumidityInput)
      up = band * seg.setpoint * 0.01 + m.bottomMargin + 0.5;
    else if (range == 0)
      up = m.bottomMargin;
    else
      up = band * (seg.setpoint - smallest) / span + m.bottomMargin + 0.5;
    // Setpoints beyond the scale (humidity over 100) lie outside the area;
    // they are kept just outside it, so they stay invisible.
    seg.y = h - static_cast<int>(std::clamp(up, -2.0, h + 2.0));
    out.push_back(seg);
    x += seg.width;
  }
  return out;
}

std::vector<RegulatorChartDrawing::NumberPlace> RegulatorChartDrawing::numberPlaces(
    const std::vector<Segment>& segs, const std::function<int(int)>& width, int right, const Metrics& m) {
  const int n = static_cast<int>(segs.size());
  if (n == 0) return {};
  const auto place = [&](int i) {
    const int tw = width(i + 1);
    const int centred = segs[i].x + (segs[i].width - tw) / 2;
    return NumberPlace{i, std::max(m.leftMargin + 1, std::min(centred, right - tw))};
  };
  const auto collide = [&](const NumberPlace& a, const NumberPlace& b) {
    return b.left < a.left + width(a.index + 1) + m.numberGap;
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

QColor RegulatorChartDrawing::inputColour(int input) {
  static const QColor colours[] = {QColor(0, 0, 0),     QColor(255, 0, 0),   QColor(200, 0, 200),
                                   QColor(0, 200, 200), QColor(200, 200, 0), QColor(0, 0, 255)};
  return input >= 0 && input <= kInputCount ? colours[input] : QColor();
}

const QStaticText& RegulatorChartDrawing::staticText(const QString& text) const {
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

void RegulatorChartDrawing::drawText(QPainter& p, int left, int top, const QString& text) const {
  if (m_cacheTexts) {
    p.drawStaticText(left, top, staticText(text));
    return;
  }
  const QFontMetricsF fm(m_font, p.device());
  p.drawText(QPointF(left, top + fm.ascent()), text);
}

int RegulatorChartDrawing::textWidth(QPainter& p, const QString& text) const {
  if (m_cacheTexts) return qCeil(staticText(text).size().width());
  return qCeil(QFontMetricsF(m_font, p.device()).horizontalAdvance(text));
}

void RegulatorChartDrawing::paint(QPainter& p, int w, int h, const Program* program, int regulatorIndex,
                                  bool regulatorOn) const {
  const Metrics& m = m_metrics;
  p.fillRect(0, 0, w, h, Qt::white);
  if (!program || !regulatorOn) return;

  p.setFont(m_font);
  for (int v = 1; v <= kInputCount; ++v) {
    const int top = (v - 1) * m.legendRowHeight + m.legendTop, bottom = top + m.legendRowHeight;
    const int middle = (top + bottom) / 2;
    p.setPen(linePen(inputColour(v), m.lineWidth));
    p.drawLine(m.swatchLeft, middle, m.swatchRight, middle);
    p.setPen(Qt::black);
    const QRect cell(QPoint(m.legendText, top), QPoint(m.leftMargin - 1, bottom - 1));
    p.save();
    p.setClipRect(cell, Qt::IntersectClip);
    drawText(p, cell.left(), cell.top(),
             QString::fromUtf8(shortTextOf(valueTexts(valuetext::kRegulator1Input), v)));
    p.restore();
  }

  const std::vector<Segment> segs = layOut(*program, regulatorIndex, w, h, m);
  if (m.leftMargin + m.rightGap > w) return;  // no room for a plot: the legend alone

  p.setPen(linePen(kGridColour, m.gridWidth));
  p.drawLine(m.leftMargin, 0, m.leftMargin, h - 1);
  for (const Segment& s : segs) p.drawLine(s.x + s.width, 0, s.x + s.width, h - 1);

  for (const Segment& s : segs) {
    const QColor colour = inputColour(s.input);
    if (colour.isValid() && s.width > 0) {
      p.setPen(linePen(colour, m.lineWidth));
      p.drawLine(s.x, s.y, s.x + s.width - 1, s.y);
    }
  }
  const auto numberWidth = [&](int n) { return textWidth(p, QString::number(n)); };
  p.setPen(Qt::black);
  for (const NumberPlace& place : numberPlaces(segs, numberWidth, w, m))
    drawText(p, place.left, h - m.bottomMargin + 1, QString::number(place.index + 1));
}
