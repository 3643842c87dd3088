// tkv88ctl profile: how one program of a configuration file runs over time,
// as the GUI's profile chart shows it: its durations and, step by step, when
// it begins and ends, both setpoints and how it ends; or the corners of the
// setpoint lines as CSV for a spreadsheet.
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/Output.h"
#include "document/Document.h"
#include "model/FieldText.h"
#include "model/ProfileText.h"

namespace {

// Up to two decimals, without trailing zeros: "60", "17.5", "33.33".
std::string shortNumber(double v) {
  std::string s = profiletext::number(v, 2);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// A CSV column's heading: the regulator's one quantity with its unit, or
// the regulator's number when its quantity changes over the program.
std::string columnHeading(const ProgramProfile& p, int r) {
  const std::string number = "регулятор " + std::to_string(r + 1);
  if (!p.regulatorOn[r]) return number + " (выключен)";
  int input = 0;
  for (const ProfileStep& s : p.steps) {
    if (input != 0 && s.setpoints[r].input != input) return number;
    input = s.setpoints[r].input;
  }
  return profiletext::quantity(input) + " (" + profiletext::unit(input) + ")";
}

std::string csv(const ProgramProfile& p) {
  std::string out = "минута," + columnHeading(p, 0) + "," + columnHeading(p, 1) + "\n";
  for (const ProfilePoint& pt : profilePoints(p.steps)) {
    out += shortNumber(pt.minute);
    for (int r = 0; r < 2; ++r) out += "," + (p.regulatorOn[r] ? shortNumber(pt.value[r]) : std::string());
    out += "\n";
  }
  return out;
}

int runProfile(const std::vector<std::string>& argv) {
  const Args args(argv, {"--program", "-o", "--output"}, {"--csv"});
  args.expectPositional(1, 1);
  const int number = programNumber(args.required("--program"));
  Document doc;
  doc.openFile(args.positional()[0]);
  const DeviceData& data = *doc.deviceData();
  const Program* program = data.programAt(number - 1);
  if (!program)
    throw Failure("the configuration has no program " + std::to_string(number) + " (it has " +
                  std::to_string(data.programCount()) + ")");
  const ProgramProfile profile = programProfile(*program, data.general);
  writeOutput(outputOption(args),
              args.flag("--csv") ? csv(profile)
                                 : profiletext::listing(profile, number, escapedControls(program->name())));
  return 0;
}

const CtlCommand::Registrar profileCommand(
    {"profile", "how long a program runs and what its setpoints do over time",
     "Usage: tkv88ctl profile FILE --program N [--csv] [-o OUT]\n"
     "Prints program N (from 1) of FILE as the chamber runs it, taking the\n"
     "chamber to follow its setpoints. The first line gives its durations:\n"
     "  Программа N «NAME»: длительность HH:MM[, цикл с шага K: HH:MM]\n"
     "(\"не менее\" when a step waits for a condition the program cannot time,\n"
     "\"не более\" when a condition may end a step before its duration). Then\n"
     "one line per step, tab-separated: number, start, end, the setpoints of\n"
     "regulators 1 and 2 with their units (a ramp as FROM → TO), how it ends.\n"
     "  --csv      the corners of the setpoint lines instead, one per line:\n"
     "             minute, regulator 1, regulator 2 (two rows at one minute\n"
     "             are a jump; a regulator switched off has empty values)\n"
     "  -o OUT     write to OUT instead of standard output\n",
     runProfile});

}  // namespace
