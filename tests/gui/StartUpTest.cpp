// Start-up: a named file is loaded and nothing is read; without a file the
// first thing that happens is the read from the (simulated) controller; the
// port given is remembered; a controller that does not answer gives one
// error box and leaves the new configuration in place.
#include <QLabel>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "GuiTest.h"
#include "model/Cp1251.h"
#include "shell/AppSettings.h"
#include "shell/Application.h"

using guitest::MessageLog;

class StartUpTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString path(const QString& name) const { return m_dir.filePath(name); }
  // The simulated controller behind the parallel-port adapter ("sim:") or
  // the I2C adapter ("i2c-sim:").
  QString simPort(const QString& options = {}, const QString& adapter = "sim:") const {
    return adapter + path("controller.bin") + options;
  }
  static void adapters() {
    QTest::addColumn<QString>("adapter");
    QTest::newRow("parallel port") << "sim:";
    QTest::newRow("I2C") << "i2c-sim:";
  }

 private slots:
  void init() {
    QSettings().clear();
    MessageLog::clear();
  }

  void withAFileNothingIsRead() {
    {
      Document doc;
      doc.newDocument();
      doc.deviceData()->programs.front().setName("Сушка");
      doc.saveFile(path("saved.tkv88").toStdString());
    }
    Application app;
    QCOMPARE(app.startUp({"--port", simPort(), path("saved.tkv88")}), std::nullopt);
    int exchanges = 0;
    app.host().setExchangeRunner([&](DeviceData&, ExchangeMode) { return ++exchanges, false; });
    QCoreApplication::processEvents();  // a read at start-up would be posted
    QCOMPARE(exchanges, 0);
    QCOMPARE(app.document().title(), std::string("saved.tkv88"));
    QCOMPARE(app.document().deviceData()->programs.front().name(), std::string("Сушка"));
    QCOMPARE(app.mainFrame()->viewMode(), int(MainWindow::kDialogMode));
    QVERIFY(app.mainFrame()->windowTitle().startsWith("saved.tkv88"));
    QCOMPARE(settings::recentFiles().value(0), QFileInfo(path("saved.tkv88")).absoluteFilePath());
  }

  void aMissingFileEndsStartUpWithAMessage() {
    Application app;
    QCOMPARE(app.startUp({"--port", simPort(), path("missing.tkv88")}), std::optional<int>(1));
    QCOMPARE(MessageLog::shown().size(), size_t(1));
    QCOMPARE(
        MessageLog::shown()[0].text,
        QString("Не удалось открыть файл \"%1\".\nНет такого файла или папки.").arg(path("missing.tkv88")));
  }

  void withoutAFileTheControllerIsRead_data() { adapters(); }
  void withoutAFileTheControllerIsRead() {
    QFETCH(QString, adapter);
    Application app;
    QCOMPARE(app.startUp({"--port", simPort({}, adapter)}), std::nullopt);
    QCOMPARE(app.document().title(), std::string("Новая прошивка"));
    QVERIFY(guitest::waitFor([&] { return app.document().title() == "Считанная прошивка"; }));
    const DeviceData& d = *app.document().deviceData();
    QCOMPARE(d.programCount(), d.general.programCount());
    QCOMPARE(d.programs.front().name(), std::string("Считанная"));
    QVERIFY(MessageLog::shown().empty());
    QVERIFY(!app.document().isModified());
    // The tree shows what was read, with the first program selected.
    QCOMPARE(app.document().selection()->kind, NavigationKind::Program);
    QCOMPARE(app.document().currentProgram(), &app.document().deviceData()->programs.front());
    // The port given is the one the next start uses.
    QCOMPARE(settings::port(), simPort({}, adapter));
  }

  void aSilentControllerGivesOneErrorAndKeepsTheNewConfiguration_data() { adapters(); }
  void aSilentControllerGivesOneErrorAndKeepsTheNewConfiguration() {
    QFETCH(QString, adapter);
    Application app;
    QCOMPARE(app.startUp({"--port", simPort(",fault=absent", adapter)}), std::nullopt);
    QVERIFY(guitest::waitFor([] { return !MessageLog::shown().empty(); }));
    QCoreApplication::processEvents();  // nothing posted shows a second one
    QCOMPARE(MessageLog::shown().size(), size_t(1));
    QCOMPARE(MessageLog::shown()[0].title, QString("Error 1"));
    QCOMPARE(MessageLog::shown()[0].icon, QMessageBox::Critical);
    QCOMPARE(app.document().title(), std::string("Новая прошивка"));
    QCOMPARE(app.document().deviceData()->programCount(), 20);
  }

  void aPortThatCannotBeOpenedIsReportedWhenUsed() {
    Application app;
    QCOMPARE(app.startUp({"--port", "ppdev:" + path("no-such-parport")}), std::nullopt);
    QVERIFY(!app.devicePort().error().isEmpty());
    // The status bar tells it, in place of its idle text.
    QStatusBar* status = app.mainFrame()->statusBar();
    QCOMPARE(status->findChild<QLabel*>("portMessage")->toolTip(), app.devicePort().error());
    QVERIFY(status->findChild<QLabel*>("portMessage")->isVisible());
    QVERIFY(!status->findChild<QLabel*>("idleMessage")->isVisible());
    QVERIFY(guitest::waitFor([] { return !MessageLog::shown().empty(); }));
    QCOMPARE(MessageLog::shown()[0].title, QString("Error 4"));
    QCOMPARE(app.document().title(), std::string("Новая прошивка"));
  }
};

TKV88_GUI_SUITE(StartUpTest);
#include "StartUpTest.moc"
