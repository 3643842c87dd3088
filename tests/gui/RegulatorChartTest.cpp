// The regulator chart, checked on its rendered image: white when there is
// nothing to show, segment heights on the temperature and humidity scales,
// step widths by duration (untimed steps at the average, equal widths when
// there are no minutes to share), narrow charts, and the step tooltip.
#include <QTest>

#include "document/Document.h"
#include "model/SetpointPair.h"
#include "model/ValueTexts.h"
#include "widgets/RegulatorChart.h"

namespace {

// The chart's client area in the tests: 400 × 108 inside a 1-pixel frame.
constexpr int kW = 400, kH = 108, kBand = kH - 24;
const QColor kGrid(220, 220, 220);

struct StepSpec {
  int input;    // E01
  int tenths;   // setpoint × 10
  int u01 = 1;  // 0: untimed
  int minutes = 60;
};

void fill(Program& p, const std::vector<StepSpec>& specs) {
  p.steps.clear();
  for (const StepSpec& s : specs) {
    Step& st = p.steps.emplace_back();
    st[Step::E01].setEnteredValue(s.input);
    st.applyInputRanges();
    setPairFixed(st[Step::E02], st[Step::E03], s.tenths);
    st[Step::U01].setEnteredValue(s.u01);
    st[Step::U04].setEnteredValue(s.minutes / 60);
    st[Step::U05].setEnteredValue(s.minutes % 60);
  }
}

}  // namespace

Q_DECLARE_METATYPE(std::vector<StepSpec>)

class RegulatorChartTest : public QObject {
  Q_OBJECT

  Document m_doc;
  Program m_program;
  std::unique_ptr<RegulatorChart> m_graph;

  // The client area as shown.
  QImage shot(int w = kW, int h = kH) {
    m_graph->resize(w + 2, h + 2);
    return m_graph->grab().toImage().copy(1, 1, w, h).convertToFormat(QImage::Format_RGB32);
  }
  // The rows of a column that carry the colour.
  static QList<int> rowsOf(const QImage& img, int x, const QColor& c) {
    QList<int> rows;
    for (int y = 0; y < img.height(); ++y)
      if (img.pixelColor(x, y) == c) rows << y;
    return rows;
  }

 private slots:
  void init() {
    m_doc.newDocument();
    m_graph = std::make_unique<RegulatorChart>();
    m_graph->setProgram(&m_program, 0, &m_doc.deviceData()->general.pid[0]);
  }
  void cleanup() { m_graph.reset(); }

  void whiteWithoutProgramOrRegulator() {
    fill(m_program, {{1, 500}});
    QVERIFY(!rowsOf(shot(), 10, RegulatorChart::inputColour(1)).isEmpty());  // drawn when on

    m_doc.deviceData()->general.pid[0][PidRegulator::P07].setEnteredValue(1);
    QImage white(kW, kH, QImage::Format_RGB32);
    white.fill(Qt::white);
    QCOMPARE(shot(), white);
    // Regulator 2 is still on and drawn.
    m_graph->setProgram(&m_program, 1, &m_doc.deviceData()->general.pid[1]);
    QVERIFY(shot() != white);
    m_graph->setProgram(nullptr, 1, &m_doc.deviceData()->general.pid[1]);
    QCOMPARE(shot(), white);
    m_graph->setProgram(&m_program, 1, nullptr);
    QCOMPARE(shot(), white);
    QVERIFY(m_graph->toolTipAt({200, 50}).isEmpty());
  }

