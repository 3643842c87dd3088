// Reading test templates: the file's form and what it refuses, parameter
// values as typed, the arithmetic of the segments and the program's name.
#include <gtest/gtest.h>

#include <cmath>

#include "model/TestTemplate.h"

namespace {

const char* const kSmall = R"(# a comment
test Tx "Испытание"   # trailing comment
standard "Стандарт"
name "Tx {t} °C, {n:цикл|цикла|циклов|без конца}, {d}"
param t temperature "Температура" -40 -65..5 check hint="−40 или −65 °C"
param d duration "Выдержка" 16:00 0:10..100:00
param n count "Циклы" 2 0..9
hold T=t time=d
repeat n
  ramp T="t + 10" time=1:30 jump=T
  hold time=d-1:00
end
)";

}  // namespace

TEST(TestTemplate, ReadsTestsParametersAndSegments) {
  const std::vector<TestTemplate> tests = parseTestTemplates(kSmall);
  ASSERT_EQ(tests.size(), 1u);
  const TestTemplate& t = tests[0];
  EXPECT_EQ(t.id, "Tx");
  EXPECT_EQ(t.title, "Испытание");
  EXPECT_EQ(t.standard, "Стандарт");
  ASSERT_EQ(t.params.size(), 3u);
  const TemplateParam& temperature = t.params[0];
  EXPECT_EQ(temperature.kind, TemplateParamKind::Temperature);
  EXPECT_DOUBLE_EQ(temperature.value, -40);
  EXPECT_DOUBLE_EQ(temperature.min, -65);
  EXPECT_TRUE(temperature.check);
  EXPECT_EQ(temperature.hint, "−40 или −65 °C");
  EXPECT_DOUBLE_EQ(t.param("d")->value, 960);
  EXPECT_FALSE(t.param("d")->check);
  EXPECT_EQ(t.repeat, "n");
  EXPECT_EQ(t.before.size(), 1u);
  ASSERT_EQ(t.cycle.size(), 2u);
  EXPECT_TRUE(t.after.empty());
  EXPECT_FALSE(t.humidity);
  EXPECT_EQ(t.cycle[0].kind, TemplateSegment::Kind::Ramp);
  EXPECT_EQ(t.cycle[0].line, 10);
  EXPECT_TRUE(t.cycle[0].jump[0]);
  EXPECT_FALSE(t.cycle[0].jump[1]);
  const TemplateValues values = t.defaults();
  EXPECT_DOUBLE_EQ(t.cycle[0].temperature->evaluate(values), -30);
  EXPECT_DOUBLE_EQ(t.cycle[1].time->evaluate(values), 900);
  EXPECT_FALSE(t.cycle[1].temperature);
}

