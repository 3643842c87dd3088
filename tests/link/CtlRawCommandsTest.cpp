// tkv88ctl dump, restore, peek and poke, run as the built program against
// the simulated controller's image file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "link/FactoryImage.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

struct CtlRun {
  int status;
  std::string out, err;
};

class CtlRawCommands : public testing::Test {
 protected:
  CtlRun ctl(const std::string& args) {
    const std::string command = std::string(TKV88_BINARY_DIR) + "/apps/tkv88ctl/tkv88ctl " + args + " > '" +
                                (dir / "out").string() + "' 2> '" + (dir / "err").string() + "' < /dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir / "out"), readFile(dir / "err")};
  }
  void putImage(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

  TempDir temp;
  const fs::path dir = temp.path;
  const fs::path image = dir / "controller.bin";
  const std::string port = "sim:" + image.string();
};

std::string randomImage(unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(kDeviceMemorySize, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

TEST_F(CtlRawCommands, DumpAndRestoreRoundTrip) {
  const CtlRun first = ctl("dump --port " + port + " -o " + (dir / "new.bin").string());
  ASSERT_EQ(first.status, 0) << first.err;
  const MemoryImage factory = factoryImage();
  EXPECT_EQ(readFile(dir / "new.bin"), std::string(factory.begin(), factory.end()));
  EXPECT_NE(first.err.find("read 8192 bytes"), std::string::npos);

  const std::string wanted = randomImage(7);
  putImage(dir / "wanted.bin", wanted);
  const CtlRun restore = ctl("restore --port " + port + " " + (dir / "wanted.bin").string());
  ASSERT_EQ(restore.status, 0) << restore.err;
  EXPECT_EQ(readFile(image), wanted);

  // Unchanged bytes are not written again; --all writes every one.
  EXPECT_NE(ctl("restore --port " + port + " " + (dir / "wanted.bin").string()).err.find("wrote 0 bytes"),
            std::string::npos);
  const CtlRun all = ctl("restore --all -q --port " + port + " " + (dir / "wanted.bin").string());
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.err, "");
  EXPECT_EQ(readFile(image), wanted);

  const CtlRun back = ctl("dump -q --port " + port);  // to the standard output
  ASSERT_EQ(back.status, 0) << back.err;
  EXPECT_EQ(back.out, wanted);
  EXPECT_EQ(back.err, "");
}

TEST_F(CtlRawCommands, PeekAndPoke) {
  putImage(image, std::string(kDeviceMemorySize, '\xFF'));
  ASSERT_EQ(ctl("poke --port " + port + " 0x1FFD 'a5 5a:01'").status, 0);
  const CtlRun peek = ctl("peek --port " + port + " 8176 16");
  ASSERT_EQ(peek.status, 0) << peek.err;
  EXPECT_EQ(peek.out, "1FF0: FF FF FF FF FF FF FF FF FF FF FF FF FF A5 5A 01\n");
  EXPECT_EQ(ctl("peek --port " + port + " 0x1FFD 3").out, "1FFD: A5 5A 01\n");
  EXPECT_EQ(ctl("peek --port " + port + " 0 17").out,
            "0000: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n0010: FF\n");
}

TEST_F(CtlRawCommands, BadInputIsRefusedBeforeTheDeviceIsTouched) {
  const struct {
    const char* args;
    int status;
    const char* says;
  } cases[] = {
      {"peek --port PORT 8192", 2, "bad address"},
      {"peek --port PORT 8190 3", 2, "within the memory"},
      {"peek --port PORT -5", 2, "unknown option"},
      {"peek --port PORT 0100", 2, "bad address"},  // 64, 100 or 0x100?
      {"poke --port PORT 010 A5", 2, "bad address"},
      {"peek --port PORT 0 010", 2, "bad length"},
      {"peek --port PORT 0x", 2, "bad address"},
      {"poke --port PORT 0 xyz", 2, "only hex digits"},
      {"poke --port PORT 0 abc", 2, "two hex digits"},
      {"poke --port PORT 8191 0102", 2, "fit within the memory"},
      {"restore --port PORT missing.bin", 1, "does not exist"},
      {"dump --port nonsense -o x.bin", 1, "неизвестный порт \"nonsense\""},
  };
  for (const auto& c : cases) {
    std::string args = c.args;
    if (const auto at = args.find("PORT"); at != std::string::npos) args.replace(at, 4, port);
    const CtlRun r = ctl(args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
  }
  EXPECT_FALSE(fs::exists(image)) << "no command opened the port";

  putImage(dir / "short.bin", std::string(100, 'x'));
  const CtlRun r = ctl("restore --port " + port + " " + (dir / "short.bin").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("байтов в файле 100"), std::string::npos) << r.err;
}

TEST_F(CtlRawCommands, DeviceErrorsReportTextAndCodeAndKeepTheOldBackup) {
  putImage(dir / "backup.bin", randomImage(1));
  const CtlRun absent = ctl("dump --port " + port + ",fault=absent -o " + (dir / "backup.bin").string());
  EXPECT_EQ(absent.status, 1);
  EXPECT_NE(absent.err.find("Прибор не отвечает (code 1)"), std::string::npos) << absent.err;
  EXPECT_EQ(readFile(dir / "backup.bin"), randomImage(1));

  const CtlRun stuck = ctl("peek --port " + port + ",fault=stuck-low 0");
  EXPECT_EQ(stuck.status, 1);
  EXPECT_NE(stuck.err.find("LPT настроен на другой порт (code 1)"), std::string::npos) << stuck.err;

  // The memory stops answering during the write: the link broke.
  const CtlRun broken = ctl("poke --port " + port + ",fault=dropout:30 0 0102030405060708090a");
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.err.find("Связь с прибором прервалась (code 2)"), std::string::npos) << broken.err;
}

}  // namespace
