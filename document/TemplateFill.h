// Filling a program of the document from a test template: the program is
// built for the document's memory partition (model/TemplateProgram.h) and
// replaces the target as one undo step, or the refusal says why not and
// nothing changes. The tool and the window fill programs only through this.
// User-interface thread, as the document.
#pragma once

#include <optional>
#include <string>

#include "model/TemplateProgram.h"

class Document;
class GeneralParameters;
class Program;

std::optional<std::string> fillProgramFromTemplate(Document& doc, Program& target, const TestTemplate& test,
                                                   const TemplateValues& values);

// A refused build's reason as a sentence's end, naming the partition when
// the program does not fit it ("... не более 25 (20 программ по 25 шагов).").
std::string refusalText(const TemplateBuild& build, const GeneralParameters& general);