TEST(TestTemplate, RefusesADamagedFile) {
  const std::string head = "test A \"a\"\nname \"a\"\n";
  struct Case {
    std::string text;
    const char* error;
  };
  const Case cases[] = {
      {"", "в файле нет ни одного испытания"},
      {"# only comments\n", "в файле нет ни одного испытания"},
      {"name \"x\"\n", "строка 1: перед этой строкой нет строки «test»"},
      {head + "hold T=20 time=1:00\nfoo 1\n", "строка 4: неизвестное слово «foo»"},
      {head + "standard \"open\n", "строка 3: нет закрывающей кавычки"},
      {head + "param x temperature \"x\" 10 0..5\n", "строка 3: значение по умолчанию вне пределов"},
      {head + "param x temperature \"x\" 1 5..0\n", "строка 3: нижний предел больше верхнего"},
      {head + "param x temperature \"x\" 1.25 0..5\n", "строка 3: «1.25» не значение вида temperature"},
      {head + "param x colour \"x\" 1 0..5\n", "строка 3: неизвестный вид параметра «colour»"},
      {head + "param x count \"x\" 1 0-5\n", "строка 3: пределы пишутся как МИН..МАКС"},
      {head + "param x count \"x\" 1 0..5\nparam x count \"y\" 1 0..5\n", "строка 4: параметр «x» уже есть"},
      {head + "param x count \"x\" 1 0..5 loud\n", "строка 3: неизвестное поле «loud»"},
      {head + "hold T=20 time=1:00\nhold T=zz time=1:00\n",
       "строка 4: выражение «zz»: неизвестный параметр «zz»"},
      {head + "hold T=20 time=\"(1:00\"\n", "строка 3: выражение «(1:00»: нет закрывающей скобки"},
      {head + "hold T=20 time=1:75\n", "строка 3: выражение «1:75»: время пишется как Ч:ММ"},
      {head + "hold T=20 time=1:00 rate=1\n", "строка 3: нужно одно из «time=» и «rate=»"},
      {head + "hold T=20 time=1:00\nhold T=20 rate=1\n", "строка 4: «rate=» задаёт скорость"},
      {head + "hold T=20 time=1:00\nramp time=1:00\n", "строка 4: у подъёма или спада нет «T=» или «RH=»"},
      {head + "ramp T=20 time=1:00\n", "строка 3: первый отрезок испытания — выдержка с «T=»"},
      {head + "hold RH=20 time=1:00\n", "строка 3: первый отрезок испытания — выдержка с «T=»"},
      {head + "hold T=20 time=1:00\nhold RH=50 time=1:00\n",
       "строка 4: влажность задаётся с первого отрезка"},
      {head + "hold T=20 time=1:00\nhold T=20 time=1:00 T=30\n", "строка 4: ключ «T» дважды"},
      {head + "hold T=20 time=1:00\nhold T=20 level=1\n", "строка 4: неизвестный ключ «level»"},
      {head + "hold T=20 time=1:00\nhold T=30 time=1:00 jump=T\n", "строка 4: «jump=T» или «jump=RH» бывает"},
      {head + "hold T=20 time=1:00\nramp T=30 time=1:00 jump=RH\n", "строка 4: «jump=» без уставки"},
      {head + "hold T=20 time=1:00\nrepeat n\n", "строка 4: «n» не параметр-число"},
      {head + "param n count \"n\" 1 0..5\nhold T=20 time=1:00\nrepeat n\nhold time=1:00\n",
       "строка 1: у цикла испытания «A» нет «end»"},
      {head + "hold T=20 time=1:00\nend\n", "строка 4: «end» без «repeat»"},
      {"test A \"a\"\nhold T=20 time=1:00\n", "строка 1: у испытания «A» нет строки «name»"},
      {head, "строка 1: у испытания «A» нет ни одного отрезка"},
      {"test A \"a\"\nname \"{x}\"\nhold T=20 time=1:00\n", "в имени программы неизвестный параметр «x»"},
      {head + "hold T=20 time=1:00\ntest A \"again\"\n", "строка 4: испытание «A» уже есть"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    try {
      parseTestTemplates(c.text);
      ADD_FAILURE() << "accepted";
    } catch (const TemplateFormatError& e) {
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
    }
  }
}

TEST(TestTemplate, ParameterValuesAsTyped) {
  using K = TemplateParamKind;
  const auto param = [](K kind, const char* label, double min, double max) {
    TemplateParam p;
    p.kind = kind;
    p.label = label;
    p.min = min;
    p.max = max;
    return p;
  };
  const TemplateParam temperature = param(K::Temperature, "Температура", -65, 85);
  const TemplateParam duration = param(K::Duration, "Выдержка", 10, 6000);
  const TemplateParam count = param(K::Count, "Циклы", 0, 99);
  const TemplateParam rate = param(K::Rate, "Скорость", 0.1, 15);
  struct Case {
    const TemplateParam& param;
    const char* typed;
    double value;  // NaN: refused
    const char* error;
  };
  const double no = std::nan("");
  const Case cases[] = {
      {temperature, "-40", -40, ""},
      {temperature, " +12,5 ", 12.5, ""},
      {temperature, "85", 85, ""},
      {temperature, "85.1", no, "Температура: от -65 до 85 °C."},
      {temperature, "12.25", no,
       "Температура: введите число с не более чем одним знаком после запятой от -65 до 85 °C."},
      {temperature, "abc", no, "Температура: введите число"},
      {temperature, "", no, "Температура: введите число"},
      {duration, "16", 960, ""},
      {duration, "0:30", 30, ""},
      {duration, "100:00", 6000, ""},
      {duration, "100:01", no, "Выдержка: от 0:10 до 100:00."},
      {duration, "0:05", no, "Выдержка: от 0:10 до 100:00."},
      {duration, "1:5", no, "Выдержка: введите время в часах (16) или как Ч:ММ (0:30) от 0:10 до 100:00."},
      {duration, "1.5", no, "Выдержка: введите время"},
      {duration, "-1", no, "Выдержка: введите время"},
      {count, "0", 0, ""},
      {count, "2.5", no, "Циклы: введите целое число от 0 до 99."},
      {count, "100", no, "Циклы: от 0 до 99."},
      {rate, "0.05", no, "Скорость: введите число"},
      {rate, "3", 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const TemplateParam::Parsed parsed = c.param.parse(c.typed);
    if (std::isnan(c.value)) {
      EXPECT_FALSE(parsed.value);
      EXPECT_EQ(parsed.error.rfind(c.error, 0), 0u) << parsed.error;
    } else {
      ASSERT_TRUE(parsed.value) << parsed.error;
      EXPECT_DOUBLE_EQ(*parsed.value, c.value);
      // What is shown reads back as the same value.
      EXPECT_DOUBLE_EQ(*c.param.parse(c.param.text(*parsed.value)).value, c.value);
    }
  }
  EXPECT_EQ(temperature.text(-12.5), "-12.5");
  EXPECT_EQ(temperature.text(-0.5), "-0.5");
  EXPECT_EQ(duration.text(1439), "23:59");
  EXPECT_EQ(rate.text(3), "3.0");
}

TEST(TestTemplate, Arithmetic) {
  const std::set<std::string> names{"a", "rise"};
  const TemplateValues values{{"a", 55}, {"rise", 180}};
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"12:00-rise", 540}, {"a-(a-25)/2", 40}, {"-a", -55},   {"2*3+4", 10},
      {"2+3*4", 14},       {"(2+3)*4", 20},    {"10-4-3", 3}, {"12/4/3", 1},
      {"--a", 55},         {" 1 + 0:30 ", 31}, {"a/0", 0},    {"0.5*a", 27.5},
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(TemplateExpression::parse(c.text, names).evaluate(values), c.value) << c.text;
  for (const char* bad : {"", "a+", "(a", "a)", "b", "1:2", "a*/2", "3a"})
    EXPECT_THROW(TemplateExpression::parse(bad, names), TemplateExpression::Error) << bad;
}

TEST(TestTemplate, ProgramNames) {
  const TestTemplate t = parseTestTemplates(kSmall).front();
  struct Case {
    TemplateValues values;
    const char* name;
  };
  const Case cases[] = {
      {{}, "Tx -40 °C, 2 цикла, 16 ч"},
      {{{"n", 1}, {"d", 90}}, "Tx -40 °C, 1 цикл, 1:30"},
      {{{"n", 5}, {"t", -12.5}}, "Tx -12.5 °C, 5 циклов, 16 ч"},
      {{{"n", 11}}, "Tx -40 °C, 11 циклов, 16 ч"},
      {{{"n", 21}}, "Tx -40 °C, 21 цикл, 16 ч"},
      {{{"n", 0}}, "Tx -40 °C, без конца, 16 ч"},
  };
  for (const Case& c : cases) {
    TemplateValues values = t.defaults();
    for (const auto& [id, v] : c.values) values[id] = v;
    EXPECT_EQ(t.programName(values), c.name);
  }
  // The controller keeps 63 characters.
  TestTemplate longName = t;
  longName.name = std::string(70, 'x') + "{t}";
  EXPECT_EQ(longName.programName(t.defaults()), std::string(63, 'x'));
}
