#include "document/ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <vector>

#include "model/Cp1251.h"
#include "model/SafeFile.h"
#include "model/SystemErrorText.h"

namespace configfile {

FileError::FileError(Direction direction, std::string path, std::string reason)
    : std::runtime_error(std::string(direction == Direction::Read ? "не удаётся прочитать \"" : "не удаётся записать \"") +
                         path + "\": " + reason),
      m_direction(direction),
      m_path(std::move(path)),
      m_reason(std::move(reason)) {}

// ---- Writer ----------------------------------------------------------------

namespace {

void appendNumber(std::string& out, int32_t v) {
  char buf[16];
  const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  out.append(buf, end);
}

void appendLine(std::string& out, std::string_view key, int32_t v) {
  out += key;
  out += '=';
  appendNumber(out, v);
  out += '\n';
}

void appendCell(std::string& out, const Parameter& cell) { appendLine(out, cell.code(), cell.value()); }

// A name goes out in Windows-1251 (a character without a form there as
// '?'). A line break inside it would end the line early and let the rest of
// the name be read back as lines of its own (a name "x\n[Program]" would
// add a program), so CR and LF are written as blanks.
void appendText(std::string& out, std::string_view key, std::string_view utf8) {
  out += key;
  out += '=';
  for (char c : cp1251::fromUtf8(utf8)) out += (c == '\n' || c == '\r') ? ' ' : c;
  out += '\n';
}

}  // namespace

void write(const DeviceData& data, std::string& out) {
  const GeneralParameters& g = data.general;
  appendText(out, "DeviceDataName", data.name());

  out += "\n[BaseParams]\n";
  appendCell(out, g.base[BaseParameters::Scr]);
  for (int i = BaseParameters::O01; i <= BaseParameters::O11; ++i) appendCell(out, g.base[i]);

  out += "\n[DigitFlt]\n";
  for (const Parameter& c : g.filters.cells) appendCell(out, c);

  out += "\n[Correction]\n";
  for (const Parameter& c : g.corrections.cells) appendCell(out, c);

  out += "\n[Keys]\n";
  for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
    appendCell(out, g.keys.pulse(j));
    appendCell(out, g.keys.pause(j));
  }

  out += "\n[PIDRegulators]\n";
  for (const PidRegulator& pid : g.pid)
    for (const Parameter& c : pid.cells) appendCell(out, c);

  out += "\n[Programs]\n";
  appendLine(out, "amount", data.programCount());

  for (const Program& program : data.programs) writeProgram(program, out);
}

void writeProgram(const Program& program, std::string& out) {
  out += "\n[Program]\n";
  appendText(out, "name", program.name());
  for (int k = 0; k < Program::kComparatorCount; ++k) {
    out += "\n[Comparator";
    appendNumber(out, k + 1);
    out += "]\n";
    for (const Parameter& c : program.comparators[k].cells) appendCell(out, c);
  }
  appendLine(out, "StartStep", program.H02.value());
  int number = 0;
  for (const Step& step : program.steps) writeStep(step, ++number, out);
}

void writeStep(const Step& step, int number, std::string& out) {
  out += "\n[step]\n";
  appendLine(out, "number", number);
  for (int i = Step::U01; i <= Step::U05; ++i) appendCell(out, step[i]);
  for (int n = 1; n <= Step::kKeyCount; ++n) appendCell(out, step.key(n));
  for (int i = Step::E01; i <= Step::E_05; ++i) appendCell(out, step[i]);
}

std::string write(const DeviceData& data) {
  std::string out;
  // About 30 bytes per line: 100 lines of general parameters, 45 per
  // program and 25 per step.
  std::size_t steps = 0;
  for (const Program& p : data.programs) steps += p.steps.size();
  out.reserve(4096 + 1500 * data.programs.size() + 600 * steps);
  write(data, out);
  return out;
}

// ---- Reader ----------------------------------------------------------------

