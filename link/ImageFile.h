// Files holding a whole 8 KB memory image: the simulated controllers'
// memory files and the images of tkv88ctl dump, restore and image. Whole
// images are written with saveFile (model/SafeFile.h). Any thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "link/FactoryImage.h"

// A file that cannot be read or written, or is not an image; the message
// names the file and the reason (UTF-8).
struct ImageFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The image's bytes, as saveFile takes them.
inline std::string_view imageBytes(const MemoryImage& image) {
  return {reinterpret_cast<const char*>(image.data()), image.size()};
}

// The image in path; nullopt when the file does not exist. A file of any
// size other than 8192 bytes is refused, and so is anything but a regular file.
std::optional<MemoryImage> readImageFile(const std::string& path);

// The file a simulated controller keeps its memory in. Opening creates a
// missing one (and its folder) with a factory-new controller's contents and
// loads it. The bytes of each write cycle are then written into the file in
// place: a page never straddles a file system block, so the file always
// holds a whole image.
//
// While a store is open its file is locked, exclusively (shared when the
// file may only be read), so two programs never write one memory at once:
// opening waits up to kLockWait for another program to let go, then fails
// naming the file. Programs that save over a memory file wait for its lock
// too (model/SafeFile.h), and a store that finds its file replaced once it
// has the lock opens the new one. Stores of one process on one file share the lock (the
// GUI opens the new port before it lets the old one go). A file the user
// may only read opens read-only: the memory can be read, and writes are
// refused. One thread per store.
class ImageStore {
 public:
  static constexpr std::chrono::milliseconds kLockWait{2000};

  // Throws ImageFileError naming the file and the reason.
  explicit ImageStore(const std::string& path);
  ~ImageStore();
  const std::string& path() const { return m_path; }
  // The image as the file held it when opened.
  const MemoryImage& loaded() const { return m_loaded; }
  // False when the file was opened read-only.
  bool writable() const;
  // For a simulator about to change its memory: a read-only file refuses,
  // with the LinkError the bus write then fails with.
  void checkWritable() const;
  // Writes count bytes of image from address on into the file. Throws
  // ImageFileError, also for a read-only file.
  void store(const MemoryImage& image, int address, int count);
  // True when path names this store's file (a trace there would overwrite it).
  bool isFile(const std::string& path) const;

  struct LockedFile;

 private:
  // Opens and locks the file; false when it was replaced meanwhile.
  bool open(const std::string& path);

  std::string m_path;
  MemoryImage m_loaded{};
  std::shared_ptr<LockedFile> m_file;
};
