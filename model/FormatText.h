// printf-style formatting into a std::string of any length: messages, undo
// labels and captions put numbers and names into their UTF-8 templates here,
// so a long name is never cut inside a character. Any thread.
#pragma once

#include <string>

std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

// "шаг", "шага" or "шагов": the word after a count of steps.
const char* stepsWord(int count);
