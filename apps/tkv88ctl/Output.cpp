#include "apps/tkv88ctl/Output.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "model/SafeFile.h"
#include "model/SystemErrorText.h"

std::string outputOption(const Args& args, const std::string& fallback) {
  for (const char* name : {"-o", "--output"}) {
    if (auto o = args.option(name)) {
      if (o->empty()) throw UsageError(std::string("option ") + name + " needs a file name");
      return descriptorNamed(*o) == STDOUT_FILENO ? std::string("-") : *o;
    }
  }
  return fallback;
}

namespace {

// The first failure of a write to the standard output: later checks find
// the stream's error flag but no reason, and must not say another one
// ("ошибка ввода-вывода" after "на диске нет места").
int stdoutError = 0;

}  // namespace

OutputTarget::OutputTarget(const std::string& target) : m_target(target) {
  if (target == "-") return;
  try {
    m_file = std::make_unique<SafeFile>(target);
  } catch (const SaveError& e) {
    throw Failure(e.what());
  }
}

OutputTarget::~OutputTarget() = default;

void OutputTarget::write(std::string_view bytes) {
  if (!m_file) {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() && stdoutError == 0)
      stdoutError = errno ? errno : EIO;
    if (const int error = standardOutputError())
      throw Failure("не удаётся записать стандартный вывод: " + systemErrorText(error));
    return;
  }
  try {
    m_file->write(bytes);
    m_file->commit();
  } catch (const SaveError& e) {
    throw Failure(e.what());
  }
}

void writeOutput(const std::string& target, std::string_view bytes) { OutputTarget(target).write(bytes); }

int standardOutputError() {
  if (stdoutError) return stdoutError;
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  stdoutError = errno ? errno : EIO;
  return stdoutError;
}
