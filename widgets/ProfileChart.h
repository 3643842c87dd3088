// The profile chart of a program: both regulators' setpoints over time with
// their axes, the step boundaries and numbers, the cycle start and a legend
// of the quantities in use (drawn by ProfileChartDrawing, which the report
// shares). The table mode shows it beside the steps, the program page under
// its summary.
//
// Passive, like the regulator charts: it holds the program and the general
// parameters by pointer (not owned), computes the profile afresh at every
// paint, and the host calls setProgram again (with another program or none)
// before either is destroyed. A tooltip gives the time and the setpoints
// under the pointer; the accessible description says the program's
// durations. User-interface thread only.
#pragma once

#include <QWidget>

#include "model/ProgramProfile.h"
#include "report/ProfileChartDrawing.h"

class GeneralParameters;
class Program;

class ProfileChart : public QWidget {
  Q_OBJECT

 public:
  explicit ProfileChart(QWidget* parent = nullptr);

  // Shows `program` (or nothing) with the regulators `general` switches on
  // (both when none), and repaints.
  void setProgram(const Program* program, const GeneralParameters* general);
  const Program* program() const { return m_program; }
  // The program's values changed: the chart and its description follow.
  void refresh();

  // The profile as the next paint computes it (empty without a program).
  ProgramProfile profile() const;
  // The layout at the current size.
  ProfileChartLayout chartLayout() const;
  // The tooltip for a point of the widget: the step, the time and the
  // setpoints there; empty outside the plot.
  QString toolTipAt(const QPoint& pos) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void describe(const ProgramProfile& profile);

  ProfileChartDrawing m_drawing;
  const Program* m_program = nullptr;
  const GeneralParameters* m_general = nullptr;
};
