// Conversion between Windows-1251, the code page of the configuration file,
// and UTF-8, the encoding of every text inside the program. The file's reader
// and writer convert; everything else speaks UTF-8. Every byte has a
// character, so file bytes come back unchanged through toUtf8 and fromUtf8.
// Pure functions; callable from any thread.
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

// True when the text is well-formed UTF-8 (any characters).
bool wellFormedUtf8(std::string_view text);

// Windows-1251 to UTF-8. 0x98, which the code page leaves undefined, is
// U+0098, so that it too comes back as it was.
std::string toUtf8(std::string_view cp1251);

// The longest beginning of a UTF-8 text whose Windows-1251 form takes at most
// `bytes` bytes: a text cut as the file counts it, one byte per character
// (and per malformed byte), never inside a character.
std::string_view prefix(std::string_view utf8, std::size_t bytes);

}  // namespace cp1251
