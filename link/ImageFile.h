// Files holding a whole 8 KB memory image: the simulated controllers'
// backing store and the backups of tkv88ctl dump/restore. Writes go to a
// temporary file that is renamed over the target, so a crash or a full disk
// never leaves a half-written image behind. Any thread.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "link/FactoryImage.h"

// A file that cannot be read or written, or is not an image; the message
// names the file and the reason (UTF-8).
struct ImageFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The image in path; nullopt when the file does not exist. A file of any
// size other than 8192 bytes is refused.
std::optional<MemoryImage> readImageFile(const std::string& path);
// Replaces path with size bytes of data.
void writeFileAtomically(const std::string& path, const void* data, std::size_t size);

// The file a simulated controller keeps its memory in. Opening loads an
// existing 8192-byte file as it is and creates a missing one (and its
// folder) with a factory-new controller's contents. The bytes of each write
// cycle are then written into the file in place: a page never straddles a
// file system block, so the file always holds a whole image. One thread.
class ImageStore {
 public:
  // Throws ImageFileError naming the file and the reason.
  explicit ImageStore(const std::string& path);
  const std::string& path() const { return m_path; }
  // The image as the file held it when opened.
  const MemoryImage& loaded() const { return m_loaded; }
  // Writes count bytes of image from address on into the file. Throws
  // ImageFileError.
  void store(const MemoryImage& image, int address, int count);

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::string m_path;
  MemoryImage m_loaded{};
  std::unique_ptr<std::FILE, FileCloser> m_file;
};
