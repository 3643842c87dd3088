// The system clipboard's side of copying programs and steps. A copy puts
// two forms on it: the exact values in the configuration file's notation
// under a type of the program's own (so another window of the program, or
// another of its processes, pastes them as they were), and the steps as the
// table shows them, tab-separated, one row per table row and one column per
// step, for a spreadsheet or a text editor. A paste reads only the exact
// form. User-interface thread only.
#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "model/Program.h"
#include "model/Step.h"

namespace stepclipboard {

// The types of the exact forms (their bytes are Windows-1251).
inline const QString kStepsType = QStringLiteral("application/x-tkv88-steps");
inline const QString kProgramType = QStringLiteral("application/x-tkv88-program");

void putSteps(const std::vector<const Step*>& steps);
void putProgram(const Program& program);

// What the clipboard holds of the program's own: steps, or a program.
bool holdsSteps();
bool holdsProgram();
// The steps or the program on the clipboard; none when it holds none.
std::vector<Step> steps();
std::optional<Program> program();

// The steps as the table shows them: a row per table row, a column per step.
QString stepsGrid(const std::vector<const Step*>& steps);

}  // namespace stepclipboard