  // Each case: the steps and the row each segment is expected on.
  void heightsOnBothScales_data() {
    QTest::addColumn<std::vector<StepSpec>>("steps");
    QTest::addColumn<QList<int>>("rows");
    const int bottom = kH - 14;
    QTest::newRow("equal temperatures on the bottom line")
        << std::vector<StepSpec>{{2, 455}, {3, 455}, {5, 500}}
        << QList<int>{bottom, bottom, kH - int(kBand * 0.5 + 14.5)};
    QTest::newRow("a 5-degree spread uses a span of 20")
        << std::vector<StepSpec>{{1, 100}, {2, 150}} << QList<int>{bottom, kH - int(kBand * 0.25 + 14.5)};
    QTest::newRow("a 40-degree spread fills the band")
        << std::vector<StepSpec>{{4, -100}, {1, 300}, {2, 100}}
        << QList<int>{bottom, kH - int(kBand + 14.5), kH - int(kBand * 0.5 + 14.5)};
    QTest::newRow("humidity only, by percent")
        << std::vector<StepSpec>{{5, 0}, {5, 999}, {5, 250}}
        << QList<int>{bottom, kH - int(kBand * 0.999 + 14.5), kH - int(kBand * 0.25 + 14.5)};
  }
  void heightsOnBothScales() {
    QFETCH(std::vector<StepSpec>, steps);
    QFETCH(QList<int>, rows);
    fill(m_program, steps);
    const QImage img = shot();
    const auto segs = m_graph->segments();
    QCOMPARE(int(segs.size()), rows.size());
    for (size_t i = 0; i < segs.size(); ++i) {
      const int mid = segs[i].x + segs[i].width / 2;
      QCOMPARE(rowsOf(img, mid, RegulatorChart::inputColour(steps[i].input)), QList<int>{rows[int(i)]});
    }
    // The legend lists the quantities the steps use, in their order, and
    // no other.
    QList<int> inputs;
    for (const StepSpec& st : steps)
      if (!inputs.contains(st.input)) inputs << st.input;
    std::sort(inputs.begin(), inputs.end());
    for (int v = 1; v <= 5; ++v) {
      const int row = int(inputs.indexOf(v));
      QCOMPARE(rowsOf(img, 10, RegulatorChart::inputColour(v)),
               row < 0 ? QList<int>{} : QList<int>{row * 18 + 11});
    }
  }

  // The legend's words fit beside their lines, and the value scales stand
  // beside the plot, in their units: temperatures on the left, humidity on
  // the right when both are drawn.
  void legendAndScalesFit_data() {
    QTest::addColumn<std::vector<StepSpec>>("steps");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<QStringList>("right");
    QTest::newRow("temperatures over at least 20 degrees")
        << std::vector<StepSpec>{{4, 455}, {2, 500}} << QStringList{"45.5 °С", "55.5 °С", "65.5 °С"}
        << QStringList{};
    QTest::newRow("both: humidity on the right")
        << std::vector<StepSpec>{{2, 932}, {5, 502}} << QStringList{"93.2 °С", "103.2 °С", "113.2 °С"}
        << QStringList{"0.0 %", "50.0 %", "100.0 %"};
    QTest::newRow("humidity alone on the left")
        << std::vector<StepSpec>{{5, 300}} << QStringList{"0.0 %", "50.0 %", "100.0 %"} << QStringList{};
  }
  void legendAndScalesFit() {
    QFETCH(std::vector<StepSpec>, steps);
    QFETCH(QStringList, left);
    QFETCH(QStringList, right);
    fill(m_program, steps);
    QStringList gotLeft, gotRight;
    for (const auto& scale : RegulatorChartDrawing::scales(m_program, 0))
      for (const auto& [value, text] : scale.ticks) (scale.left ? gotLeft : gotRight) << text;
    QCOMPARE(gotLeft, left);
    QCOMPARE(gotRight, right);
    // The plot starts right of the longest legend word and the widest
    // scale text; "Т[сух] - Т[влаж]" is no longer cut.
    const QFontMetrics fm(m_graph->drawing().font());
    const RegulatorChartMetrics m = m_graph->metrics();
    int legend = 0, scale = 0;
    for (int v : RegulatorChartDrawing::inputsInUse(m_program, 0))
      legend = std::max(legend, fm.horizontalAdvance(QString::fromUtf8(shortTextOf(valueTexts(12), v))));
    for (const QString& t : left) scale = std::max(scale, fm.horizontalAdvance(t));
    QVERIFY(m.leftMargin >= m.legendText + legend + scale);
    if (!right.isEmpty()) QVERIFY(m.rightGap > RegulatorChart::kRightGap);
  }