namespace {

// What a key means to the reader. Keys are compared byte for byte.
struct KeyAction {
  enum Kind { DeviceName, General, ProgramName, StartStep, ComparatorCell, KeyMode, StepCell };
  Kind kind;
  int index;  // general: position in GeneralParameters::parameterList(); cells: cell index
};

using KeyTable = std::map<std::string, KeyAction, std::less<>>;

const KeyTable& keyTable() {
  static const KeyTable table = [] {
    KeyTable t;
    t.emplace("DeviceDataName", KeyAction{KeyAction::DeviceName, 0});
    t.emplace("name", KeyAction{KeyAction::ProgramName, 0});
    t.emplace("StartStep", KeyAction{KeyAction::StartStep, 0});
    const GeneralParameters general;
    const auto cells = general.parameterList();
    for (int i = 0; i < static_cast<int>(cells.size()); ++i)
      t.emplace(std::string(cells[i]->code()), KeyAction{KeyAction::General, i});
    const Comparator comparator;
    for (int i = 0; i < Comparator::kCellCount; ++i)
      t.emplace(std::string(comparator[i].code()), KeyAction{KeyAction::ComparatorCell, i});
    const Step step;
    for (int i = 0; i < Step::kCellCount; ++i) {
      const bool key = i >= Step::N01 && i <= Step::N08;
      t.emplace(std::string(step[i].code()), KeyAction{key ? KeyAction::KeyMode : KeyAction::StepCell, i});
    }
    return t;
  }();
  return table;
}

// atoi: leading white space, an optional sign, digits up to the first
// non-digit, 0 without digits. Saturates instead of overflowing.
int32_t parseNumber(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || (s[i] >= '\t' && s[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int64_t v = 0;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) v = int64_t{INT32_MAX} + 1;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  return static_cast<int32_t>(v);
}

}  // namespace

std::unique_ptr<DeviceData> read(std::string_view text, int* recognisedLines) {
  auto data = std::make_unique<DeviceData>();
  const std::vector<Parameter*> general = data->general.parameterList();
  const KeyTable& keys = keyTable();

  // The pending program and step live in lists of their own so that they
  // move into place by splicing, without copying their cells.
  std::list<Program> pendingProgram;
  std::list<Step> pendingStep;
  // Comparator 1 at the start of every load, so the same file always loads
  // the same way whatever was loaded before.
  int currentComparator = 0;

  int programs = 0, steps = 0, recognised = 0;

  auto flushStep = [&] {
    if (!pendingStep.empty() && !pendingProgram.empty()) {
      if (++steps > kMaxSteps) throw FormatError("в файле больше " + std::to_string(kMaxSteps) + " шагов");
      Program& program = pendingProgram.front();
      // The limits follow the inputs read; the values stay as the file has them.
      pendingStep.front().selectInputRanges();
      program.steps.splice(program.steps.end(), pendingStep);
    }
  };
  auto flushProgram = [&] {
    if (!pendingProgram.empty() && ++programs > kMaxPrograms)
      throw FormatError("в файле больше " + std::to_string(kMaxPrograms) + " программ");
    if (!pendingProgram.empty())
      for (Comparator& c : pendingProgram.front().comparators) c.selectInputRanges();
    data->programs.splice(data->programs.end(), pendingProgram);
  };

  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    std::string_view line;
    if (end == std::string_view::npos) {
      line = text.substr(pos);
      pos = text.size();
    } else {
      line = text.substr(pos, end - pos);
      pos = end + 1;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    }

    std::string_view key, value;
    if (const std::size_t eq = line.find('='); eq != std::string_view::npos) {
      key = line.substr(0, eq);
      value = line.substr(eq + 1);
    }

    if (line == "[Program]") {
      ++recognised;
      flushStep();
      flushProgram();
      pendingProgram.emplace_back();
      continue;
    }
    if (line == "[step]") {
      ++recognised;
      flushStep();
      pendingStep.clear();
      pendingStep.emplace_back();
      continue;
    }
    if (!pendingProgram.empty() && line.size() == 13 && line.substr(0, 11) == "[Comparator" &&
        line[11] >= '1' && line[11] <= '4' && line[12] == ']') {
      currentComparator = line[11] - '1';
      ++recognised;
      continue;
    }
    if (key.empty()) continue;
    const auto it = keys.find(key);
    if (it == keys.end()) continue;
    const KeyAction& action = it->second;
    const bool applies = action.kind == KeyAction::DeviceName || action.kind == KeyAction::General ||
                         (action.kind == KeyAction::KeyMode || action.kind == KeyAction::StepCell
                              ? !pendingStep.empty()
                              : !pendingProgram.empty());
    if (applies) ++recognised;
    switch (action.kind) {
      case KeyAction::DeviceName:
        data->setName(cp1251::toUtf8(value));
        break;
      case KeyAction::General:
        general[action.index]->setEnteredValue(parseNumber(value));
        break;
      case KeyAction::ProgramName:
        if (!pendingProgram.empty()) pendingProgram.front().setName(cp1251::toUtf8(value));
        break;
      case KeyAction::StartStep:
        // Stored as read, outside its limits too.
        if (!pendingProgram.empty()) pendingProgram.front().H02.valueRef() = parseNumber(value);
        break;
      case KeyAction::ComparatorCell:
        if (!pendingProgram.empty())
          pendingProgram.front().comparators[currentComparator][action.index].setEnteredValue(
              parseNumber(value));
        break;
      case KeyAction::KeyMode:
        if (!pendingStep.empty()) pendingStep.front()[action.index].valueRef() = parseNumber(value);
        break;
      case KeyAction::StepCell:
        if (!pendingStep.empty()) pendingStep.front()[action.index].setEnteredValue(parseNumber(value));
        break;
    }
  }
  flushStep();
  flushProgram();
  if (recognisedLines) *recognisedLines = recognised;
  return data;
}

// ---- Files -----------------------------------------------------------------

namespace {

std::string reason(int error) { return systemErrorText(error); }

struct Fd {
  int fd = -1;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

std::string readFile(const std::string& path) {
  using D = FileError::Direction;
  Fd f;
  f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (f.fd < 0) throw FileError(D::Read, path, reason(errno));
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) throw FileError(D::Read, path, reason(errno));
  if (S_ISDIR(st.st_mode)) throw FileError(D::Read, path, reason(EISDIR));
  if (!S_ISREG(st.st_mode)) throw FileError(D::Read, path, "это не обычный файл");
  if (static_cast<std::size_t>(st.st_size) > kMaxFileSize) throw FileError(D::Read, path, "файл слишком велик");
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      // The file may have grown since fstat; keep reading up to the limit.
      if (bytes.size() > kMaxFileSize) throw FileError(D::Read, path, "файл слишком велик");
      bytes.resize(bytes.size() + 4096);
    }
    const ssize_t n = ::read(f.fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw FileError(D::Read, path, reason(errno));
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void writeFile(const std::string& path, std::string_view bytes) {
  try {
    saveFile(path, bytes);
  } catch (const SaveError& e) {
    throw FileError(FileError::Direction::Write, path, e.reason());
  }
}

}  // namespace configfile
