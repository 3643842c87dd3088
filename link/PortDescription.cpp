#include "link/PortDescription.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "link/DirectIoPort.h"
#include "link/I2cDevBus.h"
#include "link/I2cDevMemory.h"
#include "link/PpdevPort.h"
#include "link/WireProtocol.h"

namespace {

const char* const kForms =
    " (ожидается sim:ФАЙЛ[,trace=ФАЙЛ][,fault=...][,rise=МКС], ppdev:/dev/parportN, io:0x378, auto, "
    "i2c:/dev/i2c-N[,addr=0x50] или i2c-sim:ФАЙЛ; к первым четырём можно добавить ,timing=fast или "
    ",timing=standard)";

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
  } else if (text.rfind("readonly:", 0) == 0) {
    unsigned long address = 0;
    if (!parseNumber(text.substr(9), kDeviceMemorySize - 1, address))
      throw PortError("неверный адрес в \"" + text + "\" из \"" + description + "\" (ожидается 0..8191)");
    fault.kind = SimulatorFault::kReadonly;
    fault.readonlyAddress = static_cast<int>(address);
  } else {
    throw PortError("неизвестная неисправность \"" + text + "\" в \"" + description +
                    "\" (ожидается absent, stuck-low, dropout:N или readonly:АДРЕС)");
  }
  return fault;
}

// The port forms and the words of the "word=value" options each takes. A
// part of a description that looks like an option ("tarce=t.vcd", a
// misspelt trace) but is none of its form's is refused, naming those it
// takes: taken as part of the file name it would silently make a new
// memory file.
struct PortForm {
  const char* prefix;  // "sim:"; "auto" stands alone or before options
  PortDescription::Kind kind;
  const char* what;  // whose options, for messages ("симулятора")
  std::vector<std::string> options;
};

const std::vector<PortForm>& portForms() {
  static const std::vector<PortForm> forms = {
      {"sim:", PortDescription::kSimulator, "симулятора", {"trace", "fault", "base", "rise", "timing"}},
      {"ppdev:", PortDescription::kPpdev, "порта", {"timing"}},
      {"io:", PortDescription::kDirectIo, "порта", {"timing"}},
      {"auto", PortDescription::kAuto, "порта", {"timing"}},
      {"i2c:", PortDescription::kI2cDev, "адаптера I2C", {"addr"}},
      {"i2c-sim:", PortDescription::kI2cSimulator, "адаптера I2C", {"addr", "fault"}},
  };
  return forms;
}

// "word=" at the start of a part: a lower-case letter, then letters, digits
// and dashes. Paths rarely start so ("./m=1.bin" does not).
std::string optionWord(const std::string& part) {
  const std::size_t eq = part.find('=');
  if (eq == std::string::npos || eq == 0 || part[0] < 'a' || part[0] > 'z') return {};
  for (std::size_t i = 1; i < eq; ++i) {
    const char c = part[i];
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')) return {};
  }
  return part.substr(0, eq);
}

// "PATH,word=value,...": the parts up to the first option are the path
// (which may hold commas); after it, every part must be an option.
struct PathAndOptions {
  std::string path;
  std::vector<std::pair<std::string, std::string>> options;
};
PathAndOptions splitOptions(const std::string& rest, const PortForm& form, const std::string& description) {
  PathAndOptions result;
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
    const std::string word = optionWord(part);
    if (inPath && word.empty()) {
      result.path += (i == 0 ? "" : ",") + part;
      continue;
    }
    inPath = false;
    if (word.empty() || std::find(form.options.begin(), form.options.end(), word) == form.options.end()) {
      std::string known;
      for (const std::string& o : form.options) known += (known.empty() ? "" : ", ") + o + "=";
      throw PortError("неизвестный параметр " + std::string(form.what) + " \"" + part + "\" в \"" +
                      description + "\" (ожидается " + known + ")");
    }
    result.options.emplace_back(word, part.substr(word.size() + 1));
  }
  return result;
}

LinkTiming parseTiming(const std::string& text, const std::string& description) {
  if (text == "fast") return LinkTiming::kFast;
  if (text == "standard") return LinkTiming::kStandard;
  throw PortError("неизвестная скорость обмена \"" + text + "\" в \"" + description +
                  "\" (ожидается timing=fast или timing=standard)");
}

int parseRise(const std::string& text, const std::string& description) {
  unsigned long us = 0;
  if (!parseNumber(text, 1000000, us))
    throw PortError("неверное время нарастания \"" + text + "\" в \"" + description +
                    "\": укажите микросекунды, например rise=20");
  return static_cast<int>(us);
}

SimulatorOptions parseSimulator(const PathAndOptions& parts, const std::string& description) {
  SimulatorOptions options;
  options.imagePath = parts.path;
  for (const auto& [key, value] : parts.options) {
    if (key == "trace" && !value.empty())
      options.tracePath = value;
    else if (key == "fault")
      options.fault = parseFault(value, description);
    else if (key == "base")
      options.base = parseBase(value, description);
    else if (key == "rise")
      options.riseUs = parseRise(value, description);
  }
  if (options.imagePath.empty())
    throw PortError("в \"" + description + "\" не указан файл образа памяти: укажите sim:ФАЙЛ");
  return options;
}

