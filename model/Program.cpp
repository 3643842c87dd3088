#include "model/Program.h"

#include "model/CellSpec.h"
#include "model/FieldText.h"

namespace {

const Parameter& cycleStartPrototype() {
  static const Parameter cell = makeCell({"H02", "Начальный шаг цикла", 1, 0, 99, 7, 7}, 0);
  return cell;
}

}  // namespace

Program::Program()
    : comparators{Comparator(0), Comparator(1), Comparator(2), Comparator(3)},
      H02(cycleStartPrototype()) {
  setName("Новая программа");
}

std::string_view Program::name() const { return m_name; }

void Program::setName(std::string_view name, std::string_view record) {
  m_name = fieldText(name, kNameLength);
  m_nameRecord = record;
}

Step* Program::stepAt(int index) {
  if (index < 0 || index >= stepCount()) return nullptr;
  auto it = steps.begin();
  std::advance(it, index);
  return &*it;
}

const Step* Program::stepAt(int index) const {
  return const_cast<Program*>(this)->stepAt(index);
}

int Program::stepIndexOf(const Step* step) const {
  int i = 0;
  for (const Step& s : steps) {
    if (&s == step) return i;
    ++i;
  }
  return -1;
}

std::vector<Parameter*> Program::parameterList() {
  std::vector<Parameter*> list{&H02};
  for (Comparator& c : comparators)
    for (Parameter& p : c.cells) list.push_back(&p);
  return list;
}

void Program::setChangeObserver(Parameter::ChangeObserver* observer) {
  for (Parameter* cell : parameterList()) cell->setChangeObserver(observer);
  for (Step& step : steps)
    for (Parameter& cell : step.cells) cell.setChangeObserver(observer);
}

std::vector<const Parameter*> Program::parameterList() const {
  std::vector<const Parameter*> list{&H02};
  for (const Comparator& c : comparators)
    for (const Parameter& p : c.cells) list.push_back(&p);
  return list;
}
