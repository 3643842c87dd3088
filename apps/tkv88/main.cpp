// tkv88: the configurator of the TKV88 climate-chamber controller.

#include <QApplication>
#include <QIcon>

#include "resources/ResourcePaths.h"
#include "shell/Application.h"
#include "shell/CommandLine.h"

int main(int argc, char** argv) {
  // --help, a bad command line and the driver switches need no display.
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  CommandLine commandLine;
  commandLine.parse(args);
  if (const auto exitCode = Application::runWithoutWindow(commandLine)) return *exitCode;

  QApplication qapp(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("tkv88"));
  QCoreApplication::setApplicationName(QStringLiteral("tkv88"));
  QApplication::setWindowIcon(QIcon(resources::iconPath()));
  Application::installQtTranslations();

  Application app;
  // Qt may have taken its own options (-platform ...) out of the list.
  args = QCoreApplication::arguments();
  args.removeFirst();
  if (const auto exitCode = app.startUp(args)) return *exitCode;
  return QApplication::exec();
}
