#include "link/ImageFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "link/LinkError.h"
#include "model/FileDescriptor.h"
#include "model/SafeFile.h"
#include "model/SystemErrorText.h"

namespace {

std::string readFailure(const std::string& path, int error) {
  return "не удаётся прочитать " + path + ": " + systemErrorText(error);
}

// The image in an open file; ImageFileError when it is none.
MemoryImage readImage(int fd, const std::string& path) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) throw ImageFileError(readFailure(path, errno));
  if (!S_ISREG(st.st_mode)) throw ImageFileError(path + " не обычный файл");
  MemoryImage image{};
  ssize_t n = 0;
  do n = ::pread(fd, image.data(), image.size(), 0);
  while (n < 0 && errno == EINTR);
  if (n < 0) throw ImageFileError(readFailure(path, errno));
  if (st.st_size != kDeviceMemorySize || n != kDeviceMemorySize)
    throw ImageFileError(path + ": байтов в файле " + std::to_string(st.st_size) +
                         ", а в образе памяти ровно " + std::to_string(kDeviceMemorySize));
  return image;
}

}  // namespace

std::optional<MemoryImage> readImageFile(const std::string& path) {
  // Non-blocking: a FIFO must not stall the open; it is refused as no file.
  const FileDescriptor f(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!f.isOpen()) {
    if (errno == ENOENT) return std::nullopt;
    throw ImageFileError(readFailure(path, errno));
  }
  return readImage(f.get(), path);
}

// ---- ImageStore --------------------------------------------------------------

struct ImageStore::LockedFile {
  FileDescriptor file;  // closing it lets the lock go
  bool writable = false;
  dev_t device = 0;
  ino_t inode = 0;
};

namespace {

// The files this process holds locked, so its stores share them.
std::mutex registryMutex;
std::map<std::pair<dev_t, ino_t>, std::weak_ptr<ImageStore::LockedFile>>& registry() {
  static std::map<std::pair<dev_t, ino_t>, std::weak_ptr<ImageStore::LockedFile>> files;
  return files;
}

// Read-write, or read-only when the user may not (or, like root, could but
// the file is write-protected) write it.
int openMemoryFile(const std::string& path, bool& writable) {
  struct stat st {};
  writable = ::stat(path.c_str(), &st) != 0 || (st.st_mode & 0222) != 0;
  int fd = writable ? ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC) : -1;
  if (!writable || (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS))) {
    writable = false;
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  }
  return fd;
}

}  // namespace

ImageStore::ImageStore(const std::string& path) : m_path(path) {
  // A file replaced while this store waited for its lock (saved over by
  // another program) is opened anew: the store must hold the file the name
  // stands for, never an unlinked one whose writes nobody would see.
  for (int attempt = 0; !open(path); ++attempt)
    if (attempt == 10)
      throw ImageFileError("файл памяти " + path +
                           " всё время заменяют: закройте программу, которая его пишет");
  // Read only now: the program that held the lock may have been writing.
  m_loaded = readImage(m_file->file.get(), path);
}

bool ImageStore::open(const std::string& path) {
  bool writable = true;
  FileDescriptor f(openMemoryFile(path, writable));
  if (!f.isOpen() && errno == ENOENT) {
    const auto parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    const MemoryImage factory = factoryImage();
    try {
      // Another program may make it at the same moment; then its file counts.
      saveFile(path, imageBytes(factory), SafeFile::kCreateNew);
    } catch (const SaveError& e) {
      if (e.error() != EEXIST) throw ImageFileError(e.what());
    }
    f.reset(openMemoryFile(path, writable));
  }
  if (!f.isOpen()) throw ImageFileError("не удаётся открыть " + path + ": " + systemErrorText(errno));
  struct stat st {};
  if (::fstat(f.get(), &st) != 0) throw ImageFileError(readFailure(path, errno));
  if (!S_ISREG(st.st_mode)) throw ImageFileError(path + " не обычный файл");

  const std::lock_guard guard(registryMutex);
  auto& files = registry();
  const auto key = std::make_pair(st.st_dev, st.st_ino);
  if (auto it = files.find(key); it != files.end()) m_file = it->second.lock();
  if (!m_file) {
    const auto deadline = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(f.get(), (writable ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR)
        throw ImageFileError("не удаётся занять " + path + ": " + systemErrorText(errno));
      if (std::chrono::steady_clock::now() >= deadline)
        throw ImageFileError("файл памяти " + path +
                             " занят другой программой: она работает с тем же симулятором; закройте её "
                             "или выберите другой файл");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    struct stat now {};
    if (::stat(path.c_str(), &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino) return false;
    m_file = std::make_shared<LockedFile>();
    m_file->file = std::move(f);
    m_file->writable = writable;
    m_file->device = st.st_dev;
    m_file->inode = st.st_ino;
    files[key] = m_file;
  }
  return true;
}

ImageStore::~ImageStore() {
  const std::lock_guard guard(registryMutex);
  const auto key = std::make_pair(m_file->device, m_file->inode);
  m_file.reset();
  auto& files = registry();
  if (auto it = files.find(key); it != files.end() && it->second.expired()) files.erase(it);
}

bool ImageStore::writable() const { return m_file->writable; }

void ImageStore::checkWritable() const {
  if (!m_file->writable)
    throw LinkError(LinkError::kLinkBroken,
                    "Файл памяти симулятора " + m_path + " открыт только для чтения: запись отклонена");
}

bool ImageStore::isFile(const std::string& path) const {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && st.st_dev == m_file->device && st.st_ino == m_file->inode;
}

void ImageStore::store(const MemoryImage& image, int address, int count) {
  if (!m_file->writable)
    throw ImageFileError("файл " + m_path + " открыт только для чтения: запись в память отклонена");
  if (address < 0 || count < 0 || address + count > kDeviceMemorySize)
    throw ImageFileError("не удаётся записать " + m_path + ": адрес вне памяти");
  ssize_t n = 0;
  do n = ::pwrite(m_file->file.get(), image.data() + address, static_cast<std::size_t>(count), address);
  while (n < 0 && errno == EINTR);
  if (n != count)
    throw ImageFileError("не удаётся записать " + m_path + ": " + systemErrorText(n < 0 ? errno : ENOSPC));
}
