#include "model/TemplateExpression.h"

#include <cctype>
#include <charconv>

// Recursive descent over the text, writing postfix tokens:
//   sum     := product (("+" | "-") product)*
//   product := unary (("*" | "/") unary)*
//   unary   := "-" unary | "(" sum ")" | number | H:MM | name
class ExpressionParser {
 public:
  ExpressionParser(std::string_view text, const std::set<std::string>& names, TemplateExpression& out)
      : m_text(text), m_names(names), m_out(out) {}

  void run() {
    sum();
    skipBlanks();
    if (m_pos != m_text.size()) fail("лишнее «" + std::string(m_text.substr(m_pos)) + "»");
  }

 private:
  using Token = TemplateExpression::Token;

  [[noreturn]] void fail(const std::string& why) {
    throw TemplateExpression::Error("выражение «" + std::string(m_text) + "»: " + why);
  }
  void skipBlanks() {
    while (m_pos < m_text.size() && m_text[m_pos] == ' ') ++m_pos;
  }
  bool take(char c) {
    skipBlanks();
    if (m_pos < m_text.size() && m_text[m_pos] == c) {
      ++m_pos;
      return true;
    }
    return false;
  }
  void emit(Token::Kind kind) { m_out.m_tokens.push_back({kind, 0, {}}); }

  void sum() {
    product();
    for (;;) {
      if (take('+')) {
        product();
        emit(Token::Add);
      } else if (take('-')) {
        product();
        emit(Token::Subtract);
      } else {
        return;
      }
    }
  }
  void product() {
    unary();
    for (;;) {
      if (take('*')) {
        unary();
        emit(Token::Multiply);
      } else if (take('/')) {
        unary();
        emit(Token::Divide);
      } else {
        return;
      }
    }
  }
  void unary() {
    if (take('-')) {
      unary();
      emit(Token::Negate);
    } else if (take('(')) {
      sum();
      if (!take(')')) fail("нет закрывающей скобки");
    } else {
      operand();
    }
  }
  void operand() {
    skipBlanks();
    if (m_pos == m_text.size()) fail("не хватает числа или параметра");
    const char c = m_text[m_pos];
    if (std::isdigit(static_cast<unsigned char>(c))) return number();
    if (!std::isalpha(static_cast<unsigned char>(c))) fail("непонятное «" + std::string(1, c) + "»");
    const std::size_t start = m_pos;
    while (m_pos < m_text.size() && std::isalnum(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
    std::string name(m_text.substr(start, m_pos - start));
    if (!m_names.count(name)) fail("неизвестный параметр «" + name + "»");
    m_out.m_tokens.push_back({Token::Name, 0, std::move(name)});
  }
  // "12.5" or "12:30" (minutes).
  void number() {
    const char* first = m_text.data() + m_pos;
    const char* last = m_text.data() + m_text.size();
    double value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (ec != std::errc()) fail("непонятное число");
    if (ptr != last && *ptr == ':') {
      int hours = 0, minutes = 0;
      const auto h = std::from_chars(first, last, hours);
      const auto m = std::from_chars(h.ptr + 1, last, minutes);
      if (m.ec != std::errc() || m.ptr - h.ptr != 3 || minutes > 59) fail("время пишется как Ч:ММ");
      value = hours * 60.0 + minutes;
      ptr = m.ptr;
    }
    m_pos = static_cast<std::size_t>(ptr - m_text.data());
    m_out.m_tokens.push_back({Token::Number, value, {}});
  }

  std::string_view m_text;
  const std::set<std::string>& m_names;
  TemplateExpression& m_out;
  std::size_t m_pos = 0;
};

TemplateExpression TemplateExpression::parse(std::string_view text, const std::set<std::string>& names) {
  TemplateExpression e;
  e.m_text = std::string(text);
  ExpressionParser(e.m_text, names, e).run();
  return e;
}

double TemplateExpression::evaluate(const std::map<std::string, double>& values) const {
  std::vector<double> stack;
  stack.reserve(m_tokens.size());
  for (const Token& t : m_tokens) {
    if (t.kind == Token::Number) {
      stack.push_back(t.number);
      continue;
    }
    if (t.kind == Token::Name) {
      const auto it = values.find(t.name);
      stack.push_back(it != values.end() ? it->second : 0);
      continue;
    }
    if (t.kind == Token::Negate) {
      stack.back() = -stack.back();
      continue;
    }
    const double b = stack.back();
    stack.pop_back();
    double& a = stack.back();
    switch (t.kind) {
      case Token::Add:
        a += b;
        break;
      case Token::Subtract:
        a -= b;
        break;
      case Token::Multiply:
        a *= b;
        break;
      default:
        a = b != 0 ? a / b : 0;
        break;
    }
  }
  return stack.empty() ? 0 : stack.back();
}
