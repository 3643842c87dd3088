// Every cell of every group against the controller's documented table:
// code, default, limits (both pairs), memory area and bit position.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/GeneralParameters.h"
#include "model/Program.h"

namespace {

struct Row {
  std::string code;
  int def, min, max;
  int offset, width;
  int min1 = 0, max1 = 0;  // pair 1, when max1 != 0 or min1 != 0
  bool pair1 = false;
};

void expectCells(const std::vector<const Parameter*>& cells, const std::vector<Row>& rows, int area,
                 const char* where) {
  ASSERT_EQ(cells.size(), rows.size()) << where;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Parameter& c = *cells[i];
    const Row& r = rows[i];
    SCOPED_TRACE(std::string(where) + " " + r.code);
    EXPECT_EQ(c.code(), r.code);
    EXPECT_EQ(c.value(), r.def);
    EXPECT_EQ(c.minValue(), r.min);
    EXPECT_EQ(c.maxValue(), r.max);
    EXPECT_EQ(c.area(), area);
    EXPECT_EQ(c.bitOffset(), r.offset);
    EXPECT_EQ(c.bitWidth(), r.width);
    EXPECT_FALSE(c.description().empty());
    if (r.pair1) {
      ASSERT_EQ(c.rangeCount(), 2);
      EXPECT_EQ(c.rangeMin(1), r.min1);
      EXPECT_EQ(c.rangeMax(1), r.max1);
    } else {
      EXPECT_EQ(c.rangeCount(), 1);
    }
  }
}

std::vector<Row> comparatorRows(int k) {
  const int s = 53 * (k - 1);
  return {
      {"C01", 1, 1, 7, 14 + s, 3},       {"C02", 1, 0, 6, 17 + s, 3},
      {"C03", -15, -99, 999, 20 + s, 11, 0, 99, true},
      {"C04", 100, -99, 999, 31 + s, 11, 0, 99, true},
      {"C05", 2, 0, 3, 42 + s, 2},       {"C06", 0, 0, 1, 44 + s, 1},
      {"C07", 1, 0, 1, 45 + s, 1},       {"C08", 1, 0, 1, 46 + s, 1},
      {"C09", 12, 0, 999, 47 + s, 10},   {"C10", 24, 0, 999, 57 + s, 10},
  };
}

}  // namespace

TEST(GroupLayout, ProgramHeaderAndComparators) {
  const Program p;
  EXPECT_EQ(p.name(), "Новая программа");
  EXPECT_TRUE(p.steps.empty());
  std::vector<Row> rows{{"H02", 1, 0, 99, 7, 7}};
  for (int k = 1; k <= 4; ++k) {
    const auto c = comparatorRows(k);
    rows.insert(rows.end(), c.begin(), c.end());
  }
  expectCells(p.parameterList(), rows, 0, "program");
  // Comparator 3 spans bits 120..172 of the header.
  EXPECT_EQ(p.comparators[2][Comparator::C01].bitOffset(), 120);
  EXPECT_EQ(p.comparators[2][Comparator::C10].bitOffset(), 163);
  EXPECT_EQ(p.H02.description(), "Начальный шаг цикла");
}

TEST(GroupLayout, Step) {
  std::vector<Row> rows;
  for (int n = 1; n <= 8; ++n) rows.push_back({"N0" + std::to_string(n), 0, 0, 15, 4 * (n - 1), 4});
  rows.insert(rows.end(), {
      {"U01", 2, 0, 3, 32, 2}, {"U02", 1, 1, 10, 34, 4},
      {"U03", 80, -99, 999, 38, 11, 0, 100, true},
      {"U04", 2, 0, 63, 49, 6}, {"U05", 15, 0, 59, 55, 6},
      {"E01", 1, 1, 5, 61, 3}, {"E02", 10, -99, 999, 64, 11, 0, 99, true},
      {"E03", 2, 0, 9, 75, 4, 0, 9, true}, {"E04", 45, 0, 999, 79, 10}, {"E05", 1, 0, 1, 89, 1},
      {"E.01", 1, 1, 5, 90, 3}, {"E.02", 10, -99, 999, 93, 11, 0, 99, true},
      {"E.03", 2, 0, 9, 104, 4, 0, 9, true}, {"E.04", 45, 0, 999, 108, 10}, {"E.05", 1, 0, 1, 118, 1},
  });
  const Step s;
  expectCells(s.parameterList(), rows, 0, "step");
  EXPECT_EQ(s.key(3).description(), "Режим ключа № 3");
  EXPECT_EQ(s[Step::E_01].description(), s[Step::E01].description());
}

