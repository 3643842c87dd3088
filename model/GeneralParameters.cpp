#include "model/GeneralParameters.h"

#include "model/ChoiceWords.h"

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

const ChoiceWords& baseChoices() {
  static const ChoiceWords words{
      {BaseParameters::O01,
       0,
       {"ТСМ (50М/100М)   W100= 1,426 ", "ТСП (50П/100П)    W100= 1,385 ", "ТСП (50П/100П)    W100= 1,391 ",
        "ТСМ (50М/100М)   W100= 1,428 "}},
      {BaseParameters::O03, 0, {"указывает номер программы", "указывает влажность"}},
      {BaseParameters::O04,
       1,
       {"индицируется температура сухого датчика", "индицируется температура сухого и влажного датчиков",
        "индицируется температура сухого, влажного и датчика продукта",
        "индицируется температура сухого, влажного, датчика продукта и положение задвижки 1",
        "индицируется температура сухого, влажного, датчика продукта и положение задвижек 1 и 2"}},
      {BaseParameters::O05,
       0,
       {"используется коэффициент калибровки отдельно для входа 1, входа 2 и отдельно для входа 3",
        "используется коэффициент калибровки входа 4 для всех 3-х термометров"}},
      {BaseParameters::O07,
       1,
       {"Продолжение работы с момента пропадания питания ", "Аварийный останов (со срабатыванием реле 5)",
        "Неаварийный останов (переход в режим \"Останов\") ",
        "Продолжение, если одна из температур понизилась больше чем на O08, иначе - аварийный останов",
        "Продолжение, если одна из температур понизилась больше чем на O08, иначе - аварийный останов"}},
      {BaseParameters::O09,
       0,
       {"300 бод", "600 бод", "1200 бод", "2400 бод", "4800 бод", "9600 бод", "14400 бод", "19200 бод"}},
      {BaseParameters::O11, 0, {"автоматическое", "ручное"}},
      {BaseParameters::Scr,
       1,
       {"чтение и запись по паролю", "записи - по паролю, чтение - без", "без пароля"}},
  };
  return words;
}

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
  return valid(p) ? std::string(kPartitions[p].text) : std::string();
}

const std::vector<std::string>& GeneralParameters::choiceTexts(int baseCell) {
  return baseChoices().texts(baseCell);
}

std::string GeneralParameters::choiceText(int baseCell, int32_t v) { return baseChoices().text(baseCell, v); }

int GeneralParameters::programCount(int p) const { return programCountOf(p == -1 ? partition() : p); }

int GeneralParameters::stepsPerProgram(int p) const { return stepsPerProgramOf(p == -1 ? partition() : p); }

std::vector<Parameter*> GeneralParameters::parameterList() { return listOf<std::vector<Parameter*>>(*this); }

std::vector<const Parameter*> GeneralParameters::parameterList() const {
  return listOf<std::vector<const Parameter*>>(*this);
}
