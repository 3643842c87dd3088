#include "apps/tkv88ctl/ConfigInput.h"

#include <cstdio>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "document/Document.h"

std::vector<configfile::FileNote> openConfiguration(Document& doc, const std::string& path,
                                                    const char* command) {
  std::vector<configfile::FileNote> notes;
  try {
    notes = doc.openFile(path);
  } catch (const configfile::FileError& e) {
    throw Failure(e.what());
  }
  for (const configfile::FileNote& note : notes)
    std::fprintf(stderr, "tkv88ctl %s: %s: %s\n", command, path.c_str(), note.message().c_str());
  return notes;
}

Program& programOf(Document& doc, const Place& place) {
  Program* program = doc.deviceData()->programAt(place.program - 1);
  if (!program) throw Failure(place.file + " has no program " + std::to_string(place.program));
  return *program;
}
