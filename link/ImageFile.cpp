#include "link/ImageFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "model/SystemErrorText.h"

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string reason() { return systemErrorText(errno); }

}  // namespace

std::optional<MemoryImage> readImageFile(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  if (status.type() == std::filesystem::file_type::not_found) return std::nullopt;
  if (ec) throw ImageFileError("не удаётся прочитать " + path + ": " + ec.message());
  if (status.type() != std::filesystem::file_type::regular) throw ImageFileError(path + " не обычный файл");

  File f(std::fopen(path.c_str(), "rb"));
  if (!f) throw ImageFileError("не удаётся прочитать " + path + ": " + reason());
  MemoryImage image;
  const std::size_t n = std::fread(image.data(), 1, image.size(), f.get());
  if (std::ferror(f.get())) throw ImageFileError("не удаётся прочитать " + path + ": " + reason());
  const bool longer = std::fgetc(f.get()) != EOF;
  if (n != image.size() || longer) {
    const auto size = std::filesystem::file_size(path, ec);
    throw ImageFileError(path + ": байтов в файле " +
                         (ec ? std::string("не столько") : std::to_string(size)) +
                         ", а в образе памяти ровно " + std::to_string(kDeviceMemorySize));
  }
  return image;
}

void writeFileAtomically(const std::string& path, const void* data, std::size_t size) {
  const std::string temporary = path + ".tmp";
  File f(std::fopen(temporary.c_str(), "wb"));
  if (!f) throw ImageFileError("не удаётся записать " + path + ": " + reason());
  const bool written = std::fwrite(data, 1, size, f.get()) == size;
  const bool closed = std::fclose(f.release()) == 0;
  if (!written || !closed) {
    const std::string why = reason();
    std::remove(temporary.c_str());
    throw ImageFileError("не удаётся записать " + path + ": " + why);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = reason();
    std::remove(temporary.c_str());
    throw ImageFileError("не удаётся записать " + path + ": " + why);
  }
}

ImageStore::ImageStore(const std::string& path) : m_path(path) {
  if (auto image = readImageFile(path)) {
    m_loaded = *image;
  } else {
    m_loaded = factoryImage();
    const auto parent = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    writeFileAtomically(path, m_loaded.data(), m_loaded.size());
  }
  m_file.reset(std::fopen(path.c_str(), "r+b"));
  if (!m_file) throw ImageFileError("не удаётся записать " + path + ": " + reason());
}

void ImageStore::store(const MemoryImage& image, int address, int count) {
  std::FILE* f = m_file.get();
  const auto n = static_cast<std::size_t>(count);
  if (address < 0 || count < 0 || address + count > kDeviceMemorySize ||
      std::fseek(f, address, SEEK_SET) != 0 || std::fwrite(image.data() + address, 1, n, f) != n ||
      std::fflush(f) != 0)
    throw ImageFileError("не удаётся записать " + m_path + ": " + reason());
}
