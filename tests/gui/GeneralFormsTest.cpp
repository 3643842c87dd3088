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
      const void* group;
      int edit;
      const char* typed;
      const char* message;
    } cases[] = {
        {&general().filters, 139, "65", "Please enter an integer between 0 and 64."},
        {&general().keys, 1101, "1000", "Please enter an integer between 0 and 999."},
        {&general().keys, 1134, "-1", "Please enter an integer between 0 and 999."},
        {&base(), 134, "90", "Please enter an integer between 64 and 80."},
        {&general().pid[1], 1401, "1000", "Please enter an integer between 0 and 999."},
        {&general().pid[0], 1407, "121", "Please enter an integer between 0 and 120."},
        {&general().corrections, 1206, "51.2", "Please enter a number between -51.1 and 51.1."},
        {&general().corrections, 1211, "-25.6", "Please enter a number between -25.5 and 25.5."},
        {&general().corrections, 1208, "1,5x", "Please enter a number."},
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
      int id;
      int choose;  // list entry, or -1 for a click
      BaseParameters::Cell cell;
      int value;
    } cases[] = {
        {140, 2, BaseParameters::O01, 2},   {131, -1, BaseParameters::O02, 0},
        {160, -1, BaseParameters::O03, 0},  {166, -1, BaseParameters::O04, 5},
        {162, -1, BaseParameters::O04, 1},  {1004, -1, BaseParameters::O05, 1},
        {1011, -1, BaseParameters::O07, 3}, {1007, -1, BaseParameters::O07, 5},
        {142, 7, BaseParameters::O09, 7},   {143, 1, BaseParameters::O11, 1},
        {144, 0, BaseParameters::Scr, 1},
    };
    for (const auto& c : cases) {
      if (c.choose >= 0)
        ui().choose(ui().list(c.id), c.choose);
      else
        QTest::mouseClick(ui().button(c.id), Qt::LeftButton);
      QCOMPARE(base()[c.cell].value(), c.value);
    }
    QVERIFY(ui().messages().isEmpty());
  }

  void powerFailureChoiceEnablesItsPercentEdit() {
    QVERIFY(ui().open(&base()));
    const int buttons[] = {1009, 1010, 1011, 1008, 1007};
    for (int i = 0; i < 5; ++i) {
      QTest::mouseClick(ui().button(buttons[i]), Qt::LeftButton);
      QCOMPARE(base()[BaseParameters::O07].value(), i + 1);
      QCOMPARE(ui().edit(137)->isEnabled(), i + 1 == 4);
      QCOMPARE(ui().spin(152)->isEnabled(), i + 1 == 4);
      QCOMPARE(ui().edit(136)->isEnabled(), i + 1 == 5);
      QCOMPARE(ui().spin(151)->isEnabled(), i + 1 == 5);
    }
    // O07 = 5: the enabled edit is read and the other one follows it.
    ui().type(ui().edit(136), "40");
    QCOMPARE(base()[BaseParameters::O08].value(), 40);
    QCOMPARE(ui().edit(137)->text(), QString("40"));
    ui().type(ui().edit(136), "100");
    QCOMPARE(ui().messages(), QStringList{"Please enter an integer between 0 and 99."});
    QCOMPARE(base()[BaseParameters::O08].value(), 40);

    // Each edit stands right after the words it completes, on their line.
    for (auto [button, edit] : {std::pair{1008, 137}, std::pair{1007, 136}}) {
      QLabel* words = nullptr;
      for (QLabel* l : ui().form()->findChildren<QLabel*>())
        if (l->buddy() == ui().button(button) && l->text().endsWith("больше чем на")) words = l;
      QVERIFY(words);
      const QRect text = words->contentsRect().translated(words->mapTo(ui().form(), QPoint()));
      const QRect field = ui().edit(edit)->geometry().translated(
          ui().edit(edit)->parentWidget()->mapTo(ui().form(), QPoint()));
      const int textRight = text.left() + words->fontMetrics().horizontalAdvance(words->text());
      QVERIFY2(field.left() >= textRight && field.left() - textRight < 40, qPrintable(QString::number(edit)));
      QVERIFY(field.top() < text.bottom() && field.bottom() > text.top());
    }
  }

  void aRefusedPartitionPutsTheListBack() {
    QVERIFY(ui().open(&base()));
    QComboBox* partition = ui().list(141);
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
    QCOMPARE(ui().list(141)->currentIndex(), 3);
  }

  void correctionsAreSignedTenthsThatStepAcrossZero() {
    Corrections& k = general().corrections;
    QVERIFY(ui().open(&k));
    Parameter& shift = k.cell(1, Corrections::Shift);
    Parameter& sign = k.cell(1, Corrections::ShiftSign);
    QLineEdit* edit = ui().edit(1206);
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
      ui().click(ui().spin(1200), s.direction);
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
    QAbstractButton* on = ui().button(131);
    const auto valuesEnabled = [&] {
      bool all = true, none = true;
      for (int id = 1401; id <= 1414; ++id) {
        all = all && ui().control(id)->isEnabled();
        none = none && !ui().control(id)->isEnabled();
      }
      for (int id = 160; id <= 166; ++id) {
        all = all && ui().control(id)->isEnabled();
        none = none && !ui().control(id)->isEnabled();
        if (ui().button(id)->isChecked()) return -2;  // a button checked
      }
      return all ? 1 : none ? 0 : -1;
    };
    QVERIFY(!on->isChecked());
    QCOMPARE(valuesEnabled(), 0);

    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(pid[PidRegulator::P07].value(), 0);
    QVERIFY(ui().button(160)->isChecked());
    // Positions 0..6 stand for the actuator types 0, 2..7.
    const int types[] = {0, 2, 3, 4, 5, 6, 7};
    for (int i = 6; i >= 0; --i) {
      QTest::mouseClick(ui().button(160 + i), Qt::LeftButton);
      QCOMPARE(pid[PidRegulator::P07].value(), types[i]);
    }
    ui().type(ui().edit(1413), "12");
    QCOMPARE(pid[PidRegulator::P08].value(), 12);
    QCOMPARE(std::string(pid[PidRegulator::P08].code()), std::string("P.08"));

    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(pid[PidRegulator::P07].value(), 1);
    QCOMPARE(valuesEnabled(), 0);
  }
};

TKV88_GUI_SUITE(GeneralFormsTest);
#include "GeneralFormsTest.moc"
