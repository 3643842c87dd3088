// Numbers read from typed text the way the list and the table take them: a
// leading number, optionally after blanks and with a sign, is the value and
// whatever follows it is ignored ("12abc" is 12, "1.5" is 1 as an integer).
// Pure functions; callable from any thread.
#pragma once

#include <optional>

#include <QString>

namespace numbertext {

// The leading whole number, saturated to the int range; nothing when the text
// does not start with one.
std::optional<int> leadingInteger(const QString& text);
// The leading real number; ',' counts as the decimal point too. Nothing when
// the text does not start with a number.
std::optional<double> leadingReal(const QString& text);

}  // namespace numbertext
