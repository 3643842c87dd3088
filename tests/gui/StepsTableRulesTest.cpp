// The steps table's rules apart from its grid: how an edited cell changes
// the step and what the cell shows afterwards, and which cells the step's
// values grey out, colour or give another editor.
#include <functional>

#include <QTest>

#include "model/SetpointPair.h"
#include "model/Step.h"
#include "tables/StepsTableRules.h"

using namespace stepstable;

namespace {
using Setup = std::function<void(Step&)>;
using Check = std::function<bool(const Step&)>;
}  // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Check)

class StepsTableRulesTest : public QObject {
  Q_OBJECT

 private slots:
  // Each case: a step prepared, an edit of one row, the text the cell shows
  // afterwards and what the step holds.
  void editsStoreAndRewrite_data() {
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<Check>("check");
    const auto setpoint = [](int tenths) {
      return Setup([tenths](Step& s) { setPairFixed(s[Step::E02], s[Step::E03], tenths); });
    };
    const auto pair = [](int i, int f) {
      return Check([i, f](const Step& s) { return s[Step::E02].value() == i && s[Step::E03].value() == f; });
    };
    QTest::newRow("-0.5 going down from 0.0 snaps to -1.0") << setpoint(0) << int(kSetpoint1) << "-0.5"
                                                            << "-1.0" << pair(-1, 0);
    QTest::newRow("-0.5 going up from -3.0 becomes 0.0") << setpoint(-30) << int(kSetpoint1) << "-0.5"
                                                         << "0.0" << pair(0, 0);
    QTest::newRow("a setpoint keeps one decimal") << setpoint(0) << int(kSetpoint1) << "12.36"
                                                  << "12.3" << pair(12, 3);
    QTest::newRow("beyond the limits: the nearest limit") << setpoint(0) << int(kSetpoint1) << "1500"
                                                          << "999.9" << pair(999, 9);
    QTest::newRow("regulator 2's setpoint")
        << Setup([](Step&) {}) << int(kSetpoint2) << "-7.5"
        << "-7.5"
        << Check([](const Step& s) { return s[Step::E_02].value() == -7 && s[Step::E_03].value() == 5; });
    QTest::newRow("a negative speed sets the sign")
        << Setup([](Step&) {}) << int(kSpeed1) << "-2.5"
        << "-2.5"
        << Check([](const Step& s) { return s[Step::E04].value() == 25 && s[Step::E05].value() == 1; });
    QTest::newRow("a zero speed is never negative")
        << Setup([](Step& s) { s[Step::E_05].setEnteredValue(1); }) << int(kSpeed2) << "-0.0"
        << "0.0"
        << Check([](const Step& s) { return s[Step::E_04].value() == 0 && s[Step::E_05].value() == 0; });
    QTest::newRow("duration") << Setup([](Step&) {}) << int(kDuration) << "12:05"
                              << "12:05" << Check([](const Step& s) {
                                   return s[Step::U04].value() == 12 && s[Step::U05].value() == 5;
                                 });
    QTest::newRow("a duration beyond 63:59 shows what is stored")
        << Setup([](Step&) {}) << int(kDuration) << "99:99"
        << "63:59"
        << Check([](const Step& s) { return s[Step::U04].value() == 63 && s[Step::U05].value() == 59; });
    QTest::newRow("a humidity condition narrows its setpoint")
        << Setup([](Step& s) { s[Step::U03].setEnteredValue(150); }) << int(kTransitionByValue)
        << "влажность > уставки"
        << "влажность > уставки" << Check([](const Step& s) {
             return s[Step::U03].value() == 100 && cellProfile(s, kTransitionSetpoint) == kSetpointPercent;
           });
    QTest::newRow("the transition setpoint")
        << Setup([](Step&) {}) << int(kTransitionSetpoint) << "-20"
        << "-20" << Check([](const Step& s) { return s[Step::U03].value() == -20; });
    QTest::newRow("humidity input narrows the setpoint")
        << setpoint(1502) << int(kInput1) << "влажность"
        << "влажность" << Check([](const Step& s) {
             return s[Step::E02].value() == 99 && cellProfile(s, kSetpoint1) == kSetpointRealPercent;
           });
    QTest::newRow("back to temperature takes 150 again")
        << Setup([](Step& s) {
             s[Step::E01].setEnteredValue(5);
             s.applyInputRanges();
           })
        << int(kInput1) << "Т[сух]"
        << "Т[сух]" << Check([](Step s) {
             QString t = "150";
             return applyEdit(s, kSetpoint1, t) && t == "150.0" &&
                    cellProfile(s, kSetpoint1) == kSetpointReal;
           });
    QTest::newRow("key mode") << Setup([](Step&) {}) << int(kFirstKey + 7) << "2-ой режим"
                              << "2-ой режим" << Check([](const Step& s) { return s.key(8).value() == 3; });
    QTest::newRow("key mode by its number")
        << Setup([](Step&) {}) << int(kFirstKey) << "3"
        << "2-ой режим" << Check([](const Step& s) { return s.key(1).value() == 3; });
  }
  void editsStoreAndRewrite() {
    QFETCH(Setup, setup);
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(Check, check);
    Step step;
    setup(step);
    QString text = typed;
    QVERIFY(applyEdit(step, key, text));
    QCOMPARE(text, shown);
    QCOMPARE(cellText(step, key), shown);
    QVERIFY(check(step));
  }

