#include "link/BitField.h"

#include <gtest/gtest.h>

TEST(BitField, ExtractAndInsertAcrossBytes) {
  const uint8_t bytes[] = {0x85, 0x00};
  EXPECT_EQ(extractBits(bytes, 0, 7), 5u);

  uint8_t out[3] = {0, 0, 0};
  insertBits(0x3FF, out, 4, 10);
  EXPECT_EQ(out[0], 0xF0);
  EXPECT_EQ(out[1], 0x3F);
  EXPECT_EQ(out[2], 0x00);

  uint8_t keep[3] = {0xFF, 0xFF, 0xFF};
  insertBits(0, keep, 5, 9);  // clears bits 5..13 only
  EXPECT_EQ(keep[0], 0x1F);
  EXPECT_EQ(keep[1], 0xC0);
  EXPECT_EQ(keep[2], 0xFF);

  uint8_t wide[5] = {};
  insertBits(0xDEADBEEF, wide, 3, 32);
  EXPECT_EQ(extractBits(wide, 3, 32), 0xDEADBEEFu);
  EXPECT_EQ(extractBits(wide, 3, 11), 0xDEADBEEFu & 0x7FF);
}
