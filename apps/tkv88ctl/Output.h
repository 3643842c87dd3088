// Where a tkv88ctl command puts what it makes: a file named with -o (or
// --output), written through saveFile (model/SafeFile.h), or the standard
// output for "-". main() checks the standard output once more when the
// command has finished, so output lost there never ends in success.
#pragma once

#include <string>
#include <string_view>

class Args;

// The -o or --output value, else `fallback`; "-" means the standard output.
// An empty name is refused rather than taken as the standard output, which
// would leave the file unsaved while reporting success.
std::string outputOption(const Args& args, const std::string& fallback = "-");
// Writes bytes to the file `target` (replacing it safely) or to the
// standard output for "-". Failure with the reason.
void writeOutput(const std::string& target, std::string_view bytes);
// 0, or the error number of the standard output's writes so far (after a
// final flush).
int standardOutputError();
