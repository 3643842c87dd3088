#include "report/ProfileChartDrawing.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "model/ProfileText.h"
#include "report/RegulatorChartDrawing.h"

namespace {

constexpr int kHumidity = 5;
const QColor kFrame(110, 110, 110);
const QColor kGrid(232, 232, 232);
const QColor kBoundary(190, 190, 190);
const QColor kCycle(0, 130, 0);
const QColor kText(40, 40, 40);

QString fromUtf8(const std::string& s) { return QString::fromStdString(s); }

// A step of 1, 2 or 5 times a power of ten that splits `range` into at
// most `count` parts.
double niceStep(double range, int count) {
  const double raw = range / std::max(1, count);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (double f : {1.0, 2.0, 5.0, 10.0})
    if (f * magnitude >= raw) return f * magnitude;
  return 10 * magnitude;
}

// A whole minute step for the time axis: minutes, hours, days.
double timeStep(double minutes, int count) {
  static const double steps[] = {1,    2,    5,     10,    15,    20,    30,     60,
                                 120,  180,  240,   360,   480,   720,   1440,   2880,
                                 4320, 7200, 10080, 20160, 43200, 86400, 172800, 432000};
  for (double s : steps)
    if (minutes / s <= count) return s;
  return steps[std::size(steps) - 1];
}

QString tickText(double v, double step) {
  const int decimals = step >= 1 ? 0 : step >= 0.1 ? 1 : 2;
  return fromUtf8(profiletext::number(v, decimals));
}

QPen pen(const QColor& colour, double width, Qt::PenStyle style = Qt::SolidLine) {
  QPen p(colour, width, style, Qt::FlatCap, Qt::MiterJoin);
  return p;
}

}  // namespace

ProfileChartMetrics ProfileChartMetrics::scaled(double factor) const {
  ProfileChartMetrics m;
  m.margin = margin * factor;
  m.swatch = swatch * factor;
  m.gap = gap * factor;
  m.tickLength = tickLength * factor;
  m.lineWidth = lineWidth * factor;
  m.gridWidth = gridWidth * factor;
  return m;
}

double ProfileChartLayout::xOf(double minute) const {
  return plot.left() + (minutes > 0 ? minute / minutes : 0) * plot.width();
}

double ProfileChartLayout::minuteAt(double x) const {
  return plot.width() > 0 ? (x - plot.left()) / plot.width() * minutes : 0;
}

double ProfileChartLayout::yOf(int input, double value) const {
  const ValueAxis& a = input == kHumidity ? humidity : temperature;
  if (!a.shown || input < 1 || input > kHumidity || a.max <= a.min)
    return std::numeric_limits<double>::quiet_NaN();
  return plot.bottom() - (value - a.min) / (a.max - a.min) * plot.height();
}

ProfileChartDrawing::ProfileChartDrawing(const QFont& font, const Metrics& metrics)
    : m_font(font), m_metrics(metrics) {}

QColor ProfileChartDrawing::inputColour(int input) { return RegulatorChartDrawing::inputColour(input); }

