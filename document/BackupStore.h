// The automatic backups of the controller's configuration: every successful
// read from the controller, and every write before it changes anything,
// keeps what the controller held as a configuration file in one folder
// (~/.local/share/tkv88/backups, or under $XDG_DATA_HOME), named by the UTC
// time it was taken; the newest kKept are kept. A new backup is always named
// after the newest one there (a sequence number follows when the clock has
// gone back), so the one just made is never pruned, and it is made under a
// name no other file has (model/SafeFile.h), never over one.
//
// A backup is an ordinary configuration file that opens like any other; it
// begins with a "[Backup]" section (the time and the port it came from) that
// the configuration reader ignores. Its DeviceDataName says what it is
// ("Перед записью «...»"), since the controller's memory holds no name.
//
// Only files named as the store names them are listed or pruned, so nothing
// else put in the folder is ever deleted. Plain file work; any thread, one
// store at a time per folder.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "model/DeviceData.h"

// The program's own data folder: $XDG_DATA_HOME/tkv88 when that is set,
// else $HOME/.local/share/tkv88; empty when neither is known.
std::string dataDirectory();

struct BackupEntry {
  std::string path;  // the file
  std::string time;  // "2024-01-31 14:25:01", the local time where it was taken
  std::string port;  // the port description it was read from
  std::string name;  // what it is
};

class BackupStore {
 public:
  static constexpr int kKept = 100;

  // $XDG_DATA_HOME/tkv88/backups when that is set, else
  // $HOME/.local/share/tkv88/backups; empty when neither is known.
  static std::string defaultDirectory();

  explicit BackupStore(std::string directory = defaultDirectory());
  const std::string& directory() const { return m_directory; }

  // Saves the configuration (the folder is made when missing) and prunes
  // the oldest beyond kKept. Returns the file's path; configfile::FileError
  // when it cannot be saved.
  std::string save(const DeviceData& config, std::string_view port, std::string_view name,
                   std::chrono::system_clock::time_point when = std::chrono::system_clock::now()) const;
  // Newest first. A missing folder has none.
  std::vector<BackupEntry> list() const;
  // The newest backup's path, or empty when there is none.
  std::string newest() const;
  // Whether a backup's recorded port reaches the controller in question.
  using PortMatch = std::function<bool(const std::string& port)>;
  // The newest backup read through a port that `samePort` accepts, or empty.
  std::string newest(const PortMatch& samePort) const;
  // The backup that puts a controller back after a failed write: `kept`
  // (the one kept for this write) when it exists, else the newest from the
  // same port; empty when there is none. Never another controller's.
  std::string restoring(const std::string& kept, const PortMatch& samePort) const;

 private:
  std::vector<std::string> files() const;  // the store's own files, oldest first
  BackupEntry entry(const std::string& name) const;

  std::string m_directory;
};

// The names the program gives its backups.
namespace backup_names {
std::string afterRead();                             // "Считано с прибора"
std::string beforeWrite(std::string_view document);  // "Перед записью «document»"
}  // namespace backup_names
