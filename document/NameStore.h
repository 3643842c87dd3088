// The names the controller forgets. Its memory holds no program or
// configuration names, so every program read from it would be "Считанная":
// the store remembers the names of the programs written to a controller or
// saved to a file, keyed by each program's content (every value of its
// header, comparators and steps, and its step count: an edited program is
// another program), and the name of each configuration written through a
// port with the keys of its programs. A read gives a program whose content
// the store knows its newest name back; when every program read matches the
// last configuration written through the same port, in order, the programs
// take that configuration's names (two programs with the same content keep
// theirs apart) and the configuration its name.
//
// One small text file ($XDG_DATA_HOME/tkv88/names.txt, else
// ~/.local/share/tkv88/names.txt), newest records last, bounded: the oldest
// are forgotten first. The store is a convenience: a file that is missing is
// empty, a damaged one (or damaged lines) is passed over with a warning, and
// nothing it fails to read or write fails a read, a write or a save.
//
// Plain file work; any thread, one store object at a time per file.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class DeviceData;
class Program;

// A program's content as a key: 16 hexadecimal digits.
std::string programKey(const Program& program);

// What a restore gave back.
struct RestoredNames {
  int programs = 0;            // programs that got a name back
  bool configuration = false;  // the configuration got its name back
  std::string warning;         // the store could not be read (Russian), or empty
};

class NameStore {
 public:
  static constexpr std::size_t kKeptPrograms = 2000;
  static constexpr std::size_t kKeptConfigurations = 200;

  // $XDG_DATA_HOME/tkv88/names.txt when that is set, else
  // $HOME/.local/share/tkv88/names.txt; empty when neither is known.
  static std::string defaultPath();

  explicit NameStore(std::string path = defaultPath(), std::size_t keptPrograms = kKeptPrograms);
  const std::string& path() const { return m_path; }

  // Remembers the names of `named`'s programs under the content of the
  // programs of `held` in the same places (what the controller holds once
  // written; the same configuration for a save), and, for a write through
  // `port` (empty for a save), the configuration's name `configName` with
  // their keys. Returns a warning (Russian) when the store could not be
  // written, else empty.
  std::string remember(const DeviceData& named, const DeviceData& held, std::string_view configName,
                       std::string_view port,
                       std::chrono::system_clock::time_point when = std::chrono::system_clock::now()) const;

  // Whether a configuration record's port reaches the controller read.
  using PortMatch = std::function<bool(const std::string& port)>;
  // Names the programs of `read` (and the configuration) as remembered, each
  // with its record's time (Program::nameRecord).
  RestoredNames restore(DeviceData& read, const PortMatch& samePort) const;

 private:
  std::string m_path;
  std::size_t m_keptPrograms;
};
