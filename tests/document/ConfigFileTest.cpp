// The configuration file: the writer's exact layout, the reader's rules,
// round trips and the file access that must never lose a file.
#include "document/ConfigFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "document/Document.h"
#include "model/Cp1251.h"
#include "model/SetpointPair.h"
#include "tests/document/TestConfigs.h"

namespace fs = std::filesystem;

namespace {

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// A fresh directory under the system's temporary directory, removed after.
class TempDir {
 public:
  TempDir() {
    std::string templ = (fs::temp_directory_path() / "tkv88docXXXXXX").string();
    m_path = ::mkdtemp(templ.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(m_path, ec);
  }
  const fs::path& path() const { return m_path; }
  fs::path operator/(const char* name) const { return m_path / name; }
  std::vector<std::string> names() const {
    std::vector<std::string> list;
    for (const auto& e : fs::directory_iterator(m_path)) list.push_back(e.path().filename().string());
    std::sort(list.begin(), list.end());
    return list;
  }

 private:
  fs::path m_path;
};

std::unique_ptr<DeviceData> load(std::string_view text) { return configfile::read(text); }

const std::string& golden() {
  static const std::string bytes = readBytes(TKV88_TEST_DATA_DIR "/new_document.tkv88");
  return bytes;
}

}  // namespace

// ---- Writer ----------------------------------------------------------------

TEST(ConfigFileWriter, NewDocumentSavesExactlyAsTheGoldenFile) {
  ASSERT_FALSE(golden().empty());
  Document doc;
  doc.newDocument();
  EXPECT_EQ(doc.text(), golden());

  TempDir dir;
  doc.saveFile((dir / "new.tkv88").string());
  EXPECT_EQ(readBytes(dir / "new.tkv88"), golden());
}

TEST(ConfigFileWriter, StepsFollowTheCycleStartInTheirOrder) {
  DeviceData d;
  Program& p = d.programs.emplace_back();
  p.H02.setValue(2);
  p.steps.emplace_back();
  Step& second = p.steps.emplace_back();
  second[Step::N08].setValue(7);
  second[Step::E_05].setValue(0);
  const std::string text = configfile::write(d);
  const std::string expected =
      "StartStep=2\n"
      "\n[step]\nnumber=1\nU01=2\nU02=1\nU03=80\nU04=2\nU05=15\n"
      "N01=0\nN02=0\nN03=0\nN04=0\nN05=0\nN06=0\nN07=0\nN08=0\n"
      "E01=1\nE02=10\nE03=2\nE04=45\nE05=1\nE.01=1\nE.02=10\nE.03=2\nE.04=45\nE.05=1\n"
      "\n[step]\nnumber=2\nU01=2\nU02=1\nU03=80\nU04=2\nU05=15\n"
      "N01=0\nN02=0\nN03=0\nN04=0\nN05=0\nN06=0\nN07=0\nN08=7\n"
      "E01=1\nE02=10\nE03=2\nE04=45\nE05=1\nE.01=1\nE.02=10\nE.03=2\nE.04=45\nE.05=0\n";
  ASSERT_GE(text.size(), expected.size());
  EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
  EXPECT_NE(text.find("\n[Programs]\namount=1\n\n[Program]\nname="), std::string::npos);
}

TEST(ConfigFileWriter, LineBreaksInNamesCannotInjectLines) {
  DeviceData d;
  d.setName("a\nb");
  d.programs.emplace_back().setName("x\n[Program]\r\nname=y");
  const auto back = load(configfile::write(d));
  EXPECT_EQ(back->name(), "a b");
  ASSERT_EQ(back->programCount(), 1);
  EXPECT_EQ(back->programs.front().name(), "x [Program]  name=y");
}

// ---- Reader ----------------------------------------------------------------

TEST(ConfigFileReader, NumbersReadLikeAtoiAndClampToTheLimits) {
  const struct {
    const char* text;
    int32_t c03;
  } cases[] = {
      {"-15", -15},         {"2000", 999},         {"abc", 0},   {"  42xyz", 42}, {"+7", 7}, {"", 0},
      {"99999999999", 999}, {"-99999999999", -99}, {"\t-3", -3}, {"- 3", 0},
  };
  for (const auto& c : cases) {
    const auto d = load(std::string("[Program]\n[Comparator2]\nC03=") + c.text + "\n");
    ASSERT_EQ(d->programCount(), 1);
    EXPECT_EQ(d->programs.front().comparators[1][Comparator::C03].value(), c.c03) << c.text;
    EXPECT_EQ(d->programs.front().comparators[0][Comparator::C03].value(), -15) << c.text;
  }
}

TEST(ConfigFileReader, KeysAndHeadersMatchExactly) {
  configfile::ReadReport report;
  const auto d =
      configfile::read("O01 = 2\n O02=0\nO03 =0\nO04= 5\nScr=1\nscr=2\nDeviceDataName=a=b  c=\n", &report);
  const BaseParameters& b = d->general.base;
  EXPECT_EQ(b[BaseParameters::O01].value(), 0);
  EXPECT_EQ(b[BaseParameters::O02].value(), 1);
  EXPECT_EQ(b[BaseParameters::O03].value(), 1);
  EXPECT_EQ(b[BaseParameters::O04].value(), 5);  // blanks after "=" belong to the number
  EXPECT_EQ(b[BaseParameters::Scr].value(), 1);
  EXPECT_EQ(d->programCount(), 0);
  EXPECT_EQ(d->name(), "a=b  c=");
  // Keys that match nothing are skipped, each with a word.
  std::vector<std::string> notes;
  for (const configfile::FileNote& n : report.notes) notes.push_back(n.message());
  EXPECT_EQ(notes, (std::vector<std::string>{"строка 1: неизвестный параметр «O01 » пропущен",
                                             "строка 2: неизвестный параметр « O02» пропущен",
                                             "строка 3: неизвестный параметр «O03 » пропущен",
                                             "строка 6: неизвестный параметр «scr» пропущен"}));
}

// Whatever ends the lines (a Windows editor, an old Macintosh one, a
// text-mode copy that made CR CR LF of CR LF), the file reads the same.
TEST(ConfigFileReader, EveryLineEndReadsTheSame) {
  for (const char* end : {"\r\n", "\r", "\r\r\n", "\r\r\r\n"}) {
    std::string text;
    for (char c : golden()) text += c == '\n' ? std::string(end) : std::string(1, c);
    configfile::ReadReport report;
    EXPECT_EQ(configfile::write(*configfile::read(text, &report)), golden()) << testing::PrintToString(end);
    EXPECT_TRUE(report.notes.empty()) << testing::PrintToString(end);
  }
  // A stray CR ends a line too.
  const auto stray = load("O09=5\rO11=1\n[Program]\r\rname=p\r\n");
  EXPECT_EQ(stray->general.base[BaseParameters::O09].value(), 5);
  EXPECT_EQ(stray->general.base[BaseParameters::O11].value(), 1);
  ASSERT_EQ(stray->programCount(), 1);
  EXPECT_EQ(stray->programs.front().name(), "p");

  const auto d = load("DeviceDataName=x\r\n[Program]\r\nname=last");
  EXPECT_EQ(d->name(), "x");
  ASSERT_EQ(d->programCount(), 1);
  EXPECT_EQ(d->programs.front().name(), "last");
}

TEST(ConfigFileReader, NamesKeepEverythingAfterTheFirstEqualsAndAreCutAt63) {
  const std::string longName(70, 'n');
  const auto d = load("DeviceDataName=" + longName + "\n[Program]\nname= =x= \n");
  EXPECT_EQ(d->name(), std::string(63, 'n'));
  EXPECT_EQ(d->programs.front().name(), " =x= ");
}

TEST(ConfigFileReader, ProgramsAndStepsAreKeptBeyondThePartition) {
  std::string text = "O10=2\n";
  for (int p = 0; p < 25; ++p) text += "[Program]\n";
  text += "[Program]\n";
  for (int s = 0; s < 30; ++s) text += "[step]\n";
  const auto d = load(text);
  EXPECT_EQ(d->general.programCount(), 20);
  ASSERT_EQ(d->programCount(), 26);
  EXPECT_EQ(d->programs.back().stepCount(), 30);
}

TEST(ConfigFileReader, CycleStartAndKeyModesAreStoredUnchecked) {
  const auto d = load("[Program]\nStartStep=150\n[step]\nN03=20\nN04=-5\nU01=9\n");
  const Program& p = d->programs.front();
  EXPECT_EQ(p.H02.value(), 150);
  const Step& s = p.steps.front();
  EXPECT_EQ(s[Step::N03].value(), 20);
  EXPECT_EQ(s[Step::N04].value(), -5);
  EXPECT_EQ(s[Step::U01].value(), 3);  // clamped like any other cell
}

TEST(ConfigFileReader, InputsSelectTheLimitsAndKeepTheValuesRead) {
  const auto d =
      load("[Program]\n[Comparator1]\nC01=5\nC03=150\n[step]\nU02=9\nU03=500\nE.01=5\nE.02=150\nE.03=2\n");
  const Program& p = d->programs.front();
  EXPECT_EQ(p.comparators[0][Comparator::C03].value(), 150);
  EXPECT_EQ(p.comparators[0][Comparator::C03].maxValue(), 99);
  const Step& s = p.steps.front();
  EXPECT_EQ(s[Step::U03].value(), 500);
  EXPECT_EQ(s[Step::U03].maxValue(), 100);
  EXPECT_DOUBLE_EQ(pairValue(s[Step::E_02], s[Step::E_03]), 150.2);
  EXPECT_EQ(s[Step::E_02].maxValue(), 99);
  EXPECT_EQ(s[Step::E02].maxValue(), 999);
}

TEST(ConfigFileReader, GeneralKeysCountAnywhereAndCountsMeanNothing) {
  auto d = load("[Program]\n[Comparator2]\nC01=5\nO09=5\n[step]\nD01=9\nU01=0\n");
  ASSERT_EQ(d->programCount(), 1);
  const Program& p = d->programs.front();
  EXPECT_EQ(p.comparators[1][Comparator::C01].value(), 5);
  EXPECT_EQ(p.steps.front()[Step::U01].value(), 0);
  EXPECT_EQ(d->general.base[BaseParameters::O09].value(), 5);
  EXPECT_EQ(d->general.filters[0].value(), 9);

  // "amount" and "number" mean nothing.
  d = load("[Programs]\namount=7\n[Program]\n[step]\nnumber=9\n");
  EXPECT_EQ(d->programCount(), 1);
  EXPECT_EQ(d->programs.front().stepCount(), 1);
}

TEST(ConfigFileReader, CurrentComparatorCarriesOverProgramsButNotLoads) {
  // Within one load "[Program]" keeps the comparator of the last header.
  auto d = load("[Program]\n[Comparator3]\nC09=1\n[Program]\nC09=2\n");
  EXPECT_EQ(d->programs.back().comparators[2][Comparator::C09].value(), 2);
  EXPECT_EQ(d->programs.back().comparators[0][Comparator::C09].value(), 12);

  // Every load starts at comparator 1, whatever the previous load ended on.
  load("[Program]\n[Comparator4]\n");
  d = load("[Program]\nC09=3\n");
  EXPECT_EQ(d->programs.front().comparators[0][Comparator::C09].value(), 3);
  EXPECT_EQ(d->programs.front().comparators[3][Comparator::C09].value(), 12);
}

TEST(ConfigFileReader, UnrecognisedInputGivesAnEmptyConfiguration) {
  for (const std::string& text :
       {std::string(), std::string("garbage\n\n=\nFoo=1\n[Keys]\n"), std::string(5000, '\0')}) {
    configfile::ReadReport report;
    report.recognisedLines = -1;
    const auto d = configfile::read(text, &report);
    EXPECT_EQ(d->name(), "");
    EXPECT_EQ(d->programCount(), 0);
    EXPECT_EQ(configfile::write(*d), configfile::write(DeviceData()));
    EXPECT_EQ(report.recognisedLines, 0);
  }
  configfile::ReadReport report;
  configfile::read("Foo=3\n[BaseParams]\nO10=5\n[Program]\nnumber=2\n", &report);
  EXPECT_EQ(report.recognisedLines, 2);
}

TEST(ConfigFileReader, FilesBeyondAnyConfigurationAreRefused) {
  std::string programs;
  for (int i = 0; i <= configfile::kMaxPrograms; ++i) programs += "[Program]\n";
  EXPECT_THROW(load(programs), configfile::FormatError);
  std::string steps = "[Program]\n";
  for (int i = 0; i <= configfile::kMaxSteps; ++i) steps += "[step]\n";
  EXPECT_THROW(load(steps), configfile::FormatError);
}

// A file whose structure the reader cannot follow is refused, naming the
// line, rather than loaded as something else.
TEST(ConfigFileReader, LinesThatCannotBePlacedRefuseTheFile) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"[step]\nU04=5\n[Program]\n", "строка 1: шаг [step] стоит раньше первой программы [Program]"},
      {"DeviceDataName=x\n\n[program]\n", "строка 3: неизвестный раздел «[program]»"},
      {"[Program] \n", "строка 1: неизвестный раздел «[Program] »"},
      {"[Program]\n\t[Program]\n", "строка 2: неизвестный раздел «?[Program]»"},
      {"[Program]\n[Comparator5]\n", "строка 2: неизвестный раздел «[Comparator5]»"},
      {"[Comparator1]\nC01=2\n", "строка 1: раздел [Comparator1] стоит раньше первой программы [Program]"},
      {"O10=2\nC01=3\n", "строка 2: параметр «C01» стоит раньше первой программы [Program]"},
      {"name=x\n", "строка 1: параметр «name» стоит раньше первой программы [Program]"},
      {"StartStep=2\n", "строка 1: параметр «StartStep» стоит раньше первой программы [Program]"},
      {"[Program]\n[step]\n[Program]\nU01=0\n",
       "строка 4: параметр «U01» стоит раньше первого шага [step] своей программы"},
      {"[Program]\r\rN01=3\r", "строка 3: параметр «N01» стоит раньше первого шага [step] своей программы"},
  };
  for (const auto& c : cases) {
    try {
      load(c.text);
      ADD_FAILURE() << c.text;
    } catch (const configfile::FormatError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.text;
    }
  }
}

