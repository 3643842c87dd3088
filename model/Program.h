// A technologist program: name, four comparators, the ordered steps and the
// cycle start H02. A value type: copying copies the name, comparators, H02 and
// every step. Steps live in a std::list so a Step's address stays valid while
// other steps are inserted or removed (views and the document hold pointers).
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "model/Comparator.h"
#include "model/Parameter.h"
#include "model/Step.h"

class Program {
 public:
  static constexpr int kNameLength = 63;  // characters, as the file counts them
  static constexpr int kComparatorCount = 4;
  static constexpr int kHeaderBits = 238;

  // "Новая программа", default comparators, no steps, H02 = 1.
  Program();

  std::string_view name() const;
  // UTF-8; cut to kNameLength characters. `record` says where a name the
  // controller could not keep came back from: the time of the name store's
  // record ("08.12.2026 14:25"); empty for a name of the configuration's own.
  void setName(std::string_view name, std::string_view record = {});
  const std::string& nameRecord() const { return m_nameRecord; }

  int stepCount() const { return static_cast<int>(steps.size()); }
  Step* stepAt(int index);  // 0-based; nullptr when out of range
  const Step* stepAt(int index) const;
  int stepIndexOf(const Step* step) const;  // 0-based, or -1

  // H02, then C01..C10 of comparators 1..4 (41 cells).
  std::vector<Parameter*> parameterList();
  std::vector<const Parameter*> parameterList() const;
  // Every cell of the program and its steps gets `observer` (nullptr: none).
  void setChangeObserver(Parameter::ChangeObserver* observer);

  Comparator comparators[kComparatorCount];
  std::list<Step> steps;
  Parameter H02;

 private:
  std::string m_name;
  std::string m_nameRecord;
};
