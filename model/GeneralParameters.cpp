#include "model/GeneralParameters.h"

#include "model/Cp1251.h"

namespace {

struct PartitionRow {
  int programs;
  int steps;
  const char* text;
};

constexpr PartitionRow kPartitions[GeneralParameters::kPartitionCount] = {
    {60, 7, "60 программ по 7 шагов"},   {30, 16, "30 программ по 16 шагов"},
    {20, 25, "20 программ по 25 шагов"}, {15, 34, "15 программ по 34 шага"},
    {12, 43, "12 программ по 43 шага"},  {10, 52, "10 программ по 52 шага"},
    {6, 88, "6 программ по 88 шагов"},   {5, 99, "5 программ по 99 шагов"},
};

bool valid(int partition) { return partition >= 0 && partition < GeneralParameters::kPartitionCount; }

template <typename List, typename General>
List listOf(General& g) {
  List list;
  list.reserve(GeneralParameters::kCellCount);
  for (auto& c : g.base.cells) list.push_back(&c);
  for (auto& c : g.corrections.cells) list.push_back(&c);
  for (auto& c : g.filters.cells) list.push_back(&c);
  for (auto& r : g.pid)
    for (auto& c : r.cells) list.push_back(&c);
  for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
    list.push_back(&g.keys.pulse(j));
    list.push_back(&g.keys.pause(j));
  }
  return list;
}

}  // namespace

GeneralParameters::GeneralParameters() : pid{PidRegulator(0), PidRegulator(1)} {}

int GeneralParameters::programCountOf(int p) { return valid(p) ? kPartitions[p].programs : 0; }
int GeneralParameters::stepsPerProgramOf(int p) { return valid(p) ? kPartitions[p].steps : 0; }

std::string GeneralParameters::partitionText(int p) {
  return valid(p) ? cp1251::fromUtf8(kPartitions[p].text) : std::string();
}

int GeneralParameters::programCount(int p) const {
  return programCountOf(p == -1 ? partition() : p);
}

int GeneralParameters::stepsPerProgram(int p) const {
  return stepsPerProgramOf(p == -1 ? partition() : p);
}

std::vector<Parameter*> GeneralParameters::parameterList() {
  return listOf<std::vector<Parameter*>>(*this);
}

std::vector<const Parameter*> GeneralParameters::parameterList() const {
  return listOf<std::vector<const Parameter*>>(*this);
}
