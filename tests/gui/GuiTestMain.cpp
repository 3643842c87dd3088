// The GUI suites' program: "test_gui" runs every suite, "test_gui NAME [Qt
// Test options]" runs one. Settings go to a folder of the process's own;
// message boxes are recorded instead of shown.
#include <cstdio>
#include <cstring>
#include <map>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "GuiTest.h"
#include "model/ValueTexts.h"

namespace guitest {
namespace {
std::map<std::string, SuiteFactory>& suites() {
  static std::map<std::string, SuiteFactory> s;
  return s;
}
}  // namespace

SuiteRegistrar::SuiteRegistrar(const char* name, SuiteFactory factory) {
  suites()[name] = std::move(factory);
}

std::vector<messages::Shown>& MessageLog::shown() {
  static std::vector<messages::Shown> s;
  return s;
}

messages::Answer& MessageLog::answer() {
  static messages::Answer a = messages::Answer::Cancel;
  return a;
}

void MessageLog::clear() {
  shown().clear();
  answer() = messages::Answer::Cancel;
}

Shell::Shell() {
  QSettings().clear();  // no window geometry or recent files of an earlier case
  frame = std::make_unique<MainWindow>(doc, levelMask);
  host.setFrame(frame.get());
  doc.newDocument();
  frame->show();
  // The frame opens in dialog mode through a posted command.
  QCoreApplication::processEvents();
}

Shell::~Shell() {
  frame.reset();
  host.setFrame(nullptr);
}

QAction* actionNamed(const QWidget* widget, const QString& name) {
  for (QAction* a : widget->actions())
    if (a->objectName() == name) return a;
  return nullptr;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

}  // namespace guitest

int main(int argc, char** argv) {
  QStandardPaths::setTestModeEnabled(true);
  QApplication app(argc, argv);
  // Suites run in parallel processes: each keeps its settings to itself.
  QTemporaryDir settingsDir;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
  // Backups of the controller's configuration too, never in the home folder.
  QTemporaryDir dataDir;
  qputenv("XDG_DATA_HOME", dataDir.path().toLocal8Bit());
  QCoreApplication::setOrganizationName(QStringLiteral("tkv88-test"));
  QCoreApplication::setApplicationName(QStringLiteral("tkv88-test"));
  buildValueTexts();
  messages::setResponder([](const messages::Shown& shown) {
    guitest::MessageLog::shown().push_back(shown);
    return guitest::MessageLog::answer();
  });

  int failures = 0;
  if (argc > 1 && argv[1][0] != '-') {
    const auto it = guitest::suites().find(argv[1]);
    if (it == guitest::suites().end()) {
      std::fprintf(stderr, "test_gui: no suite \"%s\"\n", argv[1]);
      return 2;
    }
    std::unique_ptr<QObject> suite(it->second());
    argv[1] = argv[0];
    return QTest::qExec(suite.get(), argc - 1, argv + 1);
  }
  for (auto& [name, factory] : guitest::suites()) {
    std::unique_ptr<QObject> suite(factory());
    failures += QTest::qExec(suite.get(), argc, argv) != 0;
  }
  return failures;
}
