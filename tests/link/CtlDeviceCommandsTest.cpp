// tkv88ctl read, write, image and decode, run as the built program against
// the simulated controller's image file, behind the simulated parallel-port
// adapter and behind the simulated I2C adapter alike.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "link/FactoryImage.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

// The parameter: the simulated adapter's port prefix.
class CtlDeviceCommands : public testing::TestWithParam<const char*> {
 protected:
  struct Result {
    int status;
    std::string out, err;
  };

  Result ctl(const std::string& args) {
    const fs::path out = dir / "stdout", err = dir / "stderr";
    const std::string command = std::string(TKV88_BINARY_DIR) + "/apps/tkv88ctl/tkv88ctl " + args + " > '" +
                                out.string() + "' 2> '" + err.string() + "' < /dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
  }
  std::string path(const char* name) const { return (dir / name).string(); }
  // A configuration file edited with sed-like replacements of whole lines.
  void edit(const std::string& file, const std::string& from, const std::string& to) {
    std::string text = readFile(file);
    text = std::regex_replace(text, std::regex("\n" + from + "\n"), "\n" + to + "\n");
    std::ofstream(file, std::ios::binary) << text;
  }

  TempDir temp;
  const fs::path dir = temp.path;
  const fs::path memory = dir / "controller.bin";
  const std::string port = "--port " + std::string(GetParam()) + memory.string();
};

}  // namespace

TEST_P(CtlDeviceCommands, ReadImageAndDecodeAgreeWithTheController) {
  const Result read = ctl("read " + port + " -o " + path("read.tkv88"));
  ASSERT_EQ(read.status, 0) << read.err;
  const std::string text = readFile(path("read.tkv88"));
  EXPECT_EQ(text.rfind("DeviceDataName=\n", 0), 0u);  // a read brings no name
  EXPECT_NE(text.find("\nO10=2\n"), std::string::npos);
  EXPECT_NE(text.find("\nU03=85\n"), std::string::npos);  // the demo program's humidifying step

  // Writing what was read into a factory-new memory changes nothing.
  ASSERT_EQ(ctl("image " + path("read.tkv88") + " -o " + path("image.bin")).status, 0);
  EXPECT_EQ(readFile(path("image.bin")), readFile(memory));
  const Result decoded = ctl("decode " + memory.string());
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_EQ(decoded.out, text);

  // --base: the bits of no parameter come from the base image.
  std::ofstream(path("base.bin"), std::ios::binary) << std::string(kDeviceMemorySize, '\0');
  ASSERT_EQ(
      ctl("image --base " + path("base.bin") + " -o " + path("image0.bin") + " " + path("read.tkv88")).status,
      0);
  const std::string image0 = readFile(path("image0.bin"));
  ASSERT_EQ(image0.size(), 8192u);
  EXPECT_EQ(image0[8100], '\0');
  EXPECT_EQ(ctl("decode -o " + path("again.tkv88") + " " + path("image0.bin")).status, 0);
  EXPECT_EQ(readFile(path("again.tkv88")), text);

  const Result bad = ctl("decode " + path("read.tkv88"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("ровно 8192"), std::string::npos) << bad.err;
}

TEST_P(CtlDeviceCommands, WriteRefusesWhatDoesNotFitUnlessAskedAndVerifies) {
  ASSERT_EQ(ctl("read " + port + " -o " + path("c.tkv88")).status, 0);
  const std::string before = readFile(memory);
  edit(path("c.tkv88"), "O10=2", "O10=7");  // 20 programs, 5 allowed
  edit(path("c.tkv88"), "D01=0", "D01=64");

  const Result refused = ctl("write " + port + " " + path("c.tkv88"));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Программ в конфигурации: 20; разбиение памяти O10 = 7 (5 программ по 99 шагов) "
                             "допускает 5"),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("--fit"), std::string::npos);
  EXPECT_EQ(readFile(memory), before);  // nothing written

  const Result fitted = ctl("write -q --fit --verify " + port + " " + path("c.tkv88"));
  ASSERT_EQ(fitted.status, 0) << fitted.err;
  EXPECT_NE(fitted.err.find("D01 = 64 будет записан как 63"), std::string::npos) << fitted.err;

  const Result back = ctl("read " + port);
  ASSERT_EQ(back.status, 0);
  EXPECT_NE(back.out.find("\nO10=7\n"), std::string::npos);
  EXPECT_NE(back.out.find("\nD01=63\n"), std::string::npos);
  std::size_t programs = 0;
  for (std::size_t at = 0; (at = back.out.find("[Program]", at)) != std::string::npos; ++at) ++programs;
  EXPECT_EQ(programs, 5u);
}

TEST_P(CtlDeviceCommands, AFileWithoutAConfigurationIsNeverWritten) {
  // A memory image given by mistake loads as an empty configuration, which
  // would erase every program of the controller.
  ASSERT_EQ(ctl("dump " + port + " -o " + path("image.bin")).status, 0);
  const std::string before = readFile(memory);
  for (const std::string& command : {"write " + port, std::string("image")}) {
    const Result r = ctl(command + " " + path("image.bin"));
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_NE(r.err.find("не файл конфигурации"), std::string::npos) << r.err;
  }
  EXPECT_EQ(readFile(memory), before);
}

TEST_P(CtlDeviceCommands, NoControllerIsAnErrorAndWritesNoFile) {
  const Result r = ctl("read " + port + ",fault=absent -o " + path("none.tkv88"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tkv88ctl read: Прибор не отвечает (code 1)\n");
  EXPECT_FALSE(fs::exists(path("none.tkv88")));
}

INSTANTIATE_TEST_SUITE_P(Adapters, CtlDeviceCommands, testing::Values("sim:", "i2c-sim:"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param) == "sim:" ? "ParallelPort" : "I2c";
                         });
