// Fixed-size, NUL-terminated Windows-1251 text fields (codes, names,
// descriptions). A text longer than its field is cut to the field's size
// minus one byte, the rule the configuration names follow.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace fixedtext {

template <std::size_t N>
void assign(char (&field)[N], std::string_view text) {
  const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

// The text up to its NUL (or the whole field when it has none).
template <std::size_t N>
std::string_view view(const char (&field)[N]) {
  return std::string_view(field, ::strnlen(field, N));
}

}  // namespace fixedtext
