// tkv88ctl stopped by a signal while it writes: the write ends after the
// page or byte in flight, never mid-byte, and the command says what the
// controller may hold (a mix, the backup or the command that writes it
// again) and exits with the signal's status. The command is held back by
// its trace, written to a pipe this test reads (trace=/dev/fd/3), so the
// signal comes at a chosen point of the write.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "link/FactoryImage.h"
#include "support/TempDir.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

struct Ended {
  int status = -1;  // the exit status, or -1 when the program did not exit
  std::string err;
};

class CtlSignals : public testing::Test {
 protected:
  // Runs tkv88ctl with descriptor 3 the write end of a pipe; reads `before`
  // bytes of what it writes there, sends `signal`, reads the rest.
  Ended runStopped(const std::vector<std::string>& args, std::size_t before, int signal) {
    int trace[2];
    EXPECT_EQ(::pipe2(trace, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, trace[1], 3);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string program = std::string(TKV88_BINARY_DIR) + "/apps/tkv88ctl/tkv88ctl";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // Backups go to the test's folder, never to the home folder.
    const std::string data = "XDG_DATA_HOME=" + (dir / "data").string();
    std::vector<char*> env{const_cast<char*>(data.c_str())};
    for (char** e = environ; *e; ++e) env.push_back(*e);
    env.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), env.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(trace[1]);

    char buffer[1 << 16];
    std::size_t read = 0;
    bool sent = false;
    for (;;) {
      if (!sent && read >= before) {
        ::kill(pid, signal);
        sent = true;
      }
      const ssize_t n =
          ::read(trace[0], buffer, sent ? sizeof buffer : std::min(sizeof buffer, before - read));
      if (n <= 0) break;
      read += static_cast<std::size_t>(n);
    }
    ::close(trace[0]);
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    EXPECT_TRUE(sent) << "the command ended before the signal";
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir / "err")};
  }

  TempDir temp;
  const fs::path dir = temp.path;
  const fs::path memory = dir / "controller.bin";
};

std::string randomBytes(unsigned seed) {
  std::mt19937 rng(seed);
  std::string bytes(kDeviceMemorySize, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

}  // namespace

TEST_F(CtlSignals, AWriteStoppedBySignalSaysWhatTheControllerMayHold) {
  const std::string ctl = std::string(TKV88_BINARY_DIR) + "/apps/tkv88ctl/tkv88ctl ";
  const std::string old = randomBytes(1), wanted = randomBytes(2);
  std::ofstream(dir / "wanted.bin", std::ios::binary) << wanted;
  std::ofstream(dir / "old.bin", std::ios::binary) << old;
  ASSERT_EQ(std::system((ctl + "new -o " + (dir / "c.tkv88").string()).c_str()), 0);
  ASSERT_EQ(std::system((ctl + "image --base " + (dir / "old.bin").string() + " -o " +
                         (dir / "new.bin").string() + " " + (dir / "c.tkv88").string())
                            .c_str()),
            0);
  const std::string written = readFile(dir / "new.bin");
  const std::string port = "--port=sim:" + memory.string() + ",trace=/dev/fd/3";
  const std::string backups = (dir / "data/tkv88/backups/").string();
  const std::string mix = "; прибор может хранить смесь прежней и новой конфигурации: запишите её снова";
  const struct {
    std::vector<std::string> args;
    std::size_t before;  // trace bytes read before the signal: where in the write it comes
    int signal;
    std::string says;  // the start of the last line on stderr
    const std::string& target;
    bool changes;  // the controller holds some of the new bytes afterwards
  } cases[] = {
      {{"restore", "-q", "--all", port, (dir / "wanted.bin").string()},
       2 << 20,
       SIGINT,
       "Запись остановлена сигналом SIGINT (Ctrl+C); память прибора может хранить смесь прежних и новых "
       "байтов: повторите \"tkv88ctl restore " +
           (dir / "wanted.bin").string() + "\"\n",
       wanted,
       true},
      {{"write", "-q", "--no-backup", port, (dir / "c.tkv88").string()},
       250 << 10,
       SIGTERM,
       "Запись остановлена сигналом SIGTERM" + mix + "; резервной копии конфигурации этого прибора нет\n",
       written,
       true},
      {{"write", "-q", "--backup", port + ",timing=standard", (dir / "c.tkv88").string()},
       3 << 19,
       SIGHUP,
       "Запись остановлена сигналом SIGHUP (терминал закрыт)" + mix +
           " или восстановите прежнюю: \"tkv88ctl write --changed " + backups,
       written,
       true},
      // Still reading the backup: nothing is written.
      {{"write", "-q", "--backup", port, (dir / "c.tkv88").string()},
       1000,
       SIGINT,
       "чтение остановлено сигналом SIGINT (Ctrl+C)\n",
       written,
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[2] + ", signal " + std::to_string(c.signal));
    std::ofstream(memory, std::ios::binary) << old;
    const Ended ended = runStopped(c.args, c.before, c.signal);
    EXPECT_EQ(ended.status, 128 + c.signal) << ended.err;
    ASSERT_FALSE(ended.err.empty()) << "the command said nothing";
    const std::string last = ended.err.substr(ended.err.rfind('\n', ended.err.size() - 2) + 1);
    EXPECT_EQ(last.substr(last.find(": ") + 2, c.says.size()), c.says) << ended.err;
    const std::string now = readFile(memory);
    int changed = 0;
    for (int i = 0; i < kDeviceMemorySize; ++i) {
      ASSERT_TRUE(now[i] == old[i] || now[i] == c.target[i]) << "a torn byte at " << i;
      changed += now[i] != old[i];
    }
    EXPECT_EQ(changed > 0, c.changes);
    EXPECT_NE(now, c.target) << "the signal came after the write";
  }
}
