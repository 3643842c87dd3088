#include "document/TestTemplateFile.h"

#include <filesystem>
#include <system_error>

#include "document/ConfigFile.h"

namespace fs = std::filesystem;

namespace {

// The running program, or empty when the system does not say.
fs::path runningProgram() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : exe;
}

bool isInside(const fs::path& file, const fs::path& folder) {
  const fs::path relative = file.lexically_normal().lexically_relative(folder.lexically_normal());
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

std::string testTemplatesPath() {
  const fs::path exe = runningProgram();
  const fs::path folder = exe.empty() ? fs::path("/usr/bin") : exe.parent_path();
  const fs::path installed = (folder.parent_path() / "share" / "tkv88" / "test-templates.txt").lexically_normal();
  std::error_code ec;
  if (!exe.empty() && isInside(exe, TKV88_BINARY_DIR) && !fs::exists(installed, ec))
    return (fs::path(TKV88_SOURCE_DIR) / "resources" / "test-templates.txt").string();
  return installed.string();
}

std::vector<TestTemplate> loadTestTemplates(const std::string& path) {
  std::string text;
  try {
    text = configfile::readFile(path);
  } catch (const configfile::FileError& e) {
    throw TestTemplatesError(std::string("Шаблоны испытаний не прочитаны: ") + e.what() +
                             ". Файл ставится вместе с программой; переустановите её.");
  }
  try {
    return parseTestTemplates(text);
  } catch (const TemplateFormatError& e) {
    throw TestTemplatesError("Файл шаблонов испытаний \"" + path + "\" повреждён: " + e.what() + ".");
  }
}
