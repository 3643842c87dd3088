// The forms of the general parameters, driven as a user does: each control
// lands in its cell with the right mapping, each edit is checked against its
// own bounds, O07 enables the O08 edits, a refused partition puts the list
// back, corrections step across zero, and "Включен" of a PID regulator.
#include <QButtonGroup>
#include <QLabel>

#include "FormDriver.h"

class GeneralFormsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::FormDriver> m_ui;
  guitest::FormDriver& ui() { return *m_ui; }
  GeneralParameters& general() { return ui().general(); }
  BaseParameters& base() { return general().base; }

 private slots:
  void init() { m_ui = std::make_unique<guitest::FormDriver>(); }
  void cleanup() { m_ui.reset(); }

  void eachEditIsCheckedAgainstItsOwnBounds() {
    const struct {
      GroupRef group;
      const char* edit;
      const char* typed;
      const char* message;
    } cases[] = {
        {&general().filters, "damper2Filter", "65", "Введите целое число от 0 до 64."},
        {&general().keys, "mode1Pulse", "1000", "Введите целое число от 0 до 999."},
        {&general().keys, "mode14Pause", "-1", "Введите целое число от 0 до 999."},
        {&general().keys, "mode3Pulse", "1,5", "Введите целое число."},
        {&base(), "psychrometricCoefficient", "90", "Введите целое число от 64 до 80."},
        {&general().pid[1], "pidDerivativeTime", "1000", "Введите целое число от 0 до 999."},
        {&general().pid[0], "pidPulsePeriod", "121", "Введите целое число от 0 до 120."},
        {&general().corrections, "productShift", "51.2", "Введите число от -51.1 до 51.1."},
        {&general().corrections, "wetSlope", "-25.6", "Введите число от -25.5 до 25.5."},
        {&general().corrections, "wetShift", "1,5x", "Введите число."},
    };
    for (const auto& c : cases) {
      QVERIFY(ui().open(c.group));
      const std::string before = ui().doc().text();
      QLineEdit* edit = ui().edit(c.edit);
      QVERIFY2(edit, c.typed);
      ui().type(edit, QString::fromUtf8(c.typed));
      QCOMPARE(ui().messages(), QStringList{c.message});
      QVERIFY2(ui().doc().text() == before, c.typed);
      QTest::keyClick(edit, Qt::Key_Escape);
    }
  }

  void baseControlsMapToTheirCells() {
    QVERIFY(ui().open(&base()));
    const struct {
      const char* name;
      int choose;  // list entry, or -1 for a click
      BaseParameters::Cell cell;
      int value;
    } cases[] = {
        {"sensorType", 2, BaseParameters::O01, 2},
        {"showTenths", -1, BaseParameters::O02, 0},
        {"humidityIndicator1", -1, BaseParameters::O03, 0},
        {"parameterIndicator5", -1, BaseParameters::O04, 5},
        {"parameterIndicator1", -1, BaseParameters::O04, 1},
        {"calibration2", -1, BaseParameters::O05, 1},
        {"powerFailure3", -1, BaseParameters::O07, 3},
        {"powerFailure5", -1, BaseParameters::O07, 5},
        {"baudRate", 7, BaseParameters::O09, 7},
        {"indicationSwitching", 1, BaseParameters::O11, 1},
        {"secrecy", 0, BaseParameters::Scr, 1},
    };
    for (const auto& c : cases) {
      if (c.choose >= 0)
        ui().choose(ui().list(c.name), c.choose);
      else
        QTest::mouseClick(ui().button(c.name), Qt::LeftButton);
      QCOMPARE(base()[c.cell].value(), c.value);
    }
    QVERIFY(ui().messages().isEmpty());
  }

  void powerFailureChoiceEnablesItsPercentEdit() {
    QVERIFY(ui().open(&base()));
    for (int i = 0; i < 5; ++i) {
      QTest::mouseClick(ui().button(QByteArray("powerFailure") + QByteArray::number(i + 1)), Qt::LeftButton);
      QCOMPARE(base()[BaseParameters::O07].value(), i + 1);
      QCOMPARE(ui().edit("powerFailureDrop4")->isEnabled(), i + 1 == 4);
      QCOMPARE(ui().spin("powerFailureDrop4Spin")->isEnabled(), i + 1 == 4);
      QCOMPARE(ui().edit("powerFailureDrop5")->isEnabled(), i + 1 == 5);
      QCOMPARE(ui().spin("powerFailureDrop5Spin")->isEnabled(), i + 1 == 5);
    }
    // O07 = 5: the enabled edit is read and the other one follows it.
    ui().type(ui().edit("powerFailureDrop5"), "40");
    QCOMPARE(base()[BaseParameters::O08].value(), 40);
    QCOMPARE(ui().edit("powerFailureDrop4")->text(), QString("40"));
    ui().type(ui().edit("powerFailureDrop5"), "100");
    QCOMPARE(ui().messages(), QStringList{"Введите целое число от 0 до 99."});
    QCOMPARE(base()[BaseParameters::O08].value(), 40);

    // Each edit stands right after the words it completes, on their line.
    for (auto [button, edit] :
         {std::pair{"powerFailure4", "powerFailureDrop4"}, std::pair{"powerFailure5", "powerFailureDrop5"}}) {
      QLabel* words = nullptr;
      for (QLabel* l : ui().form()->findChildren<QLabel*>())
        if (l->buddy() == ui().button(button) && l->text().endsWith("больше чем на")) words = l;
      QVERIFY(words);
      const QRect text = words->contentsRect().translated(words->mapTo(ui().form(), QPoint()));
      const QRect field = ui().edit(edit)->geometry().translated(
          ui().edit(edit)->parentWidget()->mapTo(ui().form(), QPoint()));
      const int textRight = text.left() + words->fontMetrics().horizontalAdvance(words->text());
      QVERIFY2(field.left() >= textRight && field.left() - textRight < 40, edit);
      QVERIFY(field.top() < text.bottom() && field.bottom() > text.top());
    }
  }

  void aRefusedPartitionPutsTheListBack() {
    QVERIFY(ui().open(&base()));
    QComboBox* partition = ui().list("memoryPartition");
    guitest::MessageLog::answer() = messages::Answer::No;
    ui().choose(partition, 3);
    QCOMPARE(guitest::MessageLog::shown().size(), 1u);
    QCOMPARE(guitest::MessageLog::shown()[0].title, QString("Предупреждение"));
    QCOMPARE(base()[BaseParameters::O10].value(), 2);
    QCOMPARE(partition->currentIndex(), 2);

    guitest::MessageLog::answer() = messages::Answer::Yes;
    ui().choose(partition, 3);
    QCOMPARE(base()[BaseParameters::O10].value(), 3);
    QCoreApplication::processEvents();  // the posted refresh of every view
    QCOMPARE(ui().data().programCount(), 15);
    QCOMPARE(ui().tree()->topLevelItem(0)->childCount(), 15);
    QCOMPARE(ui().list("memoryPartition")->currentIndex(), 3);
  }

  void correctionsAreSignedTenthsThatStepAcrossZero() {
    Corrections& k = general().corrections;
    QVERIFY(ui().open(&k));
    Parameter& shift = k.cell(1, Corrections::Shift);
    Parameter& sign = k.cell(1, Corrections::ShiftSign);
    QLineEdit* edit = ui().edit("productShift");
    // Typed numbers: magnitude in tenths, truncated, and the sign apart.
    const struct {
      const char* typed;
      int magnitude, sign;
      const char* shown;
    } typed[] = {{"-0.35", 3, 1, "-0.3"}, {"2.3", 23, 0, "2.3"}, {"51.1", 511, 0, "51.1"}, {"-0", 0, 0, "0"}};
    for (const auto& t : typed) {
      ui().type(edit, t.typed);
      ui().form()->refreshForm();
      QCOMPARE(shift.value(), t.magnitude);
      QCOMPARE(sign.value(), t.sign);
      QCOMPARE(edit->text(), QString(t.shown));
    }
    // Spin steps, one click each, from the value the edit shows.
    const struct {
      const char* start;
      int direction;
      const char* shown;
    } steps[] = {{"-0.1", +1, "-0"},
                 {"-0", +1, "0.1"},
                 {"0", -1, "-0.1"},
                 {"51.1", +1, "51.1"},
                 {"-51.1", -1, "-51.1"}};
    for (const auto& s : steps) {
      ui().type(edit, s.start);
      ui().click(ui().spin("productShiftSpin"), s.direction);
      QCOMPARE(edit->text(), QString(s.shown));
      ui().form()->refreshForm();
      QCOMPARE(edit->text(), QString(s.shown));
    }
    QVERIFY(ui().messages().isEmpty());
  }

  void pidSwitchedOffShowsNoActuatorAndDisablesItsValues() {
    PidRegulator& pid = general().pid[1];
    pid[PidRegulator::P07].setEnteredValue(1);
    QVERIFY(ui().open(&pid));
    QAbstractButton* on = ui().button("pidEnabled");
    const auto valuesEnabled = [&] {
      bool all = true, none = true;
      for (const char* value : {"pidDerivativeTime", "pidIntegralTime", "pidProportionalBand",
                                "pidPulsePeriod", "pidIntegralZone", "pidPowerLimit", "pidDeadZone"}) {
        for (QWidget* w : {ui().control(value), ui().control(QByteArray(value) + "Spin")}) {
          all = all && w->isEnabled();
          none = none && !w->isEnabled();
        }
      }
      for (int i = 1; i <= 7; ++i) {
        QAbstractButton* type = ui().button(QByteArray("pidActuator") + QByteArray::number(i));
        all = all && type->isEnabled();
        none = none && !type->isEnabled();
        if (type->isChecked()) return -2;  // a button checked
      }
      return all ? 1 : none ? 0 : -1;
    };
    QVERIFY(!on->isChecked());
    QCOMPARE(valuesEnabled(), 0);

    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(pid[PidRegulator::P07].value(), 0);
    QVERIFY(ui().button("pidActuator1")->isChecked());
    // Positions 0..6 stand for the actuator types 0, 2..7.
    const int types[] = {0, 2, 3, 4, 5, 6, 7};
    for (int i = 6; i >= 0; --i) {
      QTest::mouseClick(ui().button(QByteArray("pidActuator") + QByteArray::number(i + 1)), Qt::LeftButton);
      QCOMPARE(pid[PidRegulator::P07].value(), types[i]);
    }
    ui().type(ui().edit("pidDeadZone"), "12");
    QCOMPARE(pid[PidRegulator::P08].value(), 12);
    QCOMPARE(std::string(pid[PidRegulator::P08].code()), std::string("P.08"));

    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(pid[PidRegulator::P07].value(), 1);
    QCOMPARE(valuesEnabled(), 0);
  }
};

TKV88_GUI_SUITE(GeneralFormsTest);
#include "GeneralFormsTest.moc"
