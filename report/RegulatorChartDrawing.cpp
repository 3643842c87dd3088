#include "report/RegulatorChartDrawing.h"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <QtMath>

#include "model/ProfileText.h"
#include "model/Program.h"
#include "model/SetpointPair.h"
#include "model/ValueTexts.h"

namespace {

constexpr int kInputCount = 5;     // input quantities 1..5
constexpr int kHumidityInput = 5;  // relative humidity, in percent
constexpr int kMinTemperatureSpan = 20;

const QColor kGridColour(220, 220, 220);

// The scale the temperatures share: from the smallest setpoint over at
// least 20 degrees; a range of 0 puts every temperature on the bottom line.
struct TemperatureScale {
  double smallest = 0, span = kMinTemperatureSpan, range = 0;
  bool any = false;
};

TemperatureScale temperatureScale(const Program& program, int regulatorIndex) {
  const Step::RegulatorCells c = Step::regulatorCells(regulatorIndex);
  double largest = -999999.0, smallest = 999999.0;
  bool any = false;
  for (const Step& s : program.steps) {
    if (s[c.input].value() == kHumidityInput) continue;
    const double v = pairValue(s[c.integer], s[c.fraction]);
    largest = std::max(largest, v);
    smallest = std::min(smallest, v);
    any = true;
  }
  const double range = largest - smallest;
  return {smallest, range > kMinTemperatureSpan ? range : kMinTemperatureSpan, range, any};
}

// The height above the bottom edge of a setpoint of `input`.
double heightOf(int input, double setpoint, const TemperatureScale& t, double band,
                const RegulatorChartMetrics& m) {
  if (input == kHumidityInput) return band * setpoint * 0.01 + m.bottomMargin + 0.5;
  if (t.range == 0) return m.bottomMargin;
  return band * (setpoint - t.smallest) / t.span + m.bottomMargin + 0.5;
}

QString legendText(int input) {
  return QString::fromUtf8(shortTextOf(valueTexts(valuetext::kRegulator1Input), input));
}

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

  const Step::RegulatorCells c = Step::regulatorCells(regulatorIndex);
  const TemperatureScale temperatures = temperatureScale(program, regulatorIndex);
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
    const double up = heightOf(seg.input, seg.setpoint, temperatures, band, m);
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

std::vector<int> RegulatorChartDrawing::inputsInUse(const Program& program, int regulatorIndex) {
  const int input = Step::regulatorCells(regulatorIndex).input;
  bool used[kInputCount + 1] = {};
  for (const Step& s : program.steps)
    if (const int v = s[input].value(); v >= 1 && v <= kInputCount) used[v] = true;
  std::vector<int> out;
  for (int v = 1; v <= kInputCount; ++v)
    if (used[v]) out.push_back(v);
  return out;
}

std::vector<RegulatorChartDrawing::Scale> RegulatorChartDrawing::scales(const Program& program,
                                                                        int regulatorIndex) {
  std::vector<Scale> out;
  const TemperatureScale t = temperatureScale(program, regulatorIndex);
  const auto labelled = [](double v, const char* unit) {
    return std::make_pair(v,
                          QString::fromStdString(profiletext::number(v, 1)) + u' ' + QString::fromUtf8(unit));
  };
  if (t.any) {
    Scale s;
    for (double f : {0.0, 0.5, 1.0})
      s.ticks.push_back(labelled(t.smallest + f * t.span, profiletext::unit(1)));
    out.push_back(s);
  }
  const std::vector<int> inputs = inputsInUse(program, regulatorIndex);
  if (std::find(inputs.begin(), inputs.end(), kHumidityInput) != inputs.end()) {
    Scale s;
    s.left = !t.any;
    for (double v : {0.0, 50.0, 100.0}) s.ticks.push_back(labelled(v, profiletext::unit(kHumidityInput)));
    out.push_back(s);
  }
  return out;
}

RegulatorChartMetrics RegulatorChartDrawing::fitted(const Program& program, int regulatorIndex,
                                                    const QPaintDevice* device) const {
  const QFontMetricsF fm = device ? QFontMetricsF(m_font, device) : QFontMetricsF(m_font);
  Metrics m = m_metrics;
  const std::vector<int> inputs = inputsInUse(program, regulatorIndex);
  if (inputs.empty()) return m;
  double legend = 0;
  for (int v : inputs) legend = std::max(legend, fm.horizontalAdvance(legendText(v)));
  double scale[2] = {0, 0};  // right, left
  for (const Scale& s : scales(program, regulatorIndex))
    for (const auto& [value, text] : s.ticks)
      scale[s.left] = std::max(scale[s.left], fm.horizontalAdvance(text) + 2 * m.numberGap);
  m.leftMargin = m.legendText + qCeil(legend) + 2 * m.numberGap + qCeil(scale[1]);
  m.rightGap += qCeil(scale[0]);
  return m;
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
  p.fillRect(0, 0, w, h, Qt::white);
  if (!program || !regulatorOn) return;
  const Metrics m = fitted(*program, regulatorIndex, p.device());

  // The legend: the quantities the regulator controls, one row each.
  p.setFont(m_font);
  const std::vector<int> inputs = inputsInUse(*program, regulatorIndex);
  for (size_t i = 0; i < inputs.size(); ++i) {
    const int top = static_cast<int>(i) * m.legendRowHeight + m.legendTop, bottom = top + m.legendRowHeight;
    const int middle = (top + bottom) / 2;
    p.setPen(linePen(inputColour(inputs[i]), m.lineWidth));
    p.drawLine(m.swatchLeft, middle, m.swatchRight, middle);
    p.setPen(Qt::black);
    drawText(p, m.legendText, top, legendText(inputs[i]));
  }

  const std::vector<Segment> segs = layOut(*program, regulatorIndex, w, h, m);
  if (m.leftMargin + m.rightGap > w) return;  // no room for a plot: the legend alone

  // The scales, their texts centred on their heights beside the plot.
  const TemperatureScale temperatures = temperatureScale(*program, regulatorIndex);
  const double band = h - m.topMargin - m.bottomMargin;
  const QFontMetricsF fm(m_font, p.device());
  for (const Scale& s : scales(*program, regulatorIndex)) {
    const int input = s.left && temperatures.any ? 1 : kHumidityInput;
    const int edge = s.left ? m.leftMargin : w - m.rightGap + m.numberGap;
    for (const auto& [value, text] : s.ticks) {
      // Equal temperatures stand on the bottom line, where their scale begins.
      TemperatureScale spread = temperatures;
      spread.range = spread.span;
      const int y = h - static_cast<int>(heightOf(input, value, spread, band, m));
      p.setPen(linePen(kGridColour, m.gridWidth));
      p.drawLine(s.left ? edge - m.numberGap : edge, y, s.left ? edge : edge + m.numberGap, y);
      p.setPen(Qt::black);
      const int tw = textWidth(p, text);
      const int top = std::clamp(y - qRound(fm.height() / 2), 0, std::max(0, h - qCeil(fm.height())));
      drawText(p, s.left ? edge - m.numberGap - tw : edge + m.numberGap, top, text);
    }
  }

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
  // The numbers keep clear of a scale on the right.
  for (const NumberPlace& place : numberPlaces(segs, numberWidth, w - (m.rightGap - m_metrics.rightGap), m))
    drawText(p, place.left, h - m.bottomMargin + 1, QString::number(place.index + 1));
}