  // Each case: the steps and the expected widths; the grid stands at every
  // step's right edge. A step ends where the time up to its end falls, so
  // the steps fill the plot without a gap.
  void widthsByDuration_data() {
    QTest::addColumn<std::vector<StepSpec>>("steps");
    QTest::addColumn<QList<int>>("widths");
    const int avail = 290;
    QTest::newRow("untimed at the average")
        << std::vector<StepSpec>{{1, 0, 1, 120}, {1, 0, 0, 5}} << QList<int>{avail / 2, avail / 2};
    QTest::newRow("by share, truncated")
        << std::vector<StepSpec>{{1, 0, 2, 60}, {1, 0, 3, 120}} << QList<int>{avail / 3, avail - avail / 3};
    QTest::newRow("seven equal steps fill the plot")
        << std::vector<StepSpec>(7, StepSpec{1, 0, 1, 10}) << QList<int>{41, 41, 42, 41, 42, 41, 42};
    QTest::newRow("all untimed: equal")
        << std::vector<StepSpec>{{1, 0, 0}, {1, 0, 0}, {1, 0, 0}} << QList<int>{96, 97, 97};
    QTest::newRow("only 00:00 and untimed: equal")
        << std::vector<StepSpec>{{1, 0, 1, 0}, {1, 0, 0}} << QList<int>{avail / 2, avail / 2};
    QTest::newRow("no steps") << std::vector<StepSpec>{} << QList<int>{};
  }
  void widthsByDuration() {
    QFETCH(std::vector<StepSpec>, steps);
    QFETCH(QList<int>, widths);
    fill(m_program, steps);
    // A plot of 290 pixels, whatever room the legend takes.
    const RegulatorChartMetrics m = m_graph->metrics();
    const QImage img = shot(290 + m.leftMargin + m.rightGap);
    QList<int> got;
    int x = m.leftMargin;
    QCOMPARE(img.pixelColor(x, 2), kGrid);
    for (const auto& s : m_graph->segments()) {
      got << s.width;
      x += s.width;
      QCOMPARE(img.pixelColor(x, 2), kGrid);
      QCOMPARE(img.pixelColor(s.x + 1, s.y), RegulatorChart::inputColour(1));
      QCOMPARE(img.pixelColor(s.x + s.width - 1, s.y), RegulatorChart::inputColour(1));
    }
    QCOMPARE(got, widths);
  }

  void narrowChartShowsTheLegendOnly() {
    fill(m_program, {{1, 100}, {2, 200}});
    const RegulatorChartMetrics m = m_graph->metrics();
    for (int w : {0, 1, 60, m.leftMargin + m.rightGap - 1}) {
      const QImage img = shot(w, kH);
      QVERIFY(m_graph->segments().empty());
      if (w > 10) QCOMPARE(img.pixelColor(10, 11), RegulatorChart::inputColour(1));
    }
  }

  // Numbers 10 pixels wide need centres 12 apart: every k-th number from
  // the first with the smallest k that fits, the last always.
  void stepNumbersFirstLastAndEveryKth_data() {
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("stepWidth");
    QTest::addColumn<QList<int>>("numbers");
    QTest::newRow("room for all") << 5 << 40 << QList<int>{1, 2, 3, 4, 5};
    QTest::newRow("every 3rd, 97 too close to 99") << 99 << 5 << [] {
      QList<int> n;
      for (int i = 1; i < 97; i += 3) n << i;
      return n << 99;
    }();
    QTest::newRow("99 steps of 1 pixel") << 99 << 1 << QList<int>{1, 18, 35, 52, 69, 86, 99};
    QTest::newRow("first and last only") << 3 << 8 << QList<int>{1, 3};
  }
  void stepNumbersFirstLastAndEveryKth() {
    QFETCH(int, steps);
    QFETCH(int, stepWidth);
    QFETCH(QList<int>, numbers);
    std::vector<RegulatorChart::Segment> segs(steps);
    for (int i = 0; i < steps; ++i) {
      segs[i].x = RegulatorChart::kLeftMargin + i * stepWidth;
      segs[i].width = stepWidth;
    }
    const auto places = RegulatorChart::numberPlaces(
        segs, [](int) { return 10; }, 1000);
    QList<int> got;
    for (const auto& p : places) got << p.index + 1;
    QCOMPARE(got, numbers);
    // The first stands inside the plot however narrow its step; none overlap.
    QVERIFY(places.front().left > RegulatorChart::kLeftMargin);
    for (size_t i = 1; i < places.size(); ++i) QVERIFY(places[i].left >= places[i - 1].left + 12);
  }

  void tooltipNamesTheStep() {
    fill(m_program, {{1, 455, 1, 135}, {5, 600, 0}});
    shot();
    const auto segs = m_graph->segments();
    const QPoint second(1 + segs[1].x + 3, 40);
    QCOMPARE(m_graph->toolTipAt(second),
             QStringLiteral("Шаг 2\nдлительность: до выполнения условия\nуставка (влажность): 60.0 %"));
    QCOMPARE(m_graph->toolTipAt({1 + segs[0].x, 40}),
             QStringLiteral("Шаг 1\nдлительность: 02:15\nуставка (Т[прод]): 45.5 °C"));
    QVERIFY(m_graph->toolTipAt({50, 40}).isEmpty());  // the legend
  }
};

#include "GuiTest.h"
TKV88_GUI_SUITE(RegulatorChartTest);
#include "RegulatorChartTest.moc"
