#include "document/ConfigCompare.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "document/WriteCheck.h"
#include "model/FormatText.h"
#include "model/ValueTexts.h"

namespace {

std::string number(int32_t v) { return std::to_string(v); }

// The value-text list of a cell's code, or nullptr.
const ValueTextList* textsOf(std::string_view code) {
  if (code == "U01") return &valueTexts(valuetext::kTransition);
  if (code == "U02") return &valueTexts(valuetext::kTransitionByValue);
  if (code == "E01") return &valueTexts(valuetext::kRegulator1Input);
  if (code == "E.01") return &valueTexts(valuetext::kRegulator2Input);
  if (code.size() == 3 && code[0] == 'N' && code[1] == '0' && code[2] >= '1' && code[2] <= '8')
    return &valueTexts(valuetext::kFirstKeyMode + (code[2] - '1'));
  return nullptr;
}

// The choice words of a general cell's value (blanks around them trimmed),
// or empty.
std::string choiceWords(const Parameter& cell) {
  static const BaseParameters base;
  for (int i = 0; i < BaseParameters::kCellCount; ++i) {
    if (base[i].code() != cell.code()) continue;
    std::string words = GeneralParameters::choiceText(i, cell.value());
    const std::size_t begin = words.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return words.substr(begin, words.find_last_not_of(' ') + 1 - begin);
  }
  return {};
}

class Comparison {
 public:
  Comparison(const DeviceData& a, const DeviceData& b, CompareOptions options)
      : m_a(a), m_b(b), m_options(options) {}

  std::vector<ConfigDifference> run() {
    if (m_options.names && m_a.name() != m_b.name()) {
      ConfigDifference d = entry(ConfigDifference::kName, "-", "DeviceDataName", "Название прошивки");
      d.textA = m_a.name();
      d.textB = m_b.name();
      add(d);
    }
    const int programs = std::max(m_a.programCount(), m_b.programCount());
    int firstOnOneSide = -1;
    for (int n = 0; n < programs; ++n) {
      const Program* pa = m_a.programAt(n);
      const Program* pb = m_b.programAt(n);
      if (pa && pb) {
        comparePrograms(n, *pa, *pb);
        continue;
      }
      const Program& p = pa ? *pa : *pb;
      ConfigDifference d =
          entry(pa ? ConfigDifference::kProgramOnlyA : ConfigDifference::kProgramOnlyB, programScope(n), "-",
                formatText("Программа №%d «%s»", n + 1, std::string(p.name()).c_str()));
      d.program = n;
      (pa ? d.textA : d.textB) = formatText("есть, шагов %d", p.stepCount());
      (pa ? d.textB : d.textA) = "нет";
      d.follows = firstOnOneSide;
      const int index = add(d);
      if (firstOnOneSide < 0) firstOnOneSide = index;
    }
    const std::vector<const Parameter*> ga = generalInListOrder(m_a.general);
    const std::vector<const Parameter*> gb = generalInListOrder(m_b.general);
    for (std::size_t i = 0; i < ga.size(); ++i) {
      ConfigDifference d;
      d.cell = static_cast<int>(i);
      compareCells(d, "L2", *ga[i], *gb[i]);
    }
    return std::move(m_out);
  }

 private:
  static std::string programScope(int n) { return "P" + number(n + 1); }

  static ConfigDifference entry(ConfigDifference::Kind kind, std::string scope, std::string code,
                                std::string description) {
    ConfigDifference d;
    d.kind = kind;
    d.scope = std::move(scope);
    d.code = std::move(code);
    d.description = std::move(description);
    return d;
  }

  int add(ConfigDifference d) {
    m_out.push_back(std::move(d));
    return static_cast<int>(m_out.size()) - 1;
  }

  // `where` carries the position; a difference is added when the values differ.
  void compareCells(ConfigDifference where, const std::string& scope, const Parameter& a,
                    const Parameter& b) {
    if (a.value() == b.value()) return;
    where.kind = ConfigDifference::kValue;
    where.scope = scope;
    where.code = std::string(a.code());
    where.description = std::string(a.description());
    where.valueA = a.value();
    where.valueB = b.value();
    where.textA = displayValue(a);
    where.textB = displayValue(b);
    add(std::move(where));
  }

