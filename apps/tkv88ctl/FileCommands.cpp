// tkv88ctl commands on configuration files: new, list, set, normalize.
// They drive the same document as the GUI: a value set here is stored as an
// edit in the full list would store it (clamped to its limits), and "H01"
// changes a program's step count by the full list's rules.
#include <charconv>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/ConfigInput.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/Output.h"
#include "document/ConfigCompare.h"
#include "document/Document.h"
#include "model/Cp1251.h"
#include "model/FieldText.h"

namespace {

// ---- new -------------------------------------------------------------------

int runNew(const std::vector<std::string>& argv) {
  const Args args(argv, {"-o", "--output"});
  args.expectPositional(0, 0);
  Document doc;
  doc.newDocument();
  writeOutput(outputOption(args), doc.text());
  return 0;
}

// ---- list ------------------------------------------------------------------

void printRow(const std::string& scope, const Parameter& cell) {
  std::printf("%s\t%s\t%d\t%s\n", scope.c_str(), std::string(cell.code()).c_str(), cell.value(),
              std::string(cell.description()).c_str());
}

int runList(const std::vector<std::string>& argv) {
  const Args args(argv, {});
  args.expectPositional(1, 1);
  Document doc;
  openConfiguration(doc, args.positional()[0], "list");
  const DeviceData& d = *doc.deviceData();

  // Names come from files: control characters are shown as escapes.
  std::printf("-\tDeviceDataName\t%s\n", escapedControls(d.name()).c_str());
  int n = 0;
  for (const Program& program : d.programs) {
    const std::string p = "P" + std::to_string(++n);
    std::printf("%s\tname\t%s\n", p.c_str(), escapedControls(program.name()).c_str());
    std::printf("%s\tH01\t%d\t%s\n", p.c_str(), program.stepCount(), "Количество шагов в программе");
    printRow(p, program.H02);
    for (int k = 0; k < Program::kComparatorCount; ++k) {
      const std::string scope = p + ".C" + std::to_string(k + 1);
      for (const Parameter& cell : program.comparators[k].cells) printRow(scope, cell);
    }
    int m = 0;
    for (const Step& step : program.steps) {
      const std::string scope = p + ".S" + std::to_string(++m);
      for (int i : stepCellsInListOrder()) printRow(scope, step[i]);
    }
  }
  for (const Parameter* cell : generalInListOrder(d.general)) printRow("L2", *cell);
  return 0;
}

// ---- set -------------------------------------------------------------------

// An argument quoted for a one-line message: control characters as '?'.
std::string quoted(const std::string& text) {
  std::string q = "\"";
  for (unsigned char c : text) q += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
  return q + "\"";
}

// A whole number; one beyond what a cell can hold saturates, and the cell
// then clamps it to its limits like any other.
int32_t parseNumber(const std::string& text, const std::string& assignment) {
  int32_t v = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+' && first + 1 != last && first[1] != '-') ++first;
  const auto [ptr, ec] = std::from_chars(first, last, v);
  if (text.empty() || ptr != last || (ec != std::errc() && ec != std::errc::result_out_of_range))
    throw UsageError(quoted(assignment) + ": " + quoted(text) + " is not a whole number");
  if (ec == std::errc::result_out_of_range) return *first == '-' ? INT32_MIN : INT32_MAX;
  return v;
}

std::string parseName(const std::string& text, const std::string& assignment) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7f)
      throw UsageError(quoted(assignment) + ": a name cannot hold control characters");
  if (!cp1251::representable(text))
    throw UsageError(quoted(assignment) + ": the name has characters outside Windows-1251");
  return text;
}

// Reads a positive number after `prefix` at `pos`; advances pos.
bool takeIndex(const std::string& s, std::size_t& pos, char prefix, int& index) {
  if (pos >= s.size() || s[pos] != prefix) return false;
  const char* first = s.data() + pos + 1;
  const char* last = s.data() + s.size();
  const auto [ptr, ec] = std::from_chars(first, last, index);
  if (ec != std::errc() || ptr == first || index < 1) return false;
  pos = static_cast<std::size_t>(ptr - s.data());
  return true;
}

Parameter* findCell(std::vector<Parameter*> cells, const std::string& code) {
  for (Parameter* cell : cells)
    if (cell->code() == code) return cell;
  return nullptr;
}

