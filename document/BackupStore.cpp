#include "document/BackupStore.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "document/ConfigFile.h"
#include "model/Cp1251.h"
#include "model/SafeFile.h"
#include "model/SystemErrorText.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kExtension = ".tkv88";
constexpr std::string_view kSection = "[Backup]";
constexpr std::string_view kTimeKey = "Time=";
constexpr std::string_view kPortKey = "Port=";
constexpr std::string_view kNameKey = "DeviceDataName=";
constexpr int kHeaderLines = 16;  // the keys a listing looks for stand in the first lines

constexpr std::size_t kStemSize = 19;  // "20240131-142501-123"

// "20240131-142501-123" and optionally "-N": the store's own names.
bool isBackupName(const std::string& name) {
  if (name.size() <= kExtension.size() ||
      name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0)
    return false;
  const std::string stem = name.substr(0, name.size() - kExtension.size());
  const std::string_view pattern = "dddddddd-dddddd-ddd";
  if (stem.size() < pattern.size() || stem.size() == pattern.size() + 1) return false;
  for (std::size_t i = 0; i < stem.size(); ++i) {
    const char want = i < pattern.size() ? pattern[i] : i == pattern.size() ? '-' : 'd';
    if (want == '-' ? stem[i] != '-' : (stem[i] < '0' || stem[i] > '9')) return false;
  }
  return true;
}

// The N of "...-N.tkv88"; 1 for a name without it.
int sequenceOf(const std::string& name) {
  const std::size_t end = name.size() - kExtension.size();
  int n = 1;
  if (end > kStemSize + 1) std::from_chars(name.data() + kStemSize + 1, name.data() + end, n);
  return n;
}

// Names sort by time, then by their sequence number.
bool olderName(const std::string& a, const std::string& b) {
  const std::string sa = a.substr(0, kStemSize), sb = b.substr(0, kStemSize);
  if (sa != sb) return sa < sb;
  return sequenceOf(a) < sequenceOf(b);
}

// A single line of the section, in the file's Windows-1251: no line breaks
// may get in.
std::string oneLine(std::string_view utf8) {
  std::string out = cp1251::fromUtf8(utf8);
  std::replace(out.begin(), out.end(), '\n', ' ');
  std::replace(out.begin(), out.end(), '\r', ' ');
  return out;
}

}  // namespace

std::string dataDirectory() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return std::string(data) + "/tkv88";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.local/share/tkv88";
  return {};
}

std::string BackupStore::defaultDirectory() {
  const std::string data = dataDirectory();
  return data.empty() ? data : data + "/backups";
}

BackupStore::BackupStore(std::string directory) : m_directory(std::move(directory)) {}

std::string BackupStore::save(const DeviceData& config, std::string_view port, std::string_view name,
                              std::chrono::system_clock::time_point when) const {
  using configfile::FileError;
  if (m_directory.empty())
    throw FileError(FileError::Direction::Write, "backups",
                    "не известна домашняя папка (переменная HOME не задана)");
  std::error_code ec;
  fs::create_directories(m_directory, ec);
  if (ec) throw FileError(FileError::Direction::Write, m_directory, systemErrorText(ec.value()));

  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{}, local{};
  gmtime_r(&seconds, &utc);
  localtime_r(&seconds, &local);
  char stem[64], stamp[32];
  std::snprintf(stem, sizeof stem, "%04d%02d%02d-%02d%02d%02d-%03d", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(ms % 1000));
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

  // The configuration's own name line gives way to the backup's name.
  std::string body = configfile::write(config);
  const std::size_t firstLine = body.find('\n');
  if (body.compare(0, kNameKey.size(), kNameKey) == 0 && firstLine != std::string::npos)
    body.erase(0, firstLine + 1);
  const std::string text = std::string(kSection) + "\n" + std::string(kTimeKey) + stamp + "\n" +
                           std::string(kPortKey) + oneLine(port) + "\n\n" + std::string(kNameKey) +
                           oneLine(name) + "\n" + body;

  // The new backup sorts after every one already there, whatever the clock
  // did since (set back, the end of summer time, names an older version
  // gave in local time): pruning never takes it, and the newest is the last.
  std::string base = stem;
  int sequence = 1;
  if (const std::vector<std::string> existing = files(); !existing.empty()) {
    const std::string& newest = existing.back();
    if (!olderName(newest, base + std::string(kExtension))) {
      base = newest.substr(0, kStemSize);
      sequence = sequenceOf(newest) + 1;
    }
  }
  std::string file;
  for (;; ++sequence) {
    file = base + (sequence > 1 ? "-" + std::to_string(sequence) : std::string()) + std::string(kExtension);
    try {
      saveFile(m_directory + "/" + file, text, SafeFile::kCreateNew);
      break;
    } catch (const SaveError& e) {
      // Another program took the name a moment ago.
      if (e.error() != EEXIST || sequence > 1000)
        throw FileError(FileError::Direction::Write, e.path(), e.reason());
    }
  }

  const std::vector<std::string> all = files();
  for (std::size_t i = 0; i + kKept < all.size(); ++i)
    if (all[i] != file) fs::remove(m_directory + "/" + all[i], ec);
  return m_directory + "/" + file;
}

std::string BackupStore::newest() const {
  const std::vector<std::string> names = files();
  return names.empty() ? std::string() : m_directory + "/" + names.back();
}

std::string BackupStore::newest(const PortMatch& samePort) const {
  const std::vector<std::string> names = files();
  for (auto it = names.rbegin(); it != names.rend(); ++it)
    if (BackupEntry e = entry(*it); samePort(e.port)) return e.path;
  return {};
}

std::string BackupStore::restoring(const std::string& kept, const PortMatch& samePort) const {
  std::error_code ec;
  if (!kept.empty() && fs::is_regular_file(kept, ec)) return kept;
  return newest(samePort);
}

std::vector<std::string> BackupStore::files() const {
  std::vector<std::string> names;
  std::error_code ec;
  if (m_directory.empty() || !fs::is_directory(m_directory, ec)) return names;
  for (const fs::directory_entry& e : fs::directory_iterator(m_directory, ec)) {
    const std::string name = e.path().filename().string();
    if (isBackupName(name) && e.is_regular_file(ec)) names.push_back(name);
  }
  std::sort(names.begin(), names.end(), olderName);
  return names;
}

BackupEntry BackupStore::entry(const std::string& name) const {
  BackupEntry entry;
  entry.path = m_directory + "/" + name;
  std::ifstream in(entry.path, std::ios::binary);
  std::string line;
  for (int i = 0; i < kHeaderLines && std::getline(in, line); ++i) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    for (auto [key, field] : {std::pair{kTimeKey, &entry.time}, std::pair{kPortKey, &entry.port},
                              std::pair{kNameKey, &entry.name}})
      if (line.compare(0, key.size(), key) == 0) *field = cp1251::toUtf8(line.substr(key.size()));
  }
  return entry;
}

std::vector<BackupEntry> BackupStore::list() const {
  std::vector<BackupEntry> out;
  const std::vector<std::string> names = files();
  for (auto it = names.rbegin(); it != names.rend(); ++it) out.push_back(entry(*it));
  return out;
}

namespace backup_names {

std::string afterRead() { return "Считано с прибора"; }

std::string beforeWrite(std::string_view document) { return "Перед записью «" + std::string(document) + "»"; }

}  // namespace backup_names
