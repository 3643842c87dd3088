#include "model/FieldText.h"

#include <cstdio>

std::string escapedControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    char escape[8] = {};
    if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c < 0x20 || c == 0x7F)
      std::snprintf(escape, sizeof escape, "\\x%02x", c);
    else if (c == 0xC2 && next >= 0x80 && next <= 0x9F)  // U+0080..U+009F in UTF-8
      std::snprintf(escape, sizeof escape, "\\u%04x", next), ++i;
    else
      out += static_cast<char>(c);
    out += escape;
  }
  return out;
}
