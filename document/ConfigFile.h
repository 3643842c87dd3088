// The configuration file (".tkv88"): an INI-like Windows-1251 text with LF
// line ends. Its names are the only texts that change encoding: they are
// UTF-8 in the model and Windows-1251 here, converted by this reader and
// writer alone. The writer produces the same sections in the same order, byte
// for byte; the reader applies every line it recognises, wherever it stands,
// and ignores the rest, so any input gives some configuration.
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

// A file that holds more programs or steps than any configuration can
// (kMaxPrograms, kMaxSteps in all): refused, since building them all could
// exhaust the memory.
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

// A fresh configuration from file bytes: empty name, no programs and default
// general parameters, then every recognised line applied.
// Throws FormatError for a file beyond kMaxPrograms or kMaxSteps. When
// `recognisedLines` is given it receives how many lines some rule applied
// to: 0 means the text is no configuration at all (it loads as an empty one).
std::unique_ptr<DeviceData> read(std::string_view text, int* recognisedLines = nullptr);

// The bytes of a file (at most kMaxFileSize); FileError on failure.
std::string readFile(const std::string& path);
// Replaces the file's content atomically through saveFile; FileError on
// failure, when the previous file (if any) is left as it was.
void writeFile(const std::string& path, std::string_view bytes);

}  // namespace configfile
