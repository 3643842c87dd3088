#include "model/TestTemplate.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <set>

#include "model/FieldText.h"
#include "model/FormatText.h"
#include "model/Program.h"

// ---- Parameters --------------------------------------------------------------

namespace {

// Tenths for the setpoints and rates, whole units for times and counts.
double stepOf(TemplateParamKind kind) {
  switch (kind) {
    case TemplateParamKind::Temperature:
    case TemplateParamKind::Humidity:
    case TemplateParamKind::Rate:
      return 0.1;
    case TemplateParamKind::Duration:
    case TemplateParamKind::Count:
      break;
  }
  return 1;
}

// A decimal number with a point or a comma, optionally signed.
std::optional<double> decimal(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c == ',') c = '.';
  if (!s.empty() && s[0] == '+') s.erase(0, 1);
  double v = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, std::chars_format::fixed);
  if (ec != std::errc() || ptr != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

// "16" (hours), "16:00", "0:30"; minutes.
std::optional<double> duration(std::string_view text) {
  const std::size_t colon = text.find(':');
  const auto whole = [](std::string_view s) -> std::optional<int> {
    int v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || s.empty() || v < 0) return std::nullopt;
    return v;
  };
  if (colon == std::string_view::npos) {
    const auto hours = whole(text);
    return hours ? std::optional<double>(*hours * 60.0) : std::nullopt;
  }
  const auto hours = whole(text.substr(0, colon));
  const std::string_view m = text.substr(colon + 1);
  const auto minutes = whole(m);
  if (!hours || !minutes || m.size() != 2 || *minutes > 59) return std::nullopt;
  return *hours * 60.0 + *minutes;
}

bool onGrid(double v, double step) { return std::fabs(v / step - std::round(v / step)) < 1e-6; }

}  // namespace

const char* TemplateParam::unit() const {
  switch (kind) {
    case TemplateParamKind::Temperature:
      return "°C";
    case TemplateParamKind::Humidity:
      return "%";
    case TemplateParamKind::Duration:
      return "ч:мин";
    case TemplateParamKind::Rate:
      return "°C/мин";
    case TemplateParamKind::Count:
      break;
  }
  return "";
}

std::string TemplateParam::text(double v) const {
  switch (kind) {
    case TemplateParamKind::Temperature:
    case TemplateParamKind::Humidity: {
      const long tenths = std::lround(v * 10);
      if (tenths % 10 == 0) return std::to_string(tenths / 10);
      return formatText("%s%ld.%ld", tenths < 0 ? "-" : "", std::labs(tenths) / 10, std::labs(tenths) % 10);
    }
    case TemplateParamKind::Rate:
      return formatText("%.1f", v);
    case TemplateParamKind::Duration: {
      const long minutes = std::lround(v);
      return formatText("%ld:%02ld", minutes / 60, minutes % 60);
    }
    case TemplateParamKind::Count:
      break;
  }
  return std::to_string(std::lround(v));
}

std::string TemplateParam::limitsText() const {
  std::string out = "от " + text(min) + " до " + text(max);
  if (*unit() && kind != TemplateParamKind::Duration) out += std::string(" ") + unit();
  return out;
}

TemplateParam::Parsed TemplateParam::parse(std::string_view typed) const {
  while (!typed.empty() && typed.front() == ' ') typed.remove_prefix(1);
  while (!typed.empty() && typed.back() == ' ') typed.remove_suffix(1);
  const std::optional<double> v = kind == TemplateParamKind::Duration ? duration(typed) : decimal(typed);
  const std::string expected = kind == TemplateParamKind::Duration ? "время в часах (16) или как Ч:ММ (0:30)"
                               : kind == TemplateParamKind::Count
                                   ? "целое число"
                                   : "число с не более чем одним знаком после запятой";
  if (!v || !onGrid(*v, stepOf(kind)))
    return {std::nullopt, label + ": введите " + expected + " " + limitsText() + "."};
  const double rounded = std::round(*v / stepOf(kind)) * stepOf(kind);
  if (rounded < min - 1e-9 || rounded > max + 1e-9) return {std::nullopt, label + ": " + limitsText() + "."};
  return {rounded, {}};
}

