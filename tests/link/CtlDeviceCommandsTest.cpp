// tkv88ctl read, write, image and decode, run as the built program against
// the simulated controller's image file, behind the simulated parallel-port
// adapter, the simulated I2C adapter and the simulated CH341A alike.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>

#include "document/BackupStore.h"
#include "document/ConfigFile.h"
#include "link/FactoryImage.h"
#include "support/I2cTrace.h"
#include "support/RandomConfig.h"
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
    // Backups go to the test's folder, never to the home folder.
    const std::string command = "XDG_DATA_HOME='" + (dir / "data").string() + "' " +
                                std::string(TKV88_BINARY_DIR) + "/apps/tkv88ctl/tkv88ctl " + args + " > '" +
                                out.string() + "' 2> '" + err.string() + "' < /dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(out), readFile(err)};
  }
  std::string path(const char* name) const { return (dir / name).string(); }
  std::size_t backups() const {
    std::error_code ec;
    std::size_t n = 0;
    for (auto it = fs::directory_iterator(dir / "data/tkv88/backups", ec);
         !ec && it != fs::directory_iterator(); ++it)
      ++n;
    return n;
  }
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

// A file whose lines end otherwise than in LF reads the same; one whose
// structure cannot be followed is refused naming its line; values that are
// no numbers or lie outside their limits are named with their lines and
// written only with --force. Nothing of it ever reaches the controller
// unannounced.
TEST_P(CtlDeviceCommands, DamagedFilesAreReadWholeOrRefused) {
  ASSERT_EQ(ctl("read " + port + " -o " + path("c.tkv88")).status, 0);
  const std::string text = readFile(path("c.tkv88"));
  const std::string before = readFile(memory);
  const std::size_t o10 = text.find("\nO10=2\n");
  ASSERT_NE(o10, std::string::npos);
  const std::string o10Line = std::to_string(std::count(text.begin(), text.begin() + o10 + 1, '\n') + 1);
  auto replaced = [&](const std::string& from, const std::string& to) {
    return std::regex_replace(text, std::regex(from), to);
  };
  const struct {
    const char* what;
    std::string file;
    int status;
    std::string err;  // a line of stderr, or empty
  } cases[] = {
      {"CR line ends", replaced("\n", "\r"), 0, ""},
      {"CR CR LF line ends", replaced("\n", "\r\r\n"), 0, ""},
      {"a step before the first program", "[step]\n" + text, 1,
       "строка 1: шаг [step] стоит раньше первой программы [Program]"},
      {"a program header in lower case", replaced("\n\\[Program\\]\n", "\n[program]\n"), 1,
       "неизвестный раздел «[program]»"},
      {"a partition that is no number", replaced("\nO10=2\n", "\nO10=seven\n"), 1,
       "строка " + o10Line + ": O10 = «seven» — не число; взято 0"},
      {"a partition beyond its limits", replaced("\nO10=2\n", "\nO10=100\n"), 1,
       "строка " + o10Line + ": O10 = 100 — вне пределов 0…7; взято 7"},
  };
  for (const auto& c : cases) {
    std::ofstream(path("d.tkv88"), std::ios::binary) << c.file;
    const Result r = ctl("write -q " + port + " " + path("d.tkv88"));
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(readFile(memory), before) << c.what;  // what was read, written back; or nothing
  }
  // --force writes the values as loaded, named all the same.
  std::ofstream(path("d.tkv88"), std::ios::binary) << replaced("\nO10=2\n", "\nO10=seven\n");
  const Result forced = ctl("write -q --force --fit " + port + " " + path("d.tkv88"));
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(forced.err.find("tkv88ctl write: " + path("d.tkv88") + ": строка " + o10Line +
                            ": O10 = «seven» — не число; взято 0"),
            std::string::npos)
      << forced.err;
  const Result back = ctl("read -q " + port);
  EXPECT_NE(back.out.find("\nO10=0\n"), std::string::npos);
}

