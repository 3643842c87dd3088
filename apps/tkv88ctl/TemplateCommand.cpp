// tkv88ctl template: the tests of the installed template file with their
// parameters, and a program of a configuration file filled from one of them
// through the same document command as the GUI's, so the refusals are the
// GUI's too.
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/ConfigInput.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/Output.h"
#include "document/Document.h"
#include "document/TemplateFill.h"
#include "document/TestTemplateFile.h"
#include "model/FieldText.h"
#include "model/FormatText.h"
#include "model/ProfileText.h"

namespace {

constexpr const char* kCheck = "проверьте по тексту стандарта";

std::vector<TestTemplate> templates() {
  try {
    return loadTestTemplates();
  } catch (const TestTemplatesError& e) {
    throw Failure(e.what());
  }
}

std::string listing(const std::vector<TestTemplate>& tests) {
  std::string out;
  for (const TestTemplate& t : tests) {
    out += t.id + "\t" + t.title + "\n\t" + t.standard + "\n";
    for (const TemplateParam& p : t.params) {
      out += "\t--" + p.id + "\t" + p.text(p.value) + "\t" + p.label + ", " + p.limitsText();
      if (!p.hint.empty()) out += "; " + p.hint;
      if (p.check) out += std::string("; ") + kCheck;
      out += "\n";
    }
  }
  return out + "Значения по умолчанию проверьте по тексту действующего стандарта.\n";
}

const TestTemplate& testNamed(const std::vector<TestTemplate>& tests, const std::string& id) {
  for (const TestTemplate& t : tests)
    if (t.id == id) return t;
  throw UsageError("no test \"" + id + "\" (tkv88ctl template list names them)");
}

int runTemplate(const std::vector<std::string>& argv) {
  if (argv.empty()) throw UsageError("missing argument");
  const std::vector<TestTemplate> tests = templates();
  if (argv[0] == "list") {
    Args(std::vector<std::string>(argv.begin() + 1, argv.end()), {}).expectPositional(0, 0);
    writeOutput("-", listing(tests));
    return 0;
  }
  // The test comes first: its parameters are the options.
  const TestTemplate& test = testNamed(tests, argv[0]);
  std::set<std::string> options{"-o", "--output"};
  for (const TemplateParam& p : test.params) options.insert("--" + p.id);
  const Args args(std::vector<std::string>(argv.begin() + 1, argv.end()), options, {"--dry-run"});
  args.expectPositional(1, 1);
  const Place place = parsePlace(args.positional()[0]);
  if (place.firstStep) throw UsageError("a test fills a program (FILE:P<n>), not steps");

  TemplateValues values = test.defaults();
  for (const TemplateParam& p : test.params) {
    const auto typed = args.option("--" + p.id);
    if (!typed) continue;
    const TemplateParam::Parsed parsed = p.parse(*typed);
    if (!parsed.value) throw Failure(parsed.error);
    values[p.id] = *parsed.value;
  }

  Document doc;
  openConfiguration(doc, place.file, "template");
  Program& program = programOf(doc, place);
  if (const auto refusal = fillProgramFromTemplate(doc, program, test, values)) throw Failure(*refusal);
  const DeviceData& data = *doc.deviceData();
  const ProgramProfile profile =
      programProfile(program, {data.general.pid[0].isEnabled(), data.general.pid[1].isEnabled()});
  if (args.flag("--dry-run")) {
    writeOutput("-", profiletext::listing(profile, place.program, escapedControls(program.name())));
    return 0;
  }
  const std::string target = outputOption(args, place.file);
  writeOutput(target, doc.text());
  if (target != "-")
    std::printf("Программа %d «%s»: %d %s, %s\n", place.program, escapedControls(program.name()).c_str(),
                program.stepCount(), stepsWord(program.stepCount()), profiletext::durations(profile).c_str());
  return 0;
}

const CtlCommand::Registrar templateCommand(
    {"template", "list the standard climatic tests, or fill a program from one",
     "Usage: tkv88ctl template list\n"
     "       tkv88ctl template TEST FILE:P<n> [--PARAM VALUE]... [--dry-run] [-o OUT]\n"
     "The first form lists the tests of the installed template file\n"
     "(test-templates.txt): each test's id, title and standard, then one line\n"
     "per parameter: --PARAM, its default, what it is, its limits, the values\n"
     "the standard names, and \"проверьте по тексту стандарта\" where public\n"
     "descriptions of the standard give no exact value. Check every default\n"
     "against the text of the standard in force.\n"
     "The second form replaces program n of FILE with the program of TEST\n"
     "(name, steps, cycle start; key modes, conditions and comparators stay)\n"
     "and saves FILE (or OUT; -o - writes to standard output), then prints the\n"
     "program's steps and duration. A value is typed as the GUI takes it\n"
     "(--cold -40, --hold 16 or 16:00, --rate 0.5).\n"
     "  --dry-run  print the program's profile as tkv88ctl profile does and\n"
     "             save nothing\n"
     "A value outside its limits, or a program with more steps than FILE's\n"
     "memory partition allows, is refused (exit 1) and nothing is saved.\n",
     runTemplate});

}  // namespace
