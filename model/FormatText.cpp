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

int pluralForm(long n) {
  const long last = n % 10, lastTwo = n % 100;
  if (lastTwo >= 11 && lastTwo <= 14) return 2;
  return last == 1 ? 0 : last >= 2 && last <= 4 ? 1 : 2;
}

const char* stepsWord(int n) {
  static const char* const words[] = {"шаг", "шага", "шагов"};
  return words[pluralForm(n < 0 ? -n : n)];
}

std::string programTitle(int number, std::string_view name) {
  return formatText("Программа №%d «", number) + std::string(name) + "»";
}

std::string nameRecordText(std::string_view record) {
  return record.empty() ? std::string() : "название из записи от " + std::string(record);
}
