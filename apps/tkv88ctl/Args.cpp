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

// A positive number at `pos` after `prefix`; advances pos.
static bool takeNumber(const std::string& s, std::size_t& pos, const char* prefix, int& n) {
  const std::string_view p(prefix);
  if (s.compare(pos, p.size(), p) != 0) return false;
  const char* first = s.data() + pos + p.size();
  const char* last = s.data() + s.size();
  const auto [ptr, ec] = std::from_chars(first, last, n);
  if (ec != std::errc() || ptr == first || n < 1) return false;
  pos = static_cast<std::size_t>(ptr - s.data());
  return true;
}

Place parsePlace(const std::string& arg) {
  const std::size_t colon = arg.rfind(':');
  const auto bad = [&] {
    return UsageError("\"" + arg + "\" is not FILE:P<n>, FILE:P<n>.S<m> or FILE:P<n>.S<m>-S<k>");
  };
  if (colon == std::string::npos || colon == 0) throw bad();
  Place place;
  place.file = arg.substr(0, colon);
  const std::string where = arg.substr(colon + 1);
  std::size_t pos = 0;
  if (!takeNumber(where, pos, "P", place.program)) throw bad();
  if (pos < where.size()) {
    if (!takeNumber(where, pos, ".S", place.firstStep)) throw bad();
    place.lastStep = place.firstStep;
    if (pos < where.size() &&
        (!takeNumber(where, pos, "-S", place.lastStep) || place.lastStep < place.firstStep))
      throw bad();
    if (pos != where.size()) throw bad();
  }
  return place;
}
