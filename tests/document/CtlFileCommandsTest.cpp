// tkv88ctl's file commands, run as the built program on real files.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "document/ConfigFile.h"
#include "document/Document.h"

namespace fs = std::filesystem;

namespace {

struct Result {
  int status;
  std::string out, err;
};

std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class CtlTest : public testing::Test {
 protected:
  CtlTest() {
    std::string templ = (fs::temp_directory_path() / "tkv88ctlXXXXXX").string();
    dir = ::mkdtemp(templ.data());
  }
  ~CtlTest() override { fs::remove_all(dir); }

  Result run(const std::vector<std::string>& args) {
    std::string cmd = quote(TKV88_BINARY_DIR "/apps/tkv88ctl/tkv88ctl");
    for (const std::string& a : args) cmd += " " + quote(a);
    cmd += " >" + quote((dir / "out").string()) + " 2>" + quote((dir / "err").string());
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(dir / "out"), slurp(dir / "err")};
  }
  std::string file(const char* name) const { return (dir / name).string(); }
  // The value column of one "list" row, or "" when there is none.
  static std::string listed(const std::string& listing, const std::string& scopeAndCode) {
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
      if (line.rfind(scopeAndCode + "\t", 0) == 0) {
        const std::string rest = line.substr(scopeAndCode.size() + 1);
        return rest.substr(0, rest.find('\t'));
      }
    return "";
  }

  fs::path dir;
};

}  // namespace

