#include "model/DeviceData.h"

#include <iterator>

#include "model/FieldText.h"

DeviceData::DeviceData() = default;

std::string_view DeviceData::name() const { return m_name; }

void DeviceData::setName(std::string_view name) { m_name = fieldText(name, Program::kNameLength); }

Program* DeviceData::programAt(int index) {
  if (index < 0 || index >= programCount()) return nullptr;
  auto it = programs.begin();
  std::advance(it, index);
  return &*it;
}

const Program* DeviceData::programAt(int index) const {
  return const_cast<DeviceData*>(this)->programAt(index);
}

void DeviceData::setChangeObserver(Parameter::ChangeObserver* observer) {
  for (Parameter* cell : general.parameterList()) cell->setChangeObserver(observer);
  for (Program& program : programs) program.setChangeObserver(observer);
}

int DeviceData::programIndexOf(const Program* program) const {
  int i = 0;
  for (const Program& p : programs) {
    if (&p == program) return i;
    ++i;
  }
  return -1;
}

const Program* DeviceData::programHolding(const Parameter* cell) const {
  const auto within = [cell](const auto& cells) { return cell >= std::begin(cells) && cell < std::end(cells); };
  for (const Program& p : programs) {
    if (cell == &p.H02) return &p;
    for (const Comparator& c : p.comparators)
      if (within(c.cells)) return &p;
    for (const Step& s : p.steps)
      if (within(s.cells)) return &p;
  }
  return nullptr;
}
