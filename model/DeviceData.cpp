#include "model/DeviceData.h"

#include "model/FixedText.h"

DeviceData::DeviceData() { nameField[0] = '\0'; }

std::string_view DeviceData::name() const { return fixedtext::view(nameField); }

void DeviceData::setName(std::string_view name) { fixedtext::assign(nameField, name); }

Program* DeviceData::programAt(int index) {
  if (index < 0 || index >= programCount()) return nullptr;
  auto it = programs.begin();
  std::advance(it, index);
  return &*it;
}

const Program* DeviceData::programAt(int index) const {
  return const_cast<DeviceData*>(this)->programAt(index);
}

int DeviceData::programIndexOf(const Program* program) const {
  int i = 0;
  for (const Program& p : programs) {
    if (&p == program) return i;
    ++i;
  }
  return -1;
}
