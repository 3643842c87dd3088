// What every form shares, driven through the digital filters form: the
// checks and their messages, the order of a commit that fails half way, the
// spin that writes and commits, Escape restoring a refused value, a detached
// form writing nothing; and for every form of the pane: its controls named,
// "По умолчанию" shown at once, uncommitted text taken by the frame's
// commands.
#include <QPushButton>

#include "FormDriver.h"
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
        {"90", 7, "Please enter an integer between 0 and 64."},
        {"-1", 7, "Please enter an integer between 0 and 64."},
        {"abc", 7, "Please enter an integer."},
        {"1.5", 7, "Please enter an integer."},
        {"", 7, "Please enter an integer."},
        {"99999999999", 7, "Please enter an integer."},
    };
    QLineEdit* d01 = ui().edit(134);
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
    ui().edit(134)->setText("5");
    ui().edit(135)->setText("65");
    ui().edit(136)->setText("6");
    QVERIFY(!ui().form()->commitForm());
    QCOMPARE(filters()[0].value(), 5);
    QCOMPARE(filters()[1].value(), 0);
    QCOMPARE(filters()[2].value(), 0);
    QCOMPARE(ui().messages(), QStringList{"Please enter an integer between 0 and 64."});
    QCOMPARE(QApplication::focusWidget(), ui().edit(135));
  }

  void escapeRestoresTheShownValueSoTheUserCanLeave() {
    filters()[3].setEnteredValue(9);
    ui().form()->refreshForm();
    QLineEdit* d04 = ui().edit(137);
    ui().type(d04, "100");
    QCOMPARE(ui().messages().size(), 1);
    QTest::keyClick(d04, Qt::Key_Escape);
    QCOMPARE(d04->text(), QString("9"));
    ui().tree()->setFocus();
    QVERIFY(ui().messages().isEmpty());
    QCOMPARE(filters()[3].value(), 9);
  }

  void spinStepsWriteTheEditAndCommit() {
    SpinButton* spin = ui().spin(150);
    QLineEdit* d01 = ui().edit(134);
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
    ui().edit(134)->setText("33");
    QVERIFY(form->commitForm());
    QCOMPARE(filters()[0].value(), 0);
    QCOMPARE(ui().edit(134)->text(), QString("33"));
  }

  void enterAndEscapeStayInTheForm() {
    QLineEdit* d02 = ui().edit(135);
    d02->setFocus();
    d02->selectAll();
    QTest::keyClicks(d02, "17");
    QTest::keyClick(d02, Qt::Key_Return);
    QCOMPARE(filters()[1].value(), 17);
    QVERIFY(ui().form()->isVisible());
  }

  void everyControlCarriesItsIdAndItsLabelsText() {
    Program& p = *ui().data().programAt(0);
    p.steps.emplace_back();
    ui().doc().notifyViews();
    const void* groups[] = {&p.comparators[0],           &p.steps.front(), &ui().general().keys,
                            &ui().general().corrections, &filters(),       &ui().general().base,
                            &ui().general().pid[1]};
    for (const void* group : groups) {
      GroupForm* form = ui().open(group);
      QVERIFY(form);
      int controls = 0;
      for (QWidget* w : form->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) &&
            !qobject_cast<QAbstractButton*>(w) && !qobject_cast<SpinButton*>(w))
          continue;
        bool numeric = false;
        w->objectName().toInt(&numeric);
        QVERIFY2(numeric, qPrintable(form->objectName() + ": " + w->metaObject()->className()));
        QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->objectName()));
        ++controls;
      }
      QVERIFY(controls > 5);
    }
  }

  void spinRangesAreTheFormsOwn() {
    Program& p = *ui().data().programAt(0);
    p.steps.emplace_back();
    ui().doc().notifyViews();
    GeneralParameters& g = ui().general();
    const struct {
      const void* group;
      int spin, min, max;
    } cases[] = {
        {&filters(), 155, 0, 64},
        {&g.keys, 1151, 0, 999},
        {&g.keys, 1184, 0, 999},
        {&g.corrections, 1205, -1000, 1000},
        {&g.base, 150, 64, 80},
        {&g.base, 151, 0, 99},
        {&g.pid[0], 1408, 0, 120},
        {&g.pid[0], 1414, 0, 99},
        {&g.pid[1], 1410, 0, 999},
        {&p.steps.front(), 152, -99, 999},
        {&p.steps.front(), 1220, -999, 999},
        {&p.comparators[1], 151, 0, 999},
        {&p.comparators[1], 153, -99, 999},
    };
    for (const auto& c : cases) {
      QVERIFY(ui().open(c.group));
      SpinButton* spin = ui().spin(c.spin);
      QVERIFY2(spin, qPrintable(QString::number(c.spin)));
      QCOMPARE(spin->minimum(), c.min);
      QCOMPARE(spin->maximum(), c.max);
    }
  }

  void holdingAnArrowRepeatsTheStep() {
    SpinButton* spin = ui().spin(150);
    const QPoint up(spin->width() / 2, spin->height() / 4);
    QTest::mousePress(spin, Qt::LeftButton, {}, up);
    QTest::qWait(800);
    QTest::mouseRelease(spin, Qt::LeftButton, {}, up);
    QCoreApplication::processEvents();
    QVERIFY(filters()[0].value() > 2);
    QCOMPARE(ui().edit(134)->text(), QString::number(filters()[0].value()));
  }

  void restoringDefaultsShowsThemAtOnce() {
    ui().type(ui().edit(135), "7");
    QCOMPARE(filters()[1].value(), 7);
    QCoreApplication::processEvents();  // the edit becomes an undo step
    QTest::mouseClick(ui().pane()->currentBar()->button(ui().pane()->restoreDefaultsAction()),
                      Qt::LeftButton);
    QCOMPARE(filters()[1].value(), 0);
    QCOMPARE(ui().edit(135)->text(), QString("0"));
  }

  void theFramesCommandsTakeTextNotYetLeft() {
    QObject saving;  // what the application's save would do
    ui().shell->frame->onTriggered(ui().shell->frame->actions().save, &saving, [] {});
    QLineEdit* d06 = ui().edit(139);
    d06->setFocus();
    d06->selectAll();
    QTest::keyClicks(d06, "21");
    ui().shell->frame->actions().save->trigger();
    QCOMPARE(filters()[5].value(), 21);
    // A refused value stops the command where the user can see why.
    QTest::keyClicks(d06, "0");
    ui().shell->frame->actions().listMode->trigger();
    QCOMPARE(ui().messages(), QStringList{"Please enter an integer between 0 and 64."});
    QCOMPARE(ui().shell->frame->viewMode(), int(MainWindow::kDialogMode));
  }

  void theStepFormFollowsTheStepCommands() {
    Program& p = *ui().data().programAt(0);
    Step& first = p.steps.emplace_back();
    ui().doc().notifyViews();
    GroupForm* form = ui().open(&first);
    // The new step (a copy of the selected one) is the one the form edits.
    QTest::mouseClick(ui().pane()->stepBar()->button(ui().shell->frame->documentActions().addStepBefore),
                      Qt::LeftButton);
    QCOMPARE(p.stepCount(), 2);
    QCOMPARE(form->boundGroup(), static_cast<void*>(&p.steps.front()));
    ui().type(ui().edit(1214), "12.5");
    QCOMPARE(p.steps.front()[Step::E04].value(), 125);
    QCOMPARE(p.steps.back()[Step::E04].value(), 45);
  }
};

TKV88_GUI_SUITE(GroupFormTest);
#include "GroupFormTest.moc"
