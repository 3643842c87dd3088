#include "model/Cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251, RoundTripsEveryByte) {
  // 0x98, undefined in the code page, too: file bytes never change on the way through.
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(cp1251::fromUtf8(cp1251::toUtf8(one)), one) << "byte " << b;
  }
}

TEST(Cp1251, ConvertsRussianBothWays) {
  const std::string utf8 = "Новая прошивка ЁёЇ№";
  const std::string bytes = cp1251::fromUtf8(utf8);
  EXPECT_EQ(bytes, "\xCD\xEE\xE2\xE0\xFF \xEF\xF0\xEE\xF8\xE8\xE2\xEA\xE0 \xA8\xB8\xAF\xB9");
  EXPECT_EQ(cp1251::toUtf8(bytes), utf8);
}

TEST(Cp1251, ReplacesWhatHasNoWindows1251Form) {
  // One replacement per character: CJK, emoji, malformed and truncated sequences.
  EXPECT_EQ(cp1251::fromUtf8("a\xE4\xB8\xAD" "b"), "a?b");
  EXPECT_EQ(cp1251::fromUtf8("\xF0\x9F\x98\x80!"), "?!");
  EXPECT_EQ(cp1251::fromUtf8("\xC0\xAF"), "??");        // overlong "/"
  EXPECT_EQ(cp1251::fromUtf8("x\xD0"), "x?");           // cut in the middle
  EXPECT_EQ(cp1251::fromUtf8("\xED\xA0\x80"), "???");   // surrogate
  EXPECT_FALSE(cp1251::representable("\xE4\xB8\xAD"));
  EXPECT_FALSE(cp1251::representable("x\xD0"));
  EXPECT_TRUE(cp1251::representable("Шаг № 3 — «тест»"));
}

TEST(Cp1251, PrefixCountsCharactersAsTheFileDoes) {
  const struct {
    const char* utf8;
    std::size_t bytes;
    const char* kept;
  } cases[] = {
      {"abc", 2, "ab"}, {"яжя", 2, "яж"}, {"a♥b", 2, "a♥"}, {"x\xD0y", 2, "x\xD0"},  // a bad byte is one
      {"ёё", 5, "ёё"},  {"", 3, ""},      {"abc", 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cp1251::prefix(c.utf8, c.bytes), c.kept) << c.utf8;
    EXPECT_LE(cp1251::fromUtf8(cp1251::prefix(c.utf8, c.bytes)).size(), c.bytes) << c.utf8;
  }
}
