// What every form shares, driven through the digital filters form: the
// checks and their messages, the order of a commit that fails half way, the
// spin that writes and commits, Escape restoring a refused value, a detached
// form writing nothing; and for every form of the pane: its controls named,
// "По умолчанию" shown at once, uncommitted text taken by the frame's
// commands.
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>

#include "FormDriver.h"
#include "forms/FormWidgets.h"
#include "shell/ButtonBar.h"

class GroupFormTest : public QObject {
  Q_OBJECT

  std::unique_ptr<guitest::FormDriver> m_ui;
  guitest::FormDriver& ui() { return *m_ui; }
  DigitalFilters& filters() { return ui().general().filters; }

 private slots:
  void init() {
    m_ui = std::make_unique<guitest::FormDriver>();
    QVERIFY(ui().open(&filters()));
  }
  void cleanup() { m_ui.reset(); }

  void typedValuesAreCheckedWhenTheEditIsLeft() {
    const struct {
      const char* typed;
      int stored;           // D01 afterwards (it starts at 0)
      const char* message;  // nothing when accepted
    } cases[] = {
        {"12", 12, nullptr},
        {" 7 ", 7, nullptr},
        {"90", 7, "Введите целое число от 0 до 64."},
        {"-1", 7, "Введите целое число от 0 до 64."},
        {"abc", 7, "Введите целое число."},
        {"1.5", 7, "Введите целое число."},
        {"", 7, "Введите целое число."},
        {"99999999999", 7, "Введите целое число."},
    };
    QLineEdit* d01 = ui().edit("wetFilter");
    for (const auto& c : cases) {
      ui().type(d01, QString::fromUtf8(c.typed));
      QCOMPARE(filters()[0].value(), c.stored);
      // The framework's box: the exclamation icon.
      for (const messages::Shown& m : guitest::MessageLog::shown()) QCOMPARE(m.icon, QMessageBox::Warning);
      const QStringList shown = ui().messages();
      if (!c.message) {
        QVERIFY2(shown.isEmpty(), c.typed);
        continue;
      }
      QCOMPARE(shown, QStringList{c.message});
      QCOMPARE(guitest::MessageLog::shown().size(), 0u);
      // The focus is back in the edit with its text selected.
      QCOMPARE(QApplication::focusWidget(), d01);
      QCOMPARE(d01->selectedText(), d01->text());
    }
  }

  void aFailedCheckKeepsEarlierValuesAndWritesNoLaterOnes() {
    ui().edit("wetFilter")->setText("5");
    ui().edit("dryFilter")->setText("65");
    ui().edit("productFilter")->setText("6");
    QVERIFY(!ui().form()->commitForm());
    QCOMPARE(filters()[0].value(), 5);
    QCOMPARE(filters()[1].value(), 0);
    QCOMPARE(filters()[2].value(), 0);
    QCOMPARE(ui().messages(), QStringList{"Введите целое число от 0 до 64."});
    QCOMPARE(QApplication::focusWidget(), ui().edit("dryFilter"));
  }

  void escapeRestoresTheShownValueSoTheUserCanLeave() {
    filters()[3].setEnteredValue(9);
    ui().form()->refreshForm();
    QLineEdit* d04 = ui().edit("humidityFilter");
    ui().type(d04, "100");
    QCOMPARE(ui().messages().size(), 1);
    QTest::keyClick(d04, Qt::Key_Escape);
    QCOMPARE(d04->text(), QString("9"));
    ui().tree()->setFocus();
    QVERIFY(ui().messages().isEmpty());
    QCOMPARE(filters()[3].value(), 9);
  }

  void spinStepsWriteTheEditAndCommit() {
    SpinButton* spin = ui().spin("wetFilterSpin");
    QLineEdit* d01 = ui().edit("wetFilter");
    ui().click(spin, +1);
    QCOMPARE(d01->text(), QString("1"));
    QCOMPARE(filters()[0].value(), 1);
    // The arrow keys in the edit step as the arrows do.
    d01->setFocus();
    QTest::keyClick(d01, Qt::Key_Up);
    QCoreApplication::processEvents();
    QCOMPARE(filters()[0].value(), 2);
    ui().click(spin, -1);
    ui().click(spin, -1);
    ui().click(spin, -1);
    QCOMPARE(d01->text(), QString("0"));
    QCOMPARE(filters()[0].value(), 0);
    // At the top of the range a step changes nothing.
    filters()[0].setEnteredValue(64);
    ui().form()->refreshForm();
    ui().click(spin, +1);
    QCOMPARE(d01->text(), QString("64"));
    QCOMPARE(filters()[0].value(), 64);
    QVERIFY(ui().messages().isEmpty());
  }

  void aDetachedFormKeepsItsTextsAndWritesNothing() {
    GroupForm* form = ui().form();
    form->bindGroup(nullptr);
    ui().edit("wetFilter")->setText("33");
    QVERIFY(form->commitForm());
    QCOMPARE(filters()[0].value(), 0);
    QCOMPARE(ui().edit("wetFilter")->text(), QString("33"));
  }

  void enterAndEscapeStayInTheForm() {
    QLineEdit* d02 = ui().edit("dryFilter");
    d02->setFocus();
    d02->selectAll();
    QTest::keyClicks(d02, "17");
    QTest::keyClick(d02, Qt::Key_Return);
    QCOMPARE(filters()[1].value(), 17);
    QVERIFY(ui().form()->isVisible());
  }

