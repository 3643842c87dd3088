#include "link/PortCheck.h"

#include <algorithm>
#include <filesystem>
#include <regex>

#include "link/Ch341Adapters.h"
#include "link/DirectIoPort.h"
#include "link/PpdevPort.h"

namespace {

// parport0, parport1 ... of devRoot, in number order.
std::vector<std::string> parportDevices(const std::string& devRoot) {
  std::vector<std::pair<int, std::string>> found;
  static const std::regex name(R"(parport(\d{1,3}))");
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(devRoot, ec)) {
    const std::string file = entry.path().filename().string();
    if (std::smatch m; std::regex_match(file, m, name)) found.emplace_back(std::stoi(m[1].str()), entry.path().string());
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& [n, path] : found) paths.push_back(std::move(path));
  return paths;
}

}  // namespace

bool PortCheck::usable() const {
  return std::any_of(lines.begin(), lines.end(), [](const Line& l) { return l.usable; });
}

std::string PortCheck::report() const {
  std::string text = "Доступ к портам:\n";
  for (const Line& l : lines) text += "  " + l.port + ": " + l.text + "\n";
  const auto first = std::find_if(lines.begin(), lines.end(), [](const Line& l) { return l.usable; });
  if (first != lines.end())
    text += "С прибором можно работать: tkv88 --port " + first->port + " (или --port auto).\n";
  else
    text += "Ни один порт сейчас недоступен: исправьте то, что сказано выше. Без прибора работайте\n"
            "с симулятором контроллера: tkv88 --port sim:ФАЙЛ.\n";
  return text;
}

PortCheck checkPorts(const PortEnvironment& env) {
  PortCheck check;
  const std::vector<std::string> devices = parportDevices(env.devRoot);
  for (const std::string& path : devices) {
    PortCheck::Line line{"ppdev:" + path, false, {}};
    try {
      PpdevPort::open({path}, env.procRoot);
      line.usable = true;
      line.text = "доступен";
    } catch (const PortError& e) {
      line.text = e.what();
    }
    check.lines.push_back(std::move(line));
  }
  if (devices.empty())
    check.lines.push_back({"ppdev", false,
                           "устройств " + env.devRoot +
                               "/parportN нет: загрузите драйвер (sudo modprobe ppdev parport_pc) или "
                               "проверьте, есть ли у компьютера параллельный порт"});
  if (env.directIo) {
    PortCheck::Line line{"io:0x378", false, {}};
    try {
      DirectIoPort::open({PortBackend::kLpt1, PortBackend::kLpt2, PortBackend::kLpt3});
      line.usable = true;
      line.text = "прямой доступ к портам 0x378, 0x278 и 0x3BC есть";
    } catch (const PortError& e) {
      line.text = e.what();
    }
    check.lines.push_back(std::move(line));
  }
  if (env.usb) addUsbProgrammers(check);
  return check;
}

// Each CH341A found, in either mode: usable, or what is missing.
void addUsbProgrammers(PortCheck& check) {
  for (const Ch341Adapter& a : listCh341Adapters(true))
    check.lines.push_back(
        {a.port(), a.problem.empty(), a.problem.empty() ? "доступен (" + a.where() + ")" : a.problem});
}
