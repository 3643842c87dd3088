// The masked edit: its mask, typing, the editing keys, the clipboard, values
// set from outside, and the focus rules, driven through the widget as a user
// does; the locale's separators and the caret places through MaskedText.
#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "GuiTest.h"
#include "widgets/MaskedLineEdit.h"
#include "widgets/MaskedText.h"

namespace {

// Counts the refusals instead of sounding them.
class CountingEdit : public MaskedLineEdit {
 public:
  using MaskedLineEdit::MaskedLineEdit;
  int beeps = 0;
  bool ownCheck = true;

 protected:
  void badInput() override { ++beeps; }
  bool acceptsOnLeave() override { return ownCheck; }
};

// Plays a key script: ← → ⇱ ↑ ↓ are the caret keys, ⌫ Backspace, ⌦ Delete,
// ⎀ Insert; any other character is typed.
void play(QWidget* w, const QString& script) {
  static const QHash<QChar, Qt::Key> keys{
      {u'←', Qt::Key_Left}, {u'→', Qt::Key_Right},     {u'↑', Qt::Key_Up},     {u'↓', Qt::Key_Down},
      {u'⇱', Qt::Key_Home}, {u'⌫', Qt::Key_Backspace}, {u'⌦', Qt::Key_Delete}, {u'⎀', Qt::Key_Insert}};
  for (QChar c : script) {
    if (keys.contains(c))
      QTest::keyClick(w, keys[c]);
    else
      QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
}

// A field under `mask` with `fill`, showing `value`, with [selStart, selEnd) selected.
void prepare(CountingEdit& edit, const QString& mask, const QString& fill, const QString& value, int selStart,
             int selEnd) {
  edit.setMaskPattern(mask);
  edit.setFillChar(fill[0]);
  edit.setText(value);
  edit.setSelection(selStart, selEnd - selStart);
  edit.beeps = 0;
}

}  // namespace

class MaskedLineEditTest : public QObject {
  Q_OBJECT

 private slots:
  void editing_data() {
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("fill");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("caret");
    QTest::addColumn<int>("beeps");
    // clang-format off
    const QString t = "##:##";
    QTest::newRow("digits skip the colon")     << t << "0" << ""      << 0 << 0 << "1234" << "12:34" << 5 << 0;
    QTest::newRow("letter refused")            << t << "0" << "12:34" << 0 << 0 << "a"    << "12:34" << 0 << 1;
    QTest::newRow("typed on the colon")        << t << "0" << "12:34" << 2 << 2 << "5"    << "12:34" << 3 << 1;
    QTest::newRow("typed at the end")          << t << "0" << "12:34" << 5 << 5 << "5"    << "12:34" << 5 << 1;
    QTest::newRow("backspace after colon")     << t << "0" << "12:34" << 3 << 3 << "⌫"    << "10:34" << 1 << 0;
    QTest::newRow("backspace at start")        << t << "0" << "12:34" << 0 << 0 << "⌫"    << "12:34" << 0 << 0;
    QTest::newRow("delete before colon")       << t << "0" << "12:34" << 2 << 2 << "⌦"    << "12:04" << 3 << 0;
    QTest::newRow("delete at end")             << t << "0" << "12:34" << 5 << 5 << "⌦"    << "12:34" << 5 << 0;
    QTest::newRow("insert typing")             << t << "0" << "12:34" << 0 << 0 << "⎀9"   << "91:23" << 1 << 0;
    QTest::newRow("insert toggled off")        << t << "0" << "12:34" << 0 << 0 << "⎀⎀9"  << "92:34" << 1 << 0;
    QTest::newRow("insert that would not fit") << "##?" << " " << "12a" << 0 << 0 << "⎀5" << "12a"   << 0 << 1;
    QTest::newRow("hours typed over")          << t << "0" << "12:34" << 0 << 2 << "7"    << "70:34" << 1 << 0;
    QTest::newRow("selection of the colon")    << t << "0" << "12:34" << 2 << 3 << "7"    << "12:34" << 3 << 1;
    QTest::newRow("backspace selection")       << t << "0" << "12:34" << 1 << 4 << "⌫"    << "10:04" << 1 << 0;
    QTest::newRow("backspace on colon")        << t << "0" << "12:34" << 2 << 3 << "⌫"    << "10:34" << 1 << 0;
    QTest::newRow("delete on colon")           << t << "0" << "12:34" << 2 << 3 << "⌦"    << "12:04" << 3 << 0;
    QTest::newRow("right over the colon")      << t << "0" << "12:34" << 1 << 1 << "→"    << "12:34" << 3 << 0;
    QTest::newRow("down as right")             << t << "0" << "12:34" << 1 << 1 << "↓"    << "12:34" << 3 << 0;
    QTest::newRow("left up to the colon")      << t << "0" << "12:34" << 4 << 4 << "←←"   << "12:34" << 2 << 0;
    QTest::newRow("home past a literal")       << "(###)" << "_" << "12" << 3 << 3 << "⇱" << "(12_)" << 1 << 0;
    QTest::newRow("up stops at the first")     << "(###)" << "_" << ""   << 1 << 1 << "↑" << "(___)" << 1 << 0;
    QTest::newRow("case and any character")    << "><&?" << " " << "" << 0 << 0 << "aBЖ1c" << "AbЖc" << 4 << 1;
    QTest::newRow("escaped literal")           << "\\##" << "_" << "" << 1 << 1 << "5"    << "#5"   << 2 << 0;
    // clang-format on
  }
  void editing() {
    QFETCH(QString, mask);
    QFETCH(QString, fill);
    QFETCH(QString, value);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, keys);
    CountingEdit edit;
    prepare(edit, mask, fill, value, selStart, selEnd);
    play(&edit, keys);
    QTEST(edit.text(), "shown");
    QTEST(edit.cursorPosition(), "caret");
    QTEST(edit.beeps, "beeps");
    QVERIFY(!edit.hasSelectedText());
  }