TEST_P(CtlDeviceCommands, NoControllerIsAnErrorAndWritesNoFile) {
  const Result r = ctl("read " + port + ",fault=absent -o " + path("none.tkv88"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "tkv88ctl read: Прибор не отвечает (code 1)\n");
  EXPECT_FALSE(fs::exists(path("none.tkv88")));
}

// probe says what is wrong on stdout and writes nothing; a line too slow
// for either timing fails a read with that message instead of misreading.
TEST_P(CtlDeviceCommands, ProbeSaysWhatIsWrongAndASlowLineFailsReads) {
  const bool parallel = std::string(GetParam()) == "sim:";
  ASSERT_EQ(ctl("read -q " + port + " -o " + path("c.tkv88")).status, 0);
  const std::string before = readFile(memory);
  const struct {
    std::string options;
    int status;
    std::string verdict;
  } probes[] = {
      {"", 0, parallel ? "связь есть, быстрая скорость обмена\n" : "связь есть\n"},
      {",fault=absent", 1, "прибор не отвечает: проверьте кабель и питание\n"},
      // A memory that answers, then falls silent: a loose contact, not a dead
      // line. Only the parallel probe reads more than one byte.
      {",fault=dropout:5", 1, "прибор ответил и замолчал: проверьте разъём и кабель, контакт пропадает\n"},
  };
  for (const auto& p : probes) {
    if (!parallel && p.options.find("dropout") != std::string::npos) continue;
    const Result r = ctl("probe -q " + port + p.options);
    EXPECT_EQ(r.status, p.status) << p.options << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), p.verdict) << r.out;
    EXPECT_EQ(r.err, "") << p.options;
  }
  EXPECT_EQ(readFile(memory), before);
  if (!parallel) return;

  const Result slow = ctl("read " + port + ",rise=300 -o " + path("slow.tkv88"));
  EXPECT_EQ(slow.status, 1);
  EXPECT_EQ(slow.err,
            "tkv88ctl read: адаптер слишком медленный: линия данных устанавливается 300 мкс (code 1)\n");
  EXPECT_FALSE(fs::exists(path("slow.tkv88")));
  const Result standard = ctl("read -q " + port + ",rise=150,timing=standard -o " + path("standard.tkv88"));
  EXPECT_EQ(standard.status, 0) << standard.err;
  EXPECT_EQ(readFile(path("standard.tkv88")), readFile(path("c.tkv88")));
}

// Against the controller a file is compared as the controller holds it
// once written: the empty program slots of a file with fewer programs, a
// value beyond its limits that its field keeps (C03 = 149 with C01 = 5) and
// one its field cannot hold (D01 = 64 in 6 bits; a note says what the
// controller keeps instead) are no differences after a verified write, on
// every partition.
TEST_P(CtlDeviceCommands, AVerifiedWriteLeavesNoDifferenceOnAnyPartition) {
  std::mt19937 rng(19);
  for (int o10 = 0; o10 < GeneralParameters::kPartitionCount; ++o10) {
    DeviceData config = randomConfig(rng, o10, GeneralParameters::programCountOf(o10) / 2);
    Comparator& comparator = config.programs.front().comparators[0];
    comparator[Comparator::C01].setValueQuiet(5);
    comparator[Comparator::C03].valueRef() = 149;  // beyond 0..99 of that input, as "set" may leave it
    config.general.filters.cells[0].valueRef() = 64;
    std::ofstream(path("p.tkv88"), std::ios::binary) << configfile::write(config);

    // Values beyond their limits are written only when asked; loading names them.
    const Result written = ctl("write -q --force --verify --no-backup " + port + " " + path("p.tkv88"));
    ASSERT_EQ(written.status, 0) << o10 << written.err;
    EXPECT_NE(written.err.find(": C03 = 149 — вне пределов 0…99; взято 149\n"), std::string::npos)
        << written.err;
    const Result diff = ctl("diff --no-backup " + port + " " + path("p.tkv88") + " device");
    EXPECT_EQ(diff.status, 0) << o10 << diff.out;
    EXPECT_EQ(diff.out, "") << o10;
    const std::string note =
        "tkv88ctl diff: прибор не хранит эти значения, после записи в нём будут другие:\n"
        "  L2 D01 = 64: прибор хранит 63\n";
    ASSERT_GE(diff.err.size(), note.size());
    EXPECT_EQ(diff.err.substr(diff.err.size() - note.size()), note) << o10;
  }
}

