// What the clipboard carries of a configuration. A program or a run of steps
// travels in the configuration file's own notation, so its values arrive
// exactly and are read back through the file's reader (every value passes
// its cell's rules on the way in). Anything else travels as a grid of
// tab-separated texts, the form spreadsheets exchange.
// Texts are UTF-8, as the clipboard carries them; the file's Windows-1251
// stays in the file. Pure functions; callable from any thread on data that
// thread owns.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/Program.h"
#include "model/Step.h"

namespace cliptext {

// The program's lines as a configuration file holds them.
std::string programText(const Program& program);
// The steps' lines, numbered from 1.
std::string stepsText(const std::vector<const Step*>& steps);

// The first program a text holds, or nothing when it holds none (or is
// beyond what any configuration holds).
std::optional<Program> readProgram(std::string_view text);
// The steps a text holds, in order (those of a program text included);
// empty when it holds none.
std::vector<Step> readSteps(std::string_view text);

// Rows of cells.
using Grid = std::vector<std::vector<std::string>>;
// Cells joined by tabs, each row ended by a line feed; a cell holding a tab,
// a line break or a double quote is quoted as spreadsheets quote it.
std::string joinGrid(const Grid& grid);
// A spreadsheet's text: rows end at LF, CR LF or CR, cells at tabs, and a
// quoted cell ("a""b") may hold all three. The line break after the last
// row ends it rather than starting an empty row.
Grid splitGrid(std::string_view text);

}  // namespace cliptext
