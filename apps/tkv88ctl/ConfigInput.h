// Configuration files as tkv88ctl commands open them: through the document,
// as the GUI does. A file that cannot be read, or whose structure the reader
// cannot follow, fails the command; what the reader noticed in a file it
// loads goes to stderr, one line each ("tkv88ctl write: c.tkv88: строка 12:
// O10 = «seven» — не число; взято 0"), so nothing is loaded otherwise than
// the file says without a word.
#pragma once

#include <string>
#include <vector>

#include "document/ConfigFile.h"

class Document;
class Program;
struct Place;

// Opens `path` into `doc` for `command` ("list", "write"); throws Failure.
std::vector<configfile::FileNote> openConfiguration(Document& doc, const std::string& path,
                                                    const char* command);

// The program `place` names in `doc` (opened from place.file); Failure when
// the configuration has no such program.
Program& programOf(Document& doc, const Place& place);
