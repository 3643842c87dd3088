#include "model/PidRegulator.h"

#include "model/CellSpec.h"
#include "model/ChoiceWords.h"
#include "model/MemoryAreas.h"

namespace {

std::vector<Parameter> makeRegulator(int index) {
  const std::string p = index ? "P." : "P";
  const int base = index ? 189 : 125;
  return makeCells(
      {
          {p + "01", "Постоянная времени дифференцирования", 0, 0, 999, base + 0, 10},
          {p + "02", "Постоянная времени интегрирования", 0, 0, 999, base + 10, 10},
          {p + "03", "Полоса пропорциональности", 0, 0, 999, base + 20, 10},
          {p + "04", "Период следования выходных импульсов", 0, 0, 120, base + 30, 7},
          {p + "05", "Зона действия интегральной составляющей", 0, 0, 999, base + 37, 10},
          {p + "06", "Ограничение максимальной мощности", 0, 0, 99, base + 47, 7},
          {p + "07", "Тип исполнительного устройства", 0, 0, 7, base + 54, 3},
          {p + "08", "Зона нечувствительности", 0, 0, 99, base + 57, 7},
      },
      kL2Area);
}

const std::vector<Parameter>& prototype(int index) {
  static const std::vector<Parameter> first = makeRegulator(0);
  static const std::vector<Parameter> second = makeRegulator(1);
  return index ? second : first;
}

}  // namespace

std::string PidRegulator::actuatorText(int32_t p07) {
  static const ChoiceWords words{
      {P07,
       0,
       {"Коммутирует свои реле: одно как \"нагреватель\" на выходе регулятора, другое - как \"холодильник\"",
        "", "Коммутирует свое реле как \"нагреватель\"", "Коммутирует свое реле как \"холодильник\"",
        "Управляет задвижкой по прямо пропорциональному закону",
        "Управляет задвижкой по обратно пропорциональному закону",
        "Управляет задвижкой по прямо пропорциональному закону с обратной связью по положению",
        "Управляет задвижкой по обратно пропорциональному закону с обратной связью по положению"}},
  };
  return words.text(P07, p07);
}

PidRegulator::PidRegulator(int index) : index(index ? 1 : 0) { assignCells(cells, prototype(this->index)); }

std::vector<Parameter> PidRegulator::snapshot() const { return copiesOf(cells); }
