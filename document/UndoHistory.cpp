#include "document/UndoHistory.h"

#include <unordered_set>
#include <utility>

void UndoHistory::reset(Entry initial) {
  m_entries.clear();
  initial.spin = false;
  m_entries.push_back(std::move(initial));
  m_at = 0;
}

void UndoHistory::push(Entry step) {
  m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(m_at) + 1, m_entries.end());
  Entry& top = m_entries[m_at];
  if (step.spin && top.spin && m_at > 0 && top.place == step.place) {
    top.state = std::move(step.state);
    top.title = std::move(step.title);
    top.pathName = std::move(step.pathName);
    top.savedText = std::move(step.savedText);
    return;
  }
  m_entries.push_back(std::move(step));
  ++m_at;
  if (m_entries.size() > static_cast<std::size_t>(kLimit) + 1) {
    m_entries.erase(m_entries.begin());
    --m_at;
  }
}

bool UndoHistory::undo() {
  if (!canUndo()) return false;
  --m_at;
  // Clicks after an undo or redo start a step of their own.
  m_entries[m_at].spin = false;
  return true;
}

bool UndoHistory::redo() {
  if (!canRedo()) return false;
  ++m_at;
  m_entries[m_at].spin = false;
  return true;
}

void UndoHistory::setIdentity(const std::string& title, const std::string& pathName,
                              const std::shared_ptr<const std::string>& savedText) {
  if (m_entries.empty()) return;
  std::size_t first = m_at;
  while (first > 0 && !m_entries[first].fromDevice) --first;
  std::size_t end = m_at + 1;
  while (end < m_entries.size() && !m_entries[end].fromDevice) ++end;
  for (std::size_t i = first; i < end; ++i) {
    m_entries[i].title = title;
    m_entries[i].pathName = pathName;
    m_entries[i].savedText = savedText;
  }
  // The saved state stays one an undo can come back to: no click joins it.
  if (!m_entries.empty()) m_entries[m_at].spin = false;
}

std::size_t UndoHistory::bytes() const {
  std::unordered_set<const void*> seen;
  std::size_t total = 0;
  for (const Entry& e : m_entries) total += e.state.bytes(seen) + sizeof(Entry) + e.label.capacity();
  return total;
}