  void comparePrograms(int n, const Program& a, const Program& b) {
    const std::string scope = programScope(n);
    ConfigDifference at;
    at.program = n;
    if (m_options.names && a.name() != b.name()) {
      ConfigDifference d = entry(ConfigDifference::kName, scope, "name", "Название программы");
      d.program = n;
      d.textA = a.name();
      d.textB = b.name();
      add(d);
    }
    int stepCount = -1;
    if (a.stepCount() != b.stepCount()) {
      ConfigDifference d = entry(ConfigDifference::kStepCount, scope, "H01", "Количество шагов в программе");
      d.program = n;
      d.valueA = a.stepCount();
      d.valueB = b.stepCount();
      d.textA = number(d.valueA);
      d.textB = number(d.valueB);
      stepCount = add(d);
    }
    compareCells(at, scope, a.H02, b.H02);
    for (int k = 0; k < Program::kComparatorCount; ++k) {
      ConfigDifference c = at;
      c.comparator = k;
      const std::string cs = scope + ".C" + number(k + 1);
      for (int i = 0; i < Comparator::kCellCount; ++i) {
        c.cell = i;
        compareCells(c, cs, a.comparators[k].cells[i], b.comparators[k].cells[i]);
      }
    }
    const int steps = std::max(a.stepCount(), b.stepCount());
    auto sa = a.steps.begin();
    auto sb = b.steps.begin();
    for (int s = 0; s < steps; ++s) {
      const Step* stepA = sa != a.steps.end() ? &*sa++ : nullptr;
      const Step* stepB = sb != b.steps.end() ? &*sb++ : nullptr;
      const std::string ss = scope + ".S" + number(s + 1);
      if (!stepA || !stepB) {
        ConfigDifference d = entry(stepA ? ConfigDifference::kStepOnlyA : ConfigDifference::kStepOnlyB, ss,
                                   "-", formatText("Шаг №%d", s + 1));
        d.program = n;
        d.step = s;
        d.textA = stepA ? "есть" : "нет";
        d.textB = stepB ? "есть" : "нет";
        d.follows = stepCount;
        add(d);
        continue;
      }
      ConfigDifference c = at;
      c.step = s;
      for (int i : stepCellsInListOrder()) {
        c.cell = i;
        compareCells(c, ss, stepA->cells[i], stepB->cells[i]);
      }
    }
  }

  const DeviceData& m_a;
  const DeviceData& m_b;
  CompareOptions m_options;
  std::vector<ConfigDifference> m_out;
};

template <typename P>
auto cellAt(P& p, const ConfigDifference& d) -> decltype(&p.H02) {
  if (d.step >= 0) {
    auto* s = p.stepAt(d.step);
    return s ? &s->cells[d.cell] : nullptr;
  }
  if (d.comparator >= 0) return &p.comparators[d.comparator].cells[d.cell];
  return &p.H02;
}

template <typename Out, typename General>
Out listOrder(General& g) {
  Out out;
  for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
    out.push_back(&g.keys.pulse(j));
    out.push_back(&g.keys.pause(j));
  }
  for (auto& cell : g.corrections.cells) out.push_back(&cell);
  for (auto& cell : g.filters.cells) out.push_back(&cell);
  for (auto& cell : g.base.cells) out.push_back(&cell);
  for (auto& pid : g.pid)
    for (auto& cell : pid.cells) out.push_back(&cell);
  return out;
}

}  // namespace

std::vector<ConfigDifference> compareConfigurations(const DeviceData& a, const DeviceData& b,
                                                    CompareOptions options) {
  return Comparison(a, b, options).run();
}

std::vector<std::string> unheldValues(const DeviceData& config, const DeviceData& held) {
  std::vector<std::string> lines = checkBeforeWrite(config).overflow;
  for (const ConfigDifference& d : compareConfigurations(fitToPartition(config), held, {.names = false}))
    if (d.kind == ConfigDifference::kValue)
      lines.push_back(d.scope + " " + d.code + " = " + d.textA + ": прибор хранит " + d.textB);
  return lines;
}