// A 7-bit I2C address a memory can answer at.
uint16_t parseI2cAddress(const std::string& text, const std::string& description) {
  unsigned long value = 0;
  if (!parseNumber(text, 0x77, value) || value < 0x03)
    throw PortError("неверный адрес I2C \"" + text + "\" в \"" + description +
                    "\": укажите 7-битный адрес, например addr=0x50");
  return static_cast<uint16_t>(value);
}

I2cFault parseI2cFault(const std::string& text, const std::string& description) {
  I2cFault fault;
  if (text == "absent") {
    fault.kind = I2cFault::kAbsent;
    return fault;
  }
  static const std::pair<const char*, int> kinds[] = {{"nack:", ENXIO}, {"eio:", EIO}, {"eagain:", EAGAIN}};
  for (const auto& [prefix, error] : kinds) {
    const std::string p = prefix;
    if (text.rfind(p, 0) != 0) continue;
    unsigned long n = 0;
    if (!parseNumber(text.substr(p.size()), 1000000000, n))
      throw PortError("неверный номер передачи в \"" + text + "\" из \"" + description + "\"");
    fault.kind = I2cFault::kError;
    fault.error = error;
    fault.atTransfer = n;
    return fault;
  }
  throw PortError("неизвестная неисправность \"" + text + "\" в \"" + description +
                  "\" (ожидается absent, nack:N, eio:N или eagain:N)");
}

// "i2c:PATH[,addr=...]" and "i2c-sim:PATH[,addr=...][,fault=...]".
void parseI2c(const PathAndOptions& parts, const std::string& description, PortDescription& d) {
  const bool simulated = d.kind == PortDescription::kI2cSimulator;
  for (const auto& [key, value] : parts.options) {
    if (key == "addr")
      d.i2cAddress = parseI2cAddress(value, description);
    else if (key == "fault")
      d.i2cSimulator.fault = parseI2cFault(value, description);
  }
  if (parts.path.empty())
    throw PortError("в \"" + description + "\" " +
                    (simulated ? "не указан файл образа памяти: укажите i2c-sim:ФАЙЛ"
                               : "не указано устройство: укажите i2c:/dev/i2c-1"));
  d.devicePath = parts.path;
  d.i2cSimulator.imagePath = parts.path;
  d.i2cSimulator.address = d.i2cAddress;
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
  const PortForm* form = nullptr;
  std::string rest;
  for (const PortForm& f : portForms()) {
    const std::string prefix = f.prefix;
    if (text.rfind(prefix, 0) != 0) continue;
    // "auto" takes no path: only options may follow it.
    if (f.kind == PortDescription::kAuto && text.size() > prefix.size() && text[prefix.size()] != ',')
      continue;
    form = &f;
    rest = text.substr(prefix.size());
    break;
  }
  if (!form)
    throw PortError((text.empty() ? std::string("порт не указан") : "неизвестный порт \"" + text + "\"") +
                    kForms);
  PortDescription d;
  d.kind = form->kind;
  if (d.kind == PortDescription::kAuto && !rest.empty()) rest.erase(0, 1);  // the comma
  const PathAndOptions parts = splitOptions(rest, *form, text);
  for (const auto& [key, value] : parts.options)
    if (key == "timing") d.timing = parseTiming(value, text);
  switch (d.kind) {
    case PortDescription::kSimulator:
      d.simulator = parseSimulator(parts, text);
      break;
    case PortDescription::kPpdev:
      d.devicePath = parts.path;
      if (d.devicePath.empty())
        throw PortError("в \"" + text + "\" не указано устройство: укажите ppdev:/dev/parport0");
      break;
    case PortDescription::kDirectIo:
      d.ioBase = parseBase(parts.path, text);
      break;
    case PortDescription::kAuto:
      if (!parts.path.empty()) throw PortError("неизвестный порт \"" + text + "\"" + kForms);
      break;
    case PortDescription::kI2cDev:
    case PortDescription::kI2cSimulator:
      parseI2c(parts, text, d);
      break;
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
    case PortDescription::kI2cDev:
    case PortDescription::kI2cSimulator:
      throw PortError("порт \"" + d.devicePath + "\" — адаптер I2C, а не параллельный порт");
  }
  return openAuto(env);
}

std::unique_ptr<MemoryAccess> openMemoryAccess(const PortDescription& d, const PortEnvironment& env) {
  switch (d.kind) {
    case PortDescription::kI2cDev:
      return std::make_unique<I2cDevMemory>(I2cDevBus::open(d.devicePath), d.i2cAddress);
    case PortDescription::kI2cSimulator:
      return std::make_unique<I2cDevMemory>(std::make_unique<SimulatedI2cAdapter>(d.i2cSimulator),
                                            d.i2cAddress);
    default:
      return std::make_unique<BitBangedMemory>(openPort(d, env), d.timing);
  }
}

std::unique_ptr<MemoryAccess> openMemoryAccess(const std::string& description, const PortEnvironment& env) {
  return openMemoryAccess(parsePortDescription(description), env);
}

std::unique_ptr<PortBackend> openPort(const std::string& description, const PortEnvironment& env) {
  return openPort(parsePortDescription(description), env);
}

std::string defaultPortDescription() {
  const char* value = std::getenv("TKV88_PORT");
  return value && *value ? std::string(value) : std::string("auto");
}