ProfileChartLayout ProfileChartDrawing::layOut(const ProgramProfile& profile, double w, double h,
                                               const QPaintDevice* device) const {
  const Metrics& m = m_metrics;
  const QFontMetricsF fm = device ? QFontMetricsF(m_font, device) : QFontMetricsF(m_font);
  const double line = fm.height();
  ProfileChartLayout l;

  // Which axes: °С when a temperature is in use, % for humidity; the one
  // used alone stands on the left.
  const std::vector<int> inputs = profile.inputsInUse();
  bool temperatures = false, humidity = false;
  for (int q : inputs) (q == kHumidity ? humidity : temperatures) = true;
  l.temperature.shown = temperatures;
  l.temperature.unit = QStringLiteral("°С");
  l.humidity.shown = humidity;
  l.humidity.humidity = true;
  l.humidity.left = !temperatures;
  l.humidity.unit = QStringLiteral("%");

  bool dashed = false;
  for (const ProfileStep& s : profile.steps) dashed = dashed || s.endsOnCondition();

  // The legend, in rows from the top left.
  for (int q : inputs)
    l.legend.push_back(
        {q, fromUtf8(profiletext::quantity(q)) + QStringLiteral(", ") + fromUtf8(profiletext::unit(q)), {}});
  if (dashed) l.legend.push_back({0, QStringLiteral("шаг ждёт условия"), {}});
  double x = m.margin, y = m.margin;
  for (ProfileChartLayout::LegendEntry& e : l.legend) {
    const double width = m.swatch + m.gap + fm.horizontalAdvance(e.text);
    if (x > m.margin && x + width > w - m.margin) {
      x = m.margin;
      y += line;
    }
    e.place = QRectF(x, y, width, line);
    x += width + 3 * m.gap;
  }
  const double legendBottom = l.legend.empty() ? m.margin : y + line;

  // The value ranges: every corner of the setpoint lines, with a margin.
  double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
  for (const ProfilePoint& pt : profilePoints(profile.steps))
    for (int r = 0; r < 2; ++r)
      if (profile.regulatorOn[r] && pt.input[r] >= 1 && pt.input[r] < kHumidity) {
        lo = std::min(lo, pt.value[r]);
        hi = std::max(hi, pt.value[r]);
      }
  if (temperatures && hi - lo < 10) {
    const double mid = (lo + hi) / 2;
    lo = mid - 5;
    hi = mid + 5;
  }

  // Room for the labels: the numbers band above the plot, the time labels
  // below, the value labels beside it.
  const double top = legendBottom + line + m.gap / 2;
  const double bottom = h - m.margin - line - m.tickLength;
  const int valueTicks = std::max(2, static_cast<int>((bottom - top) / (line * 1.6)));
  if (temperatures) {
    const double step = niceStep(hi - lo, valueTicks);
    l.temperature.min = std::floor(lo / step) * step;
    l.temperature.max = std::ceil(hi / step) * step;
    for (double v = l.temperature.min; v <= l.temperature.max + step / 2; v += step)
      l.temperature.ticks.push_back({v, 0, tickText(v, step)});
  }
  if (humidity) {
    const double step = valueTicks >= 5 ? 20 : valueTicks >= 2 ? 50 : 100;
    l.humidity.min = 0;
    l.humidity.max = 100;
    for (double v = 0; v <= 100; v += step) l.humidity.ticks.push_back({v, 0, tickText(v, 1)});
  }
  const auto labelsWidth = [&](const ProfileChartLayout::ValueAxis& a) {
    double width = fm.horizontalAdvance(a.unit);
    for (const ProfileChartLayout::Tick& t : a.ticks) width = std::max(width, fm.horizontalAdvance(t.label));
    return a.shown ? width + m.tickLength + m.gap : 0.0;
  };
  double leftRoom = 0, rightRoom = 0;
  for (const ProfileChartLayout::ValueAxis* a : {&l.temperature, &l.humidity})
    (a->left ? leftRoom : rightRoom) = std::max(a->left ? leftRoom : rightRoom, labelsWidth(*a));
  // The time labels are centred on their ticks: half of one stands beyond
  // either end of the plot.
  l.minutes = profile.pass.minutes > 0 ? profile.pass.minutes : 60;
  const QString widest = fromUtf8(profiletext::hoursMinutes(l.minutes));
  const double timeLabel = fm.horizontalAdvance(widest);
  const double left = m.margin + std::max(leftRoom, timeLabel / 2);
  const double right = w - m.margin - std::max(rightRoom, timeLabel / 2);
  l.plot = QRectF(left, top, std::max(0.0, right - left), std::max(0.0, bottom - top));

  for (ProfileChartLayout::ValueAxis* a : {&l.temperature, &l.humidity})
    for (ProfileChartLayout::Tick& t : a->ticks)
      t.at = l.plot.bottom() - (t.value - a->min) / (a->max - a->min) * l.plot.height();

  const double step =
      timeStep(l.minutes, std::max(1, static_cast<int>(l.plot.width() / (timeLabel + 2 * m.gap))));
  for (double t = 0; t <= l.minutes + 1e-9; t += step)
    l.time.push_back({t, l.xOf(t), fromUtf8(profiletext::hoursMinutes(t))});

  // The steps and their numbers, every k-th where they would collide.
  std::vector<RegulatorChartDrawing::Segment> segments;
  for (const ProfileStep& s : profile.steps) {
    ProfileChartLayout::StepMark mark;
    mark.number = s.number;
    mark.left = l.xOf(s.start);
    mark.right = l.xOf(s.end);
    mark.dashed = s.endsOnCondition();
    l.steps.push_back(mark);
    RegulatorChartDrawing::Segment seg;
    seg.x = static_cast<int>(std::lround(mark.left));
    seg.width = static_cast<int>(std::lround(mark.right)) - seg.x;
    segments.push_back(seg);
  }
  RegulatorChartMetrics places;
  places.leftMargin = static_cast<int>(std::floor(l.plot.left())) - 1;
  places.numberGap = static_cast<int>(std::ceil(m.gap));
  const auto numberWidth = [&](int n) {
    return static_cast<int>(std::ceil(fm.horizontalAdvance(QString::number(n))));
  };
  for (const RegulatorChartDrawing::NumberPlace& p : RegulatorChartDrawing::numberPlaces(
           segments, numberWidth, static_cast<int>(std::floor(l.plot.right())), places)) {
    l.steps[static_cast<size_t>(p.index)].numberShown = true;
    l.steps[static_cast<size_t>(p.index)].numberLeft = p.left;
  }
  if (profile.cycleStart > 0) l.cycleStartX = l.xOf(profile.cycleStartMinute());

  if (profile.steps.empty())
    l.note = QStringLiteral("В программе нет шагов");
  else if (inputs.empty())
    l.note = QStringLiteral("Оба регулятора выключены");
  return l;
}

