// The words of cells whose values are choices, as the forms list them and
// the report and the comparison name them: one word (or sentence) per value,
// counted from a first value. A value without words of its own (P07 = 1, the
// regulator switched off, has no button) keeps an empty text.
//
// A table is built once from UTF-8 literals. Read-only after construction;
// any thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class ChoiceWords {
 public:
  struct Row {
    int cell;                        // the cell's index in its group
    int32_t first;                   // the value of the first word
    std::vector<const char*> words;  // UTF-8
  };

  ChoiceWords(std::initializer_list<Row> rows);

  // Every word of a cell, from its first value on; empty for other cells.
  const std::vector<std::string>& texts(int cell) const;
  // The words of value v of a cell, or empty.
  std::string text(int cell, int32_t v) const;

 private:
  struct Entry {
    int cell;
    int32_t first;
    std::vector<std::string> texts;
  };
  const Entry* entryOf(int cell) const;

  std::vector<Entry> m_entries;
};
