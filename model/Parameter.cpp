#include "model/Parameter.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <stdexcept>
#include <string>
#include <utility>

#include "model/FieldText.h"

namespace {

// Every observer by its number, nullptr once destroyed (0 is none; numbers
// are never reused, so a cell that outlives its observer is heard by no
// one). A cell holds the number, which keeps it at 24 bytes; finding the
// observer takes no lock.
constexpr uint32_t kMaxObservers = 1 << 16;
std::atomic<Parameter::ChangeObserver*> g_observers[kMaxObservers];
std::atomic<uint32_t> g_nextObserver{1};

// A text as a field of `size` bytes kept it: up to its first NUL, at most
// size - 1 characters.
std::string cellText(std::string_view text, int size) {
  return fieldText(text, static_cast<std::size_t>(size - 1));
}

}  // namespace

Parameter::Parameter(int32_t v)
    : m_entry(CellEntry::none()), m_value(v), m_minValue(INT32_MIN), m_maxValue(INT32_MAX) {}

Parameter::Parameter(std::string_view code, int32_t v, int32_t min, int32_t max, std::string_view group,
                     std::string_view description)
    : Parameter(CellEntry::shared({.code = cellText(code, kCodeSize),
                                   .group = cellText(group, kGroupSize),
                                   .description = cellText(description, kDescriptionSize),
                                   .ranges = {{min, max}}}),
                v) {}

Parameter::Parameter(const Parameter& other)
    : m_entry(other.m_entry), m_value(other.m_value), m_minValue(other.m_minValue), m_maxValue(other.m_maxValue) {}

Parameter::Parameter(const CellEntry* entry, int32_t v) : Parameter(v) {
  m_entry = entry;
  selectRange(0);
}

Parameter& Parameter::operator=(const Parameter& other) {
  if (this != &other) assign(other);
  return *this;
}

void Parameter::assign(const Parameter& src) {
  m_minValue = src.m_minValue;
  m_maxValue = src.m_maxValue;
  m_value = src.m_value;
  if (m_entry == src.m_entry) return;
  // A text the source lacks stays the destination's; the rest is the source's.
  const CellEntry& own = *m_entry;
  const CellEntry& from = *src.m_entry;
  const bool keepCode = from.code.empty() && !own.code.empty();
  const bool keepGroup = from.group.empty() && !own.group.empty();
  const bool keepDescription = from.description.empty() && !own.description.empty();
  if (!keepCode && !keepGroup && !keepDescription) {
    m_entry = src.m_entry;
    return;
  }
  CellEntry merged = from;
  if (keepCode) merged.code = own.code;
  if (keepGroup) merged.group = own.group;
  if (keepDescription) merged.description = own.description;
  m_entry = CellEntry::shared(std::move(merged));
}

template <typename Change>
void Parameter::changeEntry(Change change) {
  CellEntry entry = *m_entry;
  change(entry);
  m_entry = CellEntry::shared(std::move(entry));
}

void Parameter::setValue(int32_t v) {
  const int32_t width = m_entry->bitWidth;
  if (m_minValue < 0 && width >= 1 && width <= 31) {
    // The raw field is a width-bit two's-complement number.
    const int shift = 32 - width;
    v = static_cast<int32_t>(static_cast<uint32_t>(v) << shift) >> shift;
  }
  setEnteredValue(v);
}

void Parameter::setEnteredValue(int32_t v) {
  ChangeObserver* observer = changeObserver();
  if (store(v, observer) && observer) observer->cellChanged(*this);
}

bool Parameter::store(int32_t v, ChangeObserver* observer) {
  if (v < m_minValue) v = m_minValue;
  if (v > m_maxValue) v = m_maxValue;
  if (v == m_value) return false;
  if (observer) {
    Parameter proposed(*this);
    proposed.m_value = v;
    if (!observer->mayChange(*this, proposed)) return false;
  }
  m_value = v;
  return true;
}

Parameter::ChangeObserver::ChangeObserver() : m_number(g_nextObserver.fetch_add(1)) {
  if (m_number >= kMaxObservers) throw std::length_error("too many cell change observers");
  g_observers[m_number].store(this, std::memory_order_release);
}

Parameter::ChangeObserver::~ChangeObserver() { g_observers[m_number].store(nullptr, std::memory_order_release); }

void Parameter::setChangeObserver(ChangeObserver* observer) { m_observer = observer ? observer->m_number : 0; }

Parameter::ChangeObserver* Parameter::changeObserver() const {
  return m_observer == 0 ? nullptr : g_observers[m_observer].load(std::memory_order_acquire);
}

void Parameter::setValueQuiet(int32_t v) {
  if (v < m_minValue) v = m_minValue;
  if (v > m_maxValue) v = m_maxValue;
  m_value = v;
}

bool Parameter::addRange(int32_t min, int32_t max) {
  if (rangeCount() >= kMaxRanges) return false;
  changeEntry([&](CellEntry& e) { e.ranges.push_back({min, max}); });
  return true;
}

bool Parameter::selectRange(int i) {
  if (!selectLimits(i)) return false;
  if (m_value < m_minValue) m_value = m_minValue;
  if (m_value > m_maxValue) m_value = m_maxValue;
  return true;
}

bool Parameter::selectLimits(int i) {
  if (i < 0 || i >= rangeCount()) return false;
  m_minValue = m_entry->ranges[i].min;
  m_maxValue = m_entry->ranges[i].max;
  return true;
}

void Parameter::setStorage(uint16_t area, int32_t bitOffset, int32_t bitWidth) {
  changeEntry([&](CellEntry& e) {
    e.area = area;
    e.bitOffset = bitOffset;
    e.bitWidth = bitWidth;
  });
}

bool Parameter::sameAs(const Parameter& a, const Parameter& b) {
  return a.m_value == b.m_value && a.m_minValue == b.m_minValue && a.m_maxValue == b.m_maxValue &&
         (a.m_entry == b.m_entry || (a.code() == b.code() && a.bitWidth() == b.bitWidth()));
}

void Parameter::setCode(std::string_view code) {
  changeEntry([&](CellEntry& e) { e.code = cellText(code, kCodeSize); });
}

void Parameter::setDescription(std::string_view d) {
  changeEntry([&](CellEntry& e) { e.description = cellText(d, kDescriptionSize); });
}
