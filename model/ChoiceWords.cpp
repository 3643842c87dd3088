#include "model/ChoiceWords.h"

ChoiceWords::ChoiceWords(std::initializer_list<Row> rows) {
  for (const Row& row : rows) {
    Entry e{row.cell, row.first, {}};
    for (const char* w : row.words) e.texts.emplace_back(w);
    m_entries.push_back(std::move(e));
  }
}

const ChoiceWords::Entry* ChoiceWords::entryOf(int cell) const {
  for (const Entry& e : m_entries)
    if (e.cell == cell) return &e;
  return nullptr;
}

const std::vector<std::string>& ChoiceWords::texts(int cell) const {
  static const std::vector<std::string> none;
  const Entry* e = entryOf(cell);
  return e ? e->texts : none;
}

std::string ChoiceWords::text(int cell, int32_t v) const {
  const Entry* e = entryOf(cell);
  if (!e) return {};
  const int64_t i = int64_t{v} - e->first;
  return i >= 0 && i < static_cast<int64_t>(e->texts.size()) ? e->texts[static_cast<std::size_t>(i)]
                                                             : std::string();
}
