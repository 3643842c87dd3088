// The one way the programs write a file: configurations (save, save as,
// tkv88ctl's -o), memory images (dump, image), backups, the simulator's
// memory file when it is made, traces and the driver's usage file.
//
// The bytes go into a temporary file created exclusively (a unique name,
// never an existing file or link) in the target's own folder; commit()
// makes them durable (fsync) and renames the temporary file over the
// target, so the target holds either its old content or the whole new one,
// and a failure at any point leaves it as it was. The target must be a
// regular file the user may write, or a name not taken yet: a folder, a
// device, a FIFO, a socket or a write-protected file is refused with a
// message that says so. A symbolic link is written through: its target
// file gets the new content and the link stays. A replaced file keeps its
// permissions (and its owner and group, where the user may set them).
//
// A name that stands for a descriptor this process has open ("/dev/stdout",
// "/dev/stderr", "/dev/fd/N", "/proc/self/fd/N") is written to that
// descriptor as it is, where it stands, as "-" writes the standard output:
// never in place of the file it points to (which would drop what was
// written there before). Such a target has no temporary file and no whole-
// or-nothing: what was written before a failure stays written.
//
// A file another program holds locked (flock: a simulator's memory file in
// use) is not replaced under it: commit() waits up to kLockWait for the
// lock, then fails saying that the file is in use.
//
// Messages are Russian (UTF-8) with the path's own bytes. Plain file work;
// any thread, one object per thread.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

// A file that cannot be written. what(): "не удаётся записать "PATH": REASON".
class SaveError : public std::runtime_error {
 public:
  SaveError(std::string path, std::string reason, int error = 0);
  const std::string& path() const { return m_path; }
  const std::string& reason() const { return m_reason; }
  // The system's error number behind it (EEXIST for a kCreateNew target
  // that exists); 0 for a refused target.
  int error() const { return m_error; }

 private:
  std::string m_path;
  std::string m_reason;
  int m_error;
};

class SafeFile {
 public:
  static constexpr int kLockWaitMs = 2000;

  enum Mode {
    kReplace,    // the target is replaced (or made)
    kCreateNew,  // the target must not exist yet; commit() fails with EEXIST when it does
  };

  // Checks the target and creates the temporary file. Throws SaveError.
  explicit SafeFile(std::string path, Mode mode = kReplace);
  // Without commit() the temporary file is removed and the target is untouched.
  ~SafeFile();
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  // Appends bytes: to the temporary file, or after commit() to the target
  // itself. Throws SaveError (a full disk, a size limit).
  void write(std::string_view bytes);
  // Makes what was written durable and, the first time, puts the file in
  // place of the target. Later calls only make later writes durable.
  // Throws SaveError; before the first success the target is untouched.
  void commit();

  const std::string& path() const { return m_path; }
  bool committed() const { return m_committed; }

 private:
  [[noreturn]] void fail(int error);
  void replaceTarget();

  std::string m_path;    // as given, for messages
  std::string m_target;  // the file that gets the content (a link's target)
  std::string m_temporary;
  Mode m_mode;
  int m_fd = -1;
  bool m_committed = false;
  bool m_descriptor = false;  // m_fd is a copy of a descriptor the path named
};

// The descriptor a name stands for ("/dev/stdout" is 1, "/dev/fd/3" and
// "/proc/self/fd/3" are 3), or -1 for any other name.
int descriptorNamed(const std::string& path);

// The whole content of a file in one step. Throws SaveError.
void saveFile(const std::string& path, std::string_view bytes, SafeFile::Mode mode = SafeFile::kReplace);