  void clipboard_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selEnd");
    QTest::addColumn<QString>("pasted");  // empty: cut
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("caret");
    // clang-format off
    QTest::newRow("5x7 into an empty field") << ""      << 0 << 0 << "5x7"    << "57:00" << 3;
    QTest::newRow("a whole time over all")   << "12:34" << 0 << 5 << "10:30"  << "10:30" << 5;
    QTest::newRow("minutes at the minutes")  << ""      << 3 << 3 << "12"     << "00:12" << 5;
    QTest::newRow("hours keep the minutes")  << "12:34" << 0 << 2 << "7"      << "70:34" << 1;
    QTest::newRow("first line only")         << ""      << 0 << 0 << "12\n34" << "12:00" << 3;
    QTest::newRow("cut")                     << "12:34" << 1 << 4 << ""       << "10:04" << 1;
    // clang-format on
  }

  void clipboard() {
    QFETCH(QString, value);
    QFETCH(int, selStart);
    QFETCH(int, selEnd);
    QFETCH(QString, pasted);
    CountingEdit edit;
    prepare(edit, "##:##", "0", value, selStart, selEnd);
    if (pasted.isEmpty()) {
      QApplication::clipboard()->clear();
      QTest::keySequence(&edit, QKeySequence::Cut);
      QCOMPARE(QApplication::clipboard()->text(), value.mid(selStart, selEnd - selStart));
    } else {
      QApplication::clipboard()->setText(pasted);
      QTest::keySequence(&edit, QKeySequence::Paste);
    }
    QTEST(edit.text(), "shown");
    QTEST(edit.cursorPosition(), "caret");
  }

  void valuesFromOutside_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("entered");
    // clang-format off
    QTest::newRow("with colon")  << "12:30" << "12:30" << "1230";
    QTest::newRow("digits only") << "1230"  << "12:30" << "1230";
    QTest::newRow("empty")       << ""      << "00:00" << "0000";
    QTest::newRow("short")       << "9"     << "90:00" << "9000";
    // clang-format on
  }
  void valuesFromOutside() {
    QFETCH(QString, value);
    CountingEdit edit(nullptr, "##:##");
    edit.setFillChar(u'0');
    QSignalSpy updates(&edit, &MaskedLineEdit::updateNotice);
    QSignalSpy changes(&edit, &MaskedLineEdit::changeNotice);
    // Every way an owner may set the text takes the same path.
    for (int way = 0; way < 3; ++way) {
      edit.setText("77:77");
      if (way == 0) edit.setText(value);
      if (way == 1) static_cast<QLineEdit&>(edit).setText(value);
      if (way == 2) edit.metaObject()->userProperty().write(&edit, value);
      QTEST(edit.text(), "shown");
      QTEST(edit.enteredText(), "entered");
      QCOMPARE(edit.cursorPosition(), 0);
    }
    // The owner's own values give update notices only; typing gives both.
    QVERIFY(updates.count() >= 6);
    QCOMPARE(changes.count(), 0);
    edit.setCursorPosition(4);
    play(&edit, "5");
    QCOMPARE(changes.count(), 1);
  }

  void maskAndFill() {
    MaskedText text({u',', u' ', u'.', u'-'});
    text.setMask("#.#,#:#/#\\:A\\");
    QCOMPARE(text.displayText(), QString(" ,   . - : \\"));
    QCOMPARE(text.inputToPosition(2), 4);
    QCOMPARE(text.inputToPosition(5), 10);
    QCOMPARE(text.inputToPosition(6), -1);
    QCOMPARE(text.inputToPosition(-1), -1);
    // The fill character marks empty places; a new one replaces it there only.
    text.setMask("##:##");
    QVERIFY(text.takeText("1 3 "));
    QCOMPARE(text.displayText(), QString("1 .3 "));
    QVERIFY(!text.setFillChar(u'\n'));
    QVERIFY(text.setFillChar(u'0'));
    QCOMPARE(text.displayText(), QString("10.30"));
    QCOMPARE(text.firstBlankPosition(2), 4);
    QVERIFY(!text.isBlank());
    QVERIFY(!text.putEnteredText("x12", 1, false));
    QCOMPARE(text.enteredText(), QString("1120"));
  }

  void separatorsFromTheLocale_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("separators");  // decimal, thousands, time, date
    QTest::newRow("ru") << "ru_RU" << QString(",\u00a0:.");
    QTest::newRow("en") << "en_US"
                        << ".,:/";
    QTest::newRow("fi") << "fi_FI" << QString(",\u00a0..");
    QTest::newRow("fr_CA: no plain time separator") << "fr_CA" << QString(",\u00a0:-");
  }
  void separatorsFromTheLocale() {
    QFETCH(QString, locale);
    const auto s = MaskedText::Separators::fromLocale(QLocale(locale));
    QTEST(QString(s.decimal) + s.thousands + s.time + s.date, "separators");
  }

  void focusAndClicks() {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new CountingEdit(&window, "(##)");
    auto* other = new QLineEdit(&window);
    layout->addWidget(first);
    layout->addWidget(other);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Tabbing in would select everything: the caret goes to the first input place.
    other->setFocus();
    first->setFocus(Qt::TabFocusReason);
    QVERIFY(!first->hasSelectedText());
    QCOMPARE(first->cursorPosition(), 1);

    // A click into an empty field puts the caret on its first input place,
    // wherever it lands; into a filled one it lands where clicked.
    const QPoint end(first->width() - 4, first->height() / 2);
    for (const QString& value : {QString(), QString("12")}) {
      first->setText(value);
      other->setFocus();
      QTest::mouseClick(first, Qt::LeftButton, {}, end);
      QVERIFY(first->hasFocus());
      QCOMPARE(first->cursorPosition(), value.isEmpty() ? 1 : 4);
    }
  }

  void validationAtFocusLoss_data() {
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("runOwnCheck");
    QTest::addColumn<bool>("ownCheck");
    QTest::addColumn<bool>("kept");
    QTest::newRow("accepted") << true << true << true << false;
    QTest::newRow("refused by the owner") << false << false << true << true;
    QTest::newRow("refused by its own check") << true << true << false << true;
    QTest::newRow("owner skips its own check") << true << false << false << false;
  }
  void validationAtFocusLoss() {
    QFETCH(bool, valid);
    QFETCH(bool, runOwnCheck);
    int asked = 0;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* edit = new CountingEdit(&window, "##:##");
    auto* other = new CountingEdit(&window, "##:##");
    layout->addWidget(edit);
    layout->addWidget(other);
    QFETCH(bool, ownCheck);
    edit->ownCheck = ownCheck;
    other->ownCheck = false;  // never asked while the focus is taken back
    connect(edit, &MaskedLineEdit::checkLeave, edit, [&](LeaveCheck* info) {
      ++asked;
      info->valid = valid;
      info->runOwnCheck = runOwnCheck;
      info->caretPosition = 2;
    });
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    edit->setText("99:99");
    QSignalSpy finished(edit, &QLineEdit::editingFinished);

    other->setFocus(Qt::TabFocusReason);
    QTest::qWait(20);  // a refused value takes the focus back once, and only once
    QCOMPARE(asked, 1);
    QFETCH(bool, kept);
    QCOMPARE(edit->hasFocus(), kept);
    QCOMPARE(edit->beeps, kept ? 1 : 0);
    QCOMPARE(finished.count(), kept ? 0 : 1);
    QCOMPARE(other->beeps, 0);
    if (kept) QCOMPARE(edit->cursorPosition(), 3);
  }
};

TKV88_GUI_SUITE(MaskedLineEditTest);
#include "MaskedLineEditTest.moc"
