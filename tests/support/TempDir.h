// A temporary folder for one test, removed with everything in it afterwards,
// and the whole content of a file as bytes.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

struct TempDir {
  TempDir() {
    std::string name = (std::filesystem::temp_directory_path() / "tkv88testXXXXXX").string();
    path = ::mkdtemp(name.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::filesystem::path operator/(const std::string& name) const { return path / name; }

  std::filesystem::path path;
};

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
