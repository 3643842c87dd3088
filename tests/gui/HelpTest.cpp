// Help: the explanatory pages by tree kind, the manual opened at its topics,
// the routes that ask for them, and the About box.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include "GuiTest.h"
#include "shell/AboutDialog.h"
#include "shell/HelpWindow.h"
#include "widgets/GroupInfoPage.h"
#include "widgets/HelpRequest.h"

class HelpTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { help::setHandler(nullptr); }

  void pagesByKind() {
    const struct {
      NavigationKind kind;
      InfoPage page;
      const char* heading;
    } cases[] = {
        {NavigationKind::L1Root, InfoPage::Level1, "L1 Программы технолога"},
        {NavigationKind::L2Root, InfoPage::Level2, "L2 Общие параметры"},
        {NavigationKind::Program, InfoPage::Program, "Параметры программы"},
        {NavigationKind::Comparators, InfoPage::Comparators, "Параметры компараторов"},
        {NavigationKind::Steps, InfoPage::Steps, "Параметры шагов"},
        {NavigationKind::PidGroup, InfoPage::PidRegulators, "Параметры ПИД-регуляторов"},
    };
    for (const auto& c : cases) {
      const QString heading = QString::fromUtf8(c.heading);
      QCOMPARE(GroupInfoPage::pageForKind(c.kind), std::optional(c.page));
      GroupInfoPage view(c.page);
      view.initialUpdate();
      QCOMPARE(view.documentTitle(), heading);
      QVERIFY(view.toPlainText().startsWith(heading));
      QVERIFY(view.toPlainText().size() > heading.size() + 40);
      // The pages' style sheet: the heading on the left, in capitals, 14 pt
      // and dark blue; the text 10 pt and justified.
      QTextBlock block = view.document()->begin();
      QCOMPARE(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
      const QTextCharFormat headingFormat = block.begin().fragment().charFormat();
      QCOMPARE(headingFormat.fontCapitalization(), QFont::AllUppercase);
      QCOMPARE(headingFormat.fontPointSize(), 14.0);
      QCOMPARE(headingFormat.foreground().color(), QColor(0x00, 0x00, 0x80));
      QCOMPARE(block.next().begin().fragment().charFormat().fontPointSize(), 10.0);
      for (block = block.next(); block.isValid(); block = block.next())
        QVERIFY2(block.blockFormat().alignment() & Qt::AlignJustify, qPrintable(block.text()));
    }
    // The kinds with a form have no page.
    for (NavigationKind kind : {NavigationKind::Comparator, NavigationKind::Step, NavigationKind::Pid})
      QVERIFY(!GroupInfoPage::pageForKind(kind));
  }

  void theManualOpensAtTheTopic() {
    const std::pair<HelpTopic, const char*> topics[] = {{HelpTopic::Overview, "overview"},
                                                        {HelpTopic::Exchange, "exchange"},
                                                        {HelpTopic::Editing, "editing"}};
    for (const auto& [topic, fragment] : topics) {
      HelpWindow& window = HelpWindow::instance();
      window.showTopic(topic);
      QVERIFY(window.isVisible());
      QCOMPARE(window.browser()->source().fragment(), QString(fragment));
      const QString text = window.browser()->toPlainText();
      QVERIFY(text.contains("Чтение и запись прошивки") && text.contains("Редактирование параметров"));
      window.hide();
    }
  }

  void theManualStaysUsableBesideAModalDialog() {
    // The state Qt last told the help window: blocked by a modal window or not.
    struct BlockWatch : QObject {
      bool blocked = false;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::WindowBlocked) blocked = true;
        if (e->type() == QEvent::WindowUnblocked) blocked = false;
        return false;
      }
    } watch;
    HelpWindow& window = HelpWindow::instance();
    window.installEventFilter(&watch);
    QDialog modal;
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    QVERIFY(QTest::qWaitForWindowExposed(&modal));
    window.showTopic(HelpTopic::Exchange);
    QCoreApplication::processEvents();
    QVERIFY(!watch.blocked);
    modal.hide();
    window.hide();
    window.removeEventFilter(&watch);
  }

  void closingTheMainWindowEndsTheProgramWithTheManualOpen() {
    guitest::Shell shell;
    HelpWindow::instance().showTopic(HelpTopic::Overview);
    QTimer::singleShot(0, shell.frame.get(), [&] { shell.frame->close(); });
    QTimer stillRunning;  // the program did not end
    stillRunning.setSingleShot(true);
    connect(&stillRunning, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stillRunning.start(3000);
    QCOMPARE(QApplication::exec(), 0);
    stillRunning.stop();
  }

  void theErrorBoxHelpKeepsTheBoxOpen() {
    std::optional<HelpTopic> topic;
    help::setHandler([&](HelpTopic asked) { topic = asked; });
    messages::Responder recorder = [](const messages::Shown& shown) {
      guitest::MessageLog::shown().push_back(shown);
      return guitest::MessageLog::answer();
    };
    messages::setResponder(nullptr);
    bool openAfterHelp = false;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      QCOMPARE(box->button(QMessageBox::Help)->text(), QString("Справка"));
      box->button(QMessageBox::Help)->click();
      QCoreApplication::processEvents();
      openAfterHelp = box->isVisible();
      box->button(QMessageBox::Ok)->click();
    });
    messages::showError(nullptr, "Error 1", "Прибор не отвечает", HelpTopic::Exchange);
    messages::setResponder(recorder);
    QVERIFY(openAfterHelp);
    QCOMPARE(topic, HelpTopic::Exchange);
  }

  void theFramesHelpOpensTheOverview() {
    guitest::Shell shell;
    std::optional<HelpTopic> topic;
    help::setHandler([&](HelpTopic asked) { topic = asked; });
    shell.frame->actions().help->trigger();
    QCOMPARE(topic, HelpTopic::Overview);
  }

  void aboutBox() {
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QString("О программе"));
    QStringList texts;
    bool icon = false;
    for (QLabel* l : about.findChildren<QLabel*>()) {
      if (!l->pixmap().isNull()) icon = true;
      if (!l->text().isEmpty()) texts << l->text();
    }
    QVERIFY(icon);
    QCOMPARE(texts, QStringList({"Конфигуратор ТКВ88", "Версия 2.0.13"}));
    QPushButton* ok = about.findChild<QPushButton*>();
    QCOMPARE(ok->text(), QString("OK"));
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }
};

TKV88_GUI_SUITE(HelpTest);
#include "HelpTest.moc"
