// Random configurations for round-trip tests and benchmarks: every value
// within its limits and within what its memory field holds, the
// input-dependent limits applied, so a write followed by a read must give
// every value back.
#pragma once

#include <algorithm>
#include <random>

#include "model/DeviceData.h"
#include "model/FieldCapacity.h"

inline void randomizeCell(Parameter& cell, std::mt19937& rng) {
  const FieldCapacity c = fieldCapacityOf(cell);
  const int32_t lo = std::max(cell.minValue(), c.min);
  const int32_t hi = std::min(cell.maxValue(), c.max);
  cell.setValueQuiet(std::uniform_int_distribution<int32_t>(lo, hi)(rng));
}

inline Step randomStep(std::mt19937& rng) {
  Step step;
  for (Parameter& cell : step.cells) randomizeCell(cell, rng);
  step.applyInputRanges();
  return step;
}

inline Program randomProgram(std::mt19937& rng, int steps) {
  Program program;
  for (Parameter* cell : program.parameterList()) randomizeCell(*cell, rng);
  for (Comparator& c : program.comparators) c.applyInputRanges();
  for (int s = 0; s < steps; ++s) program.steps.push_back(randomStep(rng));
  return program;
}

// Partition o10 with the given number of programs (-1: all the partition
// allows) of random lengths up to the partition's (full: every one full).
inline DeviceData randomConfig(std::mt19937& rng, int o10, int programs = -1, bool full = false) {
  DeviceData config;
  for (Parameter* cell : config.general.parameterList()) randomizeCell(*cell, rng);
  config.general.base[BaseParameters::O10].setValueQuiet(o10);
  const int allowed = config.general.programCount();
  const int steps = config.general.stepsPerProgram();
  if (programs < 0) programs = allowed;
  for (int n = 0; n < programs; ++n)
    config.programs.push_back(
        randomProgram(rng, full ? steps : std::uniform_int_distribution<int>(0, steps)(rng)));
  return config;
}
