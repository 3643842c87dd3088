// The names the controller forgets: remembered by program content, given
// back after a read, the configuration's only when every program matches
// the last one written through that port; bounded; a damaged store only
// warns.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "document/NameStore.h"
#include "model/DeviceData.h"
#include "support/RandomConfig.h"
#include "support/TempDir.h"

namespace {

const NameStore::PortMatch kSim = [](const std::string& port) { return port == "sim:/c.bin"; };

// Three programs named "P1".., the configuration "Цех".
DeviceData named(int seed) {
  std::mt19937 rng(static_cast<unsigned>(seed));
  DeviceData d = randomConfig(rng, 2, 3);
  int i = 0;
  for (Program& p : d.programs) p.setName("P" + std::to_string(++i));
  d.setName("Цех");
  return d;
}

// What a read brings: the same values, no names.
DeviceData readBack(const DeviceData& written) {
  DeviceData read = written;
  read.setName("");
  for (Program& p : read.programs) p.setName("Считанная");
  return read;
}

std::vector<std::string> names(const DeviceData& d) {
  std::vector<std::string> out;
  for (const Program& p : d.programs) out.emplace_back(p.name());
  return out;
}

}  // namespace

TEST(NameStore, AKeyChangesWithEveryPartOfAProgram) {
  std::mt19937 rng(5);
  const Program base = randomProgram(rng, 3);
  struct Case {
    const char* what;
    void (*edit)(Program&);
  } cases[] = {
      {"a step more", [](Program& p) { p.steps.push_back(p.steps.back()); }},
      {"a step fewer", [](Program& p) { p.steps.pop_back(); }},
      {"the cycle start", [](Program& p) { p.H02.valueRef() = p.H02.value() == 1 ? 2 : 1; }},
      {"a comparator", [](Program& p) { p.comparators[3].cells[9].valueRef() ^= 1; }},
      {"the last step's last value",
       [](Program& p) { p.steps.back().cells[Step::kCellCount - 1].valueRef() ^= 1; }},
  };
  EXPECT_EQ(programKey(base), programKey(Program(base)));
  Program renamed = base;
  renamed.setName("другое");
  EXPECT_EQ(programKey(renamed), programKey(base));  // the name is no part of it
  for (const Case& c : cases) {
    Program edited = base;
    c.edit(edited);
    EXPECT_NE(programKey(edited), programKey(base)) << c.what;
  }
}

TEST(NameStore, AReadGetsBackTheNamesWrittenAndOnlyThose) {
  TempDir temp;
  const NameStore store((temp / "tkv88/names.txt").string());  // the folder is made
  const DeviceData written = named(1);
  ASSERT_EQ(store.remember(written, written, "Цех", "sim:/c.bin"), "");

  struct Case {
    const char* what;
    NameStore::PortMatch port;
    bool editSecond;
    std::vector<std::string> names;
    bool configuration;
  } cases[] = {
      {"the same controller", kSim, false, {"P1", "P2", "P3"}, true},
      {"another port: programs only", [](const std::string&) { return false; }, false, {"P1", "P2", "P3"}, false},
      {"an edited program", kSim, true, {"P1", "Считанная", "P3"}, false},
  };
  for (const Case& c : cases) {
    DeviceData read = readBack(written);
    if (c.editSecond) read.programAt(1)->steps.front().cells[0].valueRef() ^= 1;
    const RestoredNames r = store.restore(read, c.port);
    EXPECT_EQ(names(read), c.names) << c.what;
    EXPECT_EQ(r.configuration, c.configuration) << c.what;
    EXPECT_EQ(read.name(), c.configuration ? "Цех" : "") << c.what;
    EXPECT_EQ(r.warning, "") << c.what;
    EXPECT_FALSE(read.programAt(0)->nameRecord().empty()) << c.what;
    EXPECT_EQ(read.programAt(1)->nameRecord().empty(), c.editSecond) << c.what;
  }
}

TEST(NameStore, TwoProgramsWithOneContentKeepTheirNamesApartInTheirConfiguration) {
  TempDir temp;
  const NameStore store((temp / "names.txt").string());
  DeviceData written = named(2);
  *written.programAt(2) = *written.programAt(0);
  written.programAt(2)->setName("P1 копия");
  ASSERT_EQ(store.remember(written, written, "Цех", "sim:/c.bin"), "");

  DeviceData read = readBack(written);
  store.restore(read, kSim);
  EXPECT_EQ(names(read), (std::vector<std::string>{"P1", "P2", "P1 копия"}));
  // Read elsewhere, each takes the newest name of its content.
  read = readBack(written);
  store.restore(read, nullptr);
  EXPECT_EQ(names(read), (std::vector<std::string>{"P1 копия", "P2", "P1 копия"}));
}

TEST(NameStore, TheOldestAreForgottenFirst) {
  TempDir temp;
  const NameStore store((temp / "names.txt").string(), 4);
  const DeviceData first = named(3), second = named(4);
  store.remember(first, first, "", "");  // a save: programs only
  store.remember(second, second, "", "");
  DeviceData read = readBack(first);
  store.restore(read, kSim);
  // Of six remembered, the newest four: the first save's last program only.
  EXPECT_EQ(names(read), (std::vector<std::string>{"Считанная", "Считанная", "P3"}));
  read = readBack(second);
  store.restore(read, kSim);
  EXPECT_EQ(names(read), (std::vector<std::string>{"P1", "P2", "P3"}));
}

TEST(NameStore, ADamagedStoreWarnsAndNeverFails) {
  TempDir temp;
  const std::string path = (temp / "names.txt").string();
  const NameStore store(path);
  const DeviceData written = named(5);
  ASSERT_EQ(store.remember(written, written, "Цех", "sim:/c.bin"), "");
  std::string good;
  {
    std::ifstream in(path);
    good.assign(std::istreambuf_iterator<char>(in), {});
  }
  struct Case {
    const char* what;
    std::string text;
    int restored;
    const char* warning;
  } cases[] = {
      {"garbage", "\x01\x02 not a store\n", 0, "повреждено"},
      {"a damaged line", good + "program\tzz\tx\n", 3, "пропущено повреждённых строк: 1"},
      {"empty", "", 0, "повреждено"},
  };
  for (const Case& c : cases) {
    std::ofstream(path, std::ios::binary) << c.text;
    DeviceData read = readBack(written);
    const RestoredNames r = store.restore(read, kSim);
    EXPECT_GE(r.programs, c.restored) << c.what;
    EXPECT_NE(r.warning.find(c.warning), std::string::npos) << c.what << ": " << r.warning;
    // Remembering writes a sound store again.
    EXPECT_EQ(store.remember(written, written, "Цех", "sim:/c.bin"), "") << c.what;
    read = readBack(written);
    EXPECT_EQ(store.restore(read, kSim).warning, "") << c.what;
    EXPECT_EQ(names(read), (std::vector<std::string>{"P1", "P2", "P3"})) << c.what;
  }
  // A store that cannot be written (its folder is a file) only says so.
  std::ofstream(temp / "file") << "x";
  EXPECT_NE(NameStore((temp / "file/names.txt").string()).remember(written, written, "", "").find("не запомнены"),
            std::string::npos);
}
