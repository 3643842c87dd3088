// The clipboard's notation of programs and steps, and the grid of
// tab-separated texts spreadsheets exchange.
#include <gtest/gtest.h>

#include <random>

#include "document/ClipboardText.h"
#include "document/ConfigFile.h"
#include "support/RandomConfig.h"

TEST(ClipboardText, ProgramsAndStepsComeBackExactly) {
  std::mt19937 rng(26);
  for (int steps : {0, 1, 25}) {
    Program program = randomProgram(rng, steps);
    program.setName("\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 = 1");  // "Программа = 1"
    const std::string text = cliptext::programText(program);
    const auto back = cliptext::readProgram(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(cliptext::programText(*back), text);

    std::vector<const Step*> run;
    for (const Step& s : program.steps) run.push_back(&s);
    const std::vector<Step> read = cliptext::readSteps(cliptext::stepsText(run));
    ASSERT_EQ(read.size(), run.size());
    std::vector<const Step*> again;
    for (const Step& s : read) again.push_back(&s);
    EXPECT_EQ(cliptext::stepsText(again), cliptext::stepsText(run));
    // A program's text pastes as its steps too.
    EXPECT_EQ(cliptext::readSteps(text).size(), run.size());
  }
}

TEST(ClipboardText, ForeignTextGivesNothingAndValuesPassTheirRules) {
  EXPECT_FALSE(cliptext::readProgram("-40.5\t07:45\n"));
  EXPECT_FALSE(cliptext::readProgram(cliptext::stepsText({})));
  EXPECT_TRUE(cliptext::readSteps("just words").empty());
  std::string many;
  for (int i = 0; i <= configfile::kMaxSteps; ++i) many += "[step]\n";
  EXPECT_TRUE(cliptext::readSteps(many).empty());
  // A value beyond its limits is clamped as a file's would be.
  const std::vector<Step> steps = cliptext::readSteps("[step]\nU03=5000\nE02=-7\n");
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0][Step::U03].value(), Step()[Step::U03].maxValue());
}

TEST(ClipboardText, GridsSplitAsSpreadsheetsWriteThem) {
  using G = cliptext::Grid;
  const struct {
    std::string text;
    G grid;
  } cases[] = {
      {"", {}},
      {"a", {{"a"}}},
      {"a\tb\n", {{"a", "b"}}},
      {"a\tb\r\n1\t\r\n", {{"a", "b"}, {"1", ""}}},
      {"a\rb\r", {{"a"}, {"b"}}},
      {"a\n\nb", {{"a"}, {""}, {"b"}}},
      {"\t\n", {{"", ""}}},
      {"\"x\ty\"\t\"say \"\"hi\"\"\"\n\"two\nlines\"\n", {{"x\ty", "say \"hi\""}, {"two\nlines"}}},
      {"-40,5\t07:45\t\xC2\xFB\xEA\xEB\n", {{"-40,5", "07:45", "\xC2\xFB\xEA\xEB"}}},
      {"a\"b\tc", {{"a\"b", "c"}}},  // a quote inside a cell is its own
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cliptext::splitGrid(c.text), c.grid) << c.text;
    EXPECT_EQ(cliptext::splitGrid(cliptext::joinGrid(c.grid)), c.grid) << c.text;
  }
}