TEST_F(CtlTest, NewWritesTheNewDocument) {
  const std::string golden = slurp(TKV88_TEST_DATA_DIR "/new_document.tkv88");
  Result r = run({"new"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, golden);
  r = run({"new", "-o", file("n.tkv88")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(slurp(file("n.tkv88")), golden);
}

TEST_F(CtlTest, ListGivesEveryParameterInFullListOrder) {
  run({"new", "-o", file("n.tkv88")});
  run({"set", file("n.tkv88"), "P2:H01=1"});
  const Result r = run({"list", file("n.tkv88")});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  // 1 name line, per program a name line + H01 + H02 + 40 comparator rows,
  // 23 rows for the one step, 74 general parameters.
  ASSERT_EQ(lines.size(), 1u + 20 * 43 + 23 + 74);
  EXPECT_EQ(lines[0], "-\tDeviceDataName\tНовая прошивка");
  EXPECT_EQ(lines[1], "P1\tname\tНовая программа");
  EXPECT_EQ(lines[2], "P1\tH01\t0\tКоличество шагов в программе");
  EXPECT_EQ(lines[3], "P1\tH02\t1\tНачальный шаг цикла");
  EXPECT_EQ(lines[6], "P1.C1\tC03\t-15\t1-ая (верхняя) уставка");
  EXPECT_EQ(lines[1 + 43 + 43].substr(0, 10), "P2.S1\tU01\t");
  EXPECT_EQ(lines[1 + 43 + 43 + 5].substr(0, 10), "P2.S1\tN01\t");
  EXPECT_EQ(lines[1 + 43 + 43 + 13].substr(0, 10), "P2.S1\tE01\t");
  const std::size_t l2 = lines.size() - 74;
  EXPECT_EQ(lines[l2].substr(0, 7), "L2\tF02\t");
  EXPECT_EQ(lines[l2 + 1].substr(0, 8), "L2\tF.02\t");
  EXPECT_EQ(lines[l2 + 28].substr(0, 7), "L2\t1C1\t");
  EXPECT_EQ(lines[l2 + 40].substr(0, 7), "L2\tD01\t");
  EXPECT_EQ(lines[l2 + 46].substr(0, 7), "L2\tO01\t");
  EXPECT_EQ(lines[l2 + 57].substr(0, 7), "L2\tScr\t");
  EXPECT_EQ(lines[l2 + 58].substr(0, 7), "L2\tP01\t");
  EXPECT_EQ(lines.back().substr(0, 8), "L2\tP.08\t");
}

TEST_F(CtlTest, SetChangesValuesAsTheFullListWould) {
  run({"new", "-o", file("c.tkv88")});
  Result r = run({"set", file("c.tkv88"), "P1:H01=30", "P1:name=Сушка", "P1.C2:C03=2000", "P1.S3:U04=5",
                  "P1.S4:N02=99", "L2:O09=-4", "-:DeviceDataName=Камера 1", "P2:H02=0",
                  "P1.S1:U03=-99999999999", "P1.S2:U03=+99999999999"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string list = run({"list", file("c.tkv88")}).out;
  EXPECT_EQ(listed(list, "P1\tH01"), "25");  // at most the partition's steps
  EXPECT_EQ(listed(list, "P1\tname"), "Сушка");
  EXPECT_EQ(listed(list, "P1.C2\tC03"), "999");  // 2000 is clamped, not wrapped
  EXPECT_EQ(listed(list, "P1.S3\tU04"), "5");
  EXPECT_EQ(listed(list, "P1.S4\tN02"), "15");
  EXPECT_EQ(listed(list, "L2\tO09"), "0");
  EXPECT_EQ(listed(list, "-\tDeviceDataName"), "Камера 1");
  EXPECT_EQ(listed(list, "P2\tH02"), "0");
  EXPECT_EQ(listed(list, "P1.S1\tU03"), "-99");  // beyond 32 bits: clamped as well
  EXPECT_EQ(listed(list, "P1.S2\tU03"), "999");
  EXPECT_EQ(configfile::read(slurp(file("c.tkv88")))->name(), "Камера 1");

  // -o leaves the input alone.
  const std::string before = slurp(file("c.tkv88"));
  r = run({"set", file("c.tkv88"), "-o", file("d.tkv88"), "P1:H01=0"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(file("c.tkv88")), before);
  EXPECT_EQ(listed(run({"list", file("d.tkv88")}).out, "P1\tH01"), "0");
}

TEST_F(CtlTest, SetOfAnInputClampsItsDependentsAsTheFormsDo) {
  run({"new", "-o", file("c.tkv88")});
  // Setpoints typed for a temperature input, then the input turned to humidity.
  Result r = run({"set", file("c.tkv88"), "P1:H01=1", "P1.S1:E02=150", "P1.S1:E03=2", "P1.S1:E01=5",
                  "P1.C1:C03=149", "P1.C1:C01=5", "P1.C2:C03=149", "P1.C2:C01=1"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string list = run({"list", file("c.tkv88")}).out;
  EXPECT_EQ(listed(list, "P1.S1\tE02") + "." + listed(list, "P1.S1\tE03"), "99.9");  // as a whole number
  EXPECT_EQ(listed(list, "P1.C1\tC03"), "99");
  EXPECT_EQ(listed(list, "P1.C2\tC03"), "149");  // an input set to what it was brings nothing
}

TEST_F(CtlTest, BadCommandsFailWithOneLineAndChangeNothing) {
  run({"new", "-o", file("c.tkv88")});
  const std::string before = slurp(file("c.tkv88"));
  const struct {
    std::vector<std::string> args;
    int status;
  } cases[] = {
      {{"set", file("c.tkv88"), "P1:H02=abc"}, 2},
      {{"set", file("c.tkv88"), "P1:H02=+-5"}, 2},
      {{"set", file("c.tkv88"), "P1:H01=3", "P1:X01=1"}, 2},
      {{"set", file("c.tkv88"), "P1.C5:C01=1"}, 2},
      {{"set", file("c.tkv88"), "P1:name=a\nb"}, 2},
      {{"set", file("c.tkv88"), "P1:H01=3", "P21:H01=1"}, 1},
      {{"set", file("c.tkv88"), "P1.S1:U01=1"}, 1},
      {{"set", file("c.tkv88")}, 2},
      {{"list"}, 2},
      {{"list", file("missing.tkv88")}, 1},
      {{"normalize", file("c.tkv88"), "-o", file("no/dir/x.tkv88")}, 1},
      {{"normalize", file("c.tkv88"), "-o", ""}, 2},
      {{"set", file("c.tkv88"), "--output=", "P1:H01=3"}, 2},
      {{"new", "extra"}, 2},
      {{"frobnicate"}, 2},
      {{"profile", file("c.tkv88")}, 2},
      {{"profile", file("c.tkv88"), "--program", "0"}, 2},
      {{"profile", file("c.tkv88"), "--program", "21"}, 1},
  };
  for (const auto& c : cases) {
    const Result r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args.back();
    EXPECT_FALSE(r.err.empty());
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_EQ(slurp(file("c.tkv88")), before);
  EXPECT_EQ(run({"list", file("missing.tkv88")}).err.find("нет такого файла или папки") != std::string::npos,
            true);
}

// Names from a file are shown safely: control characters as escapes in
// the tool's lines (a TAB would make a column more, an escape sequence
// could retitle the terminal), and left out of the PDF's metadata.
TEST_F(CtlTest, ControlCharactersInNamesAreShownAsEscapes) {
  Document doc;
  doc.newDocument();
  doc.deviceData()->setName("Камера\t2");
  doc.deviceData()->programs.front().setName("Сушка\x1b]0;X\x07\xC2\x98");
  std::ofstream(file("n.tkv88"), std::ios::binary) << configfile::write(*doc.deviceData());
  const std::string shownName = "Камера\\t2", shownProgram = "Сушка\\x1b]0;X\\x07\\u0098";

  const Result list = run({"list", file("n.tkv88")});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(listed(list.out, "-\tDeviceDataName"), shownName);
  EXPECT_EQ(listed(list.out, "P1\tname"), shownProgram);
  const Result diff = run({"diff", "defaults", file("n.tkv88")});
  EXPECT_EQ(diff.status, 1) << diff.err;
  EXPECT_NE(diff.out.find(shownName), std::string::npos) << diff.out;
  EXPECT_NE(diff.out.find(shownProgram), std::string::npos) << diff.out;
  for (const Result& r : {list, diff}) {
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
      EXPECT_LE(std::count(line.begin(), line.end(), '\t'), 4) << line;
  }

  if (run({"report", file("n.tkv88"), "-o", file("n.pdf")}).status != 0) return;  // built without the report
  if (std::system("command -v pdfinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "pdfinfo not installed";
  std::system(("pdfinfo " + quote(file("n.pdf")) + " > " + quote(file("info"))).c_str());
  const std::string info = slurp(file("info"));
  const std::size_t title = info.find("Title:");
  ASSERT_NE(title, std::string::npos) << info;
  const std::string line = info.substr(title, info.find('\n', title) - title);
  EXPECT_NE(line.find("Камера2"), std::string::npos) << line;
  EXPECT_EQ(line.find_first_of("\t\x1b"), std::string::npos) << line;
}

TEST_F(CtlTest, ProfilePrintsDurationsStepsAndTheSetpointLines) {
  // Step 1 holds 20.0 for an hour, step 2 ramps to 80.0 at 0.5 per minute
  // over its two hours; regulator 2 holds 10.2 (its defaults).
  run({"new", "-o", file("p.tkv88")});
  ASSERT_EQ(run({"set", file("p.tkv88"), "P1:H01=2", "P1:name=Сушка", "P1.S1:U01=1", "P1.S1:U04=1",
                 "P1.S1:U05=0", "P1.S1:E02=20", "P1.S1:E03=0", "P1.S2:U01=1", "P1.S2:U05=0", "P1.S2:E02=80",
                 "P1.S2:E03=0", "P1.S2:E04=5", "P1.S2:E05=0"})
                .status,
            0);
  Result r = run({"profile", file("p.tkv88"), "--program", "1"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Программа 1 «Сушка»: длительность 03:00, цикл с шага 1: 03:00\n"
            "1\t00:00\t01:00\tТ[прод] 20.0 °С\tТ[прод] 10.2 °С\tпо времени\n"
            "2\t01:00\t03:00\tТ[прод] 20.0 → 80.0 °С\tТ[прод] 10.2 °С\tпо времени\n");
  r = run({"profile", file("p.tkv88"), "--program=1", "--csv"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "минута,Т[прод] (°С),Т[прод] (°С)\n0,20,10.2\n60,20,10.2\n180,80,10.2\n");
  // A program without steps lasts nothing.
  EXPECT_EQ(run({"profile", file("p.tkv88"), "--program", "2"}).out,
            "Программа 2 «Новая программа»: длительность 00:00\n");
}

TEST_F(CtlTest, NormalizeRewritesInTheProgramsLayout) {
  std::ofstream(file("loose.tkv88"), std::ios::binary)
      << "DeviceDataName=x\r\n[Program]\r\nC03=5\r\nunknown=1";
  const Result r = run({"normalize", file("loose.tkv88")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = slurp(file("loose.tkv88"));
  EXPECT_EQ(text.find('\r'), std::string::npos);
  EXPECT_NE(text.find("\n[Programs]\namount=1\n"), std::string::npos);
  EXPECT_NE(text.find("\nC03=5\n"), std::string::npos);
  EXPECT_EQ(text.find("unknown"), std::string::npos);
}

TEST_F(CtlTest, HelpForTheToolAndEachCommand) {
  for (const char* cmd : {"new", "list", "set", "normalize", "copy", "profile"}) {
    const Result r = run({cmd, "--help"});
    EXPECT_EQ(r.status, 0) << cmd;
    EXPECT_EQ(r.out.rfind(std::string("Usage: tkv88ctl ") + cmd, 0), 0u) << r.out;
  }
  EXPECT_NE(run({"--help"}).out.find("normalize"), std::string::npos);
}

TEST_F(CtlTest, CopyMovesProgramsAndStepsAsDiffSeesThem) {
  const std::string a = file("a.tkv88"), b = file("b.tkv88"), c = file("c.tkv88"), e = file("e.tkv88");
  for (const std::string& f : {a, b, c}) run({"new", "-o", f});
  run({"set", a, "P3:H01=4", "P3:name=Сушка", "P3.S2:U04=7", "P3.S3:U03=-40", "P3.C1:C03=-20", "P3:H02=2"});
  run({"new", "-o", e});
  ASSERT_EQ(run({"set", e, "L2:O10=0"}).status, 0);  // 60 programs of 7 steps

  // A program copied over the same place of a new configuration: no difference.
  ASSERT_EQ(run({"copy", a + ":P3", b + ":P3"}).status, 0);
  EXPECT_EQ(run({"diff", "-q", a, b}).status, 0) << run({"diff", a, b}).out;
  // Its steps appended: only the program's own rows still differ.
  ASSERT_EQ(run({"copy", a + ":P3.S1-S4", c + ":P3"}).status, 0);
  Result r = run({"diff", a, c});
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> scopes;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);)
    if (line.find('\t') != std::string::npos)
      scopes.push_back(line.substr(0, line.find('\t', line.find('\t') + 1)));
  EXPECT_EQ(scopes, (std::vector<std::string>{"P3\tname", "P3\tH02", "P3.C1\tC03"}));
  // A step inserted after step 2 of a program whose cycle start is step 2.
  ASSERT_EQ(run({"copy", a + ":P3.S3", a + ":P3.S2", "-o", b}).status, 0);
  const std::string list = run({"list", b}).out;
  EXPECT_EQ(listed(list, "P3\tH01"), "5");
  EXPECT_EQ(listed(list, "P3\tH02"), "2");
  EXPECT_EQ(listed(list, "P3.S3\tU03"), "-40");
  EXPECT_EQ(listed(list, "P3.S4\tU03"), "-40");

  // Refusals change nothing: the partition's limit, steps or programs not there, bad places.
  ASSERT_EQ(run({"copy", a + ":P3.S1-S4", e + ":P1"}).status, 0);
  const std::string before = slurp(e);
  r = run({"copy", a + ":P3.S1-S4", e + ":P1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(
      r.err.find("Вставить 4 шага нельзя: в программе 1 есть место ещё для 3 (60 программ по 7 шагов)."),
      std::string::npos)
      << r.err;
  const struct {
    std::vector<std::string> args;
    int status;
  } bad[] = {
      {{"copy", a + ":P3.S5", e + ":P1"}, 1},       {{"copy", a + ":P3", e + ":P61"}, 1},
      {{"copy", a + ":P3.S1", e + ":P1.S9"}, 1},    {{"copy", a + ":P3", e + ":P1.S1"}, 2},
      {{"copy", a + ":P3.S2-S1", e + ":P1"}, 2},    {{"copy", a, e + ":P1"}, 2},
      {{"copy", a + ":P3.S1", e + ":P1.S1-S2"}, 2}, {{"copy", a + ":P0", e + ":P1"}, 2},
  };
  for (const auto& c : bad) {
    r = run(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[1] << " " << c.args[2];
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
  EXPECT_EQ(slurp(e), before);
}

TEST_F(CtlTest, TemplateListsTheTestsAndFillsAProgramOrRefusesSavingNothing) {
  const Result list = run({"template", "list"});
  ASSERT_EQ(list.status, 0) << list.err;
  for (const char* line : {"Db1\tВлажное тепло, циклическое (Db), вариант 1\n",
                           "\t--upper\t55\tВерхняя температура, от 40 до 55 °C; 40 или 55 °C\n",
                           "\t--rate\t1.0\tСкорость изменения температуры, от 0.1 до 15.0 °C/мин; 1, 3 или 5 "
                           "°C/мин; проверьте по тексту стандарта\n"})
    EXPECT_NE(list.out.find(line), std::string::npos) << line;

  run({"new", "-o", file("c.tkv88")});  // 20 programs of 25 steps
  const std::string fresh = slurp(file("c.tkv88"));
  const std::string p1 = file("c.tkv88") + ":P1";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string said;  // on stderr for a refusal, else on stdout
  };
  const Case cases[] = {
      {{"template", "Db1", p1, "--cycles", "6"}, 1,
       "нужно 31 шаг, в программе этой прошивки их может быть не более 25 (20 программ по 25 шагов)."},
      {{"template", "Db1", p1, "--upper", "60"}, 1, "Верхняя температура: от 40 до 55 °C."},
      {{"template", "Db1", p1, "--upper=4O"}, 1, "Верхняя температура: введите число"},
      {{"template", "Db1", file("c.tkv88") + ":P21"}, 1, "has no program 21"},
      {{"template", "Xx", p1}, 2, "no test \"Xx\""},
      {{"template", "Db1", p1, "--cold", "-40"}, 2, "unknown option --cold"},
      {{"template", "Db1", p1 + ".S2"}, 2, "not steps"},
      {{"template", "Db1"}, 2, "missing argument"},
      {{"template", "Nb", p1, "--low", "-40", "--dry-run"}, 0,
       "Программа 1 «Nb -40…85 °C, 5 циклов»: длительность 52:00\n1\t00:00\t00:10\tТ[сух] 25.0 °С\t"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Result r = run(c.args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE((c.status ? r.err : r.out).find(c.said), std::string::npos) << r.err << r.out;
    EXPECT_EQ(slurp(file("c.tkv88")), fresh);
  }

  // Filled: the file holds the program the profile shows; -o leaves FILE alone.
  Result r = run({"template", "Db1", p1, "--cycles", "4", "--rise", "2:30", "-o", file("d.tkv88")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Программа 1 «Db 55 °C, 4 цикла»: 21 шаг, длительность 97:00\n");
  EXPECT_EQ(slurp(file("c.tkv88")), fresh);
  r = run({"profile", file("d.tkv88"), "--program", "1"});
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "Программа 1 «Db 55 °C, 4 цикла»: длительность 97:00");
  EXPECT_NE(r.out.find("\n2\t01:00\t03:30\tТ[сух] 25.0 → 55.0 °С\tвлажность 95.0 %\tпо времени\n"), std::string::npos)
      << r.out;
}
