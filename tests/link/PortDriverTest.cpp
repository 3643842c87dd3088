// The driver operations against a fake driver library and a temporary
// driver folder: what is loaded, called, retried, shown and left on disk.
#include "link/PortDriver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "link/SimulatedController.h"
#include "support/TempDir.h"
#include "support/Text.h"

namespace fs = std::filesystem;

namespace {

struct FakeLibraryState {
  bool initializeExported = true, installExported = true, removeExported = true;
  int failuresBeforeSuccess = 0;  // of every export
  int calls = 0, loads = 0, frees = 0;
  std::vector<std::string> arguments;
};

class FakeLibrary : public DriverLibrary {
 public:
  explicit FakeLibrary(FakeLibraryState& s) : m_s(s) { ++m_s.loads; }
  ~FakeLibrary() override { ++m_s.frees; }
  Initialize InitializeWinIo() override {
    if (!m_s.initializeExported) return {};
    return [this](const std::string& file) {
      m_s.arguments.push_back(file);
      return answer();
    };
  }
  Install InstallWinIoDriver() override {
    if (!m_s.installExported) return {};
    return [this](const std::string& file, int flag) {
      m_s.arguments.push_back(file + " " + std::to_string(flag));
      return answer();
    };
  }
  Remove RemoveWinIoDriver() override {
    if (!m_s.removeExported) return {};
    return [this] { return answer(); };
  }

 private:
  uint8_t answer() { return ++m_s.calls > m_s.failuresBeforeSuccess ? 1 : 0; }
  FakeLibraryState& m_s;
};

class FakePlatform : public DriverPlatform {
 public:
  bool nt = true;
  bool libraryLoads = true;
  std::optional<std::string> common, programs;
  FakeLibraryState library;
  std::vector<int> sleeps;
  std::vector<std::string> errors;  // UTF-8

  bool IsNtPlatform() override { return nt; }
  std::optional<std::string> specialFolder(int id) override {
    return id == kCommonProgramFiles ? common : (id == kProgramFiles ? programs : std::nullopt);
  }
  char separator() const override { return '/'; }
  std::unique_ptr<DriverLibrary> loadLibrary(const std::string& path) override {
    loadedPath = path;
    return libraryLoads ? std::make_unique<FakeLibrary>(library) : nullptr;
  }
  void sleep(int ms) override { sleeps.push_back(ms); }
  void showError(const std::string& text) override { errors.push_back(u(text)); }
  std::string loadedPath;
};

class PortDriverTest : public testing::Test {
 protected:
  PortDriverTest() {
    fs::create_directories(folder);
    platform.common = temp.path.string();
  }

  void installFiles() {
    std::ofstream(folder / "WinIo.dll") << "dll";
    std::ofstream(folder / "WinIo.sys") << "sys";
  }
  void writeUsage(std::vector<int32_t> words) {
    std::ofstream out(folder / "WinIo.cnt", std::ios::binary);
    for (const int32_t w : words) out.write(reinterpret_cast<const char*>(&w), 4);  // little-endian host
  }
  std::vector<int32_t> usage() {
    std::ifstream in(folder / "WinIo.cnt", std::ios::binary);
    std::vector<int32_t> words;
    for (int32_t w; in.read(reinterpret_cast<char*>(&w), 4);) words.push_back(w);
    return words;
  }

