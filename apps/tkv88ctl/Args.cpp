#include "apps/tkv88ctl/Args.h"

#include <charconv>

#include "apps/tkv88ctl/CtlCommand.h"

Args::Args(const std::vector<std::string>& args, std::set<std::string> valueOptions,
           std::set<std::string> flags) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      m_positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = a, value;
    bool hasValue = false;
    if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = a.substr(0, eq);
      value = a.substr(eq + 1);
      hasValue = true;
    }
    if (valueOptions.count(name)) {
      if (!hasValue) {
        if (i + 1 >= args.size()) throw UsageError("option " + name + " needs a value");
        value = args[++i];
      }
      m_values[name].push_back(value);
    } else if (flags.count(name) && !hasValue) {
      m_flags.insert(name);
    } else {
      throw UsageError("unknown option " + a);
    }
  }
}

std::optional<std::string> Args::option(const std::string& name) const {
  const auto it = m_values.find(name);
  if (it == m_values.end()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> Args::options(const std::string& name) const {
  const auto it = m_values.find(name);
  return it == m_values.end() ? std::vector<std::string>() : it->second;
}

std::string Args::required(const std::string& name) const {
  const auto v = option(name);
  if (!v) throw UsageError("option " + name + " is required");
  return *v;
}

void Args::expectPositional(std::size_t min, std::size_t max) const {
  if (m_positional.size() < min) throw UsageError("missing argument");
  if (m_positional.size() > max) throw UsageError("unexpected argument \"" + m_positional[max] + "\"");
}

int programNumber(const std::string& text) {
  int n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || n < 1)
    throw UsageError("--program \"" + text + "\" is not a program number (1, 2, ...)");
  return n;
}
