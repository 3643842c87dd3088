#include "model/SetpointPair.h"

#include <algorithm>

// A fraction whose scale is 0 (upper limit 0 or less) has no fractional digits:
// the pair then behaves as its integer part alone instead of dividing by zero.

int32_t fractionScale(const Parameter& fraction) {
  const int32_t max = fraction.maxValue();
  if (max >= 1000) return 10000;
  if (max >= 100) return 1000;
  if (max >= 10) return 100;
  if (max <= 0) return 0;
  return 10;
}

double pairValue(const Parameter& integer, const Parameter& fraction) {
  const int32_t s = fractionScale(fraction);
  const double i = integer.value();
  if (s == 0) return i;
  const double f = static_cast<double>(fraction.value()) / s;
  return integer.value() < 0 ? i - f : i + f;
}

int64_t pairFixed(const Parameter& integer, const Parameter& fraction) {
  const int64_t s = fractionScale(fraction);
  if (s == 0) return integer.value();
  const int64_t i = integer.value();
  return i >= 0 ? i * s + fraction.value() : i * s - fraction.value();
}

PairLimits pairLimits(const Parameter& integer, const Parameter& fraction) {
  // Splitting a value beyond the whole range would clamp the two parts
  // apart (999.9 stepped up would become 999.0, 150.2 % would become 99.2).
  const int64_t s = fractionScale(fraction);
  const int64_t iMin = integer.minValue(), iMax = integer.maxValue();
  if (s == 0) return {iMin, iMax};
  return {iMin < 0 ? iMin * s - fraction.maxValue() : iMin * s + fraction.minValue(),
          iMax < 0 ? iMax * s - fraction.minValue() : iMax * s + fraction.maxValue()};
}

bool pairInLimits(const Parameter& integer, const Parameter& fraction) {
  const PairLimits l = pairLimits(integer, fraction);
  const int64_t x = pairFixed(integer, fraction);
  return x >= l.lo && x <= l.hi;
}

void setPairFixed(Parameter& integer, Parameter& fraction, int64_t x) {
  const PairLimits l = pairLimits(integer, fraction);
  x = std::clamp(x, l.lo, l.hi);
  const int64_t s = fractionScale(fraction);
  int64_t i = x, f = 0;
  if (s != 0) {
    f = x % s;
    if (f < 0) f = -f;
    i = x / s;
    if (x < 0 && i == 0) f = 0;
  }
  i = std::clamp<int64_t>(i, INT32_MIN, INT32_MAX);
  integer.setEnteredValue(static_cast<int32_t>(i));
  fraction.setEnteredValue(static_cast<int32_t>(f));
}

void stepPair(Parameter& integer, Parameter& fraction, int32_t d) {
  const int64_t s = fractionScale(fraction);
  if (integer.value() == 0 && fraction.value() == 0 && d < 0)
    d = std::min<int32_t>(d, static_cast<int32_t>(-s));
  // setPairFixed keeps the sum within the whole range: a step at a limit stays there.
  setPairFixed(integer, fraction, pairFixed(integer, fraction) + d);
}

void clampPair(Parameter& integer, Parameter& fraction) {
  if (!pairInLimits(integer, fraction) || !integer.inLimits() || !fraction.inLimits())
    setPairFixed(integer, fraction, pairFixed(integer, fraction));
}
