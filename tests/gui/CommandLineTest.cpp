// The command line: driver switches in every spelling, the file, --port and
// what makes a command line bad.
#include <QTest>

#include "GuiTest.h"
#include "shell/CCmndLineInfo.h"
#include "shell/CTkv88_3App.h"

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
    CCmndLineInfo info;
    info.parse(args);
    QTEST(info.m_bInstallDriver, "install");
    QTEST(info.m_bRemoveDriver, "remove");
    QTEST(info.m_strFileName, "file");
    QTEST(info.m_strPort, "port");
    QTEST(!info.m_strError.isEmpty(), "bad");
  }

  void helpAndDriverSwitchesEndWithoutAWindow() {
    // This platform has no driver to install, so "i" reports a failure.
    const std::pair<QStringList, int> cases[] = {{{"--help"}, 0}, {{"/u"}, 0}, {{"I"}, 1}};
    for (const auto& [args, exitCode] : cases) {
      CCmndLineInfo info;
      info.parse(args);
      QCOMPARE(CTkv88_3App::runWithoutWindow(info), std::optional<int>(exitCode));
    }
    CCmndLineInfo bad;
    bad.parse({"--port", "bogus"});
    QCOMPARE(CTkv88_3App::runWithoutWindow(bad), std::optional<int>(2));
    CCmndLineInfo normal;
    normal.parse({"a.tkv88"});
    QCOMPARE(CTkv88_3App::runWithoutWindow(normal), std::nullopt);
  }
};

TKV88_GUI_SUITE(CommandLineTest);
#include "CommandLineTest.moc"
