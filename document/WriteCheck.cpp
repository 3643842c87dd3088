#include "document/WriteCheck.h"

#include <algorithm>
#include <cstdio>

#include "model/FieldCapacity.h"
#include "model/FormatText.h"

namespace {

void checkCell(const Parameter& cell, const std::string& where, std::vector<std::string>& out) {
  const int32_t stored = storedFieldValue(cell);
  if (stored == cell.value()) return;
  const FieldCapacity c = fieldCapacityOf(cell);
  out.push_back(formatText("%s%s = %d будет записан как %d (поле памяти вмещает %d..%d)", where.c_str(),
                           std::string(cell.code()).c_str(), cell.value(), stored, c.min, c.max));
}

}  // namespace

WriteCheck checkBeforeWrite(const DeviceData& config) {
  WriteCheck check;
  const GeneralParameters& general = config.general;
  const int programsAllowed = general.programCount();
  const int stepsAllowed = general.stepsPerProgram();

  if (programsAllowed == 0) {
    if (config.programCount() > 0)
      check.overflow.push_back(formatText("Разбиение памяти O10 = %d недопустимо: программы записать нельзя",
                                          general.partition()));
  } else if (config.programCount() > programsAllowed) {
    check.overflow.push_back(formatText(
        "Программ в конфигурации: %d; разбиение памяти O10 = %d (%s) допускает %d", config.programCount(),
        general.partition(), GeneralParameters::partitionText(general.partition()).c_str(), programsAllowed));
  }

  for (const Parameter* cell : general.parameterList()) checkCell(*cell, "", check.adjusted);

  int n = 0;
  for (const Program& program : config.programs) {
    if (n >= programsAllowed) break;
    ++n;
    if (program.stepCount() > stepsAllowed)
      check.overflow.push_back(formatText("Программа №%d «%s»: шагов %d; разбиение памяти допускает %d", n,
                                          std::string(program.name()).c_str(), program.stepCount(),
                                          stepsAllowed));

    char where[128];
    std::snprintf(where, sizeof where, "Программа №%d: ", n);
    checkCell(program.H02, where, check.adjusted);
    for (int k = 0; k < Program::kComparatorCount; ++k) {
      std::snprintf(where, sizeof where, "Программа №%d, компаратор №%d: ", n, k + 1);
      for (const Parameter& cell : program.comparators[k].cells) checkCell(cell, where, check.adjusted);
    }
    int s = 0;
    for (const Step& step : program.steps) {
      if (s >= stepsAllowed) break;
      ++s;
      std::snprintf(where, sizeof where, "Программа №%d, шаг №%d: ", n, s);
      for (const Parameter& cell : step.cells) checkCell(cell, where, check.adjusted);
    }
  }
  return check;
}

DeviceData fitToPartition(const DeviceData& config) {
  DeviceData fitted(config);
  const std::size_t programsAllowed = static_cast<std::size_t>(fitted.general.programCount());
  const int stepsAllowed = fitted.general.stepsPerProgram();
  while (fitted.programs.size() > programsAllowed) fitted.programs.pop_back();
  for (Program& program : fitted.programs) {
    if (program.stepCount() <= stepsAllowed) continue;
    while (program.stepCount() > stepsAllowed) program.steps.pop_back();
    // The cycle would otherwise start at a step that is not written.
    if (program.H02.value() > stepsAllowed) program.H02.valueRef() = stepsAllowed;
  }
  return fitted;
}

namespace {

void compareCells(const Parameter& expected, const Parameter& actual, const char* where,
                  std::vector<std::string>& out) {
  if (expected.value() != actual.value())
    out.push_back(formatText("%s%s = %d, ожидалось %d", where, std::string(actual.code()).c_str(),
                             actual.value(), expected.value()));
}

}  // namespace

std::vector<std::string> valueDifferences(const DeviceData& expected, const DeviceData& actual) {
  std::vector<std::string> out;
  const auto expectedGeneral = expected.general.parameterList();
  const auto actualGeneral = actual.general.parameterList();
  for (std::size_t i = 0; i < expectedGeneral.size() && i < actualGeneral.size(); ++i)
    compareCells(*expectedGeneral[i], *actualGeneral[i], "", out);

  if (expected.programCount() != actual.programCount())
    out.push_back(formatText("Программ: %d, ожидалось %d", actual.programCount(), expected.programCount()));
  auto e = expected.programs.begin();
  auto a = actual.programs.begin();
  char where[128];
  for (int n = 1; e != expected.programs.end() && a != actual.programs.end(); ++e, ++a, ++n) {
    if (e->stepCount() != a->stepCount())
      out.push_back(formatText("Программа №%d: шагов %d, ожидалось %d", n, a->stepCount(), e->stepCount()));
    std::snprintf(where, sizeof where, "Программа №%d: ", n);
    compareCells(e->H02, a->H02, where, out);
    for (int k = 0; k < Program::kComparatorCount; ++k) {
      std::snprintf(where, sizeof where, "Программа №%d, компаратор №%d: ", n, k + 1);
      for (int c = 0; c < Comparator::kCellCount; ++c)
        compareCells(e->comparators[k].cells[c], a->comparators[k].cells[c], where, out);
    }
    auto es = e->steps.begin();
    auto as = a->steps.begin();
    for (int s = 1; es != e->steps.end() && as != a->steps.end(); ++es, ++as, ++s) {
      std::snprintf(where, sizeof where, "Программа №%d, шаг №%d: ", n, s);
      for (int c = 0; c < Step::kCellCount; ++c) compareCells(es->cells[c], as->cells[c], where, out);
    }
  }
  return out;
}
