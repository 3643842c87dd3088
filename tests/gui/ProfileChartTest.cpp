// The profile chart, read from its layout as a reader reads the chart: which
// axes stand where with which values, the hours along the bottom, the step
// numbers and boundaries, the cycle start, the legend of the quantities in
// use, what the tooltip says at a point and what the chart tells a screen
// reader.
#include <QTest>

#include "model/GeneralParameters.h"
#include "model/Program.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"
#include "widgets/ProfileChart.h"

namespace {

constexpr int kDry = 2, kHumidity = 5;

struct StepSpec {
  int u01 = 1;  // by time
  int minutes = 60;
  int input1 = kDry;
  double setpoint1 = 20, rate1 = 0;
  int input2 = kHumidity;
  double setpoint2 = 50, rate2 = 0;
};

Program programOf(const std::vector<StepSpec>& specs, int h02 = 0) {
  Program p;
  for (const StepSpec& spec : specs) {
    Step& s = p.steps.emplace_back();
    s[Step::U01].setValue(spec.u01);
    s[Step::U04].setValue(spec.minutes / 60);
    s[Step::U05].setValue(spec.minutes % 60);
    s[Step::E01].setValue(spec.input1);
    s[Step::E_01].setValue(spec.input2);
    s.applyInputRanges();
    setPairFixed(s[Step::E02], s[Step::E03], static_cast<int64_t>(spec.setpoint1 * 10));
    setPairFixed(s[Step::E_02], s[Step::E_03], static_cast<int64_t>(spec.setpoint2 * 10));
    storeSignedTenths(s[Step::E04], s[Step::E05], spec.rate1);
    storeSignedTenths(s[Step::E_04], s[Step::E_05], spec.rate2);
  }
  p.H02.setValue(h02);
  return p;
}

QStringList labels(const std::vector<ProfileChartLayout::Tick>& ticks) {
  QStringList out;
  for (const auto& t : ticks) out << t.label;
  return out;
}

QStringList legend(const ProfileChartLayout& l) {
  QStringList out;
  for (const auto& e : l.legend) out << e.text;
  return out;
}

}  // namespace

class ProfileChartTest : public QObject {
  Q_OBJECT

  GeneralParameters m_general;
  Program m_program;
  std::unique_ptr<ProfileChart> m_chart;

  ProfileChartLayout show(const Program& program, QSize size = {600, 300}) {
    m_program = program;
    m_chart->setProgram(&m_program, &m_general);
    m_chart->resize(size);
    return m_chart->chartLayout();
  }

 private slots:
  void init() {
    m_general = GeneralParameters();
    m_chart = std::make_unique<ProfileChart>();
  }
  void cleanup() { m_chart.reset(); }

  // 20 °С for an hour, a ramp to 80 °С at 1/min over two hours while the
  // humidity holds 50 %, back to 30 °С: °С on the left from below 20 to
  // above 80, % on the right, the hours along the bottom.
  void axesCarryTheQuantitiesAndTheirUnits() {
    const ProfileChartLayout l =
        show(programOf({{}, {.minutes = 120, .setpoint1 = 80, .rate1 = 1}, {.setpoint1 = 30}}));
    QVERIFY(l.temperature.shown && l.temperature.left);
    QCOMPARE(l.temperature.unit, QStringLiteral("°С"));
    QVERIFY(l.temperature.min <= 20 && l.temperature.max >= 80);
    QCOMPARE(l.temperature.ticks.front().value, l.temperature.min);
    QCOMPARE(l.temperature.ticks.back().value, l.temperature.max);
    QVERIFY(l.humidity.shown && !l.humidity.left);
    QCOMPARE(l.humidity.unit, QStringLiteral("%"));
    QCOMPARE(labels(l.humidity.ticks).front(), QStringLiteral("0"));
    QCOMPARE(labels(l.humidity.ticks).back(), QStringLiteral("100"));
    // Every value tick lies on the plot, higher values higher up.
    for (const auto* axis : {&l.temperature, &l.humidity})
      for (size_t i = 0; i < axis->ticks.size(); ++i) {
        QVERIFY(axis->ticks[i].at >= l.plot.top() - 0.01 && axis->ticks[i].at <= l.plot.bottom() + 0.01);
        if (i > 0) QVERIFY(axis->ticks[i].at < axis->ticks[i - 1].at);
      }
    // The time axis runs from 00:00 to the program's end, four hours.
    QCOMPARE(l.minutes, 240.0);
    QCOMPARE(l.time.front().label, QStringLiteral("00:00"));
    QVERIFY(labels(l.time).contains(QStringLiteral("02:00")));
    QCOMPARE(l.time.back().at, l.xOf(l.time.back().value));
    QCOMPARE(l.xOf(240), l.plot.right());
    // Where the chamber is at hour 2: half way up the ramp, 50 °С.
    QCOMPARE(l.yOf(kDry, 50), l.plot.bottom() - (50 - l.temperature.min) /
                                                    (l.temperature.max - l.temperature.min) *
                                                    l.plot.height());
    QCOMPARE(legend(l), (QStringList{"Т[сух], °С", "влажность, %"}));
    QCOMPARE(int(l.steps.size()), 3);
    QCOMPARE(l.steps[1].left, l.xOf(60));
    QCOMPARE(l.steps[1].right, l.xOf(180));
    for (const auto& s : l.steps) QVERIFY(s.numberShown && !s.dashed);
    QCOMPARE(l.cycleStartX, -1.0);
  }

