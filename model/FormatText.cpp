#include "model/FormatText.h"

#include <cstdarg>
#include <cstdio>

std::string formatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (size > 0) {
    out.resize(static_cast<std::size_t>(size));
    std::vsnprintf(out.data(), out.size() + 1, format, again);
  }
  va_end(again);
  return out;
}

const char* stepsWord(int n) {
  const int last = n % 10, lastTwo = n % 100;
  if (lastTwo >= 11 && lastTwo <= 14) return "шагов";
  return last == 1 ? "шаг" : last >= 2 && last <= 4 ? "шага" : "шагов";
}

std::string programTitle(int number, std::string_view name) {
  return formatText("Программа №%d «", number) + std::string(name) + "»";
}

std::string nameRecordText(std::string_view record) {
  return record.empty() ? std::string() : "название из записи от " + std::string(record);
}
