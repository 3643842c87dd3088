#include "model/SignedMagnitude.h"

#include <algorithm>
#include <cmath>

double signedTenths(const Parameter& magnitude, const Parameter& sign) {
  const double v = magnitude.value() / 10.0;
  return sign.value() == 1 ? -v : v;
}

double signedRate(const Parameter& magnitude, const Parameter& sign) {
  const int32_t v = magnitude.value();
  return (sign.value() == 1 ? -v : v) / 10.0;
}

void storeSignedTenths(Parameter& magnitude, Parameter& sign, double x) {
  const auto tenths = static_cast<int32_t>(std::trunc(std::min(std::fabs(x) * 10.0, 1e9) + 1e-9));
  sign.setEnteredValue(x < 0 && tenths > 0 ? 1 : 0);
  magnitude.setEnteredValue(tenths);
}

void stepSignedTenths(Parameter& magnitude, Parameter& sign, int32_t delta) {
  const int64_t start = sign.value() == 1 ? -int64_t{magnitude.value()} : magnitude.value();
  const int64_t max = magnitude.maxValue();
  const int64_t sum = std::clamp<int64_t>(start + delta, -max, max);
  if (sum == start) return;
  magnitude.setEnteredValue(static_cast<int32_t>(sum < 0 ? -sum : sum));
  sign.setEnteredValue(sum <= 0 ? 1 : 0);
}
