// tkv88ctl dump, restore, peek and poke, run as the built program against
// the simulated controller's image file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

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
      // A misspelt option would name a new memory file "controller.bin,tarce=t.vcd".
      {"peek --port PORT,tarce=t.vcd 0", 1, "неизвестный параметр симулятора \"tarce=t.vcd\""},
      {"peek --port 'PORT, fault=readonly:1016' 0", 1, "лишний пробел в \" fault=readonly:1016\""},
      {"peek --port 'PORT ' 0", 1, "лишний пробел"},
  };
  for (const auto& c : cases) {
    std::string args = c.args;
    if (const auto at = args.find("PORT"); at != std::string::npos) args.replace(at, 4, port);
    const CtlRun r = ctl(args);
    EXPECT_EQ(r.status, c.status) << c.args << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
  }
  EXPECT_FALSE(fs::exists(image)) << "no command opened the port";
  EXPECT_FALSE(fs::exists(image.string() + ",tarce=t.vcd"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << "only out and err";

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

  // The memory stops answering during the write: the link broke, and the
  // memory may hold a mix of the old bytes and the new. A memory that never
  // answered holds nothing new.
  putImage(dir / "wanted.bin", randomImage(2));
  const struct {
    std::string args;
    std::string says;
  } partial[] = {
      {"poke --port " + port + ",fault=dropout:80 0 0102030405060708090a",
       "Связь с прибором прервалась (code 2); память прибора может хранить смесь прежних и новых байтов: "
       "повторите \"tkv88ctl poke 0 0102030405060708090a\"\n"},
      // Silent from the line's check on: nothing was written.
      {"poke --port " + port + ",fault=dropout:40 0 0102030405060708090a",
       "Связь с прибором прервалась (code 2)\n"},
      {"restore --all --port " + port + ",fault=dropout:3000 " + (dir / "wanted.bin").string(),
       "Связь с прибором прервалась (code 2); память прибора может хранить смесь прежних и новых байтов: "
       "повторите \"tkv88ctl restore " +
           (dir / "wanted.bin").string() + "\"\n"},
      {"poke --port " + port + ",fault=absent 0 01", "Прибор не отвечает (code 1)\n"},
  };
  for (const auto& p : partial) {
    const CtlRun broken = ctl(p.args);
    EXPECT_EQ(broken.status, 1) << p.args;
    EXPECT_EQ(broken.err.substr(broken.err.find(": ") + 2), p.says) << broken.err;
  }
}

// Every output goes through saveFile: nothing that is no file of theirs is
// replaced, and a link planted at the temporary name the old code used is
// never followed.
TEST_F(CtlRawCommands, OutputsNeverReplaceWhatIsNoFileOfTheirs) {
  const fs::path config = dir / "c.tkv88";
  ASSERT_EQ(ctl("new -o " + config.string()).status, 0);
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  putImage(dir / "locked", "keep");
  ::chmod((dir / "locked").c_str(), 0444);
  putImage(dir / "victim", "victim");
  const std::string commands[] = {"dump -q --port " + port, "read -q --no-backup --port " + port,
                                  "image " + config.string()};
  for (const std::string& command : commands) {
    const CtlRun pipe = ctl(command + " -o " + (dir / "pipe").string());
    EXPECT_EQ(pipe.status, 1) << command;
    EXPECT_NE(pipe.err.find("это канал (FIFO), а не обычный файл"), std::string::npos) << pipe.err;
    EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
    const CtlRun locked = ctl(command + " -o " + (dir / "locked").string());
    EXPECT_EQ(locked.status, 1) << command;
    EXPECT_NE(locked.err.find("файл защищён от записи"), std::string::npos) << locked.err;
    EXPECT_EQ(readFile(dir / "locked"), "keep");
    EXPECT_EQ(fs::status(dir / "locked").permissions(), fs::perms(0444));

    fs::remove(dir / "out");
    fs::create_symlink(dir / "victim", dir / "out.tmp");
    EXPECT_EQ(ctl(command + " -o " + (dir / "out").string()).status, 0) << command;
    EXPECT_EQ(readFile(dir / "victim"), "victim") << command;
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / "out"))) << command;
    fs::remove(dir / "out.tmp");
  }
}