// Every value loaded otherwise than the file has it is noted with its line:
// one that is no number (loaded as atoi reads it) or lies outside its
// limits (clamped, or kept where the loader keeps it). So is a cycle start
// beyond the program's steps.
TEST(ConfigFileReader, ValuesLoadedOtherwiseThanWrittenAreNoted) {
  const struct {
    const char* text;
    std::vector<std::string> notes;
    bool inDoubt;
  } cases[] = {
      {"O10=seven\n", {"строка 1: O10 = «seven» — не число; взято 0"}, true},
      {"O10=0x7\n", {"строка 1: O10 = «0x7» — не число; взято 0"}, true},
      {"O10=\n", {"строка 1: O10 = «» — не число; взято 0"}, true},
      {"O10=-1\n", {"строка 1: O10 = -1 — вне пределов 0…7; взято 0"}, true},
      {"O10=100\n", {"строка 1: O10 = 100 — вне пределов 0…7; взято 7"}, true},
      {"O10=99999999999\n", {"строка 1: O10 = 2147483647 — вне пределов 0…7; взято 7"}, true},
      {"O10= 5 \nO11=+1\n", {}, false},
      {"[Program]\n[Comparator1]\nC01=5\nC03=150\n",
       {"строка 4: C03 = 150 — вне пределов 0…99; взято 150"},
       true},
      {"[Program]\n[step]\nN03=20\nU01=9\nE04=4.5\n",
       {"строка 3: N03 = 20 — вне пределов 0…15; взято 20", "строка 4: U01 = 9 — вне пределов 0…3; взято 3",
        "строка 5: E04 = «4.5» — не число; взято 4"},
       true},
      {"[Program]\nStartStep=150\n", {"строка 2: StartStep = 150 — вне пределов 0…99; взято 150"}, true},
      {"[Program]\nStartStep=3\n[step]\n[step]\n",
       {"строка 2: StartStep = 3: в программе шагов 2, такого шага нет"},
       false},
      {"[Program]\nStartStep=2\n[step]\n[step]\n[Program]\nStartStep=1\n[Program]\nStartStep=0\n[step]\n",
       {},
       false},
      {"[Program]\nx\nFoo=1\n",
       {"строка 2: строка не распознана и пропущена: «x»", "строка 3: неизвестный параметр «Foo» пропущен"},
       false},
  };
  for (const auto& c : cases) {
    configfile::ReadReport report;
    configfile::read(c.text, &report);
    std::vector<std::string> notes;
    for (const configfile::FileNote& n : report.notes) notes.push_back(n.message());
    EXPECT_EQ(notes, c.notes) << c.text;
    EXPECT_EQ(configfile::valuesInDoubt(report.notes), c.inDoubt) << c.text;
  }
}

