#include "document/NameStore.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>

#include "document/BackupStore.h"
#include "document/ConfigFile.h"
#include "model/DeviceData.h"
#include "model/SafeFile.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "tkv88 names 1";

// program TAB key TAB time TAB name
// configuration TAB time TAB port TAB name, then TAB key TAB name for each
// of its programs in order
struct ProgramRecord {
  std::string key, time, name;
};
struct ConfigurationRecord {
  std::string time, port, name;
  std::vector<std::string> keys, names;
};

struct Records {
  std::vector<ProgramRecord> programs;  // oldest first
  std::vector<ConfigurationRecord> configurations;
  int damaged = 0;  // lines passed over
  std::string warning;
};

std::vector<std::string> split(std::string_view line, char separator) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = line.find(separator, from);
    parts.emplace_back(line.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (at == std::string_view::npos) return parts;
    from = at + 1;
  }
}

bool isKey(std::string_view key) {
  return key.size() == 16 && std::all_of(key.begin(), key.end(), [](char c) {
           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
         });
}

// One field of a line: no tab or line break may get in.
std::string field(std::string_view text) {
  std::string out(text);
  std::replace_if(out.begin(), out.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return out;
}

Records load(const std::string& path) {
  Records r;
  std::error_code ec;
  if (path.empty() || !fs::exists(path, ec)) return r;
  std::string text;
  try {
    text = configfile::readFile(path);
  } catch (const configfile::FileError& e) {
    r.warning = std::string("названия программ не восстановлены: ") + e.what();
    return r;
  }
  std::vector<std::string> lines = split(text, '\n');
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty() || lines.front() != kHeader) {
    r.warning = "хранилище названий \"" + path + "\" повреждено и не учтено";
    return r;
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string> f = split(lines[i], '\t');
    if (f.size() == 4 && f[0] == "program" && isKey(f[1])) {
      r.programs.push_back({f[1], f[2], f[3]});
      continue;
    }
    if (f.size() >= 4 && f.size() % 2 == 0 && f[0] == "configuration") {
      ConfigurationRecord c{f[1], f[2], f[3], {}, {}};
      for (std::size_t k = 4; k < f.size(); k += 2) {
        c.keys.push_back(f[k]);
        c.names.push_back(f[k + 1]);
      }
      if (std::all_of(c.keys.begin(), c.keys.end(), isKey)) {
        r.configurations.push_back(std::move(c));
        continue;
      }
    }
    ++r.damaged;
  }
  if (r.damaged > 0)
    r.warning = "в хранилище названий \"" + path + "\" пропущено повреждённых строк: " + std::to_string(r.damaged);
  return r;
}

std::string text(const Records& r) {
  std::string out(kHeader);
  out += '\n';
  for (const ProgramRecord& p : r.programs) out += "program\t" + p.key + '\t' + p.time + '\t' + p.name + '\n';
  for (const ConfigurationRecord& c : r.configurations) {
    out += "configuration\t" + c.time + '\t' + c.port + '\t' + c.name;
    for (std::size_t i = 0; i < c.keys.size(); ++i) out += '\t' + c.keys[i] + '\t' + c.names[i];
    out += '\n';
  }
  return out;
}

// "08.12.2026 14:25", the local time.
std::string timeText(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%d.%m.%Y %H:%M", &local);
  return stamp;
}

template <typename T>
void keepNewest(std::vector<T>& records, std::size_t kept) {
  if (records.size() > kept) records.erase(records.begin(), records.end() - static_cast<std::ptrdiff_t>(kept));
}

std::vector<std::string> keysOf(const DeviceData& data) {
  std::vector<std::string> keys;
  keys.reserve(data.programs.size());
  for (const Program& p : data.programs) keys.push_back(programKey(p));
  return keys;
}

}  // namespace

std::string programKey(const Program& program) {
  // FNV-1a over the values in a fixed order, the step count first, so that
  // programs that differ in any value or in length differ in key.
  uint64_t hash = 0xcbf29ce484222325ULL;
  const auto add = [&hash](int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (bits >> shift) & 0xffu;
      hash *= 0x100000001b3ULL;
    }
  };
  add(program.stepCount());
  add(program.H02.value());
  for (const Comparator& c : program.comparators)
    for (const Parameter& cell : c.cells) add(cell.value());
  for (const Step& s : program.steps)
    for (const Parameter& cell : s.cells) add(cell.value());
  static const char digits[] = "0123456789abcdef";
  std::string key(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) key[static_cast<std::size_t>(i)] = digits[hash & 0xf];
  return key;
}

std::string NameStore::defaultPath() {
  const std::string data = dataDirectory();
  return data.empty() ? data : data + "/names.txt";
}

NameStore::NameStore(std::string path, std::size_t keptPrograms)
    : m_path(std::move(path)), m_keptPrograms(keptPrograms) {}

std::string NameStore::remember(const DeviceData& named, const DeviceData& held, std::string_view configName,
                                std::string_view port, std::chrono::system_clock::time_point when) const {
  if (m_path.empty()) return "названия программ не запомнены: не известна домашняя папка";
  // A damaged store is written anew from what could be read of it.
  Records r = load(m_path);
  const std::string time = timeText(when);
  // Every slot the controller holds counts for the configuration; slots
  // beyond the named programs (empty ones of the partition) have no name.
  ConfigurationRecord c{time, field(port), field(configName), keysOf(held), {}};
  auto name = named.programs.begin();
  for (const std::string& key : c.keys) {
    c.names.push_back(name == named.programs.end() ? std::string() : field(name++->name()));
    if (c.names.back().empty()) continue;
    // A program remembered again moves to the newest place.
    std::erase_if(r.programs, [&key](const ProgramRecord& p) { return p.key == key; });
    r.programs.push_back({key, time, c.names.back()});
  }
  keepNewest(r.programs, m_keptPrograms);
  if (!port.empty()) {
    r.configurations.push_back(std::move(c));
    keepNewest(r.configurations, kKeptConfigurations);
  }
  try {
    std::error_code ec;
    fs::create_directories(fs::path(m_path).parent_path(), ec);
    saveFile(m_path, text(r));
  } catch (const SaveError& e) {
    return std::string("названия программ не запомнены: ") + e.what();
  }
  return {};
}

RestoredNames NameStore::restore(DeviceData& read, const PortMatch& samePort) const {
  RestoredNames out;
  const Records r = load(m_path);
  out.warning = r.warning;
  if (r.programs.empty() && r.configurations.empty()) return out;
  const std::vector<std::string> keys = keysOf(read);

  // The last configuration written through this port, when it is what was
  // read, names every program in its place.
  for (auto c = r.configurations.rbegin(); samePort && c != r.configurations.rend(); ++c) {
    if (!samePort(c->port)) continue;
    if (c->keys != keys || keys.empty()) break;
    std::size_t i = 0;
    for (Program& program : read.programs) {
      const std::string& name = c->names[i++];
      if (name.empty()) continue;
      program.setName(name, c->time);
      ++out.programs;
    }
    if (!c->name.empty()) read.setName(c->name);
    out.configuration = !c->name.empty();
    return out;
  }

  // Else each program the newest name of its content.
  std::map<std::string_view, const ProgramRecord*> newest;
  for (const ProgramRecord& p : r.programs) newest[p.key] = &p;
  std::size_t i = 0;
  for (Program& program : read.programs) {
    const auto found = newest.find(keys[i++]);
    if (found == newest.end()) continue;
    program.setName(found->second->name, found->second->time);
    ++out.programs;
  }
  return out;
}
