// tkv88ctl: the configurator's headless tool for scripting and service work.
// It drives the same document, file format and device link as the GUI.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "Tkv88Version.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/Interrupts.h"
#include "apps/tkv88ctl/Output.h"
#include "model/SystemErrorText.h"

namespace {

std::vector<CtlCommand>& registry() {
  static std::vector<CtlCommand> commands;
  return commands;
}

std::vector<std::string>& laterFailures() {
  static std::vector<std::string> failures;
  return failures;
}

// The failures told after the work; status 1 unless the command failed
// already, and a signal's status when one stopped it.
int withLaterFailures(const char* command, int status) {
  for (const std::string& text : laterFailures())
    std::fprintf(stderr, "tkv88ctl %s: %s\n", command, text.c_str());
  return exitStatusAfterSignals(laterFailures().empty() || status != 0 ? status : 1);
}

void printOverview(std::FILE* out) {
  std::fprintf(out,
               "Usage: tkv88ctl COMMAND [ARGS...]\n"
               "Headless tool of the TKV88 configurator: configuration files and the\n"
               "controller's memory. Texts on the terminal are UTF-8; configuration\n"
               "files are Windows-1251.\n\nCommands:\n");
  for (const CtlCommand& c : registry()) std::fprintf(out, "  %-10s %s\n", c.name, c.summary);
  std::fprintf(out,
               "\n\"tkv88ctl COMMAND --help\" describes a command; \"tkv88ctl --version\"\n"
               "prints the version. Exit status: 0 success, 1 failure, 2 bad usage.\n");
}

}  // namespace

CtlCommand::Registrar::Registrar(const CtlCommand& command) { registry().push_back(command); }

const std::vector<CtlCommand>& CtlCommand::all() { return registry(); }

void failAfterwards(const std::string& text) { laterFailures().push_back(text); }

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    printOverview(stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    printOverview(stdout);
    return 0;
  }
  if (args[0] == "--version") {
    std::puts("tkv88ctl " TKV88_VERSION);
    return 0;
  }
  for (const CtlCommand& c : registry()) {
    if (args[0] != c.name) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
      if (a == "--help" || a == "-h") {
        std::fputs(c.help, stdout);
        return 0;
      }
    }
    try {
      const int status = c.run(rest);
      // Output that never reached its file or pipe is no success.
      if (const int error = standardOutputError()) {
        std::fprintf(stderr, "tkv88ctl %s: не удаётся записать стандартный вывод: %s\n", c.name,
                     systemErrorText(error).c_str());
        return withLaterFailures(c.name, status == 0 ? 1 : status);
      }
      return withLaterFailures(c.name, status);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "tkv88ctl %s: %s (see \"tkv88ctl %s --help\")\n", c.name, e.what(), c.name);
      return withLaterFailures(c.name, 2);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tkv88ctl %s: %s\n", c.name, e.what());
      return withLaterFailures(c.name, 1);
    }
  }
  std::fprintf(stderr, "tkv88ctl: unknown command \"%s\" (see \"tkv88ctl --help\")\n", args[0].c_str());
  return 2;
}
