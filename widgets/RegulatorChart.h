// The regulator chart of the steps table: for one program and one of the two
// regulators, every step as a flat segment at the height of its setpoint, as
// wide as the step's share of the program's duration and coloured by the
// quantity the regulator controls in that step, with a legend of those
// quantities at the left, their value scales beside the plot and the step
// numbers below. The drawing itself is RegulatorChartDrawing's, which the
// printed report shares.
//
// The chart is passive: it holds the program by pointer (not owned), reads
// every value afresh at each paint and repaints when setProgram is called.
// The host calls setProgram again (with another program or none) before the
// program or the regulator is destroyed. Whether the regulator is switched
// on (P07/P.07) is read from the regulator given. The only interaction
// is a tooltip naming the step under the pointer. User-interface thread only.
#pragma once

#include <functional>
#include <vector>

#include <QFrame>

#include "report/RegulatorChartDrawing.h"

class PidRegulator;
class Program;

class RegulatorChart : public QFrame {
  Q_OBJECT

 public:
  // The screen's distances of the drawing, before the legend and the
  // scales take the room they need (metrics()).
  static constexpr int kLeftMargin = RegulatorChartMetrics{}.leftMargin;
  static constexpr int kTopMargin = RegulatorChartMetrics{}.topMargin;
  static constexpr int kBottomMargin = RegulatorChartMetrics{}.bottomMargin;
  static constexpr int kRightGap = RegulatorChartMetrics{}.rightGap;
  static constexpr int kLegendRowHeight = RegulatorChartMetrics{}.legendRowHeight;

  using Segment = RegulatorChartDrawing::Segment;
  using NumberPlace = RegulatorChartDrawing::NumberPlace;

  explicit RegulatorChart(QWidget* parent = nullptr);

  // Shows `program` (or nothing) for regulator 0 or 1, drawn while
  // `regulator` (that regulator's parameters, or none) is switched on, and
  // repaints.
  void setProgram(const Program* program, int regulatorIndex, const PidRegulator* regulator);
  const Program* program() const { return m_program; }
  int regulatorIndex() const { return m_regulatorIndex; }

  // True when there is a program and its regulator is switched on: the
  // chart then shows more than white.
  bool showsProgram() const;
  const RegulatorChartDrawing& drawing() const { return m_drawing; }
  // The distances the next paint uses, fitted to the program's texts.
  RegulatorChartMetrics metrics() const;
  // The steps as the next paint lays them out at the current size; empty
  // when the chart is white or too narrow for a plot.
  std::vector<Segment> segments() const;
  // The tooltip for a point of the client area: the step under it with its
  // duration and setpoint, or an empty text.
  QString toolTipAt(const QPoint& pos) const;

  // The drawing's placement of the step numbers (RegulatorChartDrawing).
  static std::vector<NumberPlace> numberPlaces(const std::vector<Segment>& segs,
                                               const std::function<int(int)>& width, int right) {
    return RegulatorChartDrawing::numberPlaces(segs, width, right);
  }
  static QColor inputColour(int input) { return RegulatorChartDrawing::inputColour(input); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // The index of the segment whose column holds the point, or -1.
  int segmentAt(const QPoint& pos, const std::vector<Segment>& segs) const;

  RegulatorChartDrawing m_drawing;
  const Program* m_program = nullptr;
  int m_regulatorIndex = 0;
  const PidRegulator* m_regulator = nullptr;
};
