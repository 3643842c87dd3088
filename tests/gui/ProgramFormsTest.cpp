// The forms of the programs, driven as a user does: the comparator page
// ("Включен" with the relay, the humidity input's ranges and units, checks
// of both setpoints before either is stored), the tabbed comparators, the
// step form and the rename dialog.
#include <QAccessible>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

#include "FormDriver.h"
#include "forms/ComparatorPage.h"
#include "forms/ComparatorTabs.h"
#include "forms/RenameProgramDialog.h"
#include "model/SetpointPair.h"
#include "widgets/MaskedLineEdit.h"

class ProgramFormsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::FormDriver> m_ui;
  guitest::FormDriver& ui() { return *m_ui; }
  Program& program(int i) { return *ui().data().programAt(i); }
  Step& step(int i) {
    Program& p = program(0);
    while (p.stepCount() <= i) p.steps.emplace_back();
    return *p.stepAt(i);
  }
  // A step with its form shown.
  Step& openStep(int i = 0) {
    Step& s = step(i);
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &program(0)});
    ui().open(&s);
    return s;
  }

 private slots:
  void init() { m_ui = std::make_unique<guitest::FormDriver>(); }
  void cleanup() { m_ui.reset(); }

  void switchingAComparatorOffAndOnKeepsItsRelay() {
    Comparator& c = program(0).comparators[1];
    c[Comparator::C02].setEnteredValue(3);
    QVERIFY(ui().open(&c));
    QAbstractButton* on = ui().button("comparatorEnabled");
    QVERIFY(on->isChecked());
    QCOMPARE(ui().list("comparatorOutput")->currentIndex(), 2);
    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(c[Comparator::C02].value(), 0);
    for (const char* name :
         {"comparatorInput", "comparatorOutput", "onDelay", "onDelaySpin", "offDelay", "offDelaySpin",
          "upperSetpoint", "upperSetpointSpin", "lowerSetpoint", "lowerSetpointSpin", "comparatorLogic1",
          "comparatorLogic4", "blockAtProgramStart", "blockUntilReleased", "comparatorInputLabel",
          "offDelayLabel", "upperSetpointUnit", "lowerSetpointUnit"})
      QVERIFY2(!ui().control(name)->isEnabled(), name);
    QCOMPARE(ui().list("comparatorOutput")->currentIndex(), 2);
    QTest::mouseClick(on, Qt::LeftButton);
    QCOMPARE(c[Comparator::C02].value(), 3);
    QVERIFY(ui().list("comparatorOutput")->isEnabled());
    ui().choose(ui().list("comparatorOutput"), 5);
    QCOMPARE(c[Comparator::C02].value(), 6);
  }

  void aHumidityInputTakesPercentRanges() {
    Comparator& c = program(0).comparators[0];
    QVERIFY(ui().open(&c));
    QCOMPARE(ui().control<QLabel>("upperSetpointUnit")->text(), QString("(°С)"));
    ui().choose(ui().list("comparatorInput"), 4);
    QVERIFY(ui().messages().isEmpty());  // the clamped setpoints are no error of the user's
    QCOMPARE(c[Comparator::C01].value(), 5);
    QCOMPARE(c[Comparator::C03].value(), 0);
    QCOMPARE(c[Comparator::C04].value(), 99);
    for (const char* unit : {"upperSetpointUnit", "lowerSetpointUnit"})
      QCOMPARE(ui().control<QLabel>(unit)->text(), QString("(%)"));
    for (const char* spin : {"upperSetpointSpin", "lowerSetpointSpin"}) {
      QCOMPARE(ui().spin(spin)->minimum(), 0);
      QCOMPARE(ui().spin(spin)->maximum(), 99);
    }
    ui().type(ui().edit("upperSetpoint"), "100");
    QCOMPARE(ui().messages(), QStringList{"Введите целое число от 0 до 99."});
    QTest::keyClick(ui().edit("upperSetpoint"), Qt::Key_Escape);
    ui().choose(ui().list("comparatorInput"), 1);
    QCOMPARE(ui().control<QLabel>("lowerSetpointUnit")->text(), QString("(°С)"));
    QCOMPARE(ui().spin("upperSetpointSpin")->minimum(), -99);
  }

  void aComparatorChecksItsNumbersBeforeStoringThem() {
    Comparator& c = program(0).comparators[2];
    QVERIFY(ui().open(&c));
    const struct {
      const char* edit;
      const char* text;
      const char* otherEdit;  // given a valid value that must not be stored either
      const char* message;
    } cases[] = {
        {"lowerSetpoint", "1000", "upperSetpoint", "Введите целое число от -99 до 999."},
        {"offDelay", "-1", "onDelay", "Введите целое число от 0 до 999."},
        {"onDelay", "x", "offDelay", "Введите целое число."},
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
    ui().edit("upperSetpoint")->setText("-20");
    ui().edit("offDelay")->setText("30");
    QTest::mouseClick(ui().button("comparatorLogic2"), Qt::LeftButton);
    QTest::mouseClick(ui().button("blockAtProgramStart"), Qt::LeftButton);
    QCOMPARE(c[Comparator::C03].value(), -20);
    QCOMPARE(c[Comparator::C10].value(), 30);
    QCOMPARE(c[Comparator::C05].value(), 1);
    QCOMPARE(c[Comparator::C06].value(), 1);
  }

  void theTabbedComparatorsShowTheProgramsFour() {
    QDialog host;  // Enter and Escape in a page must not close what holds it
    ComparatorTabs tabs(&host);
    tabs.bindProgram(&program(3));
    QCOMPARE(tabs.tabs()->objectName(), QString("comparatorTabBar"));
    QCOMPARE(tabs.tabs()->count(), 4);
    for (int i = 0; i < 4; ++i) {
      QCOMPARE(tabs.tabs()->tabText(i), QString("Компаратор %1").arg(i + 1));
      QCOMPARE(tabs.page(i)->comparator(), &program(3).comparators[i]);
    }
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    // White only inside a form view; here a page paints as a dialog does.
    QVERIFY(tabs.page(0)->palette().color(QPalette::Window) != QColor(Qt::white));
    QVERIFY(ui().open(&program(3).comparators[0]));
    auto* inForm = ui().pane()->activeView()->findChild<ComparatorPage*>();
    QVERIFY(inForm->autoFillBackground());
    QCOMPARE(inForm->palette().color(QPalette::Window), QColor(Qt::white));
    tabs.tabs()->setCurrentIndex(2);
    auto* delay = tabs.page(2)->findChild<QLineEdit*>("onDelay");
    delay->setFocus();
    delay->selectAll();
    QTest::keyClicks(delay, "77");
    QTest::keyClick(delay, Qt::Key_Return);
    QCOMPARE(program(3).comparators[2][Comparator::C09].value(), 77);
    QTest::keyClick(tabs.page(2)->findChild<QWidget*>("comparatorOutput"), Qt::Key_Escape);
    QTest::keyClick(delay, Qt::Key_Escape);
    QVERIFY(host.isVisible());
    tabs.bindProgram(nullptr);
    QCOMPARE(tabs.page(0)->comparator(), nullptr);
  }

  void valuesBeyondTheirLimitsAreShownMarkedAndStoredOnlyWhenEdited() {
    // As a file or a controller gives them: the inputs' limits, the values read.
    Step& s = step(0);
    s[Step::E_01].setEnteredValue(5);
    setPairFixed(s[Step::E_02], s[Step::E_03], 1502);
    s[Step::U02].setEnteredValue(9);
    s[Step::U03].setEnteredValue(500);
    s.selectInputRanges();
    Comparator& c = program(0).comparators[0];
    c[Comparator::C01].setEnteredValue(5);
    c[Comparator::C03].setEnteredValue(150);
    c.selectInputRanges();
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &program(0)});
    ui().doc().setModified(false);
    const std::string before = ui().doc().text();

    const struct {
      GroupRef group;
      const char* edit;
      const char* shown;
      const char* tip;
      const char* typed;  // then typed by the user: a setpoint is clamped
      const char* stored;
    } cases[] = {
        {&s, "regulator2Setpoint", "150.2", "вне допустимого диапазона 0…99.9", "150.2", "99.9"},
        {&s, "transitionSetpoint", "500", "вне допустимого диапазона 0…100", "100", "100"},
        {&c, "upperSetpoint", "150", "вне допустимого диапазона 0…99", "99", "99"},
    };
    for (const auto& k : cases) {
      QVERIFY(ui().open(k.group));
      QLineEdit* edit = ui().edit(k.edit);
      QCOMPARE(edit->text(), QString(k.shown));
      QCOMPARE(edit->toolTip(), QString(k.tip));
      QCOMPARE(edit->palette().color(QPalette::Text), QColor(Qt::red));
      // A command that commits the form (a save) stores nothing either.
      QVERIFY(ui().pane()->commitActiveForm());
      QVERIFY2(ui().doc().text() == before && !ui().doc().isModified(), k.typed);
      QVERIFY(ui().messages().isEmpty());
    }
    for (const auto& k : cases) {
      QVERIFY(ui().open(k.group));
      QLineEdit* edit = ui().edit(k.edit);
      ui().type(edit, k.typed);
      ui().form()->refreshForm();
      QCOMPARE(edit->text(), QString(k.stored));
      QVERIFY(edit->toolTip().isEmpty());
    }
  }

  void lookingAtAStepChangesNothing() {
    // Values a form shows in its own way: a zero rate with its sign set, a
    // humidity input, a long duration.
    Step& s = step(0);
    s[Step::E04].setEnteredValue(0);
    s[Step::E05].setEnteredValue(1);
    s[Step::E_01].setEnteredValue(5);
    s[Step::E_02].setEnteredValue(50);
    s[Step::U04].setEnteredValue(63);
    s[Step::U02].setEnteredValue(10);
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &program(0)});
    ui().doc().setModified(false);
    QVERIFY(ui().open(&s));
    QVERIFY(ui().open(&program(0).comparators[3]));
    QVERIFY(!ui().doc().isModified());
  }

  void eachFrameIsAnnouncedWithItsOwnTitle() {
    openStep();
    for (const char* name : {"valueConditionFrame", "durationFrame", "regulator1", "regulator2"}) {
      auto* frame = ui().control<QGroupBox>(name);
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(frame);
      QCOMPARE(a->text(QAccessible::Name), frame->title());
    }
  }

  void theTransitionConditionEnablesItsControls() {
    Step& s = openStep();
    const char* const byValue[] = {"valueConditionFrame",     "transitionSetpointSpin",
                                   "transitionSetpoint",      "valueCondition",
                                   "transitionSetpointLabel", "transitionSetpointUnit"};
    const char* const byTime[] = {"durationFrame", "stepDuration", "durationFormat"};
    for (int u01 : {1, 0, 3, 2}) {
      ui().choose(ui().list("transitionCondition"), u01);
      QCOMPARE(s[Step::U01].value(), u01);
      for (const char* name : byValue) QCOMPARE(ui().control(name)->isEnabled(), u01 != 1);
      for (const char* name : byTime) QCOMPARE(ui().control(name)->isEnabled(), u01 != 0);
    }
  }

  void aHumidityConditionTakesPercentAndItsRange() {
    Step& s = openStep();
    s[Step::U03].setEnteredValue(150);
    ui().form()->refreshForm();
    ui().choose(ui().list("valueCondition"), 8);  // "влажность больше уставки"
    QCOMPARE(s[Step::U02].value(), 9);
    QCOMPARE(s[Step::U03].value(), 100);
    QCOMPARE(ui().edit("transitionSetpoint")->text(), QString("100"));
    QCOMPARE(ui().control<QLabel>("transitionSetpointUnit")->text(), QString("(%)"));
    QCOMPARE(ui().spin("transitionSetpointSpin")->minimum(), 0);
    QCOMPARE(ui().spin("transitionSetpointSpin")->maximum(), 100);
    ui().click(ui().spin("transitionSetpointSpin"), +1);
    QCOMPARE(s[Step::U03].value(), 100);
    ui().choose(ui().list("valueCondition"), 0);
    QCOMPARE(ui().control<QLabel>("transitionSetpointUnit")->text(), QString("(°С)"));
    QCOMPARE(ui().spin("transitionSetpointSpin")->minimum(), -99);
    ui().type(ui().edit("transitionSetpoint"), "1000");
    QCOMPARE(ui().messages(), QStringList{"Введите целое число от -99 до 999."});
    QCOMPARE(s[Step::U03].value(), 100);
  }

  void theDurationIsRefusedBeyond63Hours59Minutes() {
    Step& s = openStep();
    auto* duration = ui().control<MaskedLineEdit>("stepDuration");
    const struct {
      const char* typed;
      int caretInput;  // the input position the caret is put on, -1 when accepted
      int hours, minutes;
    } cases[] = {{"6400", 0, 2, 15}, {"1260", 2, 2, 15}, {"6359", -1, 63, 59}, {"0005", -1, 0, 5}};
    for (const auto& c : cases) {
      duration->setFocus();
      QTest::keyClick(duration, Qt::Key_Home);
      QTest::keyClicks(duration, c.typed);
      ui().tree()->setFocus();
      QCoreApplication::processEvents();
      QCOMPARE(s[Step::U04].value(), c.hours);
      QCOMPARE(s[Step::U05].value(), c.minutes);
      if (c.caretInput < 0) {
        QVERIFY2(ui().messages().isEmpty(), c.typed);
        continue;
      }
      QCOMPARE(ui().messages(), QStringList{"Время не должно превышать 63 часов 59 минут"});
      QCOMPARE(QApplication::focusWidget(), duration);
      QCOMPARE(duration->cursorPosition(), duration->inputToPosition(c.caretInput));
      QTest::keyClick(duration, Qt::Key_Escape);  // the stored duration again
      QCOMPARE(duration->text(), QString("02:15"));
    }
  }

  void aRefusedDurationStopsTheCommandThatFollows() {
    Step& s = openStep();
    MainWindow& frame = *ui().shell->frame;
    int saves = 0;
    QObject probe;
    frame.onTriggered(frame.actions().save, &probe, [&] { ++saves; });
    auto* duration = ui().control<MaskedLineEdit>("stepDuration");
    // A shortcut or a menu leaves the focus in the field: the command commits it.
    for (QAction* command : {frame.actions().save, frame.actions().writeDevice, frame.actions().tableMode}) {
      for (const char* typed : {"6400", "1260"}) {
        duration->setFocus();
        QTest::keyClick(duration, Qt::Key_Home);
        QTest::keyClicks(duration, typed);
        command->trigger();
        QCOMPARE(ui().messages(), QStringList{"Время не должно превышать 63 часов 59 минут"});
        QCOMPARE(saves, 0);
        QCOMPARE(ui().shell->frame->viewMode(), int(MainWindow::kDialogMode));
        QCOMPARE(s[Step::U04].value(), 2);
        QCOMPARE(s[Step::U05].value(), 15);
        QCOMPARE(QApplication::focusWidget(), duration);
        QCOMPARE(duration->cursorPosition(), duration->inputToPosition(typed[0] == '6' ? 0 : 2));
        QTest::keyClick(duration, Qt::Key_Escape);
      }
    }
    QTest::keyClicks(duration, "0130");
    frame.actions().save->trigger();
    QCOMPARE(saves, 1);
    QCOMPARE(s[Step::U04].value(), 1);
  }

  void setpointsAndRatesAreFixedPointNumbers() {
    Step& s = openStep();
    QLineEdit* setpoint = ui().edit("regulator1Setpoint");
    SpinButton* spin = ui().spin("regulator1SetpointSpin");
    ui().type(setpoint, "-12.55");
    QCOMPARE(s[Step::E02].value(), -12);
    QCOMPARE(s[Step::E03].value(), 5);
    QCOMPARE(setpoint->text(), QString("-12.5"));
    ui().click(spin, +1);
    QCOMPARE(setpoint->text(), QString("-12.4"));
    const struct {
      const char* typed;
      int direction;  // 0: no step
      const char* shown;
    } cases[] = {{"0", -1, "-1.0"}, {"abc", 0, "0.0"},    {"-0.5", 0, "0.0"}, {"999.9", +1, "999.9"},
                 {"2.3", 0, "2.3"}, {"12abc", 0, "12.0"}, {"5,5", 0, "5.5"}};
    for (const auto& c : cases) {
      ui().type(setpoint, c.typed);
      if (c.direction) ui().click(spin, c.direction);
      QCOMPARE(setpoint->text(), QString(c.shown));
    }
    // The rate: tenths with a sign cell, a zero rate never negative.
    QLineEdit* rate = ui().edit("regulator2Rate");
    ui().type(rate, "-4.56");
    QCOMPARE(s[Step::E_04].value(), 45);
    QCOMPARE(s[Step::E_05].value(), 1);
    ui().type(rate, "-0.1");
    ui().click(ui().spin("regulator2RateSpin"), +1);
    QCOMPARE(rate->text(), QString("0"));
    ui().type(rate, "-0");  // no number below zero: no sign
    QCOMPARE(s[Step::E_04].value(), 0);
    QCOMPARE(s[Step::E_05].value(), 0);
    ui().type(rate, "1000");
    QCOMPARE(s[Step::E_04].value(), 999);
    QCOMPARE(rate->text(), QString("99.9"));
    QVERIFY(ui().messages().isEmpty());

    // A humidity input takes percent and the humidity limits, the setpoint
    // clamped as a whole number.
    ui().type(setpoint, "150");
    ui().choose(ui().list("regulator1Input"), 4);
    QCOMPARE(s[Step::E01].value(), 5);
    QCOMPARE(setpoint->text(), QString("99.9"));
    QCOMPARE(ui().control<QLabel>("regulator1SetpointUnit")->text(), QString("(%)"));
    QCOMPARE(ui().control<QLabel>("regulator1RateUnit")->text(), QString("(% /мин.)"));
    QCOMPARE(ui().control<QLabel>("regulator2SetpointUnit")->text(), QString("(°С)"));
  }

  void theKeyListsNameTheLivePulseModes() {
    step(0);
    QVERIFY(ui().open(&ui().general().keys));
    ui().type(ui().edit("mode2Pulse"), "5");
    ui().type(ui().edit("mode2Pause"), "10");
    Step& s = openStep();
    QComboBox* key1 = ui().list("key1Mode");
    QCOMPARE(key1->count(), 16);
    QCOMPARE(key1->itemText(0), QString("не замкнут (транзистор закрыт)"));
    QCOMPARE(key1->itemText(3), QString("режим № 2   импульс: 5с   пауза: 10с"));
    ui().choose(ui().list("key8Mode"), 15);
    QCOMPARE(s[Step::N08].value(), 15);
    // A change made elsewhere reaches the lists when values come back (an undo).
    ui().general().keys.pulse(14).setEnteredValue(7);
    ui().doc().announce({DocumentChange::Kind::Values});
    QCOMPARE(ui().list("key8Mode")->currentText(), QString("режим №14   импульс: 7с   пауза: 0с"));
  }

  void aSwitchedOffRegulatorDisablesItsBlock() {
    ui().general().pid[0][PidRegulator::P07].setEnteredValue(1);
    openStep();
    for (const char* what : {"", "InputLabel", "Input", "SetpointLabel", "SetpointUnit", "Setpoint",
                             "SetpointSpin", "RateLabel", "RateUnit", "Rate", "RateSpin"}) {
      const QByteArray first = QByteArray("regulator1") + what, second = QByteArray("regulator2") + what;
      QVERIFY2(!ui().control(first)->isEnabled(), first);
      QVERIFY2(ui().control(second)->isEnabled(), second);
    }
  }

  void theRenameDialogKeeps63Characters() {
    RenameProgramDialog dialog(ui().shell->frame.get());
    QCOMPARE(dialog.windowTitle(), QString("Переименование"));
    QCOMPARE(dialog.nameEdit()->objectName(), QString("programName"));
    QCOMPARE(dialog.nameEdit()->accessibleName(), QString("Новое имя"));
    const QString longest =
        QString("Сушка древесины, дуб 50 мм, камера №2, режим мягкий, вар.").leftJustified(63, u'Ж');
    dialog.setName(longest);
    dialog.show();
    QVERIFY(dialog.nameEdit()->width() >=
            dialog.nameEdit()->fontMetrics().horizontalAdvance(longest.left(55)));
    dialog.nameEdit()->end(false);
    QTest::keyClicks(dialog.nameEdit(), "X");
    QCOMPARE(dialog.name(), longest);
    // A name too long (none the program keeps) is refused, not cut unseen.
    dialog.setName(longest + "Y");
    dialog.accept();
    QCOMPARE(ui().messages(), QStringList{"Введите не более 63 символов."});
    QVERIFY(dialog.isVisible());
    // Characters a Windows-1251 name cannot hold are not taken.
    dialog.setName("Новое");
    dialog.nameEdit()->end(false);
    for (const char* typed : {"♥", "ñ", " ё№"}) dialog.nameEdit()->insert(QString::fromUtf8(typed));
    QCOMPARE(dialog.name(), QString("Новое ё№"));
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
  }

  void theRenameCommandStoresTheNameOfItsProgram() {
    Program& p = program(1);
    QVERIFY(ui().open(&p.comparators[0]));
    const struct {
      const char* typed;  // nothing: the dialog is cancelled
      const char* stored;
    } cases[] = {{"Сушка «ёЁ» №2 — тест", "Сушка «ёЁ» №2 — тест"}, {nullptr, "Сушка «ёЁ» №2 — тест"}};
    for (const auto& c : cases) {
      QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<RenameProgramDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (!c.typed) return dialog->reject();
        dialog->nameEdit()->selectAll();
        dialog->nameEdit()->insert(QString::fromUtf8(c.typed));
        dialog->accept();
      });
      ui().shell->frame->documentActions().renameProgram->trigger();
      QCOMPARE(QString::fromUtf8(p.name()), QString::fromUtf8(c.stored));
    }
    QCOMPARE(ui().tree()->topLevelItem(0)->child(1)->text(0),
             QString("Программа №2 «Сушка «ёЁ» №2 — тест» — нет шагов"));
  }
};

TKV88_GUI_SUITE(ProgramFormsTest);
#include "ProgramFormsTest.moc"