TEST(GroupLayout, GeneralParametersInListOrder) {
  std::vector<Row> rows{
      {"O01", 0, 0, 3, 93, 2},    {"O02", 1, 0, 1, 95, 1},     {"O03", 1, 0, 1, 96, 1},
      {"O04", 3, 1, 5, 97, 3},    {"O05", 0, 0, 1, 100, 1},    {"O06", 64, 64, 80, 101, 7},
      {"O07", 1, 1, 5, 108, 3},   {"O08", 25, 0, 99, 111, 7},  {"O09", 3, 0, 7, 118, 3},
      {"O10", 2, 0, 7, 121, 3},   {"O11", 0, 0, 1, 124, 1},    {"Scr", 3, 1, 3, 402, 2},
  };
  for (int t = 1; t <= 3; ++t) {
    const std::string p = std::to_string(t) + "C";
    const int b = 19 * (t - 1);
    rows.insert(rows.end(), {{p + "1", 0, 0, 511, b, 9}, {p + "2", 0, 0, 1, b + 9, 1},
                             {p + "3", 0, 0, 255, b + 10, 8}, {p + "4", 0, 0, 1, b + 18, 1}});
  }
  for (int d = 1; d <= 6; ++d) rows.push_back({"D0" + std::to_string(d), 0, 0, 64, 57 + 6 * (d - 1), 6});
  const int pidOffsets[] = {0, 10, 20, 30, 37, 47, 54, 57};
  const int pidWidths[] = {10, 10, 10, 7, 10, 7, 3, 7};
  const int pidMax[] = {999, 999, 999, 120, 999, 99, 7, 99};
  for (int r = 0; r < 2; ++r)
    for (int i = 0; i < 8; ++i)
      rows.push_back({(r ? "P.0" : "P0") + std::to_string(i + 1), 0, 0, pidMax[i],
                      (r ? 189 : 125) + pidOffsets[i], pidWidths[i]});
  for (int j = 1; j <= 14; ++j) {
    char pulse[8], pause[8];
    std::snprintf(pulse, sizeof pulse, "F%02d", j + 1);
    std::snprintf(pause, sizeof pause, "F.%02d", j + 1);
    rows.push_back({pulse, 0, 0, 999, 408 + 20 * (j - 1), 10});
    rows.push_back({pause, 0, 0, 999, 418 + 20 * (j - 1), 10});
  }
  const GeneralParameters g;
  expectCells(g.parameterList(), rows, 8106, "general");
  // The last key pause ends on the last bit of the L2 area.
  EXPECT_EQ(g.keys.pause(14).bitOffset() + 10 - 1, 687);
  EXPECT_EQ(g.pid[1].index, 1);
  EXPECT_EQ(g.keys.pulse(3).description(), "Режим № 3, импульс (с)");
  EXPECT_EQ(g.corrections.cell(2, Corrections::ShiftSign).description(),
            "Знак сдвига характеристики для сухого термометра");
}

TEST(GroupLayout, SnapshotsAreCopiesInListOrder) {
  const KeyPulseModes keys;
  const auto snap = keys.snapshot();
  ASSERT_EQ(snap.size(), 28u);
  EXPECT_EQ(snap[0].code(), "F02");
  EXPECT_EQ(snap[1].code(), "F.02");
  EXPECT_EQ(snap[27].code(), "F.15");
  EXPECT_EQ(BaseParameters().snapshot().back().code(), "Scr");
  EXPECT_EQ(Corrections().snapshot()[4].code(), "2C1");
  EXPECT_EQ(DigitalFilters().snapshot().size(), 6u);
  EXPECT_EQ(PidRegulator(1).snapshot()[7].code(), "P.08");
  EXPECT_EQ(Comparator(2).snapshot()[0].bitOffset(), 120);
  EXPECT_EQ(Step().snapshot()[Step::E_05].code(), "E.05");
}

TEST(GroupLayout, GroupsAreValueTypes) {
  Program a;
  a.steps.emplace_back();
  a.steps.front()[Step::U03].setValue(-20);
  a.setName("Сушка");
  Program b = a;
  a.steps.front()[Step::U03].setValue(5);
  a.comparators[1][Comparator::C09].setValue(1);
  EXPECT_EQ(b.steps.front()[Step::U03].value(), -20);
  EXPECT_EQ(b.comparators[1][Comparator::C09].value(), 12);
  EXPECT_EQ(b.comparators[1][Comparator::C01].bitOffset(), 67);
  EXPECT_EQ(b.name(), "Сушка");
}
