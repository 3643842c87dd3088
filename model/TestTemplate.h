// The templates of standard climatic tests (cold, dry heat, change of
// temperature, damp heat): for each test its title and standard, its
// parameters with units, defaults and limits, and its segments (holds and
// ramps of the temperature and the humidity, by time or by rate, some of
// them repeated as cycles). They come from a data file installed with the
// program (the format is described at its top), read here from its text;
// TemplateProgram.h builds a controller program from one.
//
// Value types; any thread.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "model/TemplateExpression.h"

// What a parameter measures, which fixes its unit, how its values are
// written and read, and its smallest step.
enum class TemplateParamKind {
  Temperature,  // °C, in tenths
  Humidity,     // %, in tenths
  Duration,     // H:MM, in minutes
  Rate,         // °C/мин, in tenths
  Count,        // a whole number
};

struct TemplateParam {
  std::string id;  // what the segments and tkv88ctl's --ID call it
  TemplateParamKind kind = TemplateParamKind::Count;
  std::string label;  // "Верхняя температура"
  // In the kind's own unit: °C, %, minutes, °C/мин, a count.
  double value = 0;  // the default
  double min = 0, max = 0;
  // The public descriptions of the standard do not fix the default: the
  // user checks it against the standard's text.
  bool check = false;
  std::string hint;  // the values the standard names, or what it says of this one

  // "°C", "%", "ч:мин", "°C/мин" or "".
  const char* unit() const;
  // A value as typed and shown: "-40", "25.5", "16:00", "1.0", "6".
  std::string text(double v) const;
  // The value `text` gives ("16", "16:00", "0:30", "-40", "1.5"; a comma
  // for the point too), or the Russian reason it is refused, naming the
  // limits ("Верхняя температура: от 40 до 55 °C.").
  struct Parsed {
    std::optional<double> value;
    std::string error;
  };
  Parsed parse(std::string_view text) const;
  // "от 40 до 55 °C"
  std::string limitsText() const;
};

// One hold or ramp of the setpoints.
struct TemplateSegment {
  enum class Kind { Hold, Ramp } kind = Kind::Hold;
  // The setpoints it heads for (°C, %); none keeps the one before.
  std::optional<TemplateExpression> temperature, humidity;
  // Its time (minutes), or for a ramp the temperature's rate (°C/мин)
  // instead; exactly one of them.
  std::optional<TemplateExpression> time, rate;
  // A ramp's setpoints taken at its start instead of moved over it
  // (temperature, humidity): "jump=RH".
  bool jump[2] = {false, false};
  int line = 0;  // in the template file
};

using TemplateValues = std::map<std::string, double>;

struct TestTemplate {
  std::string id;        // "Db1"
  std::string title;     // "Влажное тепло, циклическое (Db), вариант 1"
  std::string standard;  // "IEC 60068-2-30, ГОСТ Р МЭК 60068-2-30 ..."
  // The program's name with {ID} for a parameter's value and
  // {ID:one|few|many|zero} for a count and its word ("6 циклов"; zero for 0).
  std::string name;
  std::vector<TemplateParam> params;
  // The segments before the cycle, the cycle's, and after it; `repeat` names
  // the count parameter (0 repeats without end, through the cycle start), or
  // is empty when the test has no cycle.
  std::vector<TemplateSegment> before, cycle, after;
  std::string repeat;
  bool humidity = false;  // a segment sets the humidity

  const TemplateParam* param(std::string_view id) const;
  // Every parameter at its default.
  TemplateValues defaults() const;
  // The program's name for these values, as the controller keeps it (at
  // most 63 characters).
  std::string programName(const TemplateValues& values) const;
};

// A damaged template file: what() says the line and what is wrong, in Russian.
class TemplateFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The tests of a template file's text (UTF-8), in its order. Throws
// TemplateFormatError ("строка 12: ...") for anything it cannot take: an
// unknown word, a parameter named twice or unknown, a default outside its
// limits, a ramp whose start is not known, a file without tests.
std::vector<TestTemplate> parseTestTemplates(std::string_view text);