// A file in UTF-8 (what an editor may make of it), with or without a
// byte-order mark, reads as the same file in Windows-1251; names that
// Windows-1251 cannot hold are noted.
TEST(ConfigFileReader, Utf8FilesReadAsTheirWindows1251Selves) {
  const std::string utf8 = cp1251::toUtf8(golden());
  ASSERT_NE(utf8, golden());
  for (const std::string& text : {utf8, "\xEF\xBB\xBF" + utf8, "\xEF\xBB\xBF" + golden()}) {
    configfile::ReadReport report;
    const auto d = configfile::read(text, &report);
    EXPECT_EQ(d->name(), "Новая прошивка");
    EXPECT_EQ(configfile::write(*d), golden());
    EXPECT_TRUE(report.notes.empty());
  }
  configfile::ReadReport report;
  const auto d = configfile::read("DeviceDataName=Камера → 2\n", &report);
  EXPECT_EQ(d->name(), "Камера → 2");
  ASSERT_EQ(report.notes.size(), 1u);
  EXPECT_EQ(report.notes[0].message(),
            "строка 1: в названии «Камера → 2» есть знаки, которых нет в кодировке файла (Windows-1251): при "
            "сохранении они станут «?»");
  EXPECT_FALSE(configfile::valuesInDoubt(report.notes));
}