  void onlyTheQuantitiesInUse_data() {
    QTest::addColumn<int>("input1");
    QTest::addColumn<int>("input2");
    QTest::addColumn<bool>("regulator2On");
    QTest::addColumn<QStringList>("legend");
    QTest::addColumn<bool>("temperature");
    QTest::addColumn<bool>("humidityLeft");
    QTest::newRow("humidity alone, on the left")
        << kHumidity << kHumidity << true << QStringList{"влажность, %"} << false << true;
    QTest::newRow("two temperatures, one axis")
        << 1 << kDry << true << QStringList{"Т[прод], °С", "Т[сух], °С"} << true << false;
    QTest::newRow("a regulator switched off is not drawn")
        << kDry << kHumidity << false << QStringList{"Т[сух], °С"} << true << false;
  }
  void onlyTheQuantitiesInUse() {
    QFETCH(int, input1);
    QFETCH(int, input2);
    QFETCH(bool, regulator2On);
    QFETCH(QStringList, legend);
    QFETCH(bool, temperature);
    QFETCH(bool, humidityLeft);
    m_general.pid[1][PidRegulator::P07].setValue(regulator2On ? 0 : 1);
    const ProfileChartLayout l = show(programOf({{.input1 = input1, .input2 = input2}}));
    QCOMPARE(::legend(l), legend);
    QCOMPARE(l.temperature.shown, temperature);
    if (l.humidity.shown) QCOMPARE(l.humidity.left, humidityLeft);
  }

  // A step that waits for a condition the program cannot time is dashed,
  // and the legend says what the dashes mean; the cycle start is marked.
  void conditionStepsAndTheCycleStart() {
    const ProfileChartLayout l = show(programOf({{}, {.u01 = 0, .setpoint1 = 80}, {}}, 2));
    QVERIFY(!l.steps[0].dashed && l.steps[1].dashed && !l.steps[2].dashed);
    QVERIFY(legend(l).contains(QStringLiteral("шаг ждёт условия")));
    QCOMPARE(l.cycleStartX, l.xOf(60));
    QCOMPARE(m_chart->accessibleDescription(),
             QStringLiteral("длительность не менее 02:00, цикл с шага 2: не менее 01:00"));
  }

  // 99 steps of 63:59: the hours go past 99, the labels do not crowd, every
  // step number that is shown has room.
  void theLongestProgram() {
    const ProfileChartLayout l =
        show(programOf(std::vector<StepSpec>(99, StepSpec{.minutes = 3839})), {800, 300});
    QCOMPARE(l.time.front().label, QStringLiteral("00:00"));
    QVERIFY(l.time.size() >= 3 && l.time.size() <= 12);
    QVERIFY(l.time.back().value <= 99 * 3839.0);
    QVERIFY(l.steps.front().numberShown && l.steps.back().numberShown);
    double lastRight = -1;
    for (const auto& s : l.steps)
      if (s.numberShown) {
        QVERIFY(s.numberLeft > lastRight);
        lastRight =
            s.numberLeft + QFontMetricsF(m_chart->font()).horizontalAdvance(QString::number(s.number));
      }
  }

  void nothingToDraw() {
    QCOMPARE(show(Program()).note, QStringLiteral("В программе нет шагов"));
    m_general.pid[0][PidRegulator::P07].setValue(1);
    m_general.pid[1][PidRegulator::P07].setValue(1);
    QCOMPARE(show(programOf({{}})).note, QStringLiteral("Оба регулятора выключены"));
    m_chart->setProgram(nullptr, nullptr);
    QVERIFY(m_chart->toolTipAt({300, 150}).isEmpty());
    QVERIFY(m_chart->accessibleDescription().isEmpty());
  }

  // The tooltip reads the time and both setpoints under the pointer; the
  // description follows an edit.
  void tooltipAndDescription() {
    const ProfileChartLayout l = show(programOf({{}, {.minutes = 120, .setpoint1 = 80, .rate1 = 1}}));
    QCOMPARE(m_chart->accessibleName(), QStringLiteral("Профиль программы"));
    QCOMPARE(m_chart->accessibleDescription(), QStringLiteral("длительность 03:00"));
    const QPoint at(qRound(l.xOf(90)), qRound(l.plot.center().y()));
    // Half an hour up the ramp from 20 °С, give or take a pixel.
    const QString tip = m_chart->toolTipAt(at);
    QVERIFY2(
        QRegularExpression(
            QStringLiteral("^Шаг 2, 01:(29|30|31)\nТ\\[сух\\]: (49|50|51)\\.\\d °С\nвлажность: 50\\.0 %$"))
            .match(tip)
            .hasMatch(),
        qPrintable(tip));
    QVERIFY(m_chart->toolTipAt({2, 2}).isEmpty());  // outside the plot
    m_program.steps.back()[Step::U04].setValue(5);
    m_chart->refresh();
    QCOMPARE(m_chart->accessibleDescription(), QStringLiteral("длительность 06:00"));
  }
};

#include "GuiTest.h"
TKV88_GUI_SUITE(ProfileChartTest);
#include "ProfileChartTest.moc"
