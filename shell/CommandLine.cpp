#include "shell/CommandLine.h"

#include "link/PortDescription.h"

namespace {

// "i", "/i", "-I" ... : the driver switch letter, or 0 for anything else.
QChar driverSwitch(const QString& arg) {
  QString s = arg;
  if (s.size() == 2 && (s[0] == u'/' || s[0] == u'-')) s = s.mid(1);
  if (s.size() != 1) return {};
  const QChar c = s[0].toLower();
  return (c == u'i' || c == u'u') ? c : QChar();
}

}  // namespace

void CommandLine::parse(const QStringList& args) {
  bool optionsEnded = false;
  for (int i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (!optionsEnded) {
      if (arg == u"--") {
        optionsEnded = true;
        continue;
      }
      if (arg == u"--help" || arg == u"-h" || arg == u"/?") {
        showHelp = true;
        continue;
      }
      if (arg == u"--version") {
        showVersion = true;
        continue;
      }
      if (arg == u"--port") {
        if (i + 1 >= args.size()) {
          error = QStringLiteral("--port needs a port description");
          return;
        }
        port = args[++i];
        continue;
      }
      if (arg.startsWith(u"--port=")) {
        port = arg.mid(7);
        if (port.isEmpty()) {
          error = QStringLiteral("--port needs a port description");
          return;
        }
        continue;
      }
      const QChar sw = driverSwitch(arg);
      if (sw == u'i') {
        installSwitch = true;
        continue;
      }
      if (sw == u'u') {
        removeSwitch = true;
        continue;
      }
      if (arg.size() > 1 && arg.startsWith(u'-')) {
        error = QStringLiteral("unknown option \"%1\"").arg(arg);
        return;
      }
    }
    if (!fileName.isEmpty()) {
      error = QStringLiteral("only one configuration file can be opened");
      return;
    }
    fileName = arg;
  }
}

QString CommandLine::usage() {
  return QStringLiteral(
      "Usage: tkv88 [--port PORT] [FILE.tkv88]\n"
      "       tkv88 i | u\n"
      "The TKV88 configurator. Without a file it starts by reading the controller.\n"
      "\n"
      "  FILE.tkv88      open this configuration file; nothing is read from the controller\n"
      "  --port PORT     the controller's port, remembered for the next start; when none\n"
      "                  was ever given, $TKV88_PORT or auto. PORT is one of:\n" TKV88_PORT_FORMS_HELP
      "  i, u            check access to the parallel ports, say what to do, and end\n"
      "                  (also /i, -u, either case); exit status 0 when a port is usable\n"
      "  --version       show the version\n"
      "  --help          show this text\n");
}
