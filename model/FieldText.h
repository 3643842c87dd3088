// The model's bounded texts (program and configuration names, the codes and
// descriptions of cells made outside the catalogue) are UTF-8, cut as the
// configuration file counts them: up to the first NUL and at most so many
// characters, one Windows-1251 byte each there.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/Cp1251.h"

inline std::string fieldText(std::string_view text, std::size_t characters) {
  return std::string(cp1251::prefix(text.substr(0, text.find('\0')), characters));
}

// A text from a file for one line of a terminal: control characters (C0,
// DEL and U+0080..U+009F, which some terminals obey too) as escapes: \t,
// \n, \r, \x1b, \u0098; everything else as it is. A name with a TAB stays
// one column of a tab-separated line, and one with an escape sequence
// cannot retitle the terminal.
std::string escapedControls(std::string_view text);
