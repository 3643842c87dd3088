#include "document/BackupStore.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "document/ConfigFile.h"
#include "model/Cp1251.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kExtension = ".tkv88";
constexpr std::string_view kSection = "[Backup]";
constexpr std::string_view kTimeKey = "Time=";
constexpr std::string_view kPortKey = "Port=";
constexpr std::string_view kNameKey = "DeviceDataName=";
constexpr int kHeaderLines = 16;  // the keys a listing looks for stand in the first lines

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

// Names sort by time; a suffix orders two taken in the same millisecond.
bool olderName(const std::string& a, const std::string& b) {
  const std::string sa = a.substr(0, 19), sb = b.substr(0, 19);
  if (sa != sb) return sa < sb;
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::tm localTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

// A single line of the section: no line breaks may get in.
std::string oneLine(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '\n', ' ');
  std::replace(out.begin(), out.end(), '\r', ' ');
  return out;
}

}  // namespace

std::string BackupStore::defaultDirectory() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return std::string(data) + "/tkv88/backups";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.local/share/tkv88/backups";
  return {};
}

BackupStore::BackupStore(std::string directory) : m_directory(std::move(directory)) {}

std::string BackupStore::save(const DeviceData& config, std::string_view port, std::string_view name,
                              std::chrono::system_clock::time_point when) const {
  if (m_directory.empty())
    throw configfile::FileError(configfile::FileError::Direction::Write, "backups",
                                "не известна домашняя папка (переменная HOME не задана)");
  std::error_code ec;
  fs::create_directories(m_directory, ec);
  if (ec) throw configfile::FileError(configfile::FileError::Direction::Write, m_directory, ec.message());

  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
  const std::tm tm = localTime(static_cast<std::time_t>(ms / 1000));
  char stem[64], stamp[32];
  std::snprintf(stem, sizeof stem, "%04d%02d%02d-%02d%02d%02d-%03d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  std::string path = m_directory + "/" + stem + std::string(kExtension);
  for (int n = 2; fs::exists(path, ec); ++n)
    path = m_directory + "/" + stem + "-" + std::to_string(n) + std::string(kExtension);

  // The configuration's own name line gives way to the backup's name.
  std::string body = configfile::write(config);
  const std::size_t firstLine = body.find('\n');
  if (body.compare(0, kNameKey.size(), kNameKey) == 0 && firstLine != std::string::npos)
    body.erase(0, firstLine + 1);
  std::string text = std::string(kSection) + "\n" + std::string(kTimeKey) + stamp + "\n" +
                     std::string(kPortKey) + oneLine(port) + "\n\n" + std::string(kNameKey) + oneLine(name) +
                     "\n" + body;
  configfile::writeFile(path, text);

  std::vector<std::string> all = files();
  for (std::size_t i = 0; i + kKept < all.size(); ++i) fs::remove(m_directory + "/" + all[i], ec);
  return path;
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

std::vector<BackupEntry> BackupStore::list() const {
  std::vector<BackupEntry> out;
  const std::vector<std::string> names = files();
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    BackupEntry entry;
    entry.path = m_directory + "/" + *it;
    std::ifstream in(entry.path, std::ios::binary);
    std::string line;
    for (int i = 0; i < kHeaderLines && std::getline(in, line); ++i) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      for (auto [key, field] : {std::pair{kTimeKey, &entry.time}, std::pair{kPortKey, &entry.port},
                                std::pair{kNameKey, &entry.name}})
        if (line.compare(0, key.size(), key) == 0) *field = line.substr(key.size());
    }
    out.push_back(std::move(entry));
  }
  return out;
}

namespace backup_names {

std::string afterRead() { return cp1251::fromUtf8("Считано с прибора"); }

std::string beforeWrite(std::string_view document) {
  return cp1251::fromUtf8("Перед записью «") + std::string(document) + cp1251::fromUtf8("»");
}

}  // namespace backup_names
