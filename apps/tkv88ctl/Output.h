// Where a tkv88ctl command puts what it makes: a file named with -o (or
// --output), written through saveFile (model/SafeFile.h), or the standard
// output for "-" (and for /dev/stdout and the other names of descriptor 1).
// main() checks the standard output once more when the command has
// finished, so output lost there never ends in success.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class Args;
class SafeFile;

// An output opened before the work that makes it, so a target that cannot
// be written (a folder, a device, a write-protected file, a missing folder)
// is refused before a controller is read, not after.
class OutputTarget {
 public:
  // Failure with the reason when the target is refused.
  explicit OutputTarget(const std::string& target);
  ~OutputTarget();
  // Writes the bytes and puts the file in place. Failure with the reason.
  void write(std::string_view bytes);

 private:
  std::string m_target;
  std::unique_ptr<SafeFile> m_file;  // none for the standard output
};

// The -o or --output value, else `fallback`; "-" means the standard output,
// and so does a name of descriptor 1 ("/dev/stdout", "/dev/fd/1").
// An empty name is refused rather than taken as the standard output, which
// would leave the file unsaved while reporting success.
std::string outputOption(const Args& args, const std::string& fallback = "-");
// Writes bytes to the file `target` (replacing it safely) or to the
// standard output for "-". Failure with the reason.
void writeOutput(const std::string& target, std::string_view bytes);
// 0, or the error number of the standard output's writes so far (after a
// final flush).
int standardOutputError();
