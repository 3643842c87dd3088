// Command-line parsing for tkv88ctl commands: options with a value
// ("-o FILE", "--port PORT", "--port=PORT"), flags ("--fit") and positional
// arguments. "--" ends the options; a lone "-" is positional. Problems are
// reported as UsageError (exit status 2).
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

class Args {
 public:
  Args(const std::vector<std::string>& args, std::set<std::string> valueOptions,
       std::set<std::string> flags = {});

  // The option's value; the last one when it was given more than once.
  std::optional<std::string> option(const std::string& name) const;
  // Every value of an option given more than once, in order.
  std::vector<std::string> options(const std::string& name) const;
  // The option's value; UsageError when it was not given.
  std::string required(const std::string& name) const;
  bool flag(const std::string& name) const { return m_flags.count(name) != 0; }
  const std::vector<std::string>& positional() const { return m_positional; }
  // UsageError unless min <= count <= max.
  void expectPositional(std::size_t min, std::size_t max) const;

 private:
  std::map<std::string, std::vector<std::string>> m_values;
  std::set<std::string> m_flags;
  std::vector<std::string> m_positional;
};

// The value of --program: a program number from 1. UsageError otherwise.
int programNumber(const std::string& text);

// FILE:P<n>, FILE:P<n>.S<m> or FILE:P<n>.S<m>-S<k>: a program of a
// configuration file or a run of its steps. Steps are 0 when not given.
struct Place {
  std::string file;
  int program = 0;
  int firstStep = 0;
  int lastStep = 0;
};
// UsageError for anything else.
Place parsePlace(const std::string& arg);
