// The forms of the programs, driven as a user does: the comparator page
// ("Включен" with the relay, the humidity input's ranges and units, checks
// of both setpoints before either is stored), the tabbed comparators, the
// step form and the rename dialog.
#include <QDialog>
#include <QLabel>
#include <QTabWidget>

#include "FormDriver.h"
#include "forms/CDlgComparator.h"
#include "forms/CDlgComparators.h"

class ProgramFormsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::FormDriver> m_ui;
  guitest::FormDriver& ui() { return *m_ui; }
  Program& program(int i) { return *ui().data().programAt(i); }

 private slots:
  void init() { m_ui = std::make_unique<guitest::FormDriver>(); }
  void cleanup() { m_ui.reset(); }

  void switchingAComparatorOffAndOnKeepsItsRelay() {
    Comparator& c = program(0).comparators[1];
    c[Comparator::C02].setEnteredValue(3);
    QVERIFY(ui().open(&c));
    QAbstractButton* on = ui().button(1016);
    QVERIFY(on->isChecked());
    QCOMPARE(ui().list(141)->currentIndex(), 2);
    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(c[Comparator::C02].value(), 0);
    for (int id :
         {140, 141, 134, 150, 135, 151, 136, 152, 137, 153, 160, 163, 131, 133, 1021, 1026, 1416, 1417})
      QVERIFY2(!ui().control(id)->isEnabled(), qPrintable(QString::number(id)));
    QCOMPARE(ui().list(141)->currentIndex(), 2);
    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(c[Comparator::C02].value(), 3);
    QVERIFY(ui().list(141)->isEnabled());
    ui().choose(ui().list(141), 5);
    QCOMPARE(c[Comparator::C02].value(), 6);
  }

  void aHumidityInputTakesPercentRanges() {
    Comparator& c = program(0).comparators[0];
    QVERIFY(ui().open(&c));
    QCOMPARE(ui().control<QLabel>(1416)->text(), QString("(°С)"));
    ui().choose(ui().list(140), 4);
    QVERIFY(ui().messages().isEmpty());  // the clamped setpoints are no error of the user's
    QCOMPARE(c[Comparator::C01].value(), 5);
    QCOMPARE(c[Comparator::C03].value(), 0);
    QCOMPARE(c[Comparator::C04].value(), 99);
    for (int id : {1416, 1417}) QCOMPARE(ui().control<QLabel>(id)->text(), QString("(%)"));
    for (int id : {152, 153}) {
      QCOMPARE(ui().spin(id)->minimum(), 0);
      QCOMPARE(ui().spin(id)->maximum(), 99);
    }
    ui().type(ui().edit(136), "100");
    QCOMPARE(ui().messages(), QStringList{"Please enter an integer between 0 and 99."});
    QTest::keyClick(ui().edit(136), Qt::Key_Escape);
    ui().choose(ui().list(140), 1);
    QCOMPARE(ui().control<QLabel>(1417)->text(), QString("(°С)"));
    QCOMPARE(ui().spin(152)->minimum(), -99);
  }

  void aComparatorChecksItsNumbersBeforeStoringThem() {
    Comparator& c = program(0).comparators[2];
    QVERIFY(ui().open(&c));
    const struct {
      int edit;
      const char* text;
      int otherEdit;  // given a valid value that must not be stored either
      const char* message;
    } cases[] = {
        {137, "1000", 136, "Please enter an integer between -99 and 999."},
        {135, "-1", 134, "Please enter an integer between 0 and 999."},
        {134, "x", 135, "Please enter an integer."},
    };
    for (const auto& k : cases) {
      const std::string before = ui().doc().text();
      ui().edit(k.otherEdit)->setText("55");
      ui().edit(k.edit)->setText(k.text);
      QVERIFY(!ui().form()->commitForm());
      QCOMPARE(ui().messages(), QStringList{k.message});
      QVERIFY2(ui().doc().text() == before, k.text);
      ui().form()->refreshForm();
    }
    ui().edit(136)->setText("-20");
    ui().edit(135)->setText("30");
    QTest::mouseClick(ui().button(161), Qt::LeftButton);
    QTest::mouseClick(ui().button(131), Qt::LeftButton);
    QCOMPARE(c[Comparator::C03].value(), -20);
    QCOMPARE(c[Comparator::C10].value(), 30);
    QCOMPARE(c[Comparator::C05].value(), 1);
    QCOMPARE(c[Comparator::C06].value(), 1);
  }

  void theTabbedComparatorsShowTheProgramsFour() {
    QDialog host;  // Enter and Escape in a page must not close what holds it
    CDlgComparators tabs(&host);
    tabs.bindProgram(&program(3));
    QCOMPARE(tabs.tabs()->objectName(), QString("1008"));
    QCOMPARE(tabs.tabs()->count(), 4);
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(tabs.tabs()->tabText(i), QString("Компаратор %1").arg(i + 1));
      QCOMPARE(tabs.page(i)->comparator(), &program(3).comparators[i]);
    }
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    tabs.tabs()->setCurrentIndex(2);
    auto* delay = tabs.page(2)->findChild<QLineEdit*>("134");
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, "77");
    QTest::keyClick(delay, Qt::Key_Return);
    QCOMPARE(program(3).comparators[2][Comparator::C09].value(), 77);
    QTest::keyClick(tabs.page(2)->findChild<QWidget*>("141"), Qt::Key_Escape);
    QTest::keyClick(delay, Qt::Key_Escape);
    QVERIFY(host.isVisible());
    tabs.bindProgram(nullptr);
    QCOMPARE(tabs.page(0)->comparator(), nullptr);
  }
};

TKV88_GUI_SUITE(ProgramFormsTest);
#include "ProgramFormsTest.moc"
