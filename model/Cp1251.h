// Conversion between Windows-1251, the code page of every text the model and
// the configuration file hold, and UTF-8, the encoding of the terminal, the
// source code and Qt. Pure functions; callable from any thread.
#pragma once

#include <string>
#include <string_view>

namespace cp1251 {

// The byte written for a character that has no Windows-1251 form.
inline constexpr char kReplacement = '?';

// UTF-8 to Windows-1251. Characters without a Windows-1251 form and malformed
// UTF-8 sequences become kReplacement, one per character (or per bad byte),
// so a field never receives a partial or shifted multi-byte sequence.
std::string fromUtf8(std::string_view utf8);

// True when every character of the UTF-8 text has a Windows-1251 form and the
// text is well-formed, so fromUtf8 would replace nothing.
bool representable(std::string_view utf8);

// Windows-1251 to UTF-8. Every byte has a meaning except 0x98, which is
// undefined in the code page and becomes U+FFFD.
std::string toUtf8(std::string_view cp1251);

}  // namespace cp1251
