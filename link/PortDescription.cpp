#include "link/PortDescription.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "link/DirectIoPort.h"
#include "link/PpdevPort.h"

namespace {

const char* const kForms =
    " (ожидается sim:ФАЙЛ[,trace=ФАЙЛ][,fault=...], ppdev:/dev/parportN, io:0x378 или auto)";

// A number in decimal or with 0x in hex, all of the text. A leading zero is
// refused rather than taken as octal: "io:0170" would silently be port 120.
bool parseNumber(const std::string& text, unsigned long max, unsigned long& value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() ||
      digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos ||
      (!hex && digits.size() > 1 && digits[0] == '0'))
    return false;
  errno = 0;
  value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
  return errno == 0 && value <= max;
}

uint16_t parseBase(const std::string& text, const std::string& description) {
  unsigned long value = 0;
  if (!parseNumber(text, 0xFFFF, value) || value == 0)
    throw PortError("неверный адрес порта \"" + text + "\" в \"" + description +
                    "\": укажите адрес, например 0x378");
  return static_cast<uint16_t>(value);
}

SimulatorFault parseFault(const std::string& text, const std::string& description) {
  SimulatorFault fault;
  if (text == "absent") {
    fault.kind = SimulatorFault::kAbsent;
  } else if (text == "stuck-low") {
    fault.kind = SimulatorFault::kStuckLow;
  } else if (text.rfind("dropout:", 0) == 0) {
    unsigned long n = 0;
    if (!parseNumber(text.substr(8), 1000000000, n))
      throw PortError("неверное число байтов в \"" + text + "\" из \"" + description + "\"");
    fault.kind = SimulatorFault::kDropout;
    fault.dropoutBytes = static_cast<int>(n);
  } else {
    throw PortError("неизвестная неисправность \"" + text + "\" в \"" + description +
                    "\" (ожидается absent, stuck-low или dropout:N)");
  }
  return fault;
}

// "PATH,key=value,...": a comma followed by something that is not a known
// option belongs to the path.
SimulatorOptions parseSimulator(const std::string& rest, const std::string& description) {
  SimulatorOptions options;
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = rest.find(',', start);
    parts.push_back(rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  bool inPath = true;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    const std::size_t eq = part.find('=');
    const std::string key = eq == std::string::npos ? std::string() : part.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : part.substr(eq + 1);
    const bool option = key == "trace" || key == "fault" || key == "base";
    if (inPath && !option) {
      options.imagePath += (i == 0 ? "" : ",") + part;
      continue;
    }
    inPath = false;
    if (key == "trace" && !value.empty())
      options.tracePath = value;
    else if (key == "fault")
      options.fault = parseFault(value, description);
    else if (key == "base")
      options.base = parseBase(value, description);
    else
      throw PortError("неизвестный параметр симулятора \"" + part + "\" в \"" + description +
                      "\" (ожидается trace=ФАЙЛ, fault=... или base=АДРЕС)");
  }
  if (options.imagePath.empty())
    throw PortError("в \"" + description + "\" не указан файл образа памяти: укажите sim:ФАЙЛ");
  return options;
}

std::unique_ptr<PortBackend> openAuto(const PortEnvironment& env) {
  std::vector<std::string> present;
  std::string firstError;
  for (int n = 0; n < 3; ++n) {
    const std::string path = env.devRoot + "/parport" + std::to_string(n);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) continue;
    try {
      PpdevPort::open({path}, env.procRoot);  // can it be opened on its own?
      present.push_back(path);
    } catch (const PortError& e) {
      if (firstError.empty()) firstError = e.what();
    }
  }
  if (!present.empty()) return PpdevPort::open(present, env.procRoot);
  std::string ioError;
  if (env.directIo) {
    try {
      return DirectIoPort::open({PortBackend::kLpt1, PortBackend::kLpt2, PortBackend::kLpt3});
    } catch (const PortError& e) {
      ioError = e.what();
    }
  }
  if (!firstError.empty()) throw PortError(firstError);
  std::string message = "параллельный порт не найден: устройств " + env.devRoot +
                        "/parport0..2 нет (загрузите драйвер: modprobe ppdev parport_pc)";
  if (!ioError.empty()) message += ", и " + ioError;
  message += "; без прибора работайте с симулятором контроллера: --port sim:ФАЙЛ";
  throw PortError(message);
}

}  // namespace

PortDescription parsePortDescription(const std::string& text) {
  PortDescription d;
  if (text == "auto") {
    d.kind = PortDescription::kAuto;
  } else if (text.rfind("sim:", 0) == 0) {
    d.kind = PortDescription::kSimulator;
    d.simulator = parseSimulator(text.substr(4), text);
  } else if (text.rfind("ppdev:", 0) == 0) {
    d.kind = PortDescription::kPpdev;
    d.devicePath = text.substr(6);
    if (d.devicePath.empty())
      throw PortError("в \"" + text + "\" не указано устройство: укажите ppdev:/dev/parport0");
  } else if (text.rfind("io:", 0) == 0) {
    d.kind = PortDescription::kDirectIo;
    d.ioBase = parseBase(text.substr(3), text);
  } else {
    throw PortError((text.empty() ? std::string("порт не указан") : "неизвестный порт \"" + text + "\"") +
                    kForms);
  }
  return d;
}

std::unique_ptr<PortBackend> openPort(const PortDescription& d, const PortEnvironment& env) {
  switch (d.kind) {
    case PortDescription::kSimulator:
      return std::make_unique<SimulatedController>(d.simulator);
    case PortDescription::kPpdev:
      return PpdevPort::open({d.devicePath}, env.procRoot);
    case PortDescription::kDirectIo:
      if (!env.directIo) throw PortError("прямой доступ к портам ввода-вывода здесь отключён");
      return DirectIoPort::open({d.ioBase});
    case PortDescription::kAuto:
      break;
  }
  return openAuto(env);
}

std::unique_ptr<PortBackend> openPort(const std::string& description, const PortEnvironment& env) {
  return openPort(parsePortDescription(description), env);
}

std::string defaultPortDescription() {
  const char* value = std::getenv("TKV88_PORT");
  return value && *value ? std::string(value) : std::string("auto");
}
