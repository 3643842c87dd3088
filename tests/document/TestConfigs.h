// Configurations for the document's tests: random ones for round trips and
// a field-by-field comparison that names what differs.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/Cp1251.h"
#include "model/DeviceData.h"

namespace testconfigs {

inline void randomCell(Parameter& cell, std::mt19937& rng) {
  cell.setValueQuiet(std::uniform_int_distribution<int32_t>(cell.minValue(), cell.maxValue())(rng));
}

// A name of 0..70 characters from the whole Windows-1251 range except the
// line ends and NUL, "=" and blanks included.
inline std::string randomName(std::mt19937& rng) {
  std::string name(std::uniform_int_distribution<int>(0, 70)(rng), ' ');
  for (char& c : name) {
    int b;
    do b = std::uniform_int_distribution<int>(1, 255)(rng);
    while (b == '\n' || b == '\r');
    c = static_cast<char>(b);
  }
  return cp1251::toUtf8(name);
}

// Random values within every limit; H02 and the key modes, which the file
// stores unchecked, sometimes far outside theirs.
inline DeviceData randomConfig(std::mt19937& rng, int programs, int maxSteps) {
  DeviceData d;
  d.setName(randomName(rng));
  for (Parameter* cell : d.general.parameterList()) randomCell(*cell, rng);
  std::uniform_int_distribution<int> steps(0, maxSteps), wild(-100000, 100000), coin(0, 3);
  for (int p = 0; p < programs; ++p) {
    Program& program = d.programs.emplace_back();
    program.setName(randomName(rng));
    for (Parameter* cell : program.parameterList()) randomCell(*cell, rng);
    if (coin(rng) == 0) program.H02.valueRef() = wild(rng);
    for (int s = steps(rng); s > 0; --s) {
      Step& step = program.steps.emplace_back();
      for (Parameter& cell : step.cells) randomCell(cell, rng);
      if (coin(rng) == 0) step[Step::N03].valueRef() = wild(rng);
    }
  }
  return d;
}

inline void expectSameCells(const std::vector<const Parameter*>& a, const std::vector<const Parameter*>& b,
                            const std::string& where) {
  ASSERT_EQ(a.size(), b.size()) << where;
  for (std::size_t i = 0; i < a.size(); ++i)
    EXPECT_EQ(a[i]->value(), b[i]->value()) << where << " " << a[i]->code();
}

// Names, program and step counts and every value.
inline void expectSameConfig(const DeviceData& a, const DeviceData& b) {
  EXPECT_EQ(a.name(), b.name());
  expectSameCells(a.general.parameterList(), b.general.parameterList(), "L2");
  ASSERT_EQ(a.programCount(), b.programCount());
  auto pb = b.programs.begin();
  int n = 0;
  for (const Program& pa : a.programs) {
    const std::string where = "program " + std::to_string(++n);
    EXPECT_EQ(pa.name(), pb->name()) << where;
    expectSameCells(pa.parameterList(), pb->parameterList(), where);
    ASSERT_EQ(pa.stepCount(), pb->stepCount()) << where;
    auto sb = pb->steps.begin();
    int m = 0;
    for (const Step& sa : pa.steps) {
      expectSameCells(sa.parameterList(), sb->parameterList(), where + " step " + std::to_string(++m));
      ++sb;
    }
    ++pb;
  }
}

}  // namespace testconfigs