// ---- Round trips -----------------------------------------------------------

TEST(ConfigFileRoundTrip, RandomConfigurationsComeBackWhole) {
  std::mt19937 rng(20240607);
  const struct { int programs, steps; } shapes[] = {{0, 0}, {1, 1}, {20, 25}, {60, 7}, {5, 99}, {25, 3}};
  for (const auto& shape : shapes) {
    for (int round = 0; round < 3; ++round) {
      const DeviceData d = testconfigs::randomConfig(rng, shape.programs, shape.steps);
      const std::string text = configfile::write(d);
      configfile::ReadReport report;
      const auto back = configfile::read(text, &report);
      SCOPED_TRACE(testing::Message() << shape.programs << "x" << shape.steps << " round " << round);
      testconfigs::expectSameConfig(d, *back);
      EXPECT_EQ(configfile::write(*back), text);
      // The writer writes numbers; random values may lie outside the limits
      // their inputs choose, and StartStep and N03 anywhere.
      for (const configfile::FileNote& n : report.notes)
        EXPECT_TRUE(
            n.kind == configfile::FileNote::CycleStart ||
            (n.kind == configfile::FileNote::BadValue && n.text.find("вне пределов") != std::string::npos))
            << n.message();
    }
  }
}

// The file is Windows-1251 and the program UTF-8: names and descriptions
// arrive as UTF-8, and a save gives back every byte, those beyond the
// Cyrillic letters (and 0x98, which the code page leaves undefined) too.
TEST(ConfigFileRoundTrip, Windows1251NamesComeInAsUtf8AndGoOutByteForByte) {
  TempDir dir;
  std::string every;  // every byte a name line can hold, 224 of them: four names of up to 63
  for (int b = 0x20; b < 0x100; ++b) every += static_cast<char>(b);
  const std::string named = "DeviceDataName=" + cp1251::fromUtf8("Камера №2 «Север» — ёЁ") + "\n";
  std::string text = golden();
  text.replace(0, text.find('\n') + 1, named);
  for (std::size_t at = 0, k = 0; k < every.size(); k += 63) {
    at = text.find("\nname=", at) + 6;
    const std::size_t end = text.find('\n', at);
    text.replace(at, end - at, every.substr(k, 63));
  }
  writeBytes(dir / "in.tkv88", text);

  Document doc;
  doc.openFile((dir / "in.tkv88").string());
  const DeviceData& d = *doc.deviceData();
  EXPECT_EQ(d.name(), "Камера №2 «Север» — ёЁ");
  EXPECT_EQ(d.programs.front().name(), cp1251::toUtf8(every.substr(0, 63)));
  EXPECT_EQ(d.programs.back().name(), "Новая программа");
  EXPECT_EQ(d.programs.front().H02.description(), "Начальный шаг цикла");
  EXPECT_EQ(d.general.base[BaseParameters::O10].description(), "Тип разбиения памяти на программы и шаги");
  doc.saveFile((dir / "out.tkv88").string());
  EXPECT_EQ(readBytes(dir / "out.tkv88"), text);
}