void ProfileChartDrawing::paint(QPainter& p, double w, double h, const ProgramProfile& profile) const {
  const Metrics& m = m_metrics;
  const ProfileChartLayout l = layOut(profile, w, h, p.device());
  const QFontMetricsF fm(m_font, p.device());
  p.save();
  p.fillRect(QRectF(0, 0, w, h), Qt::white);
  p.setFont(m_font);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QRectF& plot = l.plot;

  // Grid: the left axis's values and the time ticks.
  p.setPen(pen(kGrid, m.gridWidth));
  const ProfileChartLayout::ValueAxis& leftAxis = l.temperature.shown ? l.temperature : l.humidity;
  if (leftAxis.shown)
    for (const ProfileChartLayout::Tick& t : leftAxis.ticks)
      p.drawLine(QPointF(plot.left(), t.at), QPointF(plot.right(), t.at));
  for (const ProfileChartLayout::Tick& t : l.time)
    p.drawLine(QPointF(t.at, plot.top()), QPointF(t.at, plot.bottom()));

  // Step boundaries: a step's end dashed where a condition decides it.
  for (const ProfileChartLayout::StepMark& s : l.steps) {
    p.setPen(pen(kBoundary, m.gridWidth, s.dashed ? Qt::DashLine : Qt::SolidLine));
    p.drawLine(QPointF(s.right, plot.top()), QPointF(s.right, plot.bottom()));
  }
  if (l.cycleStartX >= 0) {
    p.setPen(pen(kCycle, m.lineWidth, Qt::DashDotLine));
    p.drawLine(QPointF(l.cycleStartX, plot.top()), QPointF(l.cycleStartX, plot.bottom()));
    p.setPen(kCycle);
    const QString text = QStringLiteral("↻ начало цикла");
    const double tx =
        std::min(l.cycleStartX + m.gap / 2, plot.right() - fm.horizontalAdvance(text) - m.gap / 2);
    p.drawText(QPointF(std::max(plot.left() + m.gap / 2, tx), plot.top() + fm.ascent() + m.gap / 2), text);
  }

  // The setpoint lines, clipped to the plot.
  p.save();
  p.setClipRect(plot.adjusted(-m.lineWidth, -m.lineWidth, m.lineWidth, m.lineWidth));
  const ProfileStep* previous = nullptr;
  for (const ProfileStep& s : profile.steps) {
    for (int r = 0; r < 2; ++r) {
      const SetpointCourse& c = s.setpoints[r];
      if (!c.on) continue;
      const QColor colour = inputColour(c.input);
      if (!colour.isValid()) continue;
      // A jump joins the previous line of the same quantity.
      if (previous && previous->setpoints[r].input == c.input && c.startKnown) {
        p.setPen(pen(colour, m.lineWidth));
        p.drawLine(QPointF(l.xOf(s.start), l.yOf(c.input, previous->setpoints[r].end)),
                   QPointF(l.xOf(s.start), l.yOf(c.input, c.at(0))));
      }
      const double length = s.minutes();
      QPainterPath path(QPointF(l.xOf(s.start), l.yOf(c.input, c.at(0))));
      if (c.rampMinutes > 0 && c.rampMinutes < length)
        path.lineTo(l.xOf(s.start + c.rampMinutes), l.yOf(c.input, c.target));
      path.lineTo(l.xOf(s.end), l.yOf(c.input, c.end));
      p.setPen(pen(colour, m.lineWidth, s.endsOnCondition() ? Qt::DashLine : Qt::SolidLine));
      p.setBrush(Qt::NoBrush);
      p.drawPath(path);
    }
    previous = &s;
  }
  p.restore();

  // The frame, the axes' ticks and labels.
  p.setPen(pen(kFrame, m.gridWidth));
  p.setBrush(Qt::NoBrush);
  p.drawRect(plot);
  p.setPen(kText);
  for (const ProfileChartLayout::ValueAxis* a : {&l.temperature, &l.humidity}) {
    if (!a->shown) continue;
    const double edge = a->left ? plot.left() : plot.right();
    const double out = a->left ? -m.tickLength : m.tickLength;
    for (const ProfileChartLayout::Tick& t : a->ticks) {
      p.drawLine(QPointF(edge, t.at), QPointF(edge + out, t.at));
      const double tw = fm.horizontalAdvance(t.label);
      const double tx = a->left ? edge - m.tickLength - m.gap / 2 - tw : edge + m.tickLength + m.gap / 2;
      p.drawText(QPointF(tx, t.at - fm.height() / 2 + fm.ascent()), t.label);
    }
    // The unit stands above the axis's labels, in the numbers' band.
    const double uw = fm.horizontalAdvance(a->unit);
    p.drawText(QPointF(a->left ? edge - m.tickLength - uw : edge + m.tickLength,
                       plot.top() - m.gap / 2 - fm.descent()),
               a->unit);
  }
  for (const ProfileChartLayout::Tick& t : l.time) {
    p.drawLine(QPointF(t.at, plot.bottom()), QPointF(t.at, plot.bottom() + m.tickLength));
    p.drawText(QPointF(t.at - fm.horizontalAdvance(t.label) / 2, plot.bottom() + m.tickLength + fm.ascent()),
               t.label);
  }
  for (const ProfileChartLayout::StepMark& s : l.steps)
    if (s.numberShown)
      p.drawText(QPointF(s.numberLeft, plot.top() - m.gap / 2 - fm.descent()), QString::number(s.number));

  for (const ProfileChartLayout::LegendEntry& e : l.legend) {
    const double mid = e.place.center().y();
    p.setPen(e.input ? pen(inputColour(e.input), m.lineWidth) : pen(kText, m.lineWidth, Qt::DashLine));
    p.drawLine(QPointF(e.place.left(), mid), QPointF(e.place.left() + m.swatch, mid));
    p.setPen(kText);
    p.drawText(QPointF(e.place.left() + m.swatch + m.gap, e.place.top() + fm.ascent()), e.text);
  }
  if (!l.note.isEmpty()) p.drawText(plot, Qt::AlignCenter, l.note);
  p.restore();
}

QString ProfileChartDrawing::describeAt(const ProgramProfile& profile, double minute) {
  if (profile.steps.empty() || minute < 0 || minute > profile.pass.minutes) return {};
  const ProfileStep* step = &profile.steps.back();
  for (const ProfileStep& s : profile.steps)
    if (minute < s.end) {
      step = &s;
      break;
    }
  QString text =
      QStringLiteral("Шаг %1, %2").arg(step->number).arg(fromUtf8(profiletext::hoursMinutes(minute)));
  for (int r = 0; r < 2; ++r) {
    const SetpointCourse& c = step->setpoints[r];
    if (!c.on) continue;
    text += QStringLiteral("\n%1: %2 %3")
                .arg(fromUtf8(profiletext::quantity(c.input)),
                     fromUtf8(profiletext::number(c.at(minute - step->start), 1)),
                     fromUtf8(profiletext::unit(c.input)));
  }
  if (step->endsOnCondition())
    text += QStringLiteral("\nконец шага: ") + fromUtf8(profiletext::ending(*step));
  return text;
}
