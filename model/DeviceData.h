// The whole configuration of one controller (the "прошивка"): its name, the
// technologist programs of level L1 and the general parameters of level L2.
// The document owns one; a device read fills a scratch one of its own.
// Programs live in a std::list so their addresses survive edits of the list.
#pragma once

#include <list>
#include <string>
#include <string_view>

#include "model/GeneralParameters.h"
#include "model/Program.h"

class DeviceData {
 public:
  DeviceData();  // empty name, no programs, default general parameters

  std::string_view name() const;
  // UTF-8; cut to Program::kNameLength characters.
  void setName(std::string_view name);

  int programCount() const { return static_cast<int>(programs.size()); }
  Program* programAt(int index);  // 0-based; nullptr when out of range
  const Program* programAt(int index) const;
  // 0-based position of the program in the list, or -1.
  int programIndexOf(const Program* program) const;
  // The program whose header, comparator or step holds `cell`, or nullptr.
  const Program* programHolding(const Parameter* cell) const;
  // Every cell of the configuration gets `observer` (nullptr: none).
  void setChangeObserver(Parameter::ChangeObserver* observer);

 private:
  std::string m_name;  // first, as in Program

 public:
  std::list<Program> programs;
  GeneralParameters general;
};
