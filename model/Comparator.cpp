#include "model/Comparator.h"

#include "model/CellSpec.h"
#include "model/ChoiceWords.h"

namespace {

// Comparator `index`'s cells, their positions shifted to its block.
std::vector<Parameter> makeComparator(int index) {
  return makeCells(
      {
          {"C01", "Входная величина", 1, 1, 7, 14, 3},
          {"C02", "Состояние выхода", 1, 0, 6, 17, 3},
          {"C03", "1-ая (верхняя) уставка", -15, -99, 999, 20, 11, true, 0, 99},
          {"C04", "2-ая (нижняя) уставка", 100, -99, 999, 31, 11, true, 0, 99},
          {"C05", "Логика работы", 2, 0, 3, 42, 2},
          {"C06", "Блокировка срабатывания до 1-го достижения уставки в начале программы", 0, 0, 1, 44, 1},
          {"C07", "Блокировка срабатывания до 1-го достижения уставки в начале шага", 1, 0, 1, 45, 1},
          {"C08", "Блокировка до нажатия кнопки \"СБРОС\"", 1, 0, 1, 46, 1},
          {"C09", "Время задержки срабатывания", 12, 0, 999, 47, 10},
          {"C10", "Время задержки отпускания", 24, 0, 999, 57, 10},
      },
      0, Comparator::kBlockBits * index);
}

constexpr int kProgramComparators = 4;

const std::vector<Parameter>& prototype(int index) {
  static const std::vector<Parameter> blocks[kProgramComparators] = {makeComparator(0), makeComparator(1),
                                                                     makeComparator(2), makeComparator(3)};
  return blocks[index];
}

}  // namespace

std::string Comparator::choiceText(int cell, int32_t v) {
  static const ChoiceWords words{
      {C01,
       1,
       {"температура продукта", "температура камеры (сухого термометра)", "температура влажного термометра",
        "разница температур сухого термометра и продукта", "относительная влажность",
        "входная величина 1-ого регулятора", "входная величина 2-ого регулятора"}},
      {C02,
       1,
       {"1-ое реле", "2-ое реле", "3-е реле", "4-ое реле", "5-ое реле, светодиод \"Авария\" не горит",
        "5-ое реле, светодиод \"Авария\" горит"}},
      {C05,
       0,
       {"реле компаратора замыкается при значении контролируемой величины, большем верхней уставки, а "
        "размыкается - при меньшем нижней уставки",
        "реле замыкается при значении величины, меньшем нижней уставки, а размыкается - при большем верхней "
        "уставки",
        "реле замыкается при значении контролируемой величины, находящимся между нижней и верхней уставками",
        "реле замыкается при выходе значения контролируемой величины за пределы, заданные верхней и нижней "
        "уставками"}},
  };
  return words.text(cell, v);
}

Comparator::Comparator(int index) {
  if (index >= 0 && index < kProgramComparators)
    assignCells(cells, prototype(index));
  else
    assignCells(cells, makeComparator(index));
}

void Comparator::selectInputRanges() {
  const int pair = cells[C01].value() == 5 ? 1 : 0;
  cells[C03].selectLimits(pair);
  cells[C04].selectLimits(pair);
}

void Comparator::applyInputRanges() {
  selectInputRanges();
  for (int setpoint : {C03, C04}) cells[setpoint].setEnteredValue(cells[setpoint].value());
}

std::vector<Parameter> Comparator::snapshot() const { return copiesOf(cells); }
