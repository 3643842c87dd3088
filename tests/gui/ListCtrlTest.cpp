// The editable list control on its own, driven as a user would: the row tree
// and its model, the editors' opening triggers and ends with the owner's
// replies, Tab chaining, number profiles and spinning, the list editor,
// keyboard moves and check boxes.
#include <functional>

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "GuiTest.h"
#include "tables/CFListCtrl.h"

namespace {

// Records every notification and answers with `reply` (0 when unset).
struct Recorder : CFListOwner {
  std::vector<FLNotifyInfo> notices;
  std::function<int(FLNotifyInfo&)> reply;
  int OnListNotify(FLNotifyInfo& info) override {
    notices.push_back(info);
    return reply ? reply(info) : 0;
  }
  std::vector<QPoint> menus;
  void OnListContextMenu(CFListCtrl&, const QPoint& globalPos) override { menus.push_back(globalPos); }
  std::vector<FLNotifyInfo> of(int code) const {
    std::vector<FLNotifyInfo> r;
    for (const auto& n : notices)
      if (n.code == code) r.push_back(n);
    return r;
  }
};

// Keys as the keyboard sends them: to whatever has the focus.
void press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), mods);
}
void type(const QString& text) {
  for (QChar c : text) QTest::keyClicks(QApplication::focusWidget(), QString(c));
}

}  // namespace

class ListCtrlTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> m_window;
  CFListCtrl* m_list = nullptr;
  Recorder m_owner;
  int m_text = -1, m_number = -1, m_real = -1, m_combo = -1, m_check = -1;

  QLineEdit* editor() const { return qobject_cast<QLineEdit*>(m_list->GetEditor()); }
  // Rows "r0".."r{n-1}" with columns A and B, both with `profile`.
  std::vector<HFLROW> flatRows(int n, int profile) {
    std::vector<HFLROW> rows;
    for (int i = 0; i < n; ++i) {
      rows.push_back(m_list->AddRow(FL_ROOT, FL_LAST, QStringLiteral("r%1").arg(i)));
      m_list->SetCellProfile(rows.back(), 0, profile);
      m_list->SetCellProfile(rows.back(), 1, profile);
      m_list->SetCellText(rows.back(), 1, QStringLiteral("b%1").arg(i));
    }
    return rows;
  }
  QStringList displayed() const {
    QStringList texts;
    for (int i = 0; i < m_list->GetDisplayedRowCount(); ++i)
      texts << m_list->GetCellText(m_list->GetDisplayedRow(i), 0);
    return texts;
  }

 private slots:
  void init() {
    m_owner = Recorder();
    m_window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_window.get());
    m_list = new CFListCtrl(m_window.get(), 1013);
    layout->addWidget(m_list);
    m_list->SetOwner(&m_owner);
    m_text = m_list->AddProfile(FLP_EDIT);
    m_number = m_list->AddProfile(FLP_NUMBER);
    m_list->SetIntRange(m_number, 0, 100, 1);
    m_real = m_list->AddProfile(FLP_NUMBER);
    m_list->SetRealRange(m_real, -99.9, 999.9, 0.1);
    m_combo = m_list->AddProfile(FLP_COMBO);
    for (auto [text, data] : {std::pair{"Время", 1}, std::pair{"Темп/Влажн", 0}, std::pair{"Темп/Вл или Время", 3}})
      m_list->AddComboItem(m_combo, QString::fromUtf8(text), data);
    m_check = m_list->AddProfile(FLP_EDIT | FLP_CHECKBOX | FLP_CHECKTOGGLE);
    m_list->AddColumn(-1, QStringLiteral("A"), 120);
    m_list->AddColumn(-1, QStringLiteral("B"), 120);
    m_window->resize(400, 300);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_list->setFocus();
  }
  void cleanup() { m_window.reset(); }

  // Columns added and removed under a redraw lock reach the view as one
  // reset; every column keeps its width through it, and a heading changes.
  void columnsUnderALockKeepTheirWidths() {
    flatRows(3, m_text);
    m_list->header()->resizeSection(0, 90);
    m_list->LockRedraw(true);
    for (int i = 0; i < 5; ++i) m_list->AddColumn(-1, QStringLiteral("C%1").arg(i), 60 + i);
    m_list->RemoveColumn(1);
    m_list->LockRedraw(false);
    QCOMPARE(m_list->header()->count(), 6);
    const QList<int> widths{90, 60, 61, 62, 63, 64};
    for (int c = 0; c < 6; ++c) QCOMPARE(m_list->header()->sectionSize(c), widths[c]);
    m_list->RemoveRow(FL_ROOT);
    QCOMPARE(m_list->header()->sectionSize(0), 90);
    m_list->SetColumnHeading(2, QStringLiteral("Шаг 2 *"));
    QCOMPARE(m_list->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Шаг 2 *"));
  }

  void treeRowsModelAndNotices() {
    QAbstractItemModelTester tester(m_list->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    // Built under the lock (one reset) and then row by row.
    m_list->LockRedraw(true);
    HFLROW a = m_list->AddRow(FL_ROOT, FL_LAST, "a");
    HFLROW a1 = m_list->AddRow(a, FL_LAST, "a1");
    HFLROW a2 = m_list->AddRow(a, FL_LAST, "a2");
    HFLROW b = m_list->AddRow(FL_ROOT, FL_LAST, "b");
    m_list->LockRedraw(false);
    QCOMPARE(displayed(), QStringList({"a", "b"}));  // new rows start collapsed
    m_list->CollapseRow(a, false);
    QCOMPARE(displayed(), QStringList({"a", "a1", "a2", "b"}));
    HFLROW a0 = m_list->AddRow(a, FL_FIRST, "a0");
    m_list->AddRow(a1, FL_LAST, "a1x");  // under a collapsed row: hidden
    m_list->AddRow(FL_ROOT, FL_SORT, "C");
    QCOMPARE(displayed(), QStringList({"a", "a0", "a1", "a2", "b", "C"}));
    QCOMPARE(m_list->model()->rowCount(), 6);
    QCOMPARE(m_list->model()->index(2, 0).data().toString(), QString("a1"));

    struct Relation {
      HFLROW row;
      int relation;
      HFLROW expected;
    };
    HFLROW a1x = m_list->GetChild(a1, 0);
    const Relation relations[] = {
        {a, FLR_FIRSTCHILD, a0},         {a, FLR_LASTCHILD, a2},         {a1, FLR_NEXTSIBLING, a2},
        {a1, FLR_PREVSIBLING, a0},       {a2, FLR_NEXTDISPLAYED, b},     {a0, FLR_PREVDISPLAYED, a},
        {a1, FLR_PARENT, a},             {a1x, FLR_DISPLAYED, a1},       {a1x, FLR_TOPLEVEL, a},
        {a, FLR_PARENT, nullptr},        {a2, FLR_NEXTSIBLING, nullptr}, {nullptr, FLR_FIRSTONPAGE, a},
    };
    for (const Relation& r : relations) QCOMPARE(m_list->GetRelatedRow(r.row, r.relation), r.expected);
    QVERIFY(m_list->IsRowCollapsed(a1) && m_list->IsRowCollapsed(a2));  // collapsed, or no children

    // Toggles, deletions (children first, each with a notice) and the focus
    // moving to the next sibling.
    m_owner.notices.clear();
    m_list->SetFocusCell(a1x, 0);
    QCOMPARE(m_list->GetFocusRow(), a1x);
    m_list->CollapseRow(a, true);
    QCOMPARE(displayed(), QStringList({"a", "b", "C"}));
    m_list->CollapseRow(a, false);
    m_list->SetFocusCell(a1, 1);
    m_list->RemoveRow(a1);
    QCOMPARE(displayed(), QStringList({"a", "a0", "a2", "b", "C"}));
    QCOMPARE(m_list->GetFocusRow(), a2);
    QCOMPARE(m_owner.of(FLN_ROWTOGGLED).size(), size_t(2));
    const auto deleted = m_owner.of(FLN_DELETEROW);
    QCOMPARE(deleted.size(), size_t(2));
    QCOMPARE(deleted[0].text, QString("a1"));
    QCOMPARE(deleted[1].text, QString("a1x"));

    m_list->SwapRows(a, b);
    QCOMPARE(displayed(), QStringList({"b", "a", "a0", "a2", "C"}));
    QCOMPARE(m_list->GetFocusRow(), a2);
    QCOMPARE(m_list->currentIndex().row(), 3);  // the view's current cell moved with its row
    m_list->RemoveColumn(1);
    m_list->RemoveColumn(0);  // the last column takes every row with it
    QCOMPARE(m_list->GetRowCount(), 0);
    QCOMPARE(m_list->model()->rowCount(), 0);
  }

  void editorTriggersAndOwnerReplies_data() {
    QTest::addColumn<int>("profileKind");  // 0 text, 1 integer 0..100
    QTest::addColumn<QString>("keys");     // typed; "F2" and "Enter" as names
    QTest::addColumn<int>("endKey");
    QTest::addColumn<int>("reply");
    QTest::addColumn<QString>("editorText");  // when the editor opened
    QTest::addColumn<QString>("cellAfter");
    QTest::addColumn<bool>("editorStays");
    QTest::newRow("digit opens, Escape keeps") << 1 << "7" << int(Qt::Key_Escape) << 0 << "7" << "42" << false;
    QTest::newRow("digit opens, Enter applies") << 1 << "7" << int(Qt::Key_Return) << 0 << "7" << "7" << false;
    QTest::newRow("minus opens a number") << 1 << "-5" << int(Qt::Key_Return) << 0 << "-5" << "-5" << false;
    QTest::newRow("refused keeps the old text") << 1 << "9" << int(Qt::Key_Return) << int(FLR_REFUSE) << "9" << "42"
                                                << false;
    QTest::newRow("kept editor stays open") << 1 << "9" << int(Qt::Key_Return) << int(FLR_KEEPEDITOR) << "9" << "9"
                                            << true;
    QTest::newRow("F2 starts from the text") << 0 << "F2" << int(Qt::Key_Return) << 0 << "42" << "42" << false;
    QTest::newRow("letter opens a text cell") << 0 << "x" << int(Qt::Key_Return) << 0 << "x" << "x" << false;
  }
  void editorTriggersAndOwnerReplies() {
    QFETCH(int, profileKind);
    QFETCH(QString, keys);
    QFETCH(int, endKey);
    QFETCH(int, reply);
    QFETCH(QString, editorText);
    QFETCH(QString, cellAfter);
    QFETCH(bool, editorStays);
    HFLROW row = flatRows(1, profileKind ? m_number : m_text)[0];
    m_list->SetCellText(row, 1, "42");
    m_list->SetFocusCell(row, 1);
    m_owner.reply = [reply](FLNotifyInfo& n) { return n.code == FLN_CHANGED ? reply : 0; };
    if (keys == "F2")
      press(Qt::Key_F2);
    else
      type(keys);
    QVERIFY(editor());
    QCOMPARE(editor()->objectName(), QString::number(FL_IDC_EDIT));
    QCOMPARE(editor()->text(), editorText);
    QCOMPARE(editor()->cursorPosition(), editorText.size());
    QCOMPARE(m_owner.of(FLN_BEGINEDIT).size(), size_t(1));
    press(endKey);
    QCOMPARE(m_list->GetCellText(row, 1), cellAfter);
    QCOMPARE(m_owner.of(FLN_CHANGED).size(), size_t(endKey == Qt::Key_Escape ? 0 : 1));
    QCOMPARE(m_list->IsEditing(), editorStays);
  }

  void editorsThatDoNotOpen() {
    // A read-only list cell shows no drop-down arrow and opens nothing.
    HFLROW list = flatRows(1, m_combo)[0];
    XFList_CellFormat readOnly;
    readOnly.flags = FLF_READONLY;
    m_list->SetCellFormat(list, 1, &readOnly);
    m_list->SetFocusCell(list, 1);
    QVERIFY(m_list->ButtonRect(list, 1).isEmpty());
    press(Qt::Key_Down, Qt::AltModifier);
    QVERIFY(!m_list->IsEditing());
    m_list->RemoveRow(FL_ROOT);

    HFLROW row = flatRows(1, m_number)[0];
    m_list->SetFocusCell(row, 1);
    m_owner.reply = [](FLNotifyInfo& n) { return n.code == FLN_BEGINEDIT ? FLR_REFUSE : 0; };
    type("5");
    QVERIFY(!m_list->IsEditing());
    m_owner.reply = nullptr;
    m_list->SetCellFormat(row, 1, &readOnly);
    press(Qt::Key_Return);
    QVERIFY(!m_list->IsEditing());
    QCOMPARE(m_owner.of(FLN_BEGINEDIT).size(), size_t(1));
  }

  void tabChainsAndClickingAwayCommits() {
    auto rows = flatRows(2, m_text);
    m_list->SetFocusCell(rows[0], 1);
    type("x");
    press(Qt::Key_Tab);  // commits, moves to the next row's column 0 and opens there
    QCOMPARE(m_list->GetCellText(rows[0], 1), QString("x"));
    QCOMPARE(m_list->GetFocusRow(), rows[1]);
    QCOMPARE(m_list->GetFocusColumn(), 0);
    QVERIFY(editor());
    QCOMPARE(editor()->text(), QString("r1"));
    press(Qt::Key_Backtab);  // back to the first row's last column
    QCOMPARE(m_list->GetFocusRow(), rows[0]);
    QCOMPARE(m_list->GetFocusColumn(), 1);
    QVERIFY(editor());
    type("yz");
    // A click on another cell ends the editor with Enter.
    const QRect other = m_list->CellRect(rows[1], 1);
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, other.center());
    QVERIFY(!m_list->IsEditing());
    QCOMPARE(m_list->GetCellText(rows[0], 1), QString("xyz"));
    QCOMPARE(m_list->GetFocusRow(), rows[1]);
  }

  void numberProfileAndSpin_data() {
    QTest::addColumn<bool>("real");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("stepped");
    QTest::newRow("real above") << true << "1000" << +1 << "999.9";
    QTest::newRow("real below") << true << "-120" << +1 << "-99.9";
    QTest::newRow("real within") << true << "12.34" << -1 << "12.2";
    QTest::newRow("integer above") << false << "150" << -1 << "100";
    QTest::newRow("integer below") << false << "-3" << +1 << "0";
  }
  void numberProfileAndSpin() {
    QFETCH(bool, real);
    QFETCH(QString, text);
    QFETCH(int, direction);
    QFETCH(QString, stepped);
    // Giving a cell a number editor shows its text as it is, beyond the range too.
    HFLROW row = flatRows(1, m_text)[0];
    m_list->SetCellText(row, 1, text);
    m_list->SetCellProfile(row, 1, real ? m_real : m_number);
    QVERIFY(m_owner.of(FLN_CHANGED).empty());
    QCOMPARE(m_list->GetCellText(row, 1), text);

    // A click on the focus cell's arrows steps into the range.
    m_list->SetFocusCell(row, 1);
    const QRect arrows = m_list->ButtonRect(row, 1);
    QVERIFY(!arrows.isEmpty());
    const QPoint up(arrows.center().x(), arrows.top() + 2), down(arrows.center().x(), arrows.bottom() - 2);
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, direction > 0 ? up : down);
    QCOMPARE(m_owner.of(FLN_CHANGED).back().text, stepped);
    QCOMPARE(m_list->GetCellText(row, 1), stepped);
  }

  void listEditorChoosesAnEntry() {
    HFLROW row = flatRows(1, m_combo)[0];
    m_list->SetCellText(row, 1, QStringLiteral("Время"));
    m_list->SetFocusCell(row, 1);
    press(Qt::Key_Down, Qt::AltModifier);
    auto* combo = qobject_cast<QComboBox*>(m_list->GetEditor());
    QVERIFY(combo);
    QCOMPARE(m_owner.of(FLN_BEGINCOMBO).size(), size_t(1));
    QCOMPARE(combo->currentText(), QStringLiteral("Время"));
    QVERIFY(combo->view()->isVisible());
    // The chosen entry stands out in the open list (a styled combo box once
    // drew it white on white).
    const QRect chosen = combo->view()->visualRect(combo->view()->currentIndex());
    const QImage drawn = combo->view()->viewport()->grab().toImage();
    QCOMPARE(QColor(drawn.pixel(chosen.left() + 3, chosen.center().y())),
             m_list->palette().color(QPalette::Highlight));
    // The entry below in the open list, taken with Enter.
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QVERIFY(guitest::waitFor([&] { return !m_list->IsEditing(); }, 2000));
    QCOMPARE(m_list->GetCellText(row, 1), QStringLiteral("Темп/Влажн"));
    QCOMPARE(m_owner.of(FLN_CHANGED).back().text, QStringLiteral("Темп/Влажн"));
    QCOMPARE(m_list->GetProfileData(m_combo), 0);
    QCOMPARE(m_list->GetProfileText(m_combo), QStringLiteral("Темп/Влажн"));
  }

  void timeCell_data() {
    QTest::addColumn<QString>("opening");  // "Enter", or the typed digits
    QTest::addColumn<QString>("shownAtOpen");
    QTest::addColumn<QString>("selectedAtOpen");
    QTest::addColumn<QString>("more");  // typed afterwards
    QTest::addColumn<QString>("stored");
    QTest::newRow("Enter selects the last digit") << "Enter" << "02:15" << "5" << "3" << "02:13";
    QTest::newRow("digits typed from the start") << "1" << "10:00" << "0:00" << "234" << "12:34";
    QTest::newRow("a letter does not open") << "x" << "" << "" << "" << "02:15";
  }
  void timeCell() {
    QFETCH(QString, opening);
    QFETCH(QString, shownAtOpen);
    QFETCH(QString, selectedAtOpen);
    QFETCH(QString, more);
    QFETCH(QString, stored);
    const int time = m_list->AddProfile(FLP_TIME);
    m_list->SetTimeFormat(time, 1);
    HFLROW row = flatRows(1, time)[0];
    m_list->SetCellText(row, 1, "02:15");
    m_list->SetFocusCell(row, 1);
    if (opening == "Enter")
      press(Qt::Key_Return);
    else
      type(opening);
    if (shownAtOpen.isEmpty()) {
      QVERIFY(!m_list->IsEditing());
    } else {
      QVERIFY(editor());
      QCOMPARE(editor()->objectName(), QString::number(FL_IDC_TIME));
      QCOMPARE(editor()->text(), shownAtOpen);
      QCOMPARE(editor()->selectedText(), selectedAtOpen);
      type(more);
      press(Qt::Key_Return);
    }
    QCOMPARE(m_list->GetCellText(row, 1), stored);
  }

  void buttonCellsEditableListAndRowFocus() {
    // A button cell asks the owner on Space and takes its text and data.
    const int button = m_list->AddProfile(FLP_BUTTON);
    auto rows = flatRows(2, button);
    m_list->SetFocusCell(rows[0], 1);
    m_owner.reply = [](FLNotifyInfo& n) {
      if (n.code != FLN_BUTTONCLICK) return 0;
      n.text = "chosen";
      n.data = 7;
      return 0;
    };
    press(Qt::Key_Space);
    QCOMPARE(m_list->GetCellText(rows[0], 1), QString("chosen"));
    QCOMPARE(m_list->GetCellData(rows[0], 1), FL_DATA(7));
    QVERIFY(!m_list->ButtonRect(rows[0], 1).isEmpty());
    QVERIFY(m_list->ButtonRect(rows[1], 1).isEmpty());  // only the focus cell shows it

    // An editable list opened by typing keeps the typed text, data 0.
    const int editable = m_list->AddProfile(FLP_EDITCOMBO | FLP_SORTED);
    m_list->AddComboItem(editable, "b", 2);
    m_list->AddComboItem(editable, "a", 1);
    m_list->SetCellProfile(rows[1], 1, editable);
    m_list->SetFocusCell(rows[1], 1);
    type("qr");
    auto* combo = qobject_cast<QComboBox*>(m_list->GetEditor());
    QVERIFY(combo);
    QCOMPARE(combo->itemText(0), QString("a"));  // sorted
    press(Qt::Key_Return);
    QCOMPARE(m_list->GetCellText(rows[1], 1), QString("qr"));
    QCOMPARE(m_list->GetProfileData(editable), 0);

    // Row focus: the whole row is the focus cell, nothing opens.
    m_list->SetRowFocusMode(true);
    m_list->SetFocusCell(rows[1], 1);
    QCOMPARE(m_list->GetFocusColumn(), -1);
    press(Qt::Key_Return);
    QVERIFY(!m_list->IsEditing());
  }

  void drawnLook() {
    // Grid lines, the 9×9 box (a plus while collapsed), the focus cell in the
    // highlight colour, a cell's own text colour, bold rows.
    m_list->SetGridLines(true);
    HFLROW group = m_list->AddRow(FL_ROOT, FL_LAST, "group");
    HFLROW child = m_list->AddRow(group, FL_LAST, "child");
    XFList_CellFormat red;
    red.flags = FLF_TEXTCOLOR;
    red.textColor = 0x0000C8;
    m_list->SetCellText(group, 1, "WWWW");
    m_list->SetCellFormat(group, 1, &red);
    m_list->SetFocusCell(group, 0);
    QCoreApplication::processEvents();
    auto shot = [&] { return m_list->viewport()->grab().toImage(); };
    auto count = [](const QImage& img, const QRect& r, auto pred) {
      int n = 0;
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += pred(QColor(img.pixel(x, y)));
      return n;
    };
    const QColor highlight = m_list->palette().color(QPalette::Highlight);
    QImage img = shot();
    const QRect box = m_list->ExpandBoxRect(group);
    const QRect cell0 = m_list->CellRect(group, 0), cell1 = m_list->CellRect(group, 1);
    QCOMPARE(QColor(img.pixel(box.center())), QColor(Qt::black));            // the plus's crossing
    QCOMPARE(QColor(img.pixel(box.left() + 4, box.top() + 2)), QColor(Qt::black));  // its vertical stroke
    QCOMPARE(QColor(img.pixel(box.topLeft())), QColor(172, 168, 153));
    QCOMPARE(QColor(img.pixel(cell0.right() - 2, cell0.center().y())), highlight);
    QVERIFY(count(img, cell1, [](QColor c) { return c.red() > 150 && c.green() < 80 && c.blue() < 80; }) > 10);
    QVERIFY(QColor(img.pixel(cell1.right(), cell1.center().y())) != m_list->palette().color(QPalette::Base));
    const auto dark = [](QColor c) { return c.lightness() < 100; };
    const int normal = count(img, cell1, dark) + count(img, cell1, [](QColor c) { return c.red() > 150 && c.green() < 80; });
    m_list->SetRowBold(group, true);
    m_list->CollapseRow(group, false);
    QCoreApplication::processEvents();
    img = shot();
    QCOMPARE(QColor(img.pixel(box.left() + 4, box.top() + 2)), QColor(Qt::white));  // a minus now
    QVERIFY(count(img, cell1, [](QColor c) { return c.red() > 150 && c.green() < 80; }) > normal);
    QVERIFY(m_list->IsRowDisplayed(child));
  }

  // A frozen column 0 stays at the left while the others scroll under it:
  // clicks on it reach its cells, the scrolled columns show beside it, and
  // its own editor opens with the view scrolled back.
  void frozenColumnStaysInPlace() {
    for (int i = 0; i < 8; ++i) m_list->AddColumn(-1, QStringLiteral("S%1").arg(i), 120);
    auto rows = flatRows(3, m_text);
    m_list->SetFrozenColumn(true);
    QScrollBar* h = m_list->horizontalScrollBar();
    m_list->SetFocusCell(rows[1], m_list->GetColumnCount() - 1);
    const int scrolled = h->value();
    QVERIFY(scrolled > 0);
    QCOMPARE(m_list->CellRect(rows[1], 0).left(), 0);
    auto* pane = m_list->findChild<QWidget*>(QStringLiteral("frozenColumn"));
    QVERIFY(pane && pane->isVisible());
    const QPoint label = m_list->viewport()->mapToGlobal(m_list->CellRect(rows[2], 0).center());
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->mapFromGlobal(label));
    QCOMPARE(m_list->GetFocusRow(), rows[2]);
    QCOMPARE(m_list->GetFocusColumn(), 0);
    QCOMPARE(h->value(), scrolled);
    press(Qt::Key_Right);
    QVERIFY(m_list->CellRect(rows[2], 1).left() > m_list->CellRect(rows[2], 0).right());
    // Going right, the columns scroll by whole columns: one starts at the edge.
    for (int c = 2; c < m_list->GetColumnCount(); ++c) {
      press(Qt::Key_Right);
      const QRect cell = m_list->CellRect(rows[2], c);
      QVERIFY(cell.left() >= 120 && cell.right() < m_list->viewport()->width());
      QVERIFY(h->value() == h->maximum() || h->value() % 120 == 0);
    }
    press(Qt::Key_Home);
    press(Qt::Key_Right);
    QCOMPARE(h->value(), 0);
    press(Qt::Key_Left);
    type("x");
    QVERIFY(m_list->IsEditing());
    QVERIFY(!pane->isVisible());
    QCOMPARE(h->value(), 0);
    press(Qt::Key_Escape);
    QVERIFY(pane->isVisible());
  }

  void contextMenusGoToTheOwner() {
    auto rows = flatRows(3, -1);
    const QPoint at = m_list->CellRect(rows[2], 1).center();
    QTest::mouseClick(m_list->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, m_list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(m_list->viewport(), &request);
    QCOMPARE(m_list->GetFocusRow(), rows[2]);
    QCOMPARE(m_list->GetFocusColumn(), 1);
    QCOMPARE(m_owner.menus.size(), size_t(1));
    QCOMPARE(m_owner.menus[0], m_list->viewport()->mapToGlobal(at));
    emit m_list->header()->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(m_owner.menus.size(), size_t(2));
    QCOMPARE(m_owner.menus[1], m_list->header()->mapToGlobal(QPoint(5, 5)));
  }

  void headerlessColumnSizesItself() {
    m_list->RemoveColumn(1);
    m_list->setHeaderHidden(true);
    HFLROW row = m_list->AddRow(FL_ROOT, FL_LAST, "x");
    m_list->SetCellText(row, 0, QStringLiteral("a much longer text than before"));
    const int wide = m_list->header()->sectionSize(0);
    QVERIFY(wide >= m_list->fontMetrics().horizontalAdvance(QStringLiteral("a much longer text than before")));
    m_list->SetCellText(row, 0, "y");
    QCOMPARE(m_list->header()->sectionSize(0), 30);  // at least 30 pixels
  }

  void keyboardMoves() {
    auto rows = flatRows(30, -1);
    m_list->SetFocusCell(nullptr, 0);
    press(Qt::Key_Down);  // no focus cell: the first row on the page
    QCOMPARE(m_list->GetFocusRow(), rows[0]);
    QCOMPARE(m_list->GetFocusColumn(), 0);
    struct Move {
      int key;
      Qt::KeyboardModifiers mods;
      int row, column;
    };
    const int page = m_list->viewport()->height() / m_list->GetLineHeight();
    const Move moves[] = {
        {Qt::Key_Right, {}, 0, 1},   {Qt::Key_Right, {}, 0, 1},        {Qt::Key_Tab, {}, 1, 0},
        {Qt::Key_Up, {}, 0, 0},      {Qt::Key_Up, {}, 0, 0},           {Qt::Key_End, {}, 0, 1},
        {Qt::Key_Home, {}, 0, 0},    {Qt::Key_PageDown, {}, page - 1, 0}, {Qt::Key_Tab, Qt::ShiftModifier, page - 2, 1},
        {Qt::Key_PageUp, {}, 0, 1},
    };
    for (const Move& m : moves) {
      press(m.key, m.mods);
      QCOMPARE(m_list->GetFocusRow(), rows[m.row]);
      QCOMPARE(m_list->GetFocusColumn(), m.column);
    }
    QVERIFY(!m_owner.of(FLN_FOCUSCHANGED).empty());
  }

  void checkBoxClick() {
    HFLROW row = flatRows(1, m_check)[0];
    const QRect box = m_list->CheckBoxRect(row, 1);
    QVERIFY(!box.isEmpty());
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, box.center());
    QCOMPARE(m_list->GetCellCheck(row, 1), 1);
    m_owner.reply = [](FLNotifyInfo& n) { return n.code == FLN_CHECKCLICK ? FLR_REFUSE : 0; };
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, box.center());
    QCOMPARE(m_list->GetCellCheck(row, 1), 1);
    QCOMPARE(m_owner.of(FLN_CHECKCLICK).back().check, 0);  // the proposed state
  }
};

TKV88_GUI_SUITE(ListCtrlTest);
#include "ListCtrlTest.moc"
