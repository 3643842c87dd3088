// A number kept as a magnitude in tenths and a sign flag: the thermometer
// corrections (1C1 with 1C2 ...) and the regulators' rates (E04 with E05,
// E.04 with E.05). Forms and tables show and step them through these.
#pragma once

#include <cstdint>

#include "model/Parameter.h"

// magnitude / 10, negated when the sign is 1. The corrections negate after
// dividing, so a zero magnitude with its sign set is minus zero (shown "-0");
// the rates negate the whole number, so a zero rate is always 0.
double signedTenths(const Parameter& magnitude, const Parameter& sign);
double signedRate(const Parameter& magnitude, const Parameter& sign);

// The magnitude |x| * 10 truncated (a hair above the binary error, so 2.3
// stores 23), the sign flag 1 only when x is below zero by at least a tenth
// ("-0" and "-0.04" store no sign); both as entered values, clamped.
void storeSignedTenths(Parameter& magnitude, Parameter& sign, double x);

// A spin step of `delta` tenths: the signed tenths plus delta, clamped to
// -max..max of the magnitude; when that differs from the start, the magnitude
// takes its absolute value and the sign 1 when it is 0 or below.
void stepSignedTenths(Parameter& magnitude, Parameter& sign, int32_t delta);
