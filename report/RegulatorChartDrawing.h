// The regulator chart's drawing on any QPainter: for one program and one of
// its two regulators, every step as a flat segment at the height of its
// setpoint, as wide as the step's share of the program's duration and
// coloured by the quantity the regulator controls in that step, with a
// legend of the quantities the regulator controls at the left, the value
// scales beside the plot (temperatures on the left, humidity on the right
// when both are drawn) and the step numbers below. The legend column and
// the scales take the room their texts need (fitted).
//
// The chart widget of the steps table draws with it on the screen, in
// pixels; the configuration report draws with it on paper, with its
// distances scaled to the printer's resolution, so the chart prints as
// vectors. Nothing here reads the document: whether the regulator is
// switched on is the caller's to say.
//
// Layout functions are pure; a drawing object keeps its font and a cache
// of laid-out texts, so one object belongs to one thread (the user-interface
// thread for the widget).
#pragma once

#include <functional>
#include <vector>

#include <QColor>
#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>

class Program;
class QPaintDevice;
class QPainter;

// The chart's fixed distances, in the units of the surface drawn on (the
// screen's pixels by default).
struct RegulatorChartMetrics {
  int leftMargin = 100;  // the legend column; the plot starts here
  int topMargin = 10;
  int bottomMargin = 14;  // the band of the step numbers
  int rightGap = 10;      // kept free right of the plot
  int legendRowHeight = 18;
  int legendTop = 2;     // above the first legend row
  int swatchLeft = 2;    // the legend's colour line
  int swatchRight = 17;  // its last pixel
  int legendText = 20;   // where the legend's words start
  int numberGap = 2;     // between two step numbers
  int lineWidth = 1;     // the segments and the legend's colour lines
  int gridWidth = 1;

  // Every distance times `factor`, rounded; lines at least 1 wide.
  RegulatorChartMetrics scaled(double factor) const;
};

class RegulatorChartDrawing {
 public:
  using Metrics = RegulatorChartMetrics;

  // One step as drawn, in coordinates of the chart's area.
  struct Segment {
    int x = 0;      // left edge
    int width = 0;  // may be 0 for very short steps
    int y = 0;      // the segment's row
    int input = 0;  // the regulator's input quantity (E01/E.01), 1..5
    double setpoint = 0;
    int minutes = 0;  // the step's own duration; -1 when it waits for its condition
  };

  // A step number as drawn below its step.
  struct NumberPlace {
    int index = 0;  // the step's, from 0
    int left = 0;   // the number's left edge
  };

  // `font`: the legend's and the step numbers'. `cacheTexts` lays every
  // text out once for the screen (a paint of 99 steps would otherwise spend
  // most of its time shaping the same digits again); a printer lays them out
  // at its own resolution instead.
  explicit RegulatorChartDrawing(const QFont& font, const Metrics& metrics = {}, bool cacheTexts = true);

  const QFont& font() const { return m_font; }
  const Metrics& metrics() const { return m_metrics; }

  // The steps of `program` for regulator 0 or 1 laid out over an area of
  // w × h; empty when there are no steps or no room for a plot. Untimed
  // steps (U01 = 0) count at the average of the timed ones; without timed
  // minutes every step gets the same width. Temperatures share one scale
  // from the smallest setpoint over at least 20 degrees; humidity is
  // plotted by percent.
  static std::vector<Segment> layOut(const Program& program, int regulatorIndex, int w, int h,
                                     const Metrics& metrics = {});

  // Where the step numbers of `segs` stand, each centred below its step
  // and kept between the plot's left edge and `right`: always the first
  // and the last; where numbers would collide, every k-th from the first
  // (1, 1 + k, 1 + 2k, ...) with k the smallest that leaves none colliding,
  // and one that would collide with the last is left out. `width(n)` is the
  // drawn width of the number n.
  static std::vector<NumberPlace> numberPlaces(const std::vector<Segment>& segs,
                                               const std::function<int(int)>& width, int right,
                                               const Metrics& metrics = {});

  // The metrics of this drawing with the legend column and the room for
  // the value scales as wide as `program`'s texts need on `device` (the
  // screen when none): what paint lays out with.
  Metrics fitted(const Program& program, int regulatorIndex, const QPaintDevice* device = nullptr) const;

  // The quantities (1..5) the regulator controls in some step, in order.
  static std::vector<int> inputsInUse(const Program& program, int regulatorIndex);

  // A value scale beside the plot: its values from the bottom of the band
  // to the top, each with its text, and on which side.
  struct Scale {
    bool left = true;
    std::vector<std::pair<double, QString>> ticks;  // value, text
  };
  // The scales of `program`'s regulator: temperatures from the smallest
  // setpoint over at least 20 degrees, humidity 0..100 %.
  static std::vector<Scale> scales(const Program& program, int regulatorIndex);

  // The colour of an input quantity 0..5 (black for 0); invalid otherwise.
  static QColor inputColour(int input);

  // Draws the chart into the area (0, 0, w, h) of the painter: white, and
  // when there is a program whose regulator is on, the legend, the grid at
  // every step's right edge, the segments and the step numbers. Lines are
  // drawn as the screen's own drawing does: a segment from x over w units
  // covers x .. x + w - 1.
  void paint(QPainter& painter, int w, int h, const Program* program, int regulatorIndex,
             bool regulatorOn) const;

 private:
  void drawText(QPainter& painter, int left, int top, const QString& text) const;
  int textWidth(QPainter& painter, const QString& text) const;
  const QStaticText& staticText(const QString& text) const;

  QFont m_font;
  Metrics m_metrics;
  bool m_cacheTexts;
  mutable QHash<QString, QStaticText> m_texts;
};
