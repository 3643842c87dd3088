#include "document/ClipboardText.h"

#include <iterator>

#include "document/ConfigFile.h"
#include "model/Cp1251.h"

namespace cliptext {

std::string programText(const Program& program) {
  std::string out;
  configfile::writeProgram(program, out);
  return cp1251::toUtf8(out);
}

std::string stepsText(const std::vector<const Step*>& steps) {
  std::string out;
  int number = 0;
  for (const Step* step : steps) configfile::writeStep(*step, ++number, out);
  return out;
}

std::optional<Program> readProgram(std::string_view text) {
  try {
    auto data = configfile::read(cp1251::fromUtf8(text));
    if (data->programs.empty()) return std::nullopt;
    return std::move(data->programs.front());
  } catch (const configfile::FormatError&) {
    return std::nullopt;
  }
}

std::vector<Step> readSteps(std::string_view text) {
  // Steps belong to a program in the file's notation; a program line in
  // front gives them one.
  std::string framed = "[Program]\n";
  framed += text;
  std::vector<Step> steps;
  try {
    auto data = configfile::read(framed);
    for (Program& program : data->programs)
      steps.insert(steps.end(), std::make_move_iterator(program.steps.begin()),
                   std::make_move_iterator(program.steps.end()));
  } catch (const configfile::FormatError&) {
    steps.clear();
  }
  return steps;
}

std::string joinGrid(const Grid& grid) {
  std::string out;
  for (const auto& row : grid) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i) out += '\t';
      const std::string& cell = row[i];
      if (cell.find_first_of("\t\r\n\"") == std::string::npos) {
        out += cell;
        continue;
      }
      out += '"';
      for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
      }
      out += '"';
    }
    out += '\n';
  }
  return out;
}

Grid splitGrid(std::string_view text) {
  Grid grid;
  std::vector<std::string> row;
  std::string cell;
  bool rowOpen = false;  // something of the current row has been read
  std::size_t i = 0;
  auto endCell = [&] {
    row.push_back(std::move(cell));
    cell.clear();
  };
  auto endRow = [&] {
    endCell();
    grid.push_back(std::move(row));
    row.clear();
    rowOpen = false;
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' && cell.empty() &&
        (i == 0 || text[i - 1] == '\t' || text[i - 1] == '\n' || text[i - 1] == '\r')) {
      // A quoted cell: up to the quote that is not doubled.
      rowOpen = true;
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            cell += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        cell += text[i++];
      }
      continue;
    }
    if (c == '\t') {
      rowOpen = true;
      endCell();
    } else if (c == '\n' || c == '\r') {
      endRow();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      rowOpen = true;
      cell += c;
    }
    ++i;
  }
  if (rowOpen) endRow();
  return grid;
}

}  // namespace cliptext