  TempDir temp;
  const fs::path folder = temp / "Velko";
  FakePlatform platform;
};

TEST_F(PortDriverTest, DriverFolderFallsBackThroughTheShellFolders) {
  EXPECT_EQ(DriverFolder(platform), folder.string());
  platform.common.reset();
  platform.programs = "/progs";
  EXPECT_EQ(DriverFolder(platform), "/progs/Common Files/Velko");
  platform.programs.reset();
  EXPECT_EQ(DriverFolder(platform), "c:\\programm files\\common files/Velko");
}

TEST_F(PortDriverTest, LoadInitialisesWithRetriesThenReadsThePortOnce) {
  SimulatedController port(MemoryImage{});
  platform.library.failuresBeforeSuccess = 2;
  EXPECT_TRUE(LoadPortDriver(platform, port));
  EXPECT_EQ(platform.loadedPath, (folder / "WinIo.dll").string());
  EXPECT_EQ(platform.library.arguments, std::vector<std::string>(3, (folder / "WinIo.sys").string()));
  EXPECT_EQ(platform.sleeps, (std::vector<int>{200, 200}));
  EXPECT_EQ(platform.library.frees, 1);
  EXPECT_TRUE(platform.errors.empty());
  EXPECT_EQ(port.virtualTimeUs(), 1u) << "one read of port 0x378";

  FakePlatform failing = platform;
  failing.library = {};
  failing.library.failuresBeforeSuccess = 5;
  failing.sleeps.clear();
  EXPECT_FALSE(LoadPortDriver(failing, port));
  EXPECT_EQ(failing.library.calls, 5);
  EXPECT_EQ(failing.sleeps.size(), 5u);
  EXPECT_EQ(failing.library.frees, 1);
  EXPECT_EQ(failing.errors, std::vector<std::string>{"Не могу загрузить драйвер LPT-порта."});

  FakePlatform noLibrary = platform;
  noLibrary.libraryLoads = false;
  EXPECT_FALSE(LoadPortDriver(noLibrary, port));
  EXPECT_EQ(
      noLibrary.errors,
      std::vector<std::string>{"Не могу загрузить драйвер LPT-порта.\nПопробуйте переустановить программу."});

  FakePlatform noExport = platform;
  noExport.library = {};
  noExport.library.initializeExported = false;
  EXPECT_FALSE(LoadPortDriver(noExport, port));
  EXPECT_TRUE(noExport.errors.empty());
  EXPECT_EQ(noExport.library.frees, 1);
}

TEST_F(PortDriverTest, OffTheNtFamilyNoDriverFileIsTouched) {
  SimulatedController port(MemoryImage{});
  platform.nt = false;
  EXPECT_TRUE(LoadPortDriver(platform, port));
  EXPECT_EQ(platform.library.loads, 0);
  EXPECT_EQ(port.virtualTimeUs(), 1u);

  NativeDriverPlatform native;
  EXPECT_FALSE(native.IsNtPlatform());
  EXPECT_TRUE(LoadPortDriver(native, port));
}

TEST_F(PortDriverTest, InstallRegistersThisApplicationOnce) {
  EXPECT_FALSE(InstallPortDriver(platform)) << "library and driver files missing";
  EXPECT_EQ(platform.library.loads, 0);
  EXPECT_TRUE(platform.errors.empty());

  installFiles();
  EXPECT_TRUE(InstallPortDriver(platform));
  EXPECT_EQ(platform.library.arguments, std::vector<std::string>{(folder / "WinIo.sys").string() + " 1"});
  EXPECT_EQ(usage(), (std::vector<int32_t>{1, 2}));

  writeUsage({2, 7, 2});
  EXPECT_TRUE(InstallPortDriver(platform));
  EXPECT_EQ(usage(), (std::vector<int32_t>{2, 7, 2})) << "already registered: unchanged";
  writeUsage({1, 7});
  EXPECT_TRUE(InstallPortDriver(platform));
  EXPECT_EQ(usage(), (std::vector<int32_t>{2, 7, 2}));

  platform.library = {};
  platform.library.failuresBeforeSuccess = 5;
  EXPECT_FALSE(InstallPortDriver(platform));
  EXPECT_EQ(platform.errors, std::vector<std::string>{"Не могу установить драйвер LPT-порта"});
}

TEST_F(PortDriverTest, RemoveUnregistersAndTheLastUserDeletesTheFiles) {
  installFiles();
  writeUsage({3, 5, 2, 9});
  EXPECT_TRUE(RemovePortDriver(platform));
  EXPECT_EQ(usage(), (std::vector<int32_t>{2, 5, 9}));
  EXPECT_EQ(platform.library.loads, 0) << "others still use the driver";
  EXPECT_TRUE(fs::exists(folder / "WinIo.sys"));

  writeUsage({1, 2});
  platform.library.failuresBeforeSuccess = 5;
  EXPECT_FALSE(RemovePortDriver(platform));
  EXPECT_EQ(platform.errors, std::vector<std::string>{"Не могу удалить драйвер LPT-порта"});
  EXPECT_TRUE(fs::exists(folder / "WinIo.dll"));

  platform.library = {};
  fs::remove(folder / "WinIo.cnt");  // a missing usage file: nobody else
  EXPECT_TRUE(RemovePortDriver(platform));
  EXPECT_EQ(platform.library.calls, 1);
  EXPECT_FALSE(fs::exists(folder / "WinIo.dll"));
  EXPECT_FALSE(fs::exists(folder / "WinIo.sys"));
  EXPECT_FALSE(fs::exists(folder / "WinIo.cnt"));
}

TEST_F(PortDriverTest, DamagedUsageFileIsRefusedAndKept) {
  installFiles();
  const std::vector<std::vector<int32_t>> damaged = {{-1}, {1021}, {3, 2, 5}, {0x7FFFFFFF, 2}};
  for (const auto& words : damaged) {
    writeUsage(words);
    platform.errors.clear();
    EXPECT_FALSE(RemovePortDriver(platform)) << words[0];
    EXPECT_FALSE(InstallPortDriver(platform)) << words[0];
    EXPECT_EQ(usage(), words);
    EXPECT_TRUE(fs::exists(folder / "WinIo.sys"));
    ASSERT_EQ(platform.errors.size(), 2u);
    EXPECT_NE(platform.errors[0].find("WinIo.cnt"), std::string::npos);
  }
  // A full list cannot take this application.
  std::vector<int32_t> full{1020};
  for (int i = 0; i < 1020; ++i) full.push_back(100 + i);
  writeUsage(full);
  EXPECT_FALSE(InstallPortDriver(platform));
  EXPECT_EQ(usage(), full);
}

}  // namespace
