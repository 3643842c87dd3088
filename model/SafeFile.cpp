#include "model/SafeFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

#include "model/SystemErrorText.h"

namespace {

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a chain of symbolic links ends at (it need not exist); the path
// itself when it is no link. 0, or the error that stops the walk.
int followLinks(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    if (!S_ISLNK(st.st_mode)) return 0;
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0) return errno;
    link.resize(static_cast<std::size_t>(n));
    target = link.front() == '/' ? link : folderOf(target) + link;
  }
  return ELOOP;
}

// Why an existing file cannot be the target; empty when it can.
std::string refusal(const struct stat& st, const std::string& target) {
  if (S_ISDIR(st.st_mode)) return systemErrorText(EISDIR);
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "это устройство, а не обычный файл";
  if (S_ISFIFO(st.st_mode)) return "это канал (FIFO), а не обычный файл";
  if (S_ISSOCK(st.st_mode)) return "это сокет, а не обычный файл";
  if (!S_ISREG(st.st_mode)) return "это не обычный файл";
  // Root may write anything; a file nobody may write is still meant to stay.
  if ((st.st_mode & 0222) == 0) return "файл защищён от записи";
  if (::access(target.c_str(), W_OK) != 0) return systemErrorText(errno);
  return {};
}

// Waits for the lock another program holds on the file at `path` (a
// simulator's memory file in use), up to `waitMs`; the open file then holds
// the lock until it is closed. -1 with EBUSY when it stays locked; a file
// that cannot be opened has no lock to wait for.
int lockExisting(const std::string& path, int waitMs) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -2;
  for (int waited = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; waited += 20) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || waited >= waitMs) {
      ::close(fd);
      errno = EBUSY;
      return -1;
    }
    ::usleep(20000);
  }
  return fd;
}

// Puts `from` at `to` unless `to` exists (EEXIST then).
int renameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  // File systems without it: a hard link is made only where no name is.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

}  // namespace

SaveError::SaveError(std::string path, std::string reason, int error)
    : std::runtime_error("не удаётся записать \"" + path + "\": " + reason),
      m_path(std::move(path)),
      m_reason(std::move(reason)),
      m_error(error) {}

int descriptorNamed(const std::string& path) {
  if (path == "/dev/stdout") return STDOUT_FILENO;
  if (path == "/dev/stderr") return STDERR_FILENO;
  const std::string own = "/proc/" + std::to_string(::getpid()) + "/fd/";
  for (const std::string& folder : {std::string("/dev/fd/"), std::string("/proc/self/fd/"), own}) {
    if (path.compare(0, folder.size(), folder) != 0 || path.size() == folder.size()) continue;
    const std::string digits = path.substr(folder.size());
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::stoi(digits);
  }
  return -1;
}

SafeFile::SafeFile(std::string path, Mode mode) : m_path(std::move(path)), m_mode(mode) {
  if (m_path.empty()) throw SaveError(m_path, "не указано имя файла");
  if (const int fd = descriptorNamed(m_path); fd >= 0) {
    if (mode == kCreateNew) fail(EEXIST);
    m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (m_fd < 0) fail(errno);
    m_descriptor = true;
    return;
  }
  struct stat existing {};
  bool replacing = false;
  if (mode == kCreateNew) {
    m_target = m_path;
    if (::lstat(m_target.c_str(), &existing) == 0) fail(EEXIST);
  } else {
    if (const int error = followLinks(m_path, m_target)) fail(error);
    if (::stat(m_target.c_str(), &existing) == 0) {
      if (std::string why = refusal(existing, m_target); !why.empty()) throw SaveError(m_path, why);
      replacing = true;
    } else if (errno != ENOENT) {
      fail(errno);
    }
  }

  const std::string folder = folderOf(m_target);
  const std::string base = m_target.substr(folder.size()).substr(0, 200);
  std::random_device random;
  const char* const letters = "abcdefghijklmnopqrstuvwxyz0123456789";
  for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
    std::string suffix;
    for (int i = 0; i < 8; ++i) suffix += letters[random() % 36];
    m_temporary = folder + "." + base + ".tmp" + suffix;
    m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (m_fd < 0 && errno != EEXIST) {
      m_temporary.clear();
      fail(errno);
    }
  }
  if (m_fd < 0) {
    m_temporary.clear();
    fail(EEXIST);
  }
  if (replacing) {
    // Owner and group first: a change of owner clears the set-id bits.
    struct stat made {};
    if (::fstat(m_fd, &made) == 0 && (made.st_uid != existing.st_uid || made.st_gid != existing.st_gid))
      (void)::fchown(m_fd, existing.st_uid, existing.st_gid);
    (void)::fchmod(m_fd, existing.st_mode & 07777);
  }
}

SafeFile::~SafeFile() {
  if (m_fd >= 0) ::close(m_fd);
  if (!m_committed && !m_descriptor && !m_temporary.empty()) ::unlink(m_temporary.c_str());
}

void SafeFile::fail(int error) { throw SaveError(m_path, systemErrorText(error), error); }

void SafeFile::write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

void SafeFile::commit() {
  // Pipes and terminals have nothing to make durable.
  if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) fail(errno);
  if (m_committed) return;
  if (m_descriptor) {
    m_committed = true;
    return;
  }
  replaceTarget();
  m_committed = true;
  // The new name itself survives a power cut once its folder is written.
  const std::string folder = folderOf(m_target);
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
}

void SafeFile::replaceTarget() {
  if (m_mode == kCreateNew) {
    if (const int error = renameNoReplace(m_temporary, m_target)) fail(error);
    return;
  }
  const int lock = lockExisting(m_target, kLockWaitMs);
  if (lock == -1)
    throw SaveError(
        m_path,
        "файл занят другой программой (её симулятор работает с ним как с памятью): дождитесь её конца",
        EBUSY);
  const int error = ::rename(m_temporary.c_str(), m_target.c_str()) == 0 ? 0 : errno;
  if (lock >= 0) ::close(lock);
  if (error) fail(error);
}

void saveFile(const std::string& path, std::string_view bytes, SafeFile::Mode mode) {
  SafeFile file(path, mode);
  file.write(bytes);
  file.commit();
}