std::string displayValue(const Parameter& cell) {
  std::string out = number(cell.value());
  std::string words;
  if (cell.code() == "O10")
    words = GeneralParameters::partitionText(cell.value());
  else if (const ValueTextList* list = textsOf(cell.code()))
    words = longTextOf(*list, cell.value());
  else
    words = choiceWords(cell);
  if (!words.empty()) out += " (" + words + ")";
  return out;
}

std::vector<const Parameter*> generalInListOrder(const GeneralParameters& general) {
  return listOrder<std::vector<const Parameter*>>(general);
}

std::vector<Parameter*> generalInListOrder(GeneralParameters& general) {
  return listOrder<std::vector<Parameter*>>(general);
}

const std::vector<int>& stepCellsInListOrder() {
  static const std::vector<int> order = [] {
    std::vector<int> o;
    for (int i = Step::U01; i <= Step::U05; ++i) o.push_back(i);
    for (int i = Step::N01; i <= Step::N08; ++i) o.push_back(i);
    for (int i = Step::E01; i <= Step::E_05; ++i) o.push_back(i);
    return o;
  }();
  return order;
}

int partitionDifference(const std::vector<ConfigDifference>& differences) {
  for (std::size_t i = 0; i < differences.size(); ++i)
    if (differences[i].scope == "L2" && differences[i].code == "O10") return static_cast<int>(i);
  return -1;
}

DeviceData mergeDifferences(const DeviceData& base, const DeviceData& source,
                            const std::vector<ConfigDifference>& differences, const std::vector<bool>& take) {
  DeviceData out = base;
  auto taken = [&](std::size_t i) {
    const int lead = differences[i].follows;
    const std::size_t at = lead >= 0 ? static_cast<std::size_t>(lead) : i;
    return at < take.size() && take[at];
  };
  const int partition = partitionDifference(differences);
  const bool relayout = partition >= 0 && taken(static_cast<std::size_t>(partition));

  const std::vector<Parameter*> general = generalInListOrder(out.general);
  const std::vector<const Parameter*> sourceGeneral = generalInListOrder(source.general);
  for (std::size_t i = 0; i < differences.size(); ++i) {
    const ConfigDifference& d = differences[i];
    if (!taken(i)) continue;
    if (d.kind == ConfigDifference::kName && d.scope == "-") out.setName(source.name());
    if (d.kind == ConfigDifference::kValue && d.scope == "L2")
      general[d.cell]->assign(*sourceGeneral[d.cell]);
  }
  if (relayout) {
    out.programs = source.programs;
    return out;
  }

  // Programs and steps stay within the partition the result keeps (base's).
  const int programsAllowed = out.general.programCount();
  const std::size_t stepsAllowed = static_cast<std::size_t>(out.general.stepsPerProgram());
  for (std::size_t i = 0; i < differences.size(); ++i) {
    const ConfigDifference& d = differences[i];
    if (!taken(i) || d.program < 0) continue;
    Program* p = out.programAt(d.program);
    const Program* from = source.programAt(d.program);
    switch (d.kind) {
      case ConfigDifference::kName:
        if (p && from) p->setName(from->name());
        break;
      case ConfigDifference::kValue:
        if (p && from) {
          Parameter* cell = cellAt(*p, d);
          const Parameter* value = cellAt(*from, d);
          if (cell && value) cell->assign(*value);
        }
        break;
      case ConfigDifference::kStepCount: {
        if (!p || !from) break;
        const std::size_t count = std::min(static_cast<std::size_t>(from->stepCount()), stepsAllowed);
        while (p->steps.size() > count) p->steps.pop_back();
        auto next = std::next(from->steps.begin(), static_cast<std::ptrdiff_t>(p->steps.size()));
        while (p->steps.size() < count) p->steps.push_back(*next++);
        break;
      }
      case ConfigDifference::kProgramOnlyA:
        while (out.programCount() > d.program) out.programs.pop_back();
        break;
      case ConfigDifference::kProgramOnlyB:
        if (from && out.programCount() == d.program && d.program < programsAllowed) {
          Program& added = out.programs.emplace_back(*from);
          while (added.steps.size() > stepsAllowed) added.steps.pop_back();
        }
        break;
      case ConfigDifference::kStepOnlyA:
      case ConfigDifference::kStepOnlyB:
        break;  // H01 decides
    }
  }
  return out;
}
