#include "document/ConfigFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <vector>

#include "model/Cp1251.h"
#include "model/FileDescriptor.h"
#include "model/FormatText.h"
#include "model/SafeFile.h"
#include "model/SystemErrorText.h"

namespace configfile {

FileError::FileError(Direction direction, std::string path, std::string reason)
    : std::runtime_error(
          std::string(direction == Direction::Read ? "не удаётся прочитать \"" : "не удаётся записать \"") +
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

std::string FileNote::message() const {
  return line > 0 ? formatText("строка %d: %s", line, text.c_str()) : text;
}

bool valuesInDoubt(const std::vector<FileNote>& notes) {
  return std::any_of(notes.begin(), notes.end(),
                     [](const FileNote& n) { return n.kind == FileNote::BadValue; });
}

namespace {

// What a key means to the reader. Keys are compared byte for byte.
struct KeyAction {
  enum Kind { DeviceName, General, ProgramName, StartStep, ComparatorCell, KeyMode, StepCell, Informative };
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
    // Program and step counts, and the time and port of a backup
    // (document/BackupStore.h), mean nothing to the reader.
    for (const char* key : {"amount", "number", "Time", "Port"})
      t.emplace(key, KeyAction{KeyAction::Informative, 0});
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

// The section headers that only structure the file (a backup's own among
// them); they mean nothing to the reader.
bool structureHeader(std::string_view line) {
  for (std::string_view h :
       {"[BaseParams]", "[DigitFlt]", "[Correction]", "[Keys]", "[PIDRegulators]", "[Programs]", "[Backup]"})
    if (line == h) return true;
  return false;
}

bool blank(char c) { return c == ' ' || c == '\t'; }

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

// A whole number and nothing else, blanks around it allowed: what the
// writer writes, and what atoi reads without dropping anything.
bool wholeNumber(std::string_view s) {
  std::size_t i = 0, end = s.size();
  while (i < end && blank(s[i])) ++i;
  while (end > i && blank(s[end - 1])) --end;
  if (i < end && (s[i] == '+' || s[i] == '-')) ++i;
  if (i == end) return false;
  for (; i < end; ++i)
    if (s[i] < '0' || s[i] > '9') return false;
  return true;
}

// A line ends at LF, at CR LF, at CRs before an LF (CR CR LF, what a
// text-mode copy of a CR LF file leaves) or at a CR alone (old Macintosh
// files, a stray CR), so no line end is ever read as part of a line.
class Lines {
 public:
  explicit Lines(std::string_view text) : m_text(text) {}

  bool next(std::string_view& line) {
    if (m_pos >= m_text.size()) return false;
    ++m_number;
    std::size_t end = m_pos;
    while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r') ++end;
    if (end == m_text.size()) {
      line = m_text.substr(m_pos);
      m_pos = m_text.size();
      return true;
    }
    line = m_text.substr(m_pos, end - m_pos);
    std::size_t after = end;
    while (after < m_text.size() && m_text[after] == '\r') ++after;
    m_pos = after < m_text.size() && m_text[after] == '\n' ? after + 1 : end + 1;
    return true;
  }
  int number() const { return m_number; }

 private:
  std::string_view m_text;
  std::size_t m_pos = 0;
  int m_number = 0;
};

// A value as the reader found it, checked against its cell's limits once
// the limits are final (the inputs of a step or comparator choose them).
struct Entered {
  int line = 0;  // 0: nothing to check
  int32_t number = 0;
};

class Reader {
 public:
  Reader(std::string_view text, ReadReport& report)
      : m_report(report), m_general(m_data->general.parameterList()) {
    // A byte-order mark says UTF-8; so does text that holds non-ASCII bytes
    // and is well-formed UTF-8, which Windows-1251 letters never are in a
    // row.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    const bool bom = text.substr(0, kBom.size()) == kBom;
    if (bom) text.remove_prefix(kBom.size());
    const bool high =
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    m_utf8 = (bom || high) && cp1251::wellFormedUtf8(text);
    m_text = text;
  }

  std::unique_ptr<DeviceData> run() {
    Lines lines(m_text);
    std::string_view line;
    while (lines.next(line)) {
      m_line = lines.number();
      const std::size_t first = line.find_first_not_of(" \t");
      if (first == std::string_view::npos) continue;
      // A header with blanks before it is no header of ours either.
      if (line[first] == '[') {
        header(line);
        continue;
      }
      const std::size_t eq = line.find('=');
      if (eq == std::string_view::npos) {
        note(FileNote::UnknownLine, "строка не распознана и пропущена: «" + shown(line) + "»");
        continue;
      }
      const std::string_view key = line.substr(0, eq);
      const auto it = keyTable().find(key);
      if (it == keyTable().end()) {
        note(FileNote::UnknownLine, "неизвестный параметр «" + shown(key) + "» пропущен");
        continue;
      }
      apply(it->second, key, line.substr(eq + 1));
    }
    flushStep();
    flushProgram();
    m_report.recognisedLines = m_recognised;
    std::stable_sort(m_report.notes.begin(), m_report.notes.end(),
                     [](const FileNote& a, const FileNote& b) { return a.line < b.line; });
    return std::move(m_data);
  }

 private:
  [[noreturn]] void refuse(const std::string& why) const {
    throw FormatError(formatText("строка %d: %s", m_line, why.c_str()));
  }

  void note(FileNote::Kind kind, std::string text, int line = -1) {
    m_report.notes.push_back({line < 0 ? m_line : line, kind, std::move(text)});
  }

  // File text as UTF-8.
  std::string utf8(std::string_view text) const { return m_utf8 ? std::string(text) : cp1251::toUtf8(text); }

  // File text for a message: control characters as '?', at most 40 characters.
  std::string shown(std::string_view text) const {
    std::string out = utf8(text);
    for (char& c : out)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    const std::string_view cut = cp1251::prefix(out, 40);
    return cut.size() < out.size() ? std::string(cut) + "…" : out;
  }

  std::string name(std::string_view value) {
    std::string text = utf8(value);
    if (m_utf8 && !cp1251::representable(text))
      note(FileNote::Encoding,
           "в названии «" + shown(value) +
               "» есть знаки, которых нет в кодировке файла (Windows-1251): при сохранении "
               "они станут «?»");
    return text;
  }

  void header(std::string_view line) {
    if (line == "[Program]") {
      ++m_recognised;
      flushStep();
      flushProgram();
      m_pendingProgram.emplace_back();
      m_comparatorEntered = {};
      m_startStep = {};
      return;
    }
    if (line == "[step]") {
      if (m_pendingProgram.empty()) refuse("шаг [step] стоит раньше первой программы [Program]");
      ++m_recognised;
      flushStep();
      m_pendingStep.emplace_back();
      m_stepEntered = {};
      return;
    }
    if (line.size() == 13 && line.substr(0, 11) == "[Comparator" && line[11] >= '1' && line[11] <= '4' &&
        line[12] == ']') {
      if (m_pendingProgram.empty())
        refuse("раздел " + std::string(line) + " стоит раньше первой программы [Program]");
      ++m_recognised;
      m_comparator = line[11] - '1';
      return;
    }
    if (!structureHeader(line)) refuse("неизвестный раздел «" + shown(line) + "»");
  }

  void apply(const KeyAction& action, std::string_view key, std::string_view value) {
    const auto placeAfter = [&](bool present, const char* what) {
      if (!present) refuse("параметр «" + shown(key) + "» стоит раньше " + what);
    };
    switch (action.kind) {
      case KeyAction::Informative:
        return;
      case KeyAction::DeviceName:
        m_data->setName(name(value));
        break;
      case KeyAction::General: {
        Parameter& cell = *m_general[action.index];
        checkLimits(cell, store(cell, key, value, false));
        break;
      }
      case KeyAction::ProgramName:
        placeAfter(!m_pendingProgram.empty(), "первой программы [Program]");
        program().setName(name(value));
        break;
      case KeyAction::StartStep:
        placeAfter(!m_pendingProgram.empty(), "первой программы [Program]");
        // Stored as read, outside its limits too.
        m_startStep = store(program().H02, key, value, true);
        break;
      case KeyAction::ComparatorCell:
        placeAfter(!m_pendingProgram.empty(), "первой программы [Program]");
        m_comparatorEntered[m_comparator][action.index] =
            store(program().comparators[m_comparator][action.index], key, value, false);
        break;
      case KeyAction::KeyMode:
      case KeyAction::StepCell:
        placeAfter(!m_pendingProgram.empty(), "первой программы [Program]");
        placeAfter(!m_pendingStep.empty(), "первого шага [step] своей программы");
        // Key modes are stored as read, outside their limits too.
        m_stepEntered[action.index] =
            store(m_pendingStep.front()[action.index], key, value, action.kind == KeyAction::KeyMode);
        break;
    }
    ++m_recognised;
  }

  // Stores the value as atoi reads it. A whole number is returned for its
  // limits to be checked once they are final; anything else is said now
  // (and nothing is returned to check).
  Entered store(Parameter& cell, std::string_view key, std::string_view value, bool unchecked) {
    const int32_t n = parseNumber(value);
    if (unchecked)
      cell.valueRef() = n;
    else
      cell.setEnteredValue(n);
    if (wholeNumber(value)) return {m_line, n};
    note(FileNote::BadValue, formatText("%s = «%s» — не число; взято %d", shown(key).c_str(),
                                        shown(value).c_str(), cell.value()));
    return {};
  }

  // `key`: the file's name of the cell, when it is not its code.
  void checkLimits(const Parameter& cell, const Entered& e, std::string_view key = {}) {
    if (e.line == 0 || (e.number >= cell.minValue() && e.number <= cell.maxValue())) return;
    note(FileNote::BadValue,
         formatText("%s = %d — вне пределов %d…%d; взято %d",
                    std::string(key.empty() ? cell.code() : key).c_str(), e.number, cell.minValue(),
                    cell.maxValue(), cell.value()),
         e.line);
  }

  Program& program() { return m_pendingProgram.front(); }

  void flushStep() {
    if (m_pendingStep.empty()) return;
    if (++m_steps > kMaxSteps) throw FormatError("в файле больше " + std::to_string(kMaxSteps) + " шагов");
    // The limits follow the inputs read; the values stay as the file has them.
    Step& step = m_pendingStep.front();
    step.selectInputRanges();
    for (int i = 0; i < Step::kCellCount; ++i) checkLimits(step[i], m_stepEntered[i]);
    program().steps.splice(program().steps.end(), m_pendingStep);
  }

  void flushProgram() {
    if (m_pendingProgram.empty()) return;
    if (++m_programs > kMaxPrograms)
      throw FormatError("в файле больше " + std::to_string(kMaxPrograms) + " программ");
    Program& p = program();
    for (int k = 0; k < Program::kComparatorCount; ++k) {
      p.comparators[k].selectInputRanges();
      for (int i = 0; i < Comparator::kCellCount; ++i)
        checkLimits(p.comparators[k][i], m_comparatorEntered[k][i]);
    }
    const int32_t start = p.H02.value();
    if (m_startStep.line > 0 && !p.H02.inLimits())
      checkLimits(p.H02, m_startStep, "StartStep");
    else if (m_startStep.line > 0 && start > std::max(p.stepCount(), 1))
      note(FileNote::CycleStart,
           formatText("StartStep = %d: в программе шагов %d, такого шага нет", start, p.stepCount()),
           m_startStep.line);
    m_data->programs.splice(m_data->programs.end(), m_pendingProgram);
  }

  ReadReport& m_report;
  std::unique_ptr<DeviceData> m_data = std::make_unique<DeviceData>();
  const std::vector<Parameter*> m_general;
  std::string_view m_text;
  bool m_utf8 = false;
  int m_line = 0;
  int m_recognised = 0, m_programs = 0, m_steps = 0;

  // The pending program and step live in lists of their own so that they
  // move into place by splicing, without copying their cells.
  std::list<Program> m_pendingProgram;
  std::list<Step> m_pendingStep;
  // The comparator of the last header: comparator 1 at the start of every
  // load, so the same file always loads the same way.
  int m_comparator = 0;
  std::array<std::array<Entered, Comparator::kCellCount>, Program::kComparatorCount> m_comparatorEntered{};
  std::array<Entered, Step::kCellCount> m_stepEntered{};
  Entered m_startStep;
};

}  // namespace

std::unique_ptr<DeviceData> read(std::string_view text, ReadReport* report) {
  ReadReport own;
  ReadReport& out = report ? *report : own;
  out = {};
  return Reader(text, out).run();
}

// ---- Files -----------------------------------------------------------------

namespace {

std::string reason(int error) { return systemErrorText(error); }

}  // namespace

std::string readFile(const std::string& path) {
  using D = FileError::Direction;
  const FileDescriptor f(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!f.isOpen()) throw FileError(D::Read, path, reason(errno));
  struct stat st {};
  if (::fstat(f.get(), &st) != 0) throw FileError(D::Read, path, reason(errno));
  if (S_ISDIR(st.st_mode)) throw FileError(D::Read, path, reason(EISDIR));
  if (!S_ISREG(st.st_mode)) throw FileError(D::Read, path, "это не обычный файл");
  if (static_cast<std::size_t>(st.st_size) > kMaxFileSize)
    throw FileError(D::Read, path, "файл слишком велик");
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      // The file may have grown since fstat; keep reading up to the limit.
      if (bytes.size() > kMaxFileSize) throw FileError(D::Read, path, "файл слишком велик");
      bytes.resize(bytes.size() + 4096);
    }
    const ssize_t n = ::read(f.get(), bytes.data() + got, bytes.size() - got);
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
