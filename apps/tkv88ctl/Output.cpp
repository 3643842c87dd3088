#include "apps/tkv88ctl/Output.h"

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
      return *o;
    }
  }
  return fallback;
}

void writeOutput(const std::string& target, std::string_view bytes) {
  if (target == "-") {
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (const int error = standardOutputError())
      throw Failure("не удаётся записать стандартный вывод: " + systemErrorText(error));
    return;
  }
  try {
    saveFile(target, bytes);
  } catch (const SaveError& e) {
    throw Failure(e.what());
  }
}

int standardOutputError() {
  errno = 0;
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  return errno ? errno : EIO;
}