void applyAssignment(Document& doc, const std::string& a) {
  const std::size_t colon = a.find(':');
  const std::size_t eq = a.find('=', colon == std::string::npos ? 0 : colon);
  if (colon == std::string::npos || eq == std::string::npos)
    throw UsageError(quoted(a) + " is not SCOPE:CODE=VALUE");
  const std::string scope = a.substr(0, colon);
  const std::string code = a.substr(colon + 1, eq - colon - 1);
  const std::string value = a.substr(eq + 1);
  DeviceData& d = *doc.deviceData();
  auto unknownCode = [&] { return UsageError(quoted(a) + ": no parameter " + code + " in scope " + scope); };

  if (scope == "-") {
    if (code != "DeviceDataName") throw unknownCode();
    d.setName(parseName(value, a));
    return;
  }
  if (scope == "L2") {
    Parameter* cell = findCell(d.general.parameterList(), code);
    if (!cell) throw unknownCode();
    cell->setEnteredValue(parseNumber(value, a));
    return;
  }

  std::size_t pos = 0;
  int n = 0, k = 0, m = 0;
  if (!takeIndex(scope, pos, 'P', n)) throw UsageError(quoted(a) + ": unknown scope " + scope);
  Program* program = d.programAt(n - 1);
  const auto noProgram = [&] {
    return Failure(quoted(a) + ": the configuration has no program " + std::to_string(n));
  };
  if (pos == scope.size()) {
    if (code == "name" || code == "H01" || code == "H02") {
      if (!program) throw noProgram();
      if (code == "name")
        program->setName(parseName(value, a));
      else if (code == "H01")
        doc.setStepCount(*program, parseNumber(value, a));
      else
        program->H02.setEnteredValue(parseNumber(value, a));
      return;
    }
    throw unknownCode();
  }
  if (scope[pos] != '.') throw UsageError(quoted(a) + ": unknown scope " + scope);
  ++pos;
  if (takeIndex(scope, pos, 'C', k) && pos == scope.size() && k <= Program::kComparatorCount) {
    Comparator probe;
    std::vector<Parameter*> cells;
    for (Parameter& c : probe.cells) cells.push_back(&c);
    const Parameter* found = findCell(cells, code);
    if (!found) throw unknownCode();
    if (!program) throw noProgram();
    Comparator& comparator = program->comparators[k - 1];
    const int cell = static_cast<int>(found - probe.cells);
    const int32_t before = comparator[cell].value();
    comparator[cell].setEnteredValue(parseNumber(value, a));
    // A new input brings its setpoints' limits, as the forms and the table do.
    if (cell == Comparator::C01 && comparator[cell].value() != before) comparator.applyInputRanges();
    return;
  }
  pos = scope.find('.') + 1;
  if (takeIndex(scope, pos, 'S', m) && pos == scope.size()) {
    Step probe;
    const Parameter* found = findCell(probe.parameterList(), code);
    if (!found) throw unknownCode();
    if (!program) throw noProgram();
    Step* step = program->stepAt(m - 1);
    if (!step)
      throw Failure(quoted(a) + ": program " + std::to_string(n) + " has no step " + std::to_string(m));
    const int cell = static_cast<int>(found - probe.cells);
    const int32_t before = (*step)[cell].value();
    (*step)[cell].setEnteredValue(parseNumber(value, a));
    if ((*step)[cell].value() != before) step->followInput(cell);
    return;
  }
  throw UsageError(quoted(a) + ": unknown scope " + scope);
}

int runSet(const std::vector<std::string>& argv) {
  // "-:DeviceDataName=..." would read as an option; it touches nothing else,
  // so it is taken aside and applied last.
  std::vector<std::string> rest, names;
  for (const std::string& a : argv) (a.rfind("-:", 0) == 0 ? names : rest).push_back(a);
  const Args args(rest, {"-o", "--output"});
  if (args.positional().empty() || args.positional().size() + names.size() < 2)
    throw UsageError("missing argument");
  const std::string& file = args.positional()[0];
  Document doc;
  openConfiguration(doc, file, "set");
  // Every assignment is applied before anything is written, so a bad one
  // leaves the file untouched.
  for (std::size_t i = 1; i < args.positional().size(); ++i) applyAssignment(doc, args.positional()[i]);
  for (const std::string& a : names) applyAssignment(doc, a);
  writeOutput(outputOption(args, file), doc.text());
  return 0;
}

// ---- normalize -------------------------------------------------------------

int runNormalize(const std::vector<std::string>& argv) {
  const Args args(argv, {"-o", "--output"});
  args.expectPositional(1, 1);
  const std::string& file = args.positional()[0];
  Document doc;
  openConfiguration(doc, file, "normalize");
  writeOutput(outputOption(args, file), doc.text());
  return 0;
}

const CtlCommand::Registrar newCommand(
    {"new", "write a new configuration (\"Новая прошивка\")",
     "Usage: tkv88ctl new [-o FILE]\n"
     "Writes the configuration that \"Новая прошивка\" makes: default general\n"
     "parameters and 20 programs without steps. Without -o (or with -o -) it\n"
     "goes to standard output. The file is Windows-1251.\n",
     runNew});

const CtlCommand::Registrar listCommand(
    {"list", "print every parameter of a configuration file",
     "Usage: tkv88ctl list FILE\n"
     "Prints every parameter of FILE in the order of the full list, one line\n"
     "each, tab-separated: scope, code, value, description (UTF-8).\n"
     "Scopes: P<n> a program's own rows (H01 = its step count, H02),\n"
     "P<n>.C<k> comparator k, P<n>.S<m> step m, L2 the general parameters.\n"
     "The first line is \"-<TAB>DeviceDataName<TAB>name\"; each program starts\n"
     "with \"P<n><TAB>name<TAB>name\".\n",
     runList});

const CtlCommand::Registrar setCommand(
    {"set", "change values of a configuration file",
     "Usage: tkv88ctl set FILE [-o OUT] SCOPE:CODE=VALUE ...\n"
     "Changes values as an edit in the full list would and saves FILE (or OUT;\n"
     "-o - writes to standard output). Scopes and codes as \"tkv88ctl list\"\n"
     "prints them. Values are whole numbers, clamped to the parameter's limits.\n"
     "  P<n>:H01=COUNT       step count of program n (at most the partition's\n"
     "                       steps per program; new steps have default values)\n"
     "  P<n>:name=TEXT       renames program n (at most 63 characters)\n"
     "  -:DeviceDataName=TEXT  renames the configuration\n"
     "  P<n>.C<k>:C03=-20    a comparator value;  P<n>.S<m>:U04=3  a step value\n"
     "  L2:O09=5             a general parameter\n"
     "Assignments apply in order; nothing is saved when one of them fails.\n",
     runSet});

const CtlCommand::Registrar normalizeCommand(
    {"normalize", "load and save a configuration file",
     "Usage: tkv88ctl normalize FILE [-o OUT]\n"
     "Loads FILE and saves it again (to OUT when given; -o - writes to\n"
     "standard output), in the layout the configurator writes.\n",
     runNormalize});

}  // namespace
