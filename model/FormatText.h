// printf-style formatting into a std::string of any length: messages, undo
// labels and captions put numbers and names into their UTF-8 templates here,
// so a long name is never cut inside a character. Any thread.
#pragma once

#include <string>
#include <string_view>

std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Which Russian word form follows the count n >= 0: 0 as in "1 шаг",
// 1 as in "2 шага", 2 as in "5 шагов" (and "11 шагов").
int pluralForm(long n);
// "шаг", "шага" or "шагов": the word after a count of steps.
const char* stepsWord(int count);

// "Программа №1 «Сушка»": a program named wherever a view names it.
std::string programTitle(int number, std::string_view name);
// "название из записи от 08.12.2026 14:25" for a name that came back from
// the name store's record of that time (Program::nameRecord); empty for none.
std::string nameRecordText(std::string_view record);
