// The configuration file (".tkv88"): an INI-like Windows-1251 text with LF
// line ends. Its names are the only texts that change encoding: they are
// UTF-8 in the model and Windows-1251 here, converted by this reader and
// writer alone (a file in UTF-8, which editors make of it, is read as UTF-8).
// The writer produces the same sections in the same order, byte for byte.
//
// The reader takes LF, CR LF, CR and CRs before an LF as line ends. It
// refuses, naming the line, a file whose structure it cannot follow: an
// unknown section header, a program, comparator or step line before the
// program or step it belongs to. What it can read but
// not as the file says (a value that is no number or lies outside its
// limits, a cycle start beyond the program's steps, an unknown line) it
// loads as before and notes, line by line, for the caller to tell.
//
// File access never destroys data: a save goes through saveFile
// (model/SafeFile.h); a failure of either direction throws FileError with
// the reason and changes nothing.
// Pure functions; callable from any thread on data that thread owns.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/DeviceData.h"

namespace configfile {

// A file bigger than this is refused: the largest configuration is a few
// hundred kilobytes, and reading must end on any input (a device, a pipe).
inline constexpr std::size_t kMaxFileSize = 16u << 20;

class FileError : public std::runtime_error {
 public:
  enum class Direction { Read, Write };
  // what(): "не удаётся прочитать "PATH": REASON" (UTF-8 apart from the path's bytes).
  FileError(Direction direction, std::string path, std::string reason);

  Direction direction() const { return m_direction; }
  const std::string& path() const { return m_path; }
  const std::string& reason() const { return m_reason; }  // in words, Russian

 private:
  Direction m_direction;
  std::string m_path;
  std::string m_reason;
};

// A file the reader cannot follow ("строка 12: шаг [step] стоит раньше первой
// программы [Program]"), or one that holds more programs or steps than any
// configuration can (kMaxPrograms, kMaxSteps in all; building them all could
// exhaust the memory). what() is Russian, UTF-8.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The controller holds at most 60 programs and 540 steps in all; the loader
// keeps files beyond the partition (they load as they are) up to these.
inline constexpr int kMaxPrograms = 255;
inline constexpr int kMaxSteps = 2000;

// The whole file text of a configuration.
std::string write(const DeviceData& data);
void write(const DeviceData& data, std::string& out);  // appends to out
// The lines of one program ("[Program]" to its last step's) and of one step
// numbered `number`, as write puts them; appended to out.
void writeProgram(const Program& program, std::string& out);
void writeStep(const Step& step, int number, std::string& out);

// What the reader noticed on one line.
struct FileNote {
  enum Kind {
    BadValue,     // not a number, or outside the cell's limits: loaded clamped (or as read)
    CycleStart,   // StartStep beyond the program's steps
    UnknownLine,  // a line or key the file never holds: skipped
    Encoding,     // a UTF-8 name with characters Windows-1251 lacks
  };
  int line;  // from 1
  Kind kind;
  std::string text;  // Russian, UTF-8, without the line number
  // "строка 12: O10 = «seven» — не число; взято 0"
  std::string message() const;
};

struct ReadReport {
  // How many lines some rule applied to: 0 means the text is no
  // configuration at all (it loads as an empty one).
  int recognisedLines = 0;
  std::vector<FileNote> notes;  // in line order
};

// Some value is loaded otherwise than the file has it (a BadValue note).
bool valuesInDoubt(const std::vector<FileNote>& notes);

// A fresh configuration from file bytes: empty name, no programs and default
// general parameters, then every line applied. Throws FormatError for a file
// the reader cannot follow or one beyond kMaxPrograms or kMaxSteps. What it
// noticed goes to `report` when given.
std::unique_ptr<DeviceData> read(std::string_view text, ReadReport* report = nullptr);

// The bytes of a file (at most kMaxFileSize); FileError on failure.
std::string readFile(const std::string& path);
// Replaces the file's content atomically through saveFile; FileError on
// failure, when the previous file (if any) is left as it was.
void writeFile(const std::string& path, std::string_view bytes);

}  // namespace configfile
