#include "model/Cp1251.h"

#include <gtest/gtest.h>

TEST(Cp1251, RoundTripsEveryDefinedByte) {
  for (int b = 1; b < 256; ++b) {
    if (b == 0x98) continue;  // undefined in the code page
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
  EXPECT_EQ(cp1251::toUtf8("\x98"), "\xEF\xBF\xBD");
}
