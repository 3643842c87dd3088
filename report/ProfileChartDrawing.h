// The profile chart's drawing on any QPainter: one program's setpoints over
// time (model/ProgramProfile.h), both regulators in one plot, each quantity
// on the axis of its unit (°С on the left, % on the right, or the one used on
// the left), hours and minutes along the bottom, the step boundaries with the
// step numbers above the plot, the cycle start, and a legend of the
// quantities in use. Steps whose end depends on a condition the program
// cannot time are drawn dashed.
//
// The table mode's and the program page's chart widget draws with it in
// pixels; the configuration report on paper, with its distances scaled to
// the printer's resolution, as vectors. The layout is a pure function of the
// profile, the size and the font, so tests read the axes and labels from it.
// One drawing object belongs to one thread.
#pragma once

#include <vector>

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include "model/ProgramProfile.h"

class QPaintDevice;
class QPainter;

struct ProfileChartMetrics {
  double margin = 6;      // around the chart's content
  double swatch = 18;     // a legend entry's line
  double gap = 6;         // between texts, and between a text and its line
  double tickLength = 4;  // the axes' tick marks
  double lineWidth = 2;   // the setpoint lines
  double gridWidth = 1;

  // Every distance times `factor`.
  ProfileChartMetrics scaled(double factor) const;
};

struct ProfileChartLayout {
  struct Tick {
    double value = 0;  // in the axis's unit; minutes on the time axis
    double at = 0;     // its place: y on a value axis, x on the time axis
    QString label;
  };
  struct ValueAxis {
    bool shown = false;
    bool left = true;
    bool humidity = false;
    double min = 0, max = 0;
    QString unit;  // "°С" or "%"
    std::vector<Tick> ticks;
  };
  struct StepMark {
    int number = 0;
    double left = 0, right = 0;  // x of the step's start and end
    bool dashed = false;         // its end depends on a condition
    bool numberShown = false;    // there is room for its number
    double numberLeft = 0;
  };
  struct LegendEntry {
    int input = 0;  // 1..5; 0 for the dashed line's entry
    QString text;
    QRectF place;  // the swatch and the text
  };

  QRectF plot;
  double minutes = 0;  // the time axis runs 0..minutes
  ValueAxis temperature, humidity;
  std::vector<Tick> time;
  std::vector<StepMark> steps;
  double cycleStartX = -1;  // -1: no cycle start
  std::vector<LegendEntry> legend;
  QString note;  // said in the plot instead of lines: no steps, regulators off

  double xOf(double minute) const;
  double minuteAt(double x) const;
  // The y of a value of the quantity `input`; NaN for an axis not shown.
  double yOf(int input, double value) const;
};

class ProfileChartDrawing {
 public:
  using Metrics = ProfileChartMetrics;

  explicit ProfileChartDrawing(const QFont& font, const Metrics& metrics = {});

  const QFont& font() const { return m_font; }

  // The layout over an area of w × h; texts measured for `device` (the
  // screen when none).
  ProfileChartLayout layOut(const ProgramProfile& profile, double w, double h,
                            const QPaintDevice* device = nullptr) const;
  // Draws the chart into (0, 0, w, h): white, then the layout's content.
  void paint(QPainter& painter, double w, double h, const ProgramProfile& profile) const;

  // The colour of a quantity 1..5, as the regulator charts have it.
  static QColor inputColour(int input);
  // What the chart shows at a minute: the step, the time and both
  // setpoints, for a tooltip; empty outside the program.
  static QString describeAt(const ProgramProfile& profile, double minute);

 private:
  QFont m_font;
  Metrics m_metrics;
};
