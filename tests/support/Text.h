// Test helpers for Windows-1251 texts: literals are written in UTF-8 here.
#pragma once

#include <string>
#include <string_view>

#include "model/Cp1251.h"

// The Windows-1251 bytes of a UTF-8 literal.
inline std::string w(std::string_view utf8) { return cp1251::fromUtf8(utf8); }
// The UTF-8 form of Windows-1251 bytes, for readable failure messages.
inline std::string u(std::string_view bytes) { return cp1251::toUtf8(bytes); }
