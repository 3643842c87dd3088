// Shared pieces of the GUI suites: suite registration, the recorded message
// boxes, and a shell (document, Qt host and main frame) whose device
// exchanges a test scripts.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QObject>
#include <QString>

#include "document/Document.h"
#include "document/LevelMask.h"
#include "shell/MainWindow.h"
#include "shell/QtDocumentHost.h"
#include "widgets/DocumentActions.h"
#include "widgets/Messages.h"

namespace guitest {

using SuiteFactory = std::function<QObject*()>;
struct SuiteRegistrar {
  SuiteRegistrar(const char* name, SuiteFactory factory);
};
#define TKV88_GUI_SUITE(Class) \
  static guitest::SuiteRegistrar registrar_##Class(#Class, [] { return new Class; })

// Every message box the program asked for since the last clear(); the
// answer given is `answer` (Cancel unless a test says otherwise).
struct MessageLog {
  static std::vector<messages::Shown>& shown();
  static messages::Answer& answer();
  static void clear();
};

// A document with its Qt host and main frame, in dialog mode, holding a new
// configuration. Exchanges run the scripted runner (none: every exchange fails).
struct Shell {
  QtDocumentHost host;
  Document doc{&host};
  std::unique_ptr<MainWindow> frame;

  Shell();
  ~Shell();
};

// The action of a menu or widget by its object name, or nullptr.
QAction* actionNamed(const QWidget* widget, const QString& name);

// Processes posted events until `done` holds or the time runs out.
bool waitFor(const std::function<bool()>& done, int timeoutMs = 20000);

}  // namespace guitest
