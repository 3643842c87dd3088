// Words for the step parameters whose values are choices: transition
// conditions (U01, U02), regulator inputs (E01, E.01) and key modes
// (N01..N08). Each entry has a long text for drop-down lists, a short text
// for table cells and graph legends, and a code text.
//
// One process-wide table keyed by the steps table's row identifiers. It is
// built on first use (thread-safe) and read-only afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ValueText {
  std::string longText;
  std::string shortText;
  std::string codeText;
  int32_t value;
};

using ValueTextList = std::vector<ValueText>;

// Row identifiers of the steps table that have value texts.
namespace valuetext {
inline constexpr int32_t kRegulator1Input = 12;  // E01
inline constexpr int32_t kRegulator2Input = 17;  // E.01
inline constexpr int32_t kFirstKeyMode = 23;     // N01; N08 is 30
inline constexpr int32_t kLastKeyMode = 30;
inline constexpr int32_t kTransition = 31;          // U01
inline constexpr int32_t kTransitionByValue = 32;   // U02
}  // namespace valuetext

// Fills the table (idempotent; the table is also built on first lookup).
void buildValueTexts();
// The list of an identifier; empty for identifiers without one.
const ValueTextList& valueTexts(int32_t id);
// Appends an entry (UTF-8 texts); without a code text the code is the value
// formatted "%03d".
void addValueText(ValueTextList& list, int32_t value, std::string_view longText,
                  std::string_view shortText, const char* codeText = nullptr);
// The short text of the first entry with the value, or an empty text.
std::string_view shortTextOf(const ValueTextList& list, int32_t value);
// The long text of the first entry with the value, or an empty text.
std::string_view longTextOf(const ValueTextList& list, int32_t value);
// The value of the first entry whose short text equals text exactly, or 0.
int32_t valueOfShortText(const ValueTextList& list, std::string_view text);