// ---- The template --------------------------------------------------------------

const TemplateParam* TestTemplate::param(std::string_view name) const {
  for (const TemplateParam& p : params)
    if (p.id == name) return &p;
  return nullptr;
}

TemplateValues TestTemplate::defaults() const {
  TemplateValues values;
  for (const TemplateParam& p : params) values[p.id] = p.value;
  return values;
}

namespace {

// "цикл", "цикла" or "циклов" after n, from "цикл|цикла|циклов".
std::string countWord(long n, std::string_view forms) {
  std::vector<std::string_view> words;
  for (std::size_t start = 0;;) {
    const std::size_t bar = forms.find('|', start);
    words.push_back(forms.substr(start, bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  if (n == 0 && words.size() > 3) return std::string(words[3]);
  const auto form = static_cast<std::size_t>(pluralForm(n));
  return std::to_string(n) + " " + std::string(words[std::min(form, words.size() - 1)]);
}

// A duration in a name: "16 ч" for whole hours, else "1:30".
std::string nameText(const TemplateParam& p, double v) {
  if (p.kind == TemplateParamKind::Duration && std::lround(v) % 60 == 0)
    return std::to_string(std::lround(v) / 60) + " ч";
  return p.text(v);
}

}  // namespace

std::string TestTemplate::programName(const TemplateValues& values) const {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t open = name.find('{', i);
    out += name.substr(i, open - i);
    if (open == std::string::npos) break;
    const std::size_t close = name.find('}', open);
    const std::string field = name.substr(open + 1, close - open - 1);
    const std::size_t colon = field.find(':');
    const TemplateParam* p = param(field.substr(0, colon));
    const auto it = values.find(field.substr(0, colon));
    const double v = it != values.end() ? it->second : p ? p->value : 0;
    if (p)
      out +=
          colon == std::string::npos ? nameText(*p, v) : countWord(std::lround(v), field.substr(colon + 1));
    i = close + 1;
  }
  return fieldText(out, Program::kNameLength);
}

// ---- The file ------------------------------------------------------------------

namespace {

// A line's fields: blank-separated, a quoted part kept whole without its
// quotes ("name=\"a b\"" is one field), "#" outside quotes ending the line.
std::vector<std::string> fieldsOf(std::string_view line, int number) {
  std::vector<std::string> fields;
  std::string field;
  bool inField = false, quoted = false;
  for (const char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inField = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
      if (inField) fields.push_back(std::move(field));
      field.clear();
      inField = false;
    } else if (!quoted && c == '#') {
      break;
    } else {
      field += c;
      inField = true;
    }
  }
  if (quoted) throw TemplateFormatError(formatText("строка %d: нет закрывающей кавычки", number));
  if (inField) fields.push_back(std::move(field));
  return fields;
}

class FileParser {
 public:
  std::vector<TestTemplate> run(std::string_view text) {
    int number = 0;
    for (std::size_t start = 0; start <= text.size();) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      m_line = ++number;
      const std::vector<std::string> fields = fieldsOf(text.substr(start, end - start), number);
      if (!fields.empty()) take(fields);
      start = end + 1;
    }
    finishTest();
    if (m_tests.empty()) throw TemplateFormatError("в файле нет ни одного испытания");
    return std::move(m_tests);
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    throw TemplateFormatError(formatText("строка %d: %s", m_line, why.c_str()));
  }
  TestTemplate& test() {
    if (m_tests.empty() || m_finished) fail("перед этой строкой нет строки «test»");
    return m_tests.back();
  }
  void expectCount(const std::vector<std::string>& f, std::size_t count) const {
    if (f.size() != count)
      fail("у «" + f[0] + "» " + std::to_string(count - 1) + " поля, а не " + std::to_string(f.size() - 1));
  }

  void take(const std::vector<std::string>& f) {
    const std::string& word = f[0];
    if (word == "test") {
      finishTest();
      expectCount(f, 3);
      for (const TestTemplate& t : m_tests)
        if (t.id == f[1]) fail("испытание «" + f[1] + "» уже есть");
      m_tests.push_back({});
      m_tests.back().id = f[1];
      m_tests.back().title = f[2];
      m_finished = false;
      m_names.clear();
      m_state = State::Before;
      m_testLine = m_line;
    } else if (word == "standard") {
      expectCount(f, 2);
      test().standard = f[1];
    } else if (word == "name") {
      expectCount(f, 2);
      test().name = f[1];
    } else if (word == "param") {
      param(f);
    } else if (word == "hold" || word == "ramp") {
      segment(f);
    } else if (word == "repeat") {
      expectCount(f, 2);
      if (m_state != State::Before) fail("у испытания может быть только один цикл");
      const TemplateParam* p = test().param(f[1]);
      if (!p || p->kind != TemplateParamKind::Count) fail("«" + f[1] + "» не параметр-число");
      test().repeat = f[1];
      m_state = State::Cycle;
    } else if (word == "end") {
      expectCount(f, 1);
      if (m_state != State::Cycle) fail("«end» без «repeat»");
      if (test().cycle.empty()) fail("в цикле нет ни одного отрезка");
      m_state = State::After;
    } else {
      fail("неизвестное слово «" + word + "»");
    }
  }

  void param(const std::vector<std::string>& f) {
    // param ID KIND "LABEL" DEFAULT MIN..MAX [check] [hint="TEXT"]
    if (f.size() < 6) fail("у «param» не хватает полей: ID ВИД \"НАЗВАНИЕ\" ЗНАЧЕНИЕ МИН..МАКС");
    TestTemplate& t = test();
    TemplateParam p;
    p.id = f[1];
    if (p.id.empty() || !std::isalpha(static_cast<unsigned char>(p.id[0])))
      fail("имя параметра «" + p.id + "» должно начинаться с латинской буквы");
    for (const char c : p.id)
      if (!std::isalnum(static_cast<unsigned char>(c))) fail("в имени параметра «" + p.id + "» лишние знаки");
    if (t.param(p.id)) fail("параметр «" + p.id + "» уже есть");
    static const std::map<std::string, TemplateParamKind> kinds{
        {"temperature", TemplateParamKind::Temperature},
        {"humidity", TemplateParamKind::Humidity},
        {"duration", TemplateParamKind::Duration},
        {"rate", TemplateParamKind::Rate},
        {"count", TemplateParamKind::Count}};
    const auto kind = kinds.find(f[2]);
    if (kind == kinds.end()) fail("неизвестный вид параметра «" + f[2] + "»");
    p.kind = kind->second;
    p.label = f[3];
    const std::size_t dots = f[5].find("..");
    if (dots == std::string::npos) fail("пределы пишутся как МИН..МАКС");
    // The limits first, wide open, so that parse checks only the form.
    p.min = -1e9;
    p.max = 1e9;
    const auto value = [&](const std::string& text) {
      const TemplateParam::Parsed parsed = p.parse(text);
      if (!parsed.value) fail("«" + text + "» не значение вида " + f[2]);
      return *parsed.value;
    };
    const double lo = value(f[5].substr(0, dots)), hi = value(f[5].substr(dots + 2));
    const double def = value(f[4]);
    if (lo > hi) fail("нижний предел больше верхнего");
    if (def < lo || def > hi) fail("значение по умолчанию вне пределов");
    p.min = lo;
    p.max = hi;
    p.value = def;
    for (std::size_t i = 6; i < f.size(); ++i) {
      if (f[i] == "check")
        p.check = true;
      else if (f[i].rfind("hint=", 0) == 0)
        p.hint = f[i].substr(5);
      else
        fail("неизвестное поле «" + f[i] + "»");
    }
    m_names.insert(p.id);
    t.params.push_back(std::move(p));
  }

  void segment(const std::vector<std::string>& f) {
    TestTemplate& t = test();
    TemplateSegment s;
    s.kind = f[0] == "ramp" ? TemplateSegment::Kind::Ramp : TemplateSegment::Kind::Hold;
    s.line = m_line;
    for (std::size_t i = 1; i < f.size(); ++i) {
      const std::size_t eq = f[i].find('=');
      if (eq == std::string::npos) fail("«" + f[i] + "» не КЛЮЧ=ВЫРАЖЕНИЕ");
      const std::string key = f[i].substr(0, eq);
      if (key == "jump") {
        const std::string what = f[i].substr(eq + 1);
        if (s.kind != TemplateSegment::Kind::Ramp || (what != "T" && what != "RH"))
          fail("«jump=T» или «jump=RH» бывает только у «ramp»");
        s.jump[what == "T" ? 0 : 1] = true;
        continue;
      }
      std::optional<TemplateExpression>* slot = key == "T"      ? &s.temperature
                                                : key == "RH"   ? &s.humidity
                                                : key == "time" ? &s.time
                                                : key == "rate" ? &s.rate
                                                                : nullptr;
      if (!slot) fail("неизвестный ключ «" + key + "»");
      if (*slot) fail("ключ «" + key + "» дважды");
      try {
        *slot = TemplateExpression::parse(f[i].substr(eq + 1), m_names);
      } catch (const TemplateExpression::Error& e) {
        fail(e.what());
      }
    }
    if (s.time.has_value() == s.rate.has_value()) fail("нужно одно из «time=» и «rate=»");
    if (s.rate && (s.kind != TemplateSegment::Kind::Ramp || !s.temperature))
      fail("«rate=» задаёт скорость подъёма или спада температуры: только с «ramp» и «T=»");
    if ((s.jump[0] && !s.temperature) || (s.jump[1] && !s.humidity))
      fail("«jump=» без уставки, которую брать сразу");
    if (s.kind == TemplateSegment::Kind::Ramp && !s.temperature && !s.humidity)
      fail("у подъёма или спада нет «T=» или «RH=»");
    // A ramp starts where the setpoint was: the first segment sets both.
    if (s.humidity && !t.humidity && !isFirst()) fail("влажность задаётся с первого отрезка испытания");
    if (s.humidity) t.humidity = true;
    if (isFirst() && (s.kind != TemplateSegment::Kind::Hold || !s.temperature))
      fail("первый отрезок испытания — выдержка с «T=»: откуда начинать подъём, прибор не знает");
    (m_state == State::Before  ? t.before
     : m_state == State::Cycle ? t.cycle
                               : t.after)
        .push_back(std::move(s));
  }

  bool isFirst() {
    const TestTemplate& t = m_tests.back();
    return t.before.empty() && t.cycle.empty() && t.after.empty();
  }

  void finishTest() {
    if (m_tests.empty() || m_finished) return;
    m_finished = true;
    const TestTemplate& t = m_tests.back();
    const int line = m_line;
    m_line = m_testLine;
    if (m_state == State::Cycle) fail("у цикла испытания «" + t.id + "» нет «end»");
    if (isFirst()) fail("у испытания «" + t.id + "» нет ни одного отрезка");
    if (t.name.empty()) fail("у испытания «" + t.id + "» нет строки «name»");
    checkName(t);
    m_line = line;
  }

  // {ID} names a parameter, {ID:forms} a count parameter.
  void checkName(const TestTemplate& t) {
    for (std::size_t open = t.name.find('{'); open != std::string::npos; open = t.name.find('{', open + 1)) {
      const std::size_t close = t.name.find('}', open);
      if (close == std::string::npos) fail("в имени программы нет «}»");
      const std::string field = t.name.substr(open + 1, close - open - 1);
      const std::size_t colon = field.find(':');
      const TemplateParam* p = t.param(field.substr(0, colon));
      if (!p) fail("в имени программы неизвестный параметр «" + field.substr(0, colon) + "»");
      if (colon != std::string::npos && p->kind != TemplateParamKind::Count)
        fail("в имени программы формы слова только у параметра-числа");
    }
  }

  enum class State { Before, Cycle, After };
  std::vector<TestTemplate> m_tests;
  std::set<std::string> m_names;
  State m_state = State::Before;
  bool m_finished = true;
  int m_line = 0;
  int m_testLine = 0;
};

}  // namespace

std::vector<TestTemplate> parseTestTemplates(std::string_view text) { return FileParser().run(text); }