// ---- Loader fuzz -----------------------------------------------------------

// Seeded random mutations of real files: whatever the loader makes of them
// must save, and the saved text must load back to itself.
TEST(ConfigFileFuzz, MutatedFilesLoadAndSettle) {
  std::mt19937 rng(777);
  const std::vector<std::string> seeds = {golden(), configfile::write(testconfigs::randomConfig(rng, 4, 5)),
                                          configfile::write(testconfigs::randomConfig(rng, 2, 30))};
  const std::vector<std::string> tokens = {"[Program]\n",
                                           "[step]\n",
                                           "[Comparator1]\n",
                                           "[Comparator4]\n",
                                           "[Comparator5]\n",
                                           "StartStep=",
                                           "name=",
                                           "N01=",
                                           "C03=",
                                           "O10=",
                                           "\r\n",
                                           "\n",
                                           "=",
                                           "-",
                                           "99999999999",
                                           "\xff\xfe",
                                           std::string(1, '\0')};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  int iterations = 0;
  while (iterations < 20 || (std::chrono::steady_clock::now() < deadline && iterations < 20000)) {
    std::string text = seeds[rng() % seeds.size()];
    const int mutations = 1 + static_cast<int>(rng() % 8);
    for (int m = 0; m < mutations && !text.empty(); ++m) {
      const std::size_t at = rng() % text.size();
      switch (rng() % 5) {
        case 0:
          text[at] = static_cast<char>(rng());
          break;
        case 1:
          text.insert(at, tokens[rng() % tokens.size()]);
          break;
        case 2:
          text.erase(at, rng() % 200);
          break;
        case 3:
          text.insert(at, text.substr(rng() % text.size(), rng() % 400));
          break;
        case 4:
          text.resize(at);
          break;
      }
    }
    std::unique_ptr<DeviceData> d;
    try {
      d = load(text);
    } catch (const configfile::FormatError&) {
      ++iterations;
      continue;
    }
    const std::string saved = configfile::write(*d);
    const std::string again = configfile::write(*load(saved));
    ASSERT_EQ(again, saved) << "input #" << iterations;
    ++iterations;
  }
  RecordProperty("iterations", iterations);
}

