#include "model/ValueTexts.h"

#include <gtest/gtest.h>

TEST(ValueTexts, ListsAndLookups) {
  buildValueTexts();
  const ValueTextList& transition = valueTexts(valuetext::kTransition);
  ASSERT_EQ(transition.size(), 4u);
  EXPECT_EQ(shortTextOf(transition, 2), "Темп/Вл и Время");
  EXPECT_EQ(longTextOf(transition, 0), "достижение температуры/влажности");
  EXPECT_EQ(transition[3].codeText, "003");

  const ValueTextList& byValue = valueTexts(valuetext::kTransitionByValue);
  ASSERT_EQ(byValue.size(), 10u);
  EXPECT_EQ(byValue.front().value, 1);
  EXPECT_EQ(valueOfShortText(byValue, "Т[сух] < уставки"), 4);
  EXPECT_EQ(valueOfShortText(byValue, "нет такого"), 0);
  EXPECT_EQ(shortTextOf(byValue, 7), "dТ > уставки");  // Cyrillic Т after a Latin d

  const ValueTextList& keys = valueTexts(valuetext::kLastKeyMode);
  ASSERT_EQ(keys.size(), 16u);
  EXPECT_EQ(shortTextOf(keys, 16), "");
  EXPECT_EQ(shortTextOf(keys, 15), "14-ый режим");

  const ValueTextList& reg1 = valueTexts(valuetext::kRegulator1Input);
  const ValueTextList& reg2 = valueTexts(valuetext::kRegulator2Input);
  ASSERT_EQ(reg1.size(), reg2.size());
  for (std::size_t i = 0; i < reg1.size(); ++i) {
    EXPECT_EQ(reg1[i].value, reg2[i].value);
    EXPECT_EQ(reg1[i].shortText, reg2[i].shortText);
  }
  EXPECT_EQ(shortTextOf(reg1, 4), "Т[сух] - Т[влаж]");
  EXPECT_TRUE(valueTexts(13).empty());
  EXPECT_TRUE(valueTexts(22).empty());
}

TEST(ValueTexts, AddValueTextFormatsTheCode) {
  ValueTextList list;
  addValueText(list, 7, "long", "short");
  addValueText(list, -3, "l2", "s2", "X");
  addValueText(list, 7, "dup", "dup");
  EXPECT_EQ(list[0].codeText, "007");
  EXPECT_EQ(list[1].codeText, "X");
  EXPECT_EQ(shortTextOf(list, 7), "short");  // the first entry wins
  EXPECT_EQ(valueOfShortText(list, "s2"), -3);
}