  void everyControlCarriesAWordNameAndItsLabelsText() {
    Program& p = *ui().data().programAt(0);
    p.steps.emplace_back();
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &p});
    const GroupRef groups[] = {&p.comparators[0],           &p.steps.front(), &ui().general().keys,
                            &ui().general().corrections, &filters(),       &ui().general().base,
                            &ui().general().pid[1]};
    const QRegularExpression word("^[a-z][A-Za-z0-9]*$");
    for (GroupRef group : groups) {
      GroupForm* form = ui().open(group);
      QVERIFY(form);
      QSet<QString> names;
      for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) &&
            !qobject_cast<QAbstractButton*>(w) && !qobject_cast<SpinButton*>(w))
          continue;
        const QString where =
            form->objectName() + ": " + w->metaObject()->className() + " " + w->objectName();
        QVERIFY2(word.match(w->objectName()).hasMatch(), qPrintable(where));
        QVERIFY2(!names.contains(w->objectName()), qPrintable(where));  // found by its name alone
        names << w->objectName();
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(where));
      }
      QVERIFY(names.size() > 5);
      for (QLabel* label : form->findChildren<QLabel*>())
        if (label->buddy() && names.contains(label->buddy()->objectName()))
          QVERIFY2(label->buddy()->accessibleName().contains(formui::plain(label->text())),
                   qPrintable(label->buddy()->objectName()));
    }
  }

  void spinRangesAreTheFormsOwn() {
    Program& p = *ui().data().programAt(0);
    p.steps.emplace_back();
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &p});
    GeneralParameters& g = ui().general();
    const struct {
      GroupRef group;
      const char* spin;
      int min, max;
    } cases[] = {
        {&filters(), "damper2FilterSpin", 0, 64},
        {&g.keys, "mode1PulseSpin", 0, 999},
        {&g.keys, "mode14PauseSpin", 0, 999},
        {&g.corrections, "wetSlopeSpin", -1000, 1000},
        {&g.base, "psychrometricCoefficientSpin", 64, 80},
        {&g.base, "powerFailureDrop5Spin", 0, 99},
        {&g.pid[0], "pidPulsePeriodSpin", 0, 120},
        {&g.pid[0], "pidDeadZoneSpin", 0, 99},
        {&g.pid[1], "pidIntegralZoneSpin", 0, 999},
        {&p.steps.front(), "transitionSetpointSpin", -99, 999},
        {&p.steps.front(), "regulator2RateSpin", -999, 999},
        {&p.comparators[1], "offDelaySpin", 0, 999},
        {&p.comparators[1], "lowerSetpointSpin", -99, 999},
    };
    for (const auto& c : cases) {
      QVERIFY(ui().open(c.group));
      SpinButton* spin = ui().spin(c.spin);
      QVERIFY2(spin, c.spin);
      QCOMPARE(spin->minimum(), c.min);
      QCOMPARE(spin->maximum(), c.max);
    }
  }

  void holdingAnArrowRepeatsTheStep() {
    SpinButton* spin = ui().spin("wetFilterSpin");
    const QPoint up(spin->width() / 2, spin->height() / 4);
    QTest::mousePress(spin, Qt::LeftButton, {}, up);
    QTRY_VERIFY(filters()[0].value() > 2);  // the repeat goes on while the arrow is held
    QTest::mouseRelease(spin, Qt::LeftButton, {}, up);
    QCoreApplication::processEvents();
    QVERIFY(filters()[0].value() > 2);
    QCOMPARE(ui().edit("wetFilter")->text(), QString::number(filters()[0].value()));
  }

  void restoringDefaultsShowsThemAtOnce() {
    ui().type(ui().edit("dryFilter"), "7");
    QCOMPARE(filters()[1].value(), 7);
    QCoreApplication::processEvents();  // the edit becomes an undo step
    QTest::mouseClick(ui().pane()->currentBar()->button(ui().pane()->restoreDefaultsAction()),
                      Qt::LeftButton);
    QCOMPARE(filters()[1].value(), 0);
    QCOMPARE(ui().edit("dryFilter")->text(), QString("0"));
  }

  void theFramesCommandsTakeTextNotYetLeft() {
    QObject saving;  // what the application's save would do
    ui().shell->frame->onTriggered(ui().shell->frame->actions().save, &saving, [] {});
    QLineEdit* d06 = ui().edit("damper2Filter");
    d06->setFocus();
    d06->selectAll();
    QTest::keyClicks(d06, "21");
    ui().shell->frame->actions().save->trigger();
    QCOMPARE(filters()[5].value(), 21);
    // A refused value stops the command where the user can see why.
    QTest::keyClicks(d06, "0");
    ui().shell->frame->actions().listMode->trigger();
    QCOMPARE(ui().messages(), QStringList{"Введите целое число от 0 до 64."});
    QCOMPARE(ui().shell->frame->viewMode(), int(MainWindow::kDialogMode));
  }

  void theStepFormFollowsTheStepCommands() {
    Program& p = *ui().data().programAt(0);
    Step& first = p.steps.emplace_back();
    ui().doc().announce({DocumentChange::Kind::Steps, nullptr, &p});
    GroupForm* form = ui().open(&first);
    // The new step (a copy of the selected one) is the one the form edits.
    QTest::mouseClick(ui().pane()->stepBar()->button(ui().shell->frame->documentActions().addStepBefore),
                      Qt::LeftButton);
    QCOMPARE(p.stepCount(), 2);
    QCOMPARE(form->boundGroup(), GroupRef(&p.steps.front()));
    ui().type(ui().edit("regulator1Rate"), "12.5");
    QCOMPARE(p.steps.front()[Step::E04].value(), 125);
    QCOMPARE(p.steps.back()[Step::E04].value(), 45);
  }
};

TKV88_GUI_SUITE(GroupFormTest);
#include "GroupFormTest.moc"