// --verify checks what the write read back: the bus carries no more than
// the write without it (on the parallel-port simulator, whose trace shows it).
TEST_P(CtlDeviceCommands, AVerifiedWriteReadsTheMemoryOnlyOnce) {
  if (std::string(GetParam()) != "sim:") GTEST_SKIP() << "the trace is the parallel-port simulator's";
  std::mt19937 rng(36);
  std::ofstream(path("p.tkv88"), std::ios::binary) << configfile::write(randomConfig(rng, 2, 7));
  std::vector<std::size_t> transactions;
  for (const char* verify : {"", " --verify"}) {
    const std::string trace = path(*verify ? "verified.vcd" : "plain.vcd");
    const Result written =
        ctl("write -q --no-backup" + std::string(verify) + " " + port + ",trace=" + trace + " " + path("p.tkv88"));
    ASSERT_EQ(written.status, 0) << written.err;
    transactions.push_back(decodeI2cTrace(trace).size());
  }
  EXPECT_EQ(transactions[1], transactions[0]);
  EXPECT_GT(transactions[0], 100u);
}

TEST_P(CtlDeviceCommands, DiffAndChangedWriteAgainstTheController) {
  ASSERT_EQ(ctl("read -q " + port + " -o " + path("c.tkv88")).status, 0);
  EXPECT_EQ(backups(), 1u);
  ASSERT_EQ(ctl("set " + path("c.tkv88") + " -o " + path("d.tkv88") + " P1.S1:N02=3 L2:O09=5").status, 0);

  const struct {
    std::string args;
    int status;
    std::string out;
  } diffs[] = {
      {path("c.tkv88") + " device", 0, ""},
      {"--brief device " + path("d.tkv88"), 1, "device and " + path("d.tkv88") + " differ\n"},
      {"-q device " + path("d.tkv88"), 1, "device and " + path("d.tkv88") + " differ\n"},  // as diff -q
      {path("c.tkv88") + " " + path("d.tkv88"), 1,
       "P1.S1\tN02\t0 (ключ не замкнут)\t3 (2-ой импульсный режим)\tРежим ключа № 2\n"
       "L2\tO09\t3 (2400 бод)\t5 (9600 бод)\tСкорость передачи данных в компьютер по последовательному порту "
       "RS-232\n"},
      {path("missing.tkv88") + " device", 2, ""},
      {"device defaults --port " + std::string(GetParam()) + memory.string() + ",fault=absent", 2, ""},
  };
  for (const auto& d : diffs) {
    const Result r = ctl("diff --quiet " + port + " --no-backup " + d.args);
    EXPECT_EQ(r.status, d.status) << d.args << r.err;
    EXPECT_EQ(r.out, d.out) << d.args;
  }
  EXPECT_EQ(backups(), 1u);  // --no-backup

  // Only what differs is written; the memory ends as a full write leaves it.
  ASSERT_EQ(
      ctl("image --base " + memory.string() + " -o " + path("expected.bin") + " " + path("d.tkv88")).status,
      0);
  const std::string before = readFile(memory), expected = readFile(path("expected.bin"));
  std::size_t first = 0;
  while (first < before.size() && before[first] == expected[first]) ++first;
  ASSERT_LT(first, before.size());

  // Faults once writing began (simulated behind the parallel-port adapter):
  // a memory cell that does not keep what is written, and a controller
  // falling silent in a full write, with a backup kept first or without.
  // Each says the controller may hold a mix and how to put it right: its
  // own backup, else the newest there is.
  std::size_t kept = 1;
  if (std::string(GetParam()) == "sim:") {
    const std::string store = (dir / "data/tkv88/backups/").string();
    const struct {
      std::string args;
      std::string error;
      std::string remedy;
      bool backup;
    } faults[] = {
        {"--changed --port sim:" + memory.string() + ",fault=readonly:" + std::to_string(first),
         "Проверка записи не прошла: байт по адресу " + std::to_string(first),
         " или восстановите прежнюю: ", true},
        {"--backup --port sim:" + memory.string() + ",fault=dropout:2000", "Связь с прибором прервалась",
         " или восстановите прежнюю: ", true},
        {"--port sim:" + memory.string() + ",fault=dropout:2000", "Связь с прибором прервалась",
         "; последняя резервная копия этого прибора: ", false},
        // The standard timing reads back every byte too.
        {"--port sim:" + memory.string() + ",timing=standard,fault=readonly:" + std::to_string(first),
         "Проверка записи не прошла: байт по адресу " + std::to_string(first),
         "; последняя резервная копия этого прибора: ", false},
    };
    for (const auto& f : faults) {
      const Result r = ctl("write -q " + f.args + " " + path("d.tkv88"));
      EXPECT_EQ(r.status, 1) << f.args;
      EXPECT_EQ(r.err.find("tkv88ctl write: " + f.error), 0u) << r.err;
      EXPECT_NE(r.err.find("смесь прежней и новой конфигурации: запишите её снова" + f.remedy +
                           "\"tkv88ctl write --changed " + store),
                std::string::npos)
          << r.err;
      if (f.backup) ++kept;
      EXPECT_EQ(backups(), kept) << f.args;
      std::ofstream(memory, std::ios::binary) << before;  // the controller as it was
    }
  }
  if (std::string(GetParam()) == "ch341-sim:") {
    // The USB adapter pulled out in the middle of a full write.
    const Result r =
        ctl("write -q --port ch341-sim:" + memory.string() + ",fault=unplug:40 " + path("d.tkv88"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(
        r.err.find(
            "tkv88ctl write: Связь с прибором прервалась (адаптер CH341A отключён) (code 2); прибор может "
            "хранить смесь прежней и новой конфигурации"),
        0u)
        << r.err;
    std::ofstream(memory, std::ios::binary) << before;
  }
  EXPECT_EQ(backups(), kept);

  const Result changed = ctl("write --changed " + port + " " + path("d.tkv88"));
  ASSERT_EQ(changed.status, 0) << changed.err;
  EXPECT_NE(changed.err.find("that differed; verified"), std::string::npos) << changed.err;
  EXPECT_EQ(readFile(memory), expected);
  EXPECT_EQ(backups(), kept + 1);
  const Result again = ctl("write --changed --no-backup " + port + " " + path("d.tkv88"));
  EXPECT_NE(again.err.find("nothing written"), std::string::npos) << again.err;
  EXPECT_EQ(backups(), kept + 1);
}

// A failed write names a backup of the controller it was writing: the one
// kept for it, else the newest read through the same port (whatever its
// options), never another controller's, and says so when there is none.
TEST_P(CtlDeviceCommands, AFailedWriteNamesOnlyABackupOfItsOwnController) {
  const std::string other = "--port " + std::string(GetParam()) + path("other.bin");
  ASSERT_EQ(ctl("read -q " + other + " -o " + path("c.tkv88")).status, 0);
  ASSERT_EQ(ctl("set " + path("c.tkv88") + " -o " + path("d.tkv88") + " L2:O09=5").status, 0);
  ASSERT_EQ(ctl("dump -q " + port + " -o " + path("m.bin")).status, 0);  // keeps no backup
  ASSERT_EQ(
      ctl("image --base " + memory.string() + " -o " + path("expected.bin") + " " + path("d.tkv88")).status,
      0);
  const std::string expected = readFile(path("expected.bin"));
  const BackupStore store((dir / "data/tkv88/backups").string());
  std::string ownBackup;

  const struct {
    const char* what;
    std::string reads;   // commands run first
    std::string remedy;  // what the failed write's message ends with
  } cases[] = {
      {"only another controller's backup", "", "; резервной копии конфигурации этого прибора нет"},
      {"its own backup, another controller's newer", "read -q " + port + "|read -q " + other,
       "; последняя резервная копия этого прибора: \"tkv88ctl write --changed OWN\""},
  };
  for (const auto& c : cases) {
    std::string reads = c.reads;
    for (std::size_t at = 0; !reads.empty();) {
      const std::size_t bar = reads.find('|', at);
      const std::string command = reads.substr(0, bar);
      ASSERT_EQ(ctl(command + " -o " + path("r.tkv88")).status, 0) << command;
      if (command.find(port) != std::string::npos) ownBackup = store.newest();
      reads = bar == std::string::npos ? "" : reads.substr(bar + 1);
    }
    std::size_t first = 0;
    const std::string now = readFile(memory.string());
    while (now[first] == expected[first]) ++first;
    // A byte the memory does not keep, or (the CH341A) one it does not acknowledge.
    const std::string fault = std::string(GetParam()) == "ch341-sim:" ? ",fault=nack:" : ",fault=readonly:";
    const Result r = ctl("write -q " + port + fault + std::to_string(first) + " " + path("d.tkv88"));
    EXPECT_EQ(r.status, 1) << c.what;
    std::string remedy = c.remedy;
    if (const auto at = remedy.find("OWN"); at != std::string::npos) remedy.replace(at, 3, ownBackup);
    EXPECT_NE(r.err.find("смесь прежней и новой конфигурации: запишите её снова" + remedy + "\n"),
              std::string::npos)
        << c.what << ": " << r.err;
    std::ofstream(memory, std::ios::binary) << now;  // the controller as it was
  }
}

// Outputs are checked before the controller is read, and the notes and
// failures say precisely what happened.
TEST_P(CtlDeviceCommands, OutputsAreCheckedFirstAndTextsSayWhatHappened) {
  fs::create_directory(dir / "folder");
  std::mt19937 rng(3);
  DeviceData one = randomConfig(rng, 2, 1);
  one.programs.front().H02.setValueQuiet(1);  // a cycle start the program has: the write says nothing else
  std::ofstream(path("one.tkv88"), std::ios::binary) << configfile::write(one);
  const std::string trace = std::string(GetParam()) == "sim:" ? ",trace=" + path("t.vcd") : "";
  const struct {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"read " + port + trace + " -o " + path("folder"), 1,
       "tkv88ctl read: не удаётся записать \"" + path("folder") + "\": это папка, а не файл\n"},
      {"dump " + port + trace + " -o " + path("folder"), 1,
       "tkv88ctl dump: не удаётся записать \"" + path("folder") + "\": это папка, а не файл\n"},
      {"write --no-backup " + port + " " + path("one.tkv88"), 0, "wrote 1 program\n"},
  };
  for (const auto& c : cases) {
    const Result r = ctl(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err, c.says) << c.args;
  }
  EXPECT_EQ(backups(), 0u) << "nothing was read";
  EXPECT_FALSE(fs::exists(path("t.vcd"))) << "the port was never opened";
  if (std::string(GetParam()) != "sim:") return;

  // The controller falls silent right after what a plain write needs:
  // --verify checks the configuration from what the write read back and
  // needs not a byte more.
  auto verified = [&](int bytes) {
    return ctl("write -q --no-backup --verify " + port + ",fault=dropout:" + std::to_string(bytes) + " " +
               path("one.tkv88"));
  };
  int fails = 0, passes = 1 << 20;
  while (passes - fails > 1) {
    const int middle = (fails + passes) / 2;
    (ctl("write -q --no-backup " + port + ",fault=dropout:" + std::to_string(middle) + " " +
         path("one.tkv88"))
                 .status == 0
         ? passes
         : fails) = middle;
  }
  const Result r = verified(passes);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(verified(fails).status, 1);
}

// The controller keeps no names: a read gives back those the last write
// gave, the configuration's (the file's) too; --no-names leaves them
// "Считанная", as it does the partition's empty slots.
TEST_P(CtlDeviceCommands, AReadGivesBackTheNamesOfTheLastWrite) {
  std::mt19937 rng(23);
  DeviceData config = randomConfig(rng, 2, 3);
  int n = 0;
  for (Program& p : config.programs) p.setName("Сушка " + std::to_string(++n));
  std::ofstream(path("named.tkv88"), std::ios::binary) << configfile::write(config);
  ASSERT_EQ(ctl("write -q --no-backup " + port + " " + path("named.tkv88")).status, 0);
  for (const bool names : {true, false}) {
    const Result read = ctl(std::string("read --no-backup ") + (names ? "" : "--no-names ") + port);
    ASSERT_EQ(read.status, 0) << read.err;
    const std::unique_ptr<DeviceData> got = configfile::read(read.out);
    ASSERT_EQ(got->programCount(), 20);
    EXPECT_EQ(got->programAt(0)->name(), names ? "Сушка 1" : "Считанная");
    EXPECT_EQ(got->programAt(2)->name(), names ? "Сушка 3" : "Считанная");
    EXPECT_EQ(got->programAt(3)->name(), "Считанная");
    EXPECT_EQ(got->name(), names ? "named.tkv88" : "");
    EXPECT_EQ(read.err.find("names given back: 3 programs") != std::string::npos, names) << read.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Adapters, CtlDeviceCommands, testing::Values("sim:", "i2c-sim:", "ch341-sim:"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           const std::string param = info.param;
                           return param == "sim:" ? "ParallelPort" : param == "i2c-sim:" ? "I2c" : "Ch341";
                         });
