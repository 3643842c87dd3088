#include "model/FileDescriptor.h"

#include <unistd.h>

#include <cerrno>

void FileDescriptor::reset(int fd) {
  if (m_fd >= 0 && m_fd != fd) {
    const int error = errno;
    ::close(m_fd);
    errno = error;
  }
  m_fd = fd;
}
