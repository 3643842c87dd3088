// The subcommands of tkv88ctl. Each command file registers its commands with
// a static CtlCommand::Registrar, so adding a command touches only its file.
//
// Exit status: 0 success, 1 failure, 2 bad usage; one line on stderr.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

struct CtlCommand {
  using Run = int (*)(const std::vector<std::string>& args);

  const char* name;
  const char* summary;  // one line for the command list
  const char* help;     // full usage text, printed by "tkv88ctl CMD --help"
  Run run;

  struct Registrar {
    explicit Registrar(const CtlCommand& command);
  };
  static const std::vector<CtlCommand>& all();
};

// Thrown for a bad command line: exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Thrown for a failure of the work itself: exit status 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "1 program", "5 programs": a count with its noun, for the notes.
inline std::string counted(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A failure that must not stop the work (a trace that could not be
// written): told on stderr once the command has finished, exit status 1.
void failAfterwards(const std::string& text);
