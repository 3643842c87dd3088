// The regulator chart of the steps table: for one program and one of the two
// regulators, every step as a flat segment at the height of its setpoint, as
// wide as the step's share of the program's duration and coloured by the
// quantity the regulator controls in that step, with a legend of the five
// quantities at the left and the step numbers below.
//
// The chart is passive: it holds the program by pointer (not owned), reads
// every value afresh at each paint and repaints when SetProgram is called.
// The host calls SetProgram again (with another program or none) before the
// program is destroyed. Whether the regulator is switched on (P07/P.07) is
// read from the active document's general parameters. The only interaction
// is a tooltip naming the step under the pointer. User-interface thread only.
#pragma once

#include <functional>
#include <vector>

#include <QFont>
#include <QFrame>
#include <QHash>
#include <QStaticText>

class Program;

class CGraphReg : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kLeftMargin = 100;  // the legend column; the plot starts here
  static constexpr int kTopMargin = 10;
  static constexpr int kBottomMargin = 14;  // the band of the step numbers
  static constexpr int kRightGap = 10;      // kept free right of the plot
  static constexpr int kLegendRowHeight = 18;

  // One step as drawn, in coordinates of the chart's client area.
  struct Segment {
    int x = 0;      // left edge
    int width = 0;  // may be 0 for very short steps
    int y = 0;      // the segment's row
    int input = 0;  // the regulator's input quantity (E01/E.01), 1..5
    double setpoint = 0;
    int minutes = 0;  // the step's own duration; -1 when it waits for its condition
  };

  explicit CGraphReg(QWidget* parent = nullptr);

  // Shows `program` (or nothing) for regulator 0 or 1 and repaints.
  void SetProgram(const Program* program, int regulatorIndex);
  const Program* program() const { return m_program; }
  int regulatorIndex() const { return m_regulatorIndex; }

  // True when there is a program and its regulator is switched on: the
  // chart then shows more than white.
  bool showsProgram() const;
  // The steps as the next paint lays them out at the current size; empty
  // when the chart is white or too narrow for a plot.
  std::vector<Segment> segments() const;
  // The tooltip for a point of the client area: the step under it with its
  // duration and setpoint, or an empty text.
  QString toolTipAt(const QPoint& pos) const;

  // A step number as drawn below its step.
  struct NumberPlace {
    int index = 0;  // the step's, from 0
    int left = 0;   // the number's left edge
  };
  // Where the step numbers of `segs` stand, each centred below its step
  // and kept between the plot's left edge and `right`: always the first
  // and the last; where numbers would collide, every k-th from the first
  // (1, 1 + k, 1 + 2k, ...) with k the smallest that leaves none colliding,
  // and one that would collide with the last is left out. `width(n)` is the
  // drawn width of the number n.
  static std::vector<NumberPlace> numberPlaces(const std::vector<Segment>& segs,
                                               const std::function<int(int)>& width, int right);

  // The colour of an input quantity 0..5 (black for 0); invalid otherwise.
  static QColor inputColour(int input);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  // The index of the segment whose column holds the point, or -1.
  int segmentAt(const QPoint& pos, const std::vector<Segment>& segs) const;

  // A text laid out once: a paint of 99 steps would otherwise spend most of
  // its time shaping the same digits again.
  const QStaticText& staticText(const QString& text) const;

  QFont m_font;
  mutable QHash<QString, QStaticText> m_texts;
  const Program* m_program = nullptr;
  int m_regulatorIndex = 0;
};
