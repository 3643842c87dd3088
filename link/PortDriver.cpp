#include "link/PortDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "model/Cp1251.h"
#include "model/SafeFile.h"

namespace {

struct DriverPaths {
  std::string library, driver, usage;
};

DriverPaths pathsOf(DriverPlatform& platform) {
  const std::string folder = DriverFolder(platform);
  const char sep = platform.separator();
  return {folder + sep + "WinIo.dll", folder + sep + "WinIo.sys", folder + sep + "WinIo.cnt"};
}

// Start-up messages are shown once at most; no need to keep them converted.
std::string text(const char* utf8) { return cp1251::fromUtf8(utf8); }

constexpr const char* kCannotLoad =
    "Не могу загрузить драйвер LPT-порта.\nПопробуйте переустановить программу.";
constexpr const char* kCannotInitialize = "Не могу загрузить драйвер LPT-порта.";
constexpr const char* kCannotInstall = "Не могу установить драйвер LPT-порта";
constexpr const char* kCannotRemove = "Не могу удалить драйвер LPT-порта";
constexpr const char* kBadUsageFile = "Файл учёта драйвера LPT-порта повреждён или недоступен:\n";

// Calls the export up to five times, 200 ms after each failure.
template <typename Call>
bool tryFiveTimes(DriverPlatform& platform, Call call) {
  for (int attempt = 0; attempt < kDriverAttempts; ++attempt) {
    if (call() != 0) return true;
    platform.sleep(kDriverRetryMs);
  }
  return false;
}

enum class Usage { kRead, kMissing, kBad };

// The usage file: a little-endian int32 count, then that many int32 ids.
// A count outside 0..1020, or fewer ids than it announces, is refused
// before anything past the list's capacity is read.
Usage readUsage(const std::string& path, std::vector<int32_t>& driverUsers) {
  driverUsers.clear();
  std::error_code ec;
  if (!std::filesystem::exists(path, ec) && !ec) return Usage::kMissing;
  std::ifstream in(path, std::ios::binary);
  if (!in) return Usage::kBad;
  auto next = [&](int32_t& value) {
    unsigned char b[4];
    if (!in.read(reinterpret_cast<char*>(b), 4)) return false;
    value = static_cast<int32_t>(b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24);
    return true;
  };
  int32_t count = 0;
  if (!next(count) || count < 0 || count > kMaxDriverUsers) return Usage::kBad;
  for (int32_t i = 0; i < count; ++i) {
    int32_t id = 0;
    if (!next(id)) return Usage::kBad;
    driverUsers.push_back(id);
  }
  return Usage::kRead;
}

bool writeUsage(const std::string& path, const std::vector<int32_t>& driverUsers) {
  std::string bytes;
  auto put = [&](int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(v >> shift & 0xFF);
  };
  put(static_cast<int32_t>(driverUsers.size()));
  for (const int32_t id : driverUsers) put(id);
  try {
    saveFile(path, bytes);
    return true;
  } catch (const SaveError&) {
    return false;
  }
}

bool readable(const std::string& path) { return static_cast<bool>(std::ifstream(path, std::ios::binary)); }

}  // namespace

void NativeDriverPlatform::sleep(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::string DriverFolder(DriverPlatform& platform) {
  std::string folder;
  if (auto common = platform.specialFolder(DriverPlatform::kCommonProgramFiles))
    folder = *common;
  else if (auto programs = platform.specialFolder(DriverPlatform::kProgramFiles))
    folder = *programs + platform.separator() + "Common Files";
  else
    folder = "c:\\programm files\\common files";
  return folder + platform.separator() + "Velko";
}

bool LoadPortDriver(DriverPlatform& platform, PortBackend& port) {
  if (platform.IsNtPlatform()) {
    const DriverPaths paths = pathsOf(platform);
    auto library = platform.loadLibrary(paths.library);
    if (!library) {
      platform.showError(text(kCannotLoad));
      return false;
    }
    const auto initialize = library->InitializeWinIo();
    if (!initialize) return false;
    const bool ok = tryFiveTimes(platform, [&] { return initialize(paths.driver); });
    library.reset();  // the access granted stays after the library is freed
    if (!ok) {
      platform.showError(text(kCannotInitialize));
      return false;
    }
  }
  port.portRead(PortBackend::kLpt1, 0);
  return true;
}

bool InstallPortDriver(DriverPlatform& platform) {
  const DriverPaths paths = pathsOf(platform);
  if (!readable(paths.library) || !readable(paths.driver)) return false;
  if (platform.IsNtPlatform()) {
    auto library = platform.loadLibrary(paths.library);
    if (!library) return false;
    const auto install = library->InstallWinIoDriver();
    if (!install) return false;
    if (!tryFiveTimes(platform, [&] { return install(paths.driver, 1); })) {
      platform.showError(text(kCannotInstall));
      return false;
    }
  }
  std::vector<int32_t> driverUsers;
  if (readUsage(paths.usage, driverUsers) == Usage::kBad) {
    platform.showError(text(kBadUsageFile) + cp1251::fromUtf8(paths.usage));
    return false;
  }
  if (std::find(driverUsers.begin(), driverUsers.end(), kDriverUserId) != driverUsers.end()) return true;
  driverUsers.push_back(kDriverUserId);
  if (static_cast<int>(driverUsers.size()) > kMaxDriverUsers || !writeUsage(paths.usage, driverUsers)) {
    platform.showError(text(kBadUsageFile) + cp1251::fromUtf8(paths.usage));
    return false;
  }
  return true;
}

bool RemovePortDriver(DriverPlatform& platform) {
  const DriverPaths paths = pathsOf(platform);
  std::vector<int32_t> driverUsers;
  // A damaged list may hide other users: the driver stays.
  if (readUsage(paths.usage, driverUsers) == Usage::kBad) {
    platform.showError(text(kBadUsageFile) + cp1251::fromUtf8(paths.usage));
    return false;
  }
  if (const auto it = std::find(driverUsers.begin(), driverUsers.end(), kDriverUserId);
      it != driverUsers.end())
    driverUsers.erase(it);
  if (!driverUsers.empty()) {
    if (writeUsage(paths.usage, driverUsers)) return true;
    platform.showError(text(kBadUsageFile) + cp1251::fromUtf8(paths.usage));
    return false;
  }
  if (platform.IsNtPlatform()) {
    auto library = platform.loadLibrary(paths.library);
    if (!library) return false;
    const auto remove = library->RemoveWinIoDriver();
    if (!remove) return false;
    if (!tryFiveTimes(platform, [&] { return remove(); })) {
      platform.showError(text(kCannotRemove));
      return false;
    }
  }
  std::remove(paths.usage.c_str());
  std::remove(paths.library.c_str());
  std::remove(paths.driver.c_str());
  return true;
}
