// An open file descriptor that closes itself: its one owner from open(2)
// until it goes out of scope, is reset or is handed on with release().
// Closing keeps errno, so a failure read after a scope ends or a descriptor
// is replaced still names its own cause. Not copyable; any thread, one
// object per thread.
#pragma once

#include <utility>

class FileDescriptor {
 public:
  FileDescriptor() = default;
  // Takes over fd; a negative one (a failed open) holds nothing.
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() { reset(); }
  FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    reset(other.release());
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return m_fd; }
  bool isOpen() const { return m_fd >= 0; }
  // Closes what it holds and takes over fd.
  void reset(int fd = -1);
  // Hands the descriptor on without closing it.
  int release() { return std::exchange(m_fd, -1); }

 private:
  int m_fd = -1;
};
