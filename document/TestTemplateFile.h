// The file of test templates installed with the program (model/TestTemplate.h
// describes what it holds): where it is and reading it whole, so that a
// missing or damaged file is one clear message and never half a list.
// Any thread.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "model/TestTemplate.h"

class TestTemplatesError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Beside an installed program, ../share/tkv88/test-templates.txt; for a
// program run from its build tree (and not installed there), the source
// tree's copy, so that an edit of the file shows without installing.
std::string testTemplatesPath();

// The tests of the file at `path`. Throws TestTemplatesError saying what is
// wrong and with which file ("Шаблоны испытаний не прочитаны: ...").
std::vector<TestTemplate> loadTestTemplates(const std::string& path = testTemplatesPath());
