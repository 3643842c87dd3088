#include "model/Parameter.h"

#include <climits>
#include <cstring>

#include "model/FixedText.h"

namespace {

thread_local Parameter::ChangeObserver* t_observer = nullptr;

}  // namespace

void Parameter::clear() {
  m_code[0] = m_group[0] = m_description[0] = '\0';
  m_value = 0;
  m_minValue = INT32_MIN;
  m_maxValue = INT32_MAX;
  std::memset(m_rangeMin, 0, sizeof m_rangeMin);
  std::memset(m_rangeMax, 0, sizeof m_rangeMax);
  m_rangeMinCount = m_rangeMaxCount = 0;
  m_area = 0;
  m_bitOffset = m_bitWidth = 0;
  m_beforeChange = nullptr;
  m_afterChange = nullptr;
}

Parameter::Parameter(int32_t v) {
  clear();
  // An unbounded cell takes any value unchanged; a cell being built is no
  // change anyone observes.
  m_value = v;
}

Parameter::Parameter(std::string_view code, int32_t v, int32_t min, int32_t max,
                     std::string_view group, std::string_view description) {
  clear();
  fixedtext::assign(m_code, code);
  fixedtext::assign(m_group, group);
  fixedtext::assign(m_description, description);
  m_value = v;
  addRange(min, max);
  selectRange(0);
  setStorage(0, 0, 0);
}

Parameter::Parameter(const Parameter& other) {
  clear();
  assign(other);
}

Parameter& Parameter::operator=(const Parameter& other) {
  if (this != &other) assign(other);
  return *this;
}

void Parameter::assign(const Parameter& src) {
  m_beforeChange = src.m_beforeChange;
  m_afterChange = src.m_afterChange;
  m_minValue = src.m_minValue;
  m_maxValue = src.m_maxValue;
  std::memcpy(m_rangeMin, src.m_rangeMin, sizeof m_rangeMin);
  std::memcpy(m_rangeMax, src.m_rangeMax, sizeof m_rangeMax);
  m_rangeMinCount = src.m_rangeMinCount;
  m_rangeMaxCount = src.m_rangeMaxCount;
  m_area = src.m_area;
  m_bitOffset = src.m_bitOffset;
  m_bitWidth = src.m_bitWidth;
  if (src.m_code[0]) fixedtext::assign(m_code, src.code());
  if (src.m_group[0]) fixedtext::assign(m_group, src.group());
  if (src.m_description[0]) fixedtext::assign(m_description, src.description());
  m_value = src.m_value;
}

void Parameter::setValue(int32_t v) {
  if (m_minValue < 0 && m_bitWidth >= 1 && m_bitWidth <= 31) {
    // The raw field is a bitWidth-bit two's-complement number.
    const int shift = 32 - m_bitWidth;
    v = static_cast<int32_t>(static_cast<uint32_t>(v) << shift) >> shift;
  }
  setEnteredValue(v);
}

void Parameter::setEnteredValue(int32_t v) {
  if (store(v) && t_observer) t_observer->cellChanged(*this);
}

bool Parameter::store(int32_t v) {
  if (v < m_minValue) v = m_minValue;
  if (v > m_maxValue) v = m_maxValue;
  if (v == m_value) return false;
  if (m_beforeChange) {
    Parameter proposed(*this);
    proposed.m_value = v;
    proposed.m_beforeChange = nullptr;
    proposed.m_afterChange = nullptr;
    if (!m_beforeChange(*this, proposed)) return false;
  }
  m_value = v;
  if (m_afterChange) m_afterChange(*this);
  return true;
}

void Parameter::setChangeObserver(ChangeObserver* observer) { t_observer = observer; }

Parameter::ChangeObserver* Parameter::changeObserver() { return t_observer; }

void Parameter::setValueQuiet(int32_t v) {
  if (v < m_minValue) v = m_minValue;
  if (v > m_maxValue) v = m_maxValue;
  m_value = v;
}

bool Parameter::addRange(int32_t min, int32_t max) {
  if (m_rangeMinCount >= kMaxRanges || m_rangeMaxCount >= kMaxRanges) return false;
  m_rangeMin[m_rangeMinCount++] = min;
  m_rangeMax[m_rangeMaxCount++] = max;
  return true;
}

bool Parameter::selectRange(int i) {
  if (!selectLimits(i)) return false;
  if (m_value < m_minValue) m_value = m_minValue;
  if (m_value > m_maxValue) m_value = m_maxValue;
  return true;
}

bool Parameter::selectLimits(int i) {
  if (i < 0 || i >= m_rangeMinCount || i >= m_rangeMaxCount) return false;
  m_minValue = m_rangeMin[i];
  m_maxValue = m_rangeMax[i];
  return true;
}

void Parameter::setStorage(uint16_t area, int32_t bitOffset, int32_t bitWidth) {
  m_area = area;
  m_bitOffset = bitOffset;
  m_bitWidth = bitWidth;
}

bool Parameter::sameAs(const Parameter& a, const Parameter& b) {
  return a.m_value == b.m_value && a.m_minValue == b.m_minValue && a.m_maxValue == b.m_maxValue &&
         std::strncmp(a.m_code, b.m_code, kCodeSize) == 0 && a.m_bitWidth == b.m_bitWidth;
}

std::string_view Parameter::code() const { return fixedtext::view(m_code); }
std::string_view Parameter::group() const { return fixedtext::view(m_group); }
std::string_view Parameter::description() const { return fixedtext::view(m_description); }
void Parameter::setCode(std::string_view code) { fixedtext::assign(m_code, code); }
void Parameter::setDescription(std::string_view d) { fixedtext::assign(m_description, d); }
