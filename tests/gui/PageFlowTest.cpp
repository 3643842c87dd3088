// The report's pagination on blocks of known heights: parts that do not fit
// go on to the next page under the block's head, a block kept together
// starts a page rather than be split (unless no page holds it), a heading
// goes with what follows it, a new page where a block asks for one, and a
// part taller than a page stands alone.
#include <QImage>
#include <QTest>

#include "report/PageFlow.h"

using report::Block;
using report::PageFlow;

namespace {

// Parts and head of fixed heights in millimetres.
class Box : public Block {
 public:
  Box(std::vector<double> partsMm, double headMm = 0) : m_partsMm(std::move(partsMm)), m_headMm(headMm) {}
  void layOut(const report::Units& units, double) override { m_perMm = units.perMm; }
  int partCount() const override { return static_cast<int>(m_partsMm.size()); }
  double partHeight(int part) const override { return m_partsMm[static_cast<size_t>(part)] * m_perMm; }
  double headHeight() const override { return m_headMm * m_perMm; }
  void paint(QPainter&, const report::Units&, double, double, int, int) const override {}

 private:
  std::vector<double> m_partsMm;
  double m_headMm;
  double m_perMm = 1;
};

struct Spec {
  std::vector<double> parts;
  double head = 0;
  double space = 0;
  bool keepWithNext = false, keepTogether = false, newPage = false;
};

// Each page as "block:first-end" pieces.
using Layout = QList<QStringList>;

}  // namespace

Q_DECLARE_METATYPE(std::vector<Spec>)

class PageFlowTest : public QObject {
  Q_OBJECT

 private slots:
  // Pages of 100 mm; the footer's band leaves a body of about 95.8 mm.
  void blocksGoOverPagesByTheirRules_data() {
    QTest::addColumn<std::vector<Spec>>("blocks");
    QTest::addColumn<Layout>("pages");
    QTest::newRow("a table runs on under its head")
        << std::vector<Spec>{{std::vector<double>(12, 10), 5}} << Layout{{"0:0-9"}, {"0:9-12"}};
    QTest::newRow("kept together: to the next page")
        << std::vector<Spec>{{{70}}, {{10, 10, 10}, 0, 0, false, true}} << Layout{{"0:0-1"}, {"1:0-3"}};
    QTest::newRow("kept together but longer than a page: split")
        << std::vector<Spec>{{{60}}, {std::vector<double>(10, 15), 0, 0, false, true}}
        << Layout{{"0:0-1", "1:0-2"}, {"1:2-8"}, {"1:8-10"}};
    QTest::newRow("a heading goes with the start of what follows")
        << std::vector<Spec>{{{82}}, {{5}, 0, 0, true}, {{10, 10}}} << Layout{{"0:0-1"}, {"1:0-1", "2:0-2"}};
    QTest::newRow("space before is left out at a page's top")
        << std::vector<Spec>{{{85}}, {{10}, 0, 5}} << Layout{{"0:0-1"}, {"1:0-1"}};
    QTest::newRow("a new page when asked, not before the first block")
        << std::vector<Spec>{{{10}, 0, 0, false, false, true}, {{10}, 0, 0, false, false, true}}
        << Layout{{"0:0-1"}, {"1:0-1"}};
    QTest::newRow("a part taller than a page stands alone")
        << std::vector<Spec>{{{10}}, {{150}}, {{10}}} << Layout{{"0:0-1"}, {"1:0-1"}, {"2:0-1"}};
  }
  void blocksGoOverPagesByTheirRules() {
    QFETCH(std::vector<Spec>, blocks);
    QFETCH(Layout, pages);
    QImage device(10, 10, QImage::Format_RGB32);
    device.setDotsPerMeterX(10000);  // 10 units a millimetre
    device.setDotsPerMeterY(10000);
    const report::Units units(device);
    PageFlow flow;
    std::vector<const Block*> added;
    for (const Spec& s : blocks) {
      auto b = std::make_unique<Box>(s.parts, s.head);
      b->spaceBefore = s.space;
      b->keepWithNext = s.keepWithNext;
      b->keepTogether = s.keepTogether;
      b->newPage = s.newPage;
      added.push_back(b.get());
      flow.add(std::move(b));
    }
    QFont footer;
    footer.setPixelSize(10);
    QCOMPARE(flow.layOut(units, 1000, 1000, footer), int(pages.size()));
    for (int p = 0; p < flow.pageCount(); ++p) {
      QStringList got;
      double bottom = 0;
      for (const PageFlow::Placement& place : flow.placements(p)) {
        got << QStringLiteral("%1:%2-%3")
                   .arg(std::find(added.begin(), added.end(), place.block) - added.begin())
                   .arg(place.first)
                   .arg(place.end);
        QVERIFY(place.top >= bottom);  // top to bottom, nothing overlaps, no space at a page's top
        if (bottom == 0) QCOMPARE(place.top, 0.0);
        bottom = place.top + place.block->headHeight();
        for (int k = place.first; k < place.end; ++k) bottom += place.block->partHeight(k);
      }
      QCOMPARE(got, pages[p]);
    }
  }
};

#include "GuiTest.h"
TKV88_GUI_SUITE(PageFlowTest);
#include "PageFlowTest.moc"