  void textThatIsNoNumberChangesNothing() {
    for (int key : {int(kSetpoint1), int(kSpeed2), int(kTransitionSetpoint), int(kDuration), int(kInput2)}) {
      Step step;
      const auto before = step.snapshot();
      QString text = QStringLiteral("abc");
      QVERIFY(!applyEdit(step, key, text));
      for (int i = 0; i < Step::kCellCount; ++i) QCOMPARE(step[i].value(), before[i].value());
    }
  }

  // Which cells are grey, red or green by U01, the key modes and the regulators.
  void looksFollowTheValues() {
    Step step;
    const bool bothOn[2] = {true, true}, secondOff[2] = {true, false};
    const auto look = [&](int key, const bool* on = nullptr) {
      return cellLook(step, key, on ? on : bothOn);
    };
    struct Case {
      int u01;
      Look duration, condition, setpoint;
    } cases[] = {
        {0, Look::Inactive, Look::Normal, Look::Normal},
        {1, Look::Normal, Look::Inactive, Look::Inactive},
        {2, Look::Normal, Look::Normal, Look::Normal},
        {3, Look::Normal, Look::Normal, Look::Normal},
    };
    for (const Case& c : cases) {
      step[Step::U01].setEnteredValue(c.u01);
      QCOMPARE(look(kDuration), c.duration);
      QCOMPARE(look(kTransitionByValue), c.condition);
      QCOMPARE(look(kTransitionSetpoint), c.setpoint);
    }
    for (int key : {kInput2, kSetpoint2, kSpeed2}) {
      QCOMPARE(look(key, secondOff), Look::Inactive);
      QVERIFY(labelInactive(key, secondOff));
    }
    for (int key : {kInput1, kSetpoint1, kSpeed1}) {
      QCOMPARE(look(key, secondOff), Look::Normal);
      QVERIFY(!labelInactive(key, secondOff));
    }
    const std::pair<int, Look> keys[] = {
        {0, Look::KeyOpen}, {1, Look::KeyClosed}, {2, Look::Normal}, {15, Look::Normal}};
    for (auto [mode, expected] : keys) {
      step.key(3).setEnteredValue(mode);
      QCOMPARE(look(kFirstKey + 2), expected);
    }
  }

  void rowsAndHeaders() {
    QCOMPARE(rowLabel(0), QStringLiteral("условие перехода к следующему шагу"));
    QCOMPARE(rowLabel(4), QString());
    QCOMPARE(rowLabel(20), QStringLiteral("Режим 8-го транзисторного ключа"));
    QCOMPARE(stepHeader(1, false), QStringLiteral("Шаг 1"));
    QCOMPARE(stepHeader(2, true), QStringLiteral("Шаг 2 *"));
  }
};

#include "GuiTest.h"
TKV88_GUI_SUITE(StepsTableRulesTest);
#include "StepsTableRulesTest.moc"
