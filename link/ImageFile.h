// Files holding a whole 8 KB memory image: the simulated controller's
// backing store and the backups of tkv88ctl dump/restore. Writes go to a
// temporary file that is renamed over the target, so a crash or a full disk
// never leaves a half-written image behind. Any thread.
#pragma once

#include <cstddef>
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
