// The arithmetic of a test template's segments ("12:00 - rise",
// "upper - (upper - 25) / 2"): numbers, H:MM times (in minutes), the names
// of the template's parameters, + - * / and parentheses. Parsed once when
// the template file is read, evaluated for each set of parameter values.
// A value type; any thread.
#pragma once

#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TemplateExpression {
 public:
  // Thrown by parse: the Russian reason ("неизвестный параметр «ris»").
  struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
  };

  TemplateExpression() = default;
  // `text` over the parameter names `names`.
  static TemplateExpression parse(std::string_view text, const std::set<std::string>& names);

  // The value for the parameters' values (each name parse accepted must be
  // there); a division by zero gives 0.
  double evaluate(const std::map<std::string, double>& values) const;
  const std::string& text() const { return m_text; }

 private:
  // Postfix: a number, a name, or an operator applied to the values before it.
  struct Token {
    enum Kind { Number, Name, Add, Subtract, Multiply, Divide, Negate } kind;
    double number = 0;
    std::string name;
  };
  std::vector<Token> m_tokens;
  std::string m_text;

  friend class ExpressionParser;
};
