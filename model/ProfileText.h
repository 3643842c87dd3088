// Words for a program's profile (model/ProgramProfile.h), the same in the
// tree, on the program page, in the report and from "tkv88ctl profile":
// lengths as hours and minutes, setpoints with their units, how a step ends.
// Numbers are written with a decimal point whatever the locale. UTF-8; any
// thread.
#pragma once

#include <string>
#include <string_view>

#include "model/ProgramProfile.h"

namespace profiletext {

// "°С" for the temperatures (inputs 1..4), "%" for relative humidity (5).
const char* unit(int input);
// The quantity's short name ("Т[сух]", "влажность"); empty outside 1..5.
std::string quantity(int input);
// `v` with `decimals` digits after a point ("-12.5").
std::string number(double v, int decimals);

// Minutes rounded to the minute as "HH:MM" (hours go past 99: "6334:01").
std::string hoursMinutes(double minutes);
// "12:30", "не менее 12:30", "не более 12:30" or "около 12:30".
std::string total(const ProfileTotal& total);
// "12:30" with the loop's when there is one: "12:30, цикл с шага 2: 10:15".
std::string lengths(const ProgramProfile& profile);
// "длительность " and the lengths: the program's durations in one phrase.
std::string durations(const ProgramProfile& profile);

// "Т[сух] 60.0 °С", a ramp "Т[сух] 20.0 → 60.0 °С", a ramp cut short by the
// step's end "Т[сух] 20.0 → 45.0 (до 60.0) °С"; "выключен" for a regulator
// switched off.
std::string setpoint(const SetpointCourse& course);
// The condition as "Т[сух] > 70 °С"; empty when U02 names no quantity.
std::string condition(const ProfileStep& step);
// How the step ends: "по времени", "по условию Т[сух] > 70 °С", "по условию
// … и времени", "по условию … или времени", followed, when the program
// cannot tell when, by why: "; когда — не определить по программе" or
// "; уставки условия не достигают".
std::string ending(const ProfileStep& step);

// The program as "tkv88ctl profile" prints it: "Программа N «NAME»: " and
// its durations, then a line per step, tab-separated: number, start, end,
// the two setpoints, how it ends.
std::string listing(const ProgramProfile& profile, int number, std::string_view name);

}  // namespace profiletext
