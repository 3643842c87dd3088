// Help: the explanatory pages by tree kind, the manual opened at the topic
// of a context number, the routes that ask for it, and the About box.
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

  void pagesByKind_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("heading");
    QTest::newRow("L1") << 100 << 529 << "L1 Программы технолога";
    QTest::newRow("L2") << 108 << 530 << "L2 Общие параметры";
    QTest::newRow("program") << 101 << 531 << "Параметры программы";
    QTest::newRow("comparators") << 103 << 532 << "Параметры компараторов";
    QTest::newRow("steps") << 105 << 533 << "Параметры шагов";
    QTest::newRow("PID") << 113 << 534 << "Параметры ПИД-регуляторов";
  }
  void pagesByKind() {
    QFETCH(int, kind);
    GroupInfoPage view;
    view.initialUpdate(kind);
    QTEST(view.pageId(), "page");
    QTEST(view.documentTitle(), "heading");
    // The heading is shown in capitals, and the page has its text.
    QFETCH(QString, heading);
    QVERIFY(view.toPlainText().startsWith(heading));
    QVERIFY(view.toPlainText().size() > heading.size() + 40);
    // The heading on the left, the text justified.
    QTextBlock block = view.document()->begin();
    QCOMPARE(block.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    for (block = block.next(); block.isValid(); block = block.next())
      QVERIFY2(block.blockFormat().alignment() & Qt::AlignJustify, qPrintable(block.text()));
  }

  void aKindWithoutAPageKeepsWhatIsShown() {
    GroupInfoPage view;
    view.initialUpdate(105);
    view.initialUpdate(104);
    QCOMPARE(view.pageId(), 533);
    QCOMPARE(view.documentTitle(), QString("Параметры шагов"));
  }

  void theManualOpensAtTheTopic_data() {
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("fragment");
    QTest::newRow("overview") << 0x20000 << "t20000";
    QTest::newRow("exchange") << 0x20002 << "t20002";
    QTest::newRow("editing") << 0x20004 << "t20004";
    QTest::newRow("unknown") << 0x12345 << "t20000";
  }
  void theManualOpensAtTheTopic() {
    QFETCH(int, context);
    HelpWindow& window = HelpWindow::instance();
    window.showTopic(context);
    QVERIFY(window.isVisible());
    QTEST(window.browser()->source().fragment(), "fragment");
    const QString text = window.browser()->toPlainText();
    QVERIFY(text.contains("Чтение и запись прошивки") && text.contains("Редактирование параметров"));
    window.hide();
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
    window.showTopic(help::kTopicExchange);
    QCoreApplication::processEvents();
    QVERIFY(!watch.blocked);
    modal.hide();
    window.hide();
    window.removeEventFilter(&watch);
  }

  void closingTheMainWindowEndsTheProgramWithTheManualOpen() {
    guitest::Shell shell;
    HelpWindow::instance().showTopic(help::kTopicOverview);
    QTimer::singleShot(0, shell.frame.get(), [&] { shell.frame->close(); });
    QTimer stillRunning;  // the program did not end
    stillRunning.setSingleShot(true);
    connect(&stillRunning, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stillRunning.start(3000);
    QCOMPARE(QApplication::exec(), 0);
    stillRunning.stop();
  }

  void theErrorBoxHelpKeepsTheBoxOpen() {
    int topic = 0;
    help::setHandler([&](int context) { topic = context; });
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
    messages::showError(nullptr, "Error 1", "Прибор не отвечает", help::kTopicExchange);
    messages::setResponder(recorder);
    QVERIFY(openAfterHelp);
    QCOMPARE(topic, help::kTopicExchange);
  }

  void theFramesHelpOpensTheOverview() {
    guitest::Shell shell;
    int topic = 0;
    help::setHandler([&](int context) { topic = context; });
    shell.frame->action(32773)->trigger();
    QCOMPARE(topic, help::kTopicOverview);
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
