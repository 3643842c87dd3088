// The command line: driver switches in every spelling, the file, --port,
// --version and what makes a command line bad.
#include <QTest>

#include "GuiTest.h"
#include "link/PortCheck.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"

class CommandLineTest : public QObject {
  Q_OBJECT

 private slots:
  void parses_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("install");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("port");
    QTest::addColumn<bool>("bad");
    QTest::newRow("nothing") << QStringList{} << false << false << ""
                             << "" << false;
    QTest::newRow("i") << QStringList{"i"} << true << false << ""
                       << "" << false;
    QTest::newRow("/I") << QStringList{"/I"} << true << false << ""
                        << "" << false;
    QTest::newRow("-i") << QStringList{"-i"} << true << false << ""
                        << "" << false;
    QTest::newRow("u") << QStringList{"u"} << false << true << ""
                       << "" << false;
    QTest::newRow("/u") << QStringList{"/u"} << false << true << ""
                        << "" << false;
    QTest::newRow("-U") << QStringList{"-U"} << false << true << ""
                        << "" << false;
    QTest::newRow("file") << QStringList{"a.tkv88"} << false << false << "a.tkv88"
                          << "" << false;
    QTest::newRow("absolute file") << QStringList{"/tmp/u"} << false << false << "/tmp/u"
                                   << "" << false;
    QTest::newRow("port") << QStringList{"--port", "sim:/x.bin", "a.tkv88"} << false << false << "a.tkv88"
                          << "sim:/x.bin" << false;
    QTest::newRow("port=") << QStringList{"--port=auto"} << false << false << ""
                           << "auto" << false;
    QTest::newRow("file after --") << QStringList{"--", "-i"} << false << false << "-i"
                                   << "" << false;
    QTest::newRow("port without value") << QStringList{"--port"} << false << false << ""
                                        << "" << true;
    QTest::newRow("empty port=") << QStringList{"--port="} << false << false << ""
                                 << "" << true;
    QTest::newRow("unknown option") << QStringList{"--frob"} << false << false << ""
                                    << "" << true;
    QTest::newRow("two files") << QStringList{"a.tkv88", "b.tkv88"} << false << false << "a.tkv88"
                               << "" << true;
  }
  void parses() {
    QFETCH(QStringList, args);
    CommandLine info;
    info.parse(args);
    QTEST(info.installSwitch, "install");
    QTEST(info.removeSwitch, "remove");
    QTEST(info.fileName, "file");
    QTEST(info.port, "port");
    QTEST(!info.error.isEmpty(), "bad");
  }

  void helpVersionAndDriverSwitchesEndWithoutAWindow() {
    // The driver switches only report whether a port is usable.
    const int portExit = checkPorts().usable() ? 0 : 1;
    const std::pair<QStringList, int> cases[] = {
        {{"--help"}, 0}, {{"--version"}, 0}, {{"/u"}, portExit}, {{"I"}, portExit}};
    for (const auto& [args, exitCode] : cases) {
      CommandLine info;
      info.parse(args);
      QCOMPARE(Application::runWithoutWindow(info), std::optional<int>(exitCode));
    }

    CommandLine bad;
    bad.parse({"--port", "bogus"});
    QCOMPARE(Application::runWithoutWindow(bad), std::optional<int>(2));
    CommandLine normal;
    normal.parse({"a.tkv88"});
    QCOMPARE(Application::runWithoutWindow(normal), std::nullopt);
  }
};

TKV88_GUI_SUITE(CommandLineTest);
#include "CommandLineTest.moc"
