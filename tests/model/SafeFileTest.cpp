// saveFile, the one way the programs write a file: what it refuses, what
// it keeps, and that nothing but the target ever changes.
#include "model/SafeFile.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>

#include "model/SystemErrorText.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> names(const fs::path& dir) {
  std::vector<std::string> list;
  for (const auto& e : fs::directory_iterator(dir)) list.push_back(e.path().filename().string());
  std::sort(list.begin(), list.end());
  return list;
}

void put(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string reasonOf(const fs::path& path) {
  try {
    saveFile(path.string(), "new");
  } catch (const SaveError& e) {
    EXPECT_EQ(std::string(e.what()), "не удаётся записать \"" + path.string() + "\": " + e.reason());
    return e.reason();
  }
  return "saved";
}

}  // namespace

TEST(SafeFile, RefusesWhatIsNoFileToReplaceAndChangesNothing) {
  TempDir temp;
  const fs::path dir = temp.path;
  fs::create_directory(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  put(dir / "locked", "old");
  ::chmod((dir / "locked").c_str(), 0444);
  const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = (dir / "socket").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  // A device node of its own (the system's /dev/null would be replaced by
  // the old code); only root may make one.
  const bool device = ::mknod((dir / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;

  const struct {
    const char* name;
    const char* reason;
  } cases[] = {
      {"no/such/folder", "нет такого файла или папки"},
      {"folder", "это папка, а не файл"},
      {"pipe", "это канал (FIFO), а не обычный файл"},
      {"socket", "это сокет, а не обычный файл"},
      {"null", "это устройство, а не обычный файл"},
      {"locked", "файл защищён от записи"},  // root too: the owner meant it to stay
  };
  for (const auto& c : cases) {
    if (!device && std::string(c.name) == "null") continue;
    EXPECT_EQ(reasonOf(dir / c.name), c.reason) << c.name;
  }
  ::close(socketFd);

  std::vector<std::string> left{"folder", "locked", "pipe", "socket"};
  if (device) left.insert(left.begin() + 2, "null");
  EXPECT_EQ(names(dir), left);  // no temporary file left behind
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  EXPECT_TRUE(fs::is_socket(dir / "socket"));
  EXPECT_TRUE(!device || fs::is_character_file(dir / "null"));
  EXPECT_EQ(readFile(dir / "locked"), "old");
  EXPECT_EQ(fs::status(dir / "locked").permissions(), fs::perms(0444));
}

TEST(SafeFile, ReplacesWholeKeepsModeWritesThroughLinksAndNeverFollowsAPlantedOne) {
  TempDir temp;
  const fs::path dir = temp.path;
  const fs::path target = dir / "c.tkv88";
  put(target, "old");
  ::chmod(target.c_str(), 0640);
  // The temporary name the old code used, planted as a link to a victim.
  put(dir / "victim", "victim");
  fs::create_symlink(dir / "victim", dir / "c.tkv88.tmp");
  saveFile(target.string(), "new content");
  EXPECT_EQ(readFile(target), "new content");
  EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
  EXPECT_EQ(readFile(dir / "victim"), "victim");
  EXPECT_EQ(names(dir), (std::vector<std::string>{"c.tkv88", "c.tkv88.tmp", "victim"}));

  // Through a symbolic link (also one whose file does not exist yet) the
  // file behind it gets the content; the link stays.
  fs::create_symlink(target, dir / "link");
  fs::create_symlink("made", dir / "dangling");
  saveFile((dir / "link").string(), "via link");
  saveFile((dir / "dangling").string(), "made through");
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
  EXPECT_EQ(readFile(target), "via link");
  EXPECT_EQ(readFile(dir / "made"), "made through");

  // A new file only: an existing name is an error and stays as it was.
  try {
    saveFile(target.string(), "other", SafeFile::kCreateNew);
    ADD_FAILURE() << "an existing file was replaced";
  } catch (const SaveError& e) {
    EXPECT_EQ(e.error(), EEXIST);
  }
  EXPECT_EQ(readFile(target), "via link");
  saveFile((dir / "fresh").string(), "fresh", SafeFile::kCreateNew);
  EXPECT_EQ(readFile(dir / "fresh"), "fresh");
}

// A system error reads in Russian wherever it is met: the usual ones in
// words, any other by its number, never in the C library's English.
TEST(SystemErrorText, NeverInEnglish) {
  EXPECT_EQ(systemErrorText(ENOSYS), "не поддерживается этой системой");
  EXPECT_EQ(systemErrorText(ENOSPC), "на диске нет места");
  for (const int error : {ENOSYS, EBADF, EPIPE, EINVAL, ENOTTY, EAGAIN, ETIMEDOUT, EINTR, EPROTO, 4095}) {
    const std::string text = systemErrorText(error);
    EXPECT_EQ(std::count_if(text.begin(), text.end(),
                            [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }),
              0)
        << error << ": " << text;
  }
}