// A memory falling silent within a read's last block leaves the rest of it
// reading as 0xFF; a read ends with a one-byte read that proves the memory
// still answers. Wherever the silence begins near the end, the command
// either fails or gives the true bytes.
TEST_F(CtlRawCommands, ReadsNeverTakeASilentMemoryForData) {
  putImage(image, std::string(reinterpret_cast<const char*>(factoryImage().data()), kDeviceMemorySize));
  const struct {
    std::string args;  // N: the bytes on the bus before the memory falls silent
    std::string expected;
  } commands[] = {
      {"dump -q --port " + port + ",fault=dropout:N", readFile(image)},
      {"peek -q --port " + port + ",fault=dropout:N 0 32",
       "0000: 04 80 AA 85 2A C0 02 0A 48 E2 4F 06 CD 00 06 49\n"
       "0010: FC C9 A0 19 C0 20 89 3F 19 34 03 18 00 40 40 00\n"},
  };
  for (const auto& c : commands) {
    auto run = [&](int n) {
      std::string args = c.args;
      args.replace(args.find(":N") + 1, 1, std::to_string(n));
      return ctl(args);
    };
    // Where the command begins to succeed.
    int fails = 0, succeeds = 20000;
    while (succeeds - fails > 1) {
      const int middle = (fails + succeeds) / 2;
      (run(middle).status == 0 ? succeeds : fails) = middle;
    }
    for (int n = succeeds - 40; n <= succeeds + 2; ++n) {
      const CtlRun r = run(n);
      if (r.status == 0)
        EXPECT_EQ(r.out, c.expected) << c.args << " silent after " << n;
      else
        EXPECT_NE(r.err.find("Связь с прибором прервалась"), std::string::npos) << r.err;
    }
  }
}

// Output lost on its way is no success: the standard output full (a node
// of the full device made here), a trace beyond what the disk takes (a
// file size limit stands in for a full disk; the signal it raises is
// ignored). A trace never stops an exchange half-way: a target that takes
// nothing is refused before the exchange, and one that fills up later
// ends the trace while the exchange runs on; the command then fails saying
// what was done.
TEST_F(CtlRawCommands, OutputThatCannotBeWrittenFailsTheCommand) {
  const std::string ctlPath = std::string(TKV88_BINARY_DIR) + "/apps/tkv88ctl/tkv88ctl";
  const std::string err = (dir / "err").string();
  auto status = [&](const std::string& script) {
    const int raw = std::system(("sh -c \"" + script + "\" 2> '" + err + "' < /dev/null").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  const fs::path full = dir / "full";
  ASSERT_EQ(::mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)), 0);
  ASSERT_EQ(ctl("new -o " + (dir / "c.tkv88").string()).status, 0);
  for (const std::string& command : {"peek --port " + port + " 0 64", "list " + (dir / "c.tkv88").string()}) {
    EXPECT_EQ(status(ctlPath + " " + command + " > " + full.string()), 1) << command;
    EXPECT_NE(readFile(err).find("не удаётся записать стандартный вывод: на диске нет места"),
              std::string::npos)
        << readFile(err);
  }

  ASSERT_EQ(
      ctl("set " + (dir / "c.tkv88").string() + " -o " + (dir / "d.tkv88").string() + " L2:O09=5").status, 0);
  ASSERT_EQ(ctl("dump -q --port " + port + " -o " + (dir / "before.bin").string()).status, 0);
  ASSERT_EQ(ctl("image --base " + (dir / "before.bin").string() + " -o " + (dir / "after.bin").string() +
                " " + (dir / "d.tkv88").string())
                .status,
            0);
  const std::string after = readFile(dir / "after.bin");
  const fs::path trace = dir / "bus.vcd";
  const struct {
    int limitKb;
    std::string command;
    std::string says;
    const std::string& memory;  // what the controller holds afterwards
  } cases[] = {
      {16, "write -q --port " + port + ",trace=" + trace.string() + " " + (dir / "d.tkv88").string(),
       "прибор записан полностью, трасса не записана: не удаётся записать \"" + trace.string(), after},
      {64, "dump -q --port " + port + ",trace=" + trace.string() + " -o " + (dir / "d.bin").string(),
       "обмен с прибором завершён, трасса не записана: не удаётся записать \"" + trace.string(), after},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(status("trap '' XFSZ; ulimit -f " + std::to_string(c.limitKb) + "; exec " + ctlPath + " " +
                     c.command),
              1)
        << c.command;
    EXPECT_NE(readFile(err).find(c.says), std::string::npos) << readFile(err);
    EXPECT_EQ(readFile(image), c.memory) << c.command;
  }
  EXPECT_EQ(readFile(dir / "d.bin"), after) << "the dump is whole";
}

