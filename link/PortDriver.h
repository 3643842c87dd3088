// The port driver: on NT-family Windows, port I/O needs the maker's shared
// WinIo driver library, loaded at run time from the driver folder, and the
// "i" and "u" command-line modes install and remove that driver, counting its
// users in the shared usage file WinIo.cnt (this application's id is 2). On
// other platforms no driver is needed and no driver file is touched.
//
// Everything the operations need from the platform comes through
// DriverPlatform, so they are tested with a fake library and a temporary
// folder. The usage file itself is read and written as a plain file.
//
// User-interface thread, at start-up only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/PortBackend.h"

// A loaded driver library; destroying it frees the library. The exports are
// fetched by name and are empty when the library lacks them.
class DriverLibrary {
 public:
  using Initialize = std::function<uint8_t(const std::string& driverFile)>;
  using Install = std::function<uint8_t(const std::string& driverFile, int flag)>;
  using Remove = std::function<uint8_t()>;

  virtual ~DriverLibrary() = default;
  virtual Initialize InitializeWinIo() = 0;
  virtual Install InstallWinIoDriver() = 0;
  virtual Remove RemoveWinIoDriver() = 0;
};

class DriverPlatform {
 public:
  static constexpr int kCommonProgramFiles = 0x2B;  // shell folder ids
  static constexpr int kProgramFiles = 0x26;

  virtual ~DriverPlatform() = default;
  // True on the NT family, where port I/O needs the driver.
  virtual bool IsNtPlatform() = 0;
  // A shell special folder; nothing when the shell has none.
  virtual std::optional<std::string> specialFolder(int id) = 0;
  virtual char separator() const { return '\\'; }
  // Nothing when the library cannot be loaded.
  virtual std::unique_ptr<DriverLibrary> loadLibrary(const std::string& path) = 0;
  virtual void sleep(int milliseconds) = 0;
  // A message box with the error icon; text in Windows-1251.
  virtual void showError(const std::string& text) = 0;
};

// This platform as the operations see it: not of the NT family, so port I/O
// needs no driver library. Error messages go to the callback given.
class NativeDriverPlatform : public DriverPlatform {
 public:
  explicit NativeDriverPlatform(std::function<void(const std::string&)> showError = {})
      : m_showError(std::move(showError)) {}
  bool IsNtPlatform() override { return false; }
  std::optional<std::string> specialFolder(int) override { return std::nullopt; }
  char separator() const override { return '/'; }
  std::unique_ptr<DriverLibrary> loadLibrary(const std::string&) override { return nullptr; }
  void sleep(int milliseconds) override;
  void showError(const std::string& text) override {
    if (m_showError) m_showError(text);
  }

 private:
  std::function<void(const std::string&)> m_showError;
};

inline constexpr int32_t kDriverUserId = 2;       // this application in WinIo.cnt
inline constexpr int32_t kMaxDriverUsers = 1020;  // capacity of WinIo.cnt
inline constexpr int kDriverAttempts = 5;
inline constexpr int kDriverRetryMs = 200;

// The folder of the driver files, without a trailing separator.
std::string DriverFolder(DriverPlatform& platform);
// Start-up: makes port I/O possible (the driver on NT), then reads port
// 0x378 once. False when the application must not start; the reason has
// been shown when there is one to show.
bool LoadPortDriver(DriverPlatform& platform, PortBackend& port);
// Mode "i": installs the driver and registers this application as a user.
bool InstallPortDriver(DriverPlatform& platform);
// Mode "u": unregisters this application; the last user removes the driver
// and its files.
bool RemovePortDriver(DriverPlatform& platform);
