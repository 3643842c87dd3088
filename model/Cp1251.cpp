#include "model/Cp1251.h"

#include <array>
#include <cstdint>

namespace cp1251 {
namespace {

// Unicode code points of the bytes 0x80..0xFF; the undefined 0x98 is U+0098.
constexpr std::array<char32_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

// Byte for a code point, or -1 when the code page has none.
int byteOf(char32_t cp) {
  if (cp < 0x80) return static_cast<int>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(cp - 0x0410 + 0xC0);  // А..я
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i.
// A malformed sequence yields -1 and advances by one byte.
long decodeOne(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int extra;
  char32_t cp;
  if (b0 < 0x80) { ++i; return b0; }
  if ((b0 & 0xE0) == 0xC0) { extra = 1; cp = b0 & 0x1F; }
  else if ((b0 & 0xF0) == 0xE0) { extra = 2; cp = b0 & 0x0F; }
  else if ((b0 & 0xF8) == 0xF0) { extra = 3; cp = b0 & 0x07; }
  else { ++i; return -1; }
  if (i + extra >= s.size()) { ++i; return -1; }  // truncated sequence
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) { ++i; return -1; }
    cp = (cp << 6) | (b & 0x3F);
  }
  // Overlong forms, surrogates and values beyond Unicode are malformed.
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kMin[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) { ++i; return -1; }
  i += extra + 1;
  return static_cast<long>(cp);
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string fromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const long cp = decodeOne(utf8, i);
    const int b = cp < 0 ? -1 : byteOf(static_cast<char32_t>(cp));
    out += b < 0 ? kReplacement : static_cast<char>(b);
  }
  return out;
}

bool representable(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size();) {
    const long cp = decodeOne(utf8, i);
    if (cp < 0 || byteOf(static_cast<char32_t>(cp)) < 0) return false;
  }
  return true;
}

bool wellFormedUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();)
    if (decodeOne(text, i) < 0) return false;
  return true;
}

std::string toUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else {
      appendUtf8(out, kHigh[b - 0x80]);
    }
  }
  return out;
}

std::string_view prefix(std::string_view utf8, std::size_t bytes) {
  std::size_t end = 0;
  for (std::size_t n = 0; end < utf8.size() && n < bytes; ++n) decodeOne(utf8, end);
  return utf8.substr(0, end);
}

}  // namespace cp1251
