#include "model/ValueTexts.h"

#include <map>

#include "model/FormatText.h"

namespace {

struct Entry {
  int32_t value;
  const char* longText;  // UTF-8
  const char* shortText;
};

const Entry kTransition[] = {
    {0, "достижение температуры/влажности", "Темп/Влажн"},
    {1, "достижение времени", "Время"},
    {2, "достижение температуры/влажности и времени", "Темп/Вл и Время"},
    {3, "достижение температуры/влажности или времени", "Темп/Вл или Время"},
};

const Entry kTransitionByValue[] = {
    {1, "температура продукта больше уставки", "Т[прод] > уставки"},
    {2, "температура продукта меньше уставки", "Т[прод] < уставки"},
    {3, "температура сухого термометра больше уставки", "Т[сух] > уставки"},
    {4, "температура сухого термометра меньше уставки", "Т[сух] < уставки"},
    {5, "температура влажного термометра больше уставки", "Т[влаж] > уставки"},
    {6, "температура влажного термометра меньше уставки", "Т[влаж] < уставки"},
    {7, "разность температур больше уставки", "dТ > уставки"},
    {8, "разность температур меньше уставки", "dТ < уставки"},
    {9, "влажность больше уставки", "влажность > уставки"},
    {10, "влажность меньше уставки", "влажность < уставки"},
};

const Entry kRegulatorInput[] = {
    {1, "температура продукта", "Т[прод]"},
    {2, "температура сухого термометра", "Т[сух]"},
    {3, "температура влажного термометра", "Т[влаж]"},
    {4, "разность температур", "Т[сух] - Т[влаж]"},
    {5, "относительная влажность", "влажность"},
};

const Entry kKeyMode[] = {
    {0, "ключ не замкнут", "разомкнут"},
    {1, "ключ замкнут непрерывно", "замкнут"},
    {2, "1-ый импульсный режим", "1-ый режим"},
    {3, "2-ой импульсный режим", "2-ой режим"},
    {4, "3-ий импульсный режим", "3-ий режим"},
    {5, "4-ый импульсный режим", "4-ый режим"},
    {6, "5-ый импульсный режим", "5-ый режим"},
    {7, "6-ой импульсный режим", "6-ой режим"},
    {8, "7-ой импульсный режим", "7-ой режим"},
    {9, "8-ой импульсный режим", "8-ой режим"},
    {10, "9-ый импульсный режим", "9-ый режим"},
    {11, "10-ый импульсный режим", "10-ый режим"},
    {12, "11-ый импульсный режим", "11-ый режим"},
    {13, "12-ый импульсный режим", "12-ый режим"},
    {14, "13-ый импульсный режим", "13-ый режим"},
    {15, "14-ый импульсный режим", "14-ый режим"},
};

template <std::size_t N>
ValueTextList listOf(const Entry (&entries)[N]) {
  ValueTextList list;
  for (const Entry& e : entries) addValueText(list, e.value, e.longText, e.shortText);
  return list;
}

const std::map<int32_t, ValueTextList>& table() {
  static const std::map<int32_t, ValueTextList> t = [] {
    std::map<int32_t, ValueTextList> m;
    m[valuetext::kTransition] = listOf(kTransition);
    m[valuetext::kTransitionByValue] = listOf(kTransitionByValue);
    m[valuetext::kRegulator1Input] = listOf(kRegulatorInput);
    m[valuetext::kRegulator2Input] = listOf(kRegulatorInput);
    for (int32_t id = valuetext::kFirstKeyMode; id <= valuetext::kLastKeyMode; ++id)
      m[id] = listOf(kKeyMode);
    return m;
  }();
  return t;
}

}  // namespace

void buildValueTexts() { (void)table(); }

const ValueTextList& valueTexts(int32_t id) {
  static const ValueTextList kEmpty;
  const auto& t = table();
  const auto it = t.find(id);
  return it == t.end() ? kEmpty : it->second;
}

void addValueText(ValueTextList& list, int32_t value, std::string_view longText,
                  std::string_view shortText, const char* codeText) {
  list.push_back({.longText = std::string(longText),
                  .shortText = std::string(shortText),
                  .codeText = codeText ? std::string(codeText) : formatText("%03d", static_cast<int>(value)),
                  .value = value});
}

std::string_view shortTextOf(const ValueTextList& list, int32_t value) {
  for (const ValueText& e : list)
    if (e.value == value) return e.shortText;
  return {};
}

std::string_view longTextOf(const ValueTextList& list, int32_t value) {
  for (const ValueText& e : list)
    if (e.value == value) return e.longText;
  return {};
}

int32_t valueOfShortText(const ValueTextList& list, std::string_view text) {
  for (const ValueText& e : list)
    if (e.shortText == text) return e.value;
  return 0;
}
