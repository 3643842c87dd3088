// A descriptor is closed once, by its last owner; a move or release() hands
// it on open; a failed close keeps errno.
#include "model/FileDescriptor.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {
bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }
}  // namespace

TEST(FileDescriptor, ClosesWhatItOwnsOnceByItsLastOwner) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  {
    FileDescriptor first(fds[0]);
    FileDescriptor second = std::move(first);
    first = FileDescriptor(fds[1]);
    EXPECT_TRUE(isOpen(fds[0]));  // moved on, not closed
    second.reset(first.release());
    EXPECT_FALSE(isOpen(fds[0]));
    EXPECT_TRUE(isOpen(fds[1]));
    second.reset(fds[1]);  // taking what it holds keeps it
    EXPECT_TRUE(isOpen(fds[1]));
  }
  EXPECT_FALSE(isOpen(fds[1]));
}

TEST(FileDescriptor, AFailedCloseKeepsErrno) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  ::close(fds[1]);
  {
    FileDescriptor stale(fds[0]);  // closing it fails with EBADF
    errno = ENOENT;
  }
  EXPECT_EQ(errno, ENOENT);
}
