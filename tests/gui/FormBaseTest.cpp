// What every form shares, driven through the digital filters form: the
// checks and their messages, the order of a commit that fails half way, the
// spin that writes and commits, Escape restoring a refused value, and a
// detached form writing nothing.
#include "FormDriver.h"

class FormBaseTest : public QObject {
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
    CSpinButton* spin = ui().spin(150);
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
    CMyFormView* form = ui().form();
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
};

TKV88_GUI_SUITE(FormBaseTest);
#include "FormBaseTest.moc"