// -o and trace= naming a descriptor (/dev/stdout, /dev/fd/N,
// /proc/self/fd/N) write to it where it stands, as -o - does: the file it
// points to keeps what it held before. A descriptor that is not open is
// refused; a trace to one that takes nothing (a full device) is refused
// before the exchange.
TEST_F(CtlRawCommands, OutputsNamingADescriptorWriteToIt) {
  const std::string ctlPath = std::string(TKV88_BINARY_DIR) + "/apps/tkv88ctl/tkv88ctl";
  const fs::path log = dir / "log.txt";
  auto run = [&](const std::string& script) {
    const int raw = std::system(("cd '" + dir.string() + "' && " + script + " 2> err < /dev/null").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  ASSERT_EQ(ctl("new -o " + (dir / "c.tkv88").string()).status, 0);
  ASSERT_EQ(::mknod((dir / "full").c_str(), S_IFCHR | 0600, makedev(1, 7)), 0);
  putImage(image, randomImage(8));
  const std::string config = readFile(dir / "c.tkv88"), memory = readFile(image);
  const std::string ctlAt = ctlPath + " ";
  const struct {
    std::string script;
    int status;
    std::string logAfter;  // after "earlier\n"; the start of it for a trace
    std::string says;
  } cases[] = {
      {ctlAt + "new -o /dev/stdout >> log.txt", 0, config, ""},
      {ctlAt + "new -o /dev/fd/3 3>> log.txt", 0, config, ""},
      {ctlAt + "new -o /proc/self/fd/3 3>> log.txt", 0, config, ""},
      {ctlAt + "dump -q --port " + port + " -o /dev/fd/1 >> log.txt", 0, memory, ""},
      {ctlAt + "peek -q --port " + port + ",trace=/dev/fd/3 0 1 3>> log.txt > out", 0,
       "$timescale 1 us $end\n", ""},
      {ctlAt + "new -o /dev/fd/7", 1, "", "не удаётся записать \"/dev/fd/7\": дескриптор не открыт"},
      {ctlAt + "poke -q --port " + port + ",trace=/dev/fd/3 0 00 3> full", 1, "",
       "не удаётся записать файл трассы \"/dev/fd/3\": на диске нет места"},
      {ctlAt + "dump -q --port " + port + " > full", 1, "",
       "не удаётся записать стандартный вывод: на диске нет места"},
  };
  for (const auto& c : cases) {
    putImage(log, "earlier\n");
    EXPECT_EQ(run(c.script), c.status) << c.script;
    EXPECT_EQ(readFile(log).substr(0, 8 + c.logAfter.size()), "earlier\n" + c.logAfter) << c.script;
    const std::string err = readFile(dir / "err");
    EXPECT_EQ(err.empty(), c.says.empty()) << err;
    EXPECT_NE(err.find(c.says), std::string::npos) << c.script << ": " << err;
  }
  EXPECT_EQ(readFile(image), memory) << "the refused poke wrote nothing";
}

// A memory file in use (locked, as a simulator holds it) is never replaced
// under it: a save over it waits for the lock and fails when it is not let
// go in time; let go within the wait, the save goes through.
TEST_F(CtlRawCommands, AMemoryFileInUseIsNotReplacedUnderIt) {
  ASSERT_EQ(ctl("new -o " + (dir / "c.tkv88").string()).status, 0);
  ASSERT_EQ(ctl("image -o " + (dir / "new.bin").string() + " " + (dir / "c.tkv88").string()).status, 0);
  for (const int holdMs : {3000, 500}) {
    putImage(image, randomImage(9));
    struct stat before {};
    ::stat(image.c_str(), &before);
    // Not inherited: the command's own copy would hold the lock.
    const int fd = ::open(image.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::thread release([fd, holdMs] {
      std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
      ::close(fd);
    });
    const CtlRun r = ctl("image -o " + image.string() + " " + (dir / "c.tkv88").string());
    release.join();
    struct stat after {};
    ::stat(image.c_str(), &after);
    if (holdMs > 2000) {
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find("файл занят другой программой"), std::string::npos) << r.err;
      EXPECT_EQ(after.st_ino, before.st_ino);
      EXPECT_TRUE(readFile(image) == randomImage(9));
    } else {
      EXPECT_EQ(r.status, 0) << r.err;
      EXPECT_TRUE(readFile(image) == readFile(dir / "new.bin"));
    }
  }
}

// A simulator holds its memory file locked: a second program waits a
// moment, then fails naming the file; two writers never tear the memory.
// A file the user may only read is read, and writes to it are refused.
TEST_F(CtlRawCommands, SimulatorMemoryFilesAreNeverTornNorWrittenAgainstTheirMode) {
  putImage(image, randomImage(3));
  {
    const int fd = ::open(image.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    const CtlRun held = ctl("peek --port " + port + " 0");
    ::close(fd);
    EXPECT_EQ(held.status, 1);
    EXPECT_NE(held.err.find("файл памяти " + image.string() + " занят другой программой"), std::string::npos)
        << held.err;
  }

  putImage(dir / "a.bin", randomImage(4));
  putImage(dir / "b.bin", randomImage(5));
  const std::string restore = std::string(TKV88_BINARY_DIR) +
                              "/apps/tkv88ctl/tkv88ctl restore -q --all --port " + port + " " + dir.string();
  ASSERT_EQ(std::system(("(" + restore + "/a.bin & " + restore + "/b.bin & wait) 2>/dev/null").c_str()), 0);
  const std::string after = readFile(image);
  EXPECT_TRUE(after == randomImage(4) || after == randomImage(5));

  ::chmod(image.c_str(), 0444);
  for (const std::string prefix : {"sim:", "i2c-sim:"}) {
    const CtlRun peek = ctl("peek --port " + prefix + image.string() + " 0 1");
    EXPECT_EQ(peek.status, 0) << peek.err;
    const CtlRun poke = ctl("poke --port " + prefix + image.string() + " 0 00");
    EXPECT_EQ(poke.status, 1);
    EXPECT_NE(poke.err.find("Файл памяти симулятора " + image.string() + " открыт только для чтения"),
              std::string::npos)
        << poke.err;
  }
  EXPECT_EQ(readFile(image), after);
}

}  // namespace