// ---- Files -----------------------------------------------------------------

TEST(ConfigFileAccess, ReadFailuresCarryTheSystemsReason) {
  TempDir dir;
  const struct {
    fs::path path;
    const char* reason;
  } cases[] = {
      {dir / "missing.tkv88", "нет такого файла или папки"},
      {dir.path(), "это папка, а не файл"},
  };
  for (const auto& c : cases) {
    try {
      configfile::readFile(c.path.string());
      ADD_FAILURE() << c.path;
    } catch (const configfile::FileError& e) {
      EXPECT_EQ(e.direction(), configfile::FileError::Direction::Read);
      EXPECT_EQ(e.reason(), c.reason);
      EXPECT_EQ(e.path(), c.path.string());
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos);
    }
  }
  // Too large: refused before anything is read.
  const fs::path big = dir / "big.tkv88";
  writeBytes(big, "");
  fs::resize_file(big, configfile::kMaxFileSize + 1);
  EXPECT_THROW(configfile::readFile(big.string()), configfile::FileError);
}

TEST(ConfigFileAccess, AFailedOpenLeavesTheDocumentAsItWas) {
  TempDir dir;
  Document doc;
  doc.newDocument();
  doc.deviceData()->programs.front().setName("kept");
  const std::string before = doc.text();
  const DeviceData* data = doc.deviceData();

  EXPECT_THROW(doc.openFile((dir / "missing.tkv88").string()), configfile::FileError);
  std::string many;
  for (int i = 0; i <= configfile::kMaxPrograms; ++i) many += "[Program]\n";
  writeBytes(dir / "many.tkv88", many);
  EXPECT_THROW(doc.openFile((dir / "many.tkv88").string()), configfile::FileError);
  // Not one line of a configuration: opening it would turn it into one on the next save.
  writeBytes(dir / "picture.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
  writeBytes(dir / "empty.tkv88", "");
  for (const char* name : {"picture.png", "empty.tkv88"}) {
    try {
      doc.openFile((dir / name).string());
      ADD_FAILURE() << name;
    } catch (const configfile::FileError& e) {
      EXPECT_NE(e.reason().find("не файл конфигурации"), std::string::npos) << e.reason();
    }
  }

  EXPECT_EQ(doc.deviceData(), data);
  EXPECT_EQ(doc.text(), before);
  EXPECT_EQ(doc.pathName(), "");
  EXPECT_EQ(doc.title(), "Новая прошивка");

  // A file's name becomes the title.
  const fs::path dried = dir / "Сушка.tkv88";
  writeBytes(dried, before);
  doc.openFile(dried.string());
  EXPECT_EQ(doc.title(), "Сушка.tkv88");
  doc.saveFile((dir / "Копия.tkv88").string());
  EXPECT_EQ(doc.title(), "Копия.tkv88");
}

// What saveFile refuses and keeps is tested with it (tests/model); here
// only that the file format's error carries it.
TEST(ConfigFileAccess, WriteFailuresCarryTheReasonAndKeepWhatWasThere) {
  TempDir dir;
  fs::create_directory(dir / "sub.tkv88");
  try {
    configfile::writeFile((dir / "sub.tkv88").string(), "data");
    ADD_FAILURE() << "a folder was replaced";
  } catch (const configfile::FileError& e) {
    EXPECT_EQ(e.direction(), configfile::FileError::Direction::Write);
    EXPECT_EQ(e.reason(), "это папка, а не файл");
  }
  EXPECT_EQ(dir.names(), std::vector<std::string>{"sub.tkv88"});
}
