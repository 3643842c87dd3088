// tkv88ctl probe: the GUI's "Прибор → Проверка связи…" for the terminal.
// Checks the link to the controller without writing anything and says, in
// words a technologist can act on, what is wrong or which timing an
// exchange would use.
#include <cstdio>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/DeviceSupport.h"
#include "link/DeviceExchange.h"

namespace {

int runProbe(const std::vector<std::string>& argv) {
  const Args args(argv, device_support::valueOptions(), device_support::flags());
  args.expectPositional(0, 0);
  DeviceSession session(args);
  session.note("проверка связи...");
  DeviceData none;
  DeviceExchange exchange(session.link(), none, ExchangeMode::Probe);
  exchange.run();
  if (const auto error = exchange.takeError()) throw Failure(device_support::describe(*error));
  const ProbeReport& report = exchange.probe();
  std::printf("%s\n", report.verdict().c_str());
  for (const std::string& line : report.details()) std::printf("  %s\n", line.c_str());
  return report.linkWorks() ? 0 : 1;
}

const CtlCommand::Registrar probe(
    {"probe", "check the link to the controller without writing anything",
     "Usage: tkv88ctl probe [--port PORT] [-q]\n"
     "Checks the link to the controller as the GUI's \"Проверка связи\" does,\n"
     "writing nothing: whether the adapter's lines respond, how long its data\n"
     "line takes to settle, whether the controller's memory answers, and the\n"
     "timing an exchange would use. Prints one line to act on (for instance\n"
     "\"адаптер не подключен\", \"прибор не отвечает: проверьте кабель и питание\",\n"
     "\"связь есть, быстрая скорость обмена\"), then what was measured.\n"
     "Exit status 0 when the controller answers, 1 when it does not.\n\n"
     "Options:\n" TKV88CTL_DEVICE_OPTIONS_HELP,
     runProbe});

}  // namespace
