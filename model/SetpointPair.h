// A regulator setpoint kept as an integer part I (E02, E.02) and a fraction F
// (E03, E.03) counting in units of 1/s, where s is the fraction scale of F's
// active upper limit. Fixed-point values below are I * s + F with F taking
// I's sign.
#pragma once

#include <cstdint>

#include "model/Parameter.h"

// 10000 when F's upper limit is at least 1000, 1000 when at least 100, 100
// when at least 10, 10 when positive below 10, 0 when it is 0 or less.
int32_t fractionScale(const Parameter& fraction);

// I + F / s, the fraction negative when I < 0 (-12 and 5 give -12.5).
double pairValue(const Parameter& integer, const Parameter& fraction);

// I * s + F for I >= 0, I * s - F for I < 0.
int64_t pairFixed(const Parameter& integer, const Parameter& fraction);

// The fixed-point values the pair's active limits allow, taken as a whole:
// -99.9 .. 999.9 (-999 .. 9999) for a temperature, 0.0 .. 99.9 for humidity.
struct PairLimits {
  int64_t lo, hi;
};
PairLimits pairLimits(const Parameter& integer, const Parameter& fraction);
bool pairInLimits(const Parameter& integer, const Parameter& fraction);

// Clamps x into the pair's limits as a whole (150.2 % is 99.9, not 99.2),
// splits it into I and F and stores both as entered values
// (setEnteredValue). A value between -1 and 0 is not representable and
// becomes 0.0.
void setPairFixed(Parameter& integer, Parameter& fraction, int64_t x);
// Stores the pair again clamped into its limits as a whole: what a new
// input's narrower limits do to a setpoint (-99.9 becomes 0.0).
void clampPair(Parameter& integer, Parameter& fraction);

// Spin step by d fixed-point units; the first step below 0.0 goes to -1.0,
// and the result stays within the pair's limits taken as a whole (a step up
// from 999.9 leaves 999.9).
void stepPair(Parameter& integer, Parameter& fraction, int32_t d);
