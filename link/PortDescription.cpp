#include "link/PortDescription.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "link/Ch341Memory.h"
#include "link/DirectIoPort.h"
#include "link/I2cDevBus.h"
#include "link/I2cDevMemory.h"
#include "link/PpdevPort.h"
#include "link/WireProtocol.h"

namespace {

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

LinkTiming parseTiming(const std::string& text, const std::string& description) {
  if (text == "fast") return LinkTiming::kFast;
  if (text == "standard") return LinkTiming::kStandard;
  throw PortError("неизвестная скорость обмена \"" + text + "\" в \"" + description +
                  "\" (ожидается timing=fast или timing=standard)");
}

// A simulator's time option: a whole number from min to max, else a
// message that says what it is and gives an example.
int parseTime(const std::string& text, const std::string& description, unsigned long min, unsigned long max,
              const char* what, const char* example) {
  unsigned long value = 0;
  if (!parseNumber(text, max, value) || value < min)
    throw PortError("неверное " + std::string(what) + " \"" + text + "\" в \"" + description +
                    "\": укажите " + example);
  return static_cast<int>(value);
}

int parseRise(const std::string& text, const std::string& description) {
  return parseTime(text, description, 0, 1000000, "время нарастания", "микросекунды, например rise=20");
}

// Microseconds of one port access.
int parseAccess(const std::string& text, const std::string& description) {
  return parseTime(text, description, 1, 1000, "время доступа к порту",
                   "микросекунды от 1 до 1000, например access=2");
}

// The write cycle in milliseconds, kept in microseconds.
int parseCycle(const std::string& text, const std::string& description) {
  return 1000 * parseTime(text, description, 1, 100, "время цикла записи",
                          "миллисекунды от 1 до 100, например cycle=3");
}

// Microseconds of one transfer's round trip through a USB adapter.
int parseLatency(const std::string& text, const std::string& description) {
  return parseTime(text, description, 0, 1000000, "время передачи через адаптер",
                   "микросекунды, например latency=1000");
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
  if (text.rfind("readonly:", 0) == 0) {
    unsigned long address = 0;
    if (!parseNumber(text.substr(9), kDeviceMemorySize - 1, address))
      throw PortError("неверный адрес в \"" + text + "\" из \"" + description + "\" (ожидается 0..8191)");
    fault.kind = I2cFault::kReadonly;
    fault.readonlyAddress = static_cast<int>(address);
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
                  "\" (ожидается absent, nack:N, eio:N, eagain:N или readonly:АДРЕС)");
}

// "ch341:", "ch341:N" or "ch341:BUS-ADDRESS".
Ch341Selector parseCh341Selector(const std::string& text, const std::string& description) {
  Ch341Selector which;
  if (text.empty()) return which;
  unsigned long a = 0, b = 0;
  const std::size_t dash = text.find('-');
  if (dash == std::string::npos && parseNumber(text, 127, a)) {
    which.kind = Ch341Selector::kIndex;
    which.index = static_cast<int>(a);
    return which;
  }
  if (dash != std::string::npos && parseNumber(text.substr(0, dash), 255, a) &&
      parseNumber(text.substr(dash + 1), 127, b)) {
    which.kind = Ch341Selector::kBusAddress;
    which.bus = static_cast<int>(a);
    which.address = static_cast<int>(b);
    return which;
  }
  throw PortError(
      "неверный адаптер \"" + text + "\" в \"" + description +
      "\": укажите ch341: (первый), ch341:N (номер с 0) или ch341:ШИНА-АДРЕС, как в выводе lsusb");
}

ch341::Speed parseCh341Speed(const std::string& text, const std::string& description) {
  for (const ch341::Speed speed :
       {ch341::Speed::k20kHz, ch341::Speed::k100kHz, ch341::Speed::k400kHz, ch341::Speed::k750kHz})
    if (text == std::to_string(ch341::speedKHz(speed))) return speed;
  throw PortError("неизвестная скорость шины \"" + text + "\" в \"" + description +
                  "\" (ожидается speed=20, 100, 400 или 750, в килогерцах)");
}

Ch341Fault parseCh341Fault(const std::string& text, const std::string& description) {
  Ch341Fault fault;
  unsigned long n = 0;
  if (text == "absent") {
    fault.kind = Ch341Fault::kAbsent;
  } else if (text.rfind("unplug:", 0) == 0 && parseNumber(text.substr(7), 1000000000, n)) {
    fault.kind = Ch341Fault::kUnplug;
    fault.transfer = n;
  } else if (text.rfind("nack:", 0) == 0 && parseNumber(text.substr(5), kDeviceMemorySize - 1, n)) {
    fault.kind = Ch341Fault::kNack;
    fault.address = static_cast<int>(n);
  } else {
    throw PortError("неизвестная неисправность \"" + text + "\" в \"" + description +
                    "\" (ожидается absent, unplug:N или nack:АДРЕС, адрес 0..8191)");
  }
  return fault;
}

std::unique_ptr<MemoryAccess> openCh341Memory(const Ch341Selector& which, ch341::Speed speed) {
  Ch341Adapter adapter;
  auto usb = openCh341(which, &adapter);
  // A replugged adapter is found again as it was chosen; one chosen by its
  // bus and address only when it got the same address back.
  return std::make_unique<Ch341Memory>(std::move(usb), speed, adapter.where(),
                                       [which] { return openCh341(which); });
}

// ---- The forms ----------------------------------------------------------------

using Apply = void (*)(PortDescription& d, const std::string& value, const std::string& description);

// One "word=value" option of a form, and what its value sets.
struct PortOption {
  const char* word;
  Apply apply;
};

const PortOption kTiming{"timing", [](PortDescription& d, const std::string& v, const std::string& text) {
                           d.timing = parseTiming(v, text);
                         }};
const PortOption kCh341Speed{"speed", [](PortDescription& d, const std::string& v, const std::string& text) {
                               d.ch341Speed = parseCh341Speed(v, text);
                             }};
const PortOption kI2cAddress{"addr", [](PortDescription& d, const std::string& v, const std::string& text) {
                               d.i2cAddress = parseI2cAddress(v, text);
                             }};

// A port form: its prefix, how it is written (for messages), what the part
// before the options names, and the options it takes. A new form is a row
// of portForms(); the parser knows nothing else of it.
struct PortForm {
  const char* prefix;  // "sim:"; "auto" stands alone or before options
  PortDescription::Kind kind;
  const char* usage;  // "sim:ФАЙЛ[,trace=ФАЙЛ]..."
  const char* what;   // whose options, for messages ("симулятора")
  Apply takePath;     // the part before the options; applied after them
  std::vector<PortOption> options;
};

std::string formsText();

const std::vector<PortForm>& portForms() {
  static const std::vector<PortForm> forms = {
      {"sim:",
       PortDescription::kSimulator,
       "sim:ФАЙЛ[,trace=ФАЙЛ][,fault=...][,base=0x278][,rise=МКС][,access=МКС][,cycle=МС][,timing=fast|standard]",
       "симулятора",
       [](PortDescription& d, const std::string& path, const std::string& text) {
         if (path.empty())
           throw PortError("в \"" + text + "\" не указан файл образа памяти: укажите sim:ФАЙЛ");
         d.simulator.imagePath = path;
       },
       {{"trace",
         [](PortDescription& d, const std::string& v, const std::string&) { d.simulator.tracePath = v; }},
        {"fault", [](PortDescription& d, const std::string& v,
                     const std::string& text) { d.simulator.fault = parseFault(v, text); }},
        {"base", [](PortDescription& d, const std::string& v,
                    const std::string& text) { d.simulator.base = parseBase(v, text); }},
        {"rise", [](PortDescription& d, const std::string& v,
                    const std::string& text) { d.simulator.riseUs = parseRise(v, text); }},
        {"access", [](PortDescription& d, const std::string& v,
                      const std::string& text) { d.simulator.accessUs = parseAccess(v, text); }},
        {"cycle", [](PortDescription& d, const std::string& v,
                     const std::string& text) { d.simulator.writeCycleUs = parseCycle(v, text); }},
        kTiming}},
      {"ppdev:",
       PortDescription::kPpdev,
       "ppdev:/dev/parportN[,timing=fast|standard]",
       "порта",
       [](PortDescription& d, const std::string& path, const std::string& text) {
         if (path.empty())
           throw PortError("в \"" + text + "\" не указано устройство: укажите ppdev:/dev/parport0");
         d.devicePath = path;
       },
       {kTiming}},
      {"io:",
       PortDescription::kDirectIo,
       "io:0x378[,timing=fast|standard]",
       "порта",
       [](PortDescription& d, const std::string& path, const std::string& text) {
         d.ioBase = parseBase(path, text);
       },
       {kTiming}},
      {"auto",
       PortDescription::kAuto,
       "auto[,timing=fast|standard]",
       "порта",
       [](PortDescription&, const std::string& path, const std::string& text) {
         if (!path.empty()) throw PortError("неизвестный порт \"" + text + "\"" + formsText());
       },
       {kTiming}},
      {"i2c:",
       PortDescription::kI2cDev,
       "i2c:/dev/i2c-N[,addr=0x50]",
       "адаптера I2C",
       [](PortDescription& d, const std::string& path, const std::string& text) {
         if (path.empty())
           throw PortError("в \"" + text + "\" не указано устройство: укажите i2c:/dev/i2c-1");
         d.devicePath = path;
       },
       {kI2cAddress}},
      {"i2c-sim:",
       PortDescription::kI2cSimulator,
       "i2c-sim:ФАЙЛ[,addr=0x50][,fault=...][,latency=МКС][,cycle=МС]",
       "адаптера I2C",
       [](PortDescription& d, const std::string& path, const std::string& text) {
         if (path.empty())
           throw PortError("в \"" + text + "\" не указан файл образа памяти: укажите i2c-sim:ФАЙЛ");
         d.devicePath = path;
         d.i2cSimulator.imagePath = path;
         d.i2cSimulator.address = d.i2cAddress;
       },
       {kI2cAddress,
        {"fault", [](PortDescription& d, const std::string& v,
                     const std::string& text) { d.i2cSimulator.fault = parseI2cFault(v, text); }},
        {"latency", [](PortDescription& d, const std::string& v,
                       const std::string& text) { d.i2cSimulator.latencyUs = parseLatency(v, text); }},
        {"cycle", [](PortDescription& d, const std::string& v,
                     const std::string& text) { d.i2cSimulator.writeCycleUs = parseCycle(v, text); }}}},
      {"ch341:",
       PortDescription::kCh341,
       "ch341:[N|ШИНА-АДРЕС][,speed=100]",
       "адаптера CH341A",
       [](PortDescription& d, const std::string& path, const std::string& text) {
         d.ch341 = parseCh341Selector(path, text);
       },
       {kCh341Speed}},
      {"ch341-sim:",
       PortDescription::kCh341Simulator,
       "ch341-sim:ФАЙЛ[,speed=...][,fault=...][,trace=ФАЙЛ][,cycle=МС]",
       "адаптера CH341A",
       [](PortDescription& d, const std::string& path, const std::string& text) {
         if (path.empty())
           throw PortError("в \"" + text + "\" не указан файл образа памяти: укажите ch341-sim:ФАЙЛ");
         d.ch341Simulator.imagePath = path;
       },
       {kCh341Speed,
        {"fault", [](PortDescription& d, const std::string& v,
                     const std::string& text) { d.ch341Simulator.fault = parseCh341Fault(v, text); }},
        {"trace", [](PortDescription& d, const std::string& v,
                     const std::string&) { d.ch341Simulator.tracePath = v; }},
        {"cycle", [](PortDescription& d, const std::string& v,
                     const std::string& text) { d.ch341Simulator.writeCycleUs = parseCycle(v, text); }}}},
  };
  return forms;
}

// " (ожидается sim:ФАЙЛ..., ppdev:..., ...)": every form as it is written.
std::string formsText() {
  std::string text;
  for (const PortForm& f : portForms()) text += (text.empty() ? "" : ", ") + std::string(f.usage);
  return " (ожидается " + text + ")";
}

// "word=" at the start of a part: a letter, then letters, digits, dashes
// and underscores. Paths rarely start so ("./m=1.bin" does not).
std::string optionWord(const std::string& part) {
  const std::size_t eq = part.find('=');
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (eq == std::string::npos || eq == 0 || !letter(part[0])) return {};
  for (std::size_t i = 1; i < eq; ++i) {
    const char c = part[i];
    if (!(letter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_')) return {};
  }
  return part.substr(0, eq);
}

bool spaceAt(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// "PATH,word=value,...": the parts up to the first option are the path
// (which may hold commas); after it, every part must be one of the form's
// options, each once, with a value, exactly as the form spells it. Parts
// that begin or end with a space and empty parts are refused too: each of
// them would have made or used a memory file named with the junk.
std::vector<std::pair<const PortOption*, std::string>> splitOptions(const std::string& rest,
                                                                    const PortForm& form,
                                                                    const std::string& description,
                                                                    std::string& path) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t comma = rest.find(',', start);
    parts.push_back(rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  std::string known;
  for (const PortOption& o : form.options) known += (known.empty() ? "" : ", ") + std::string(o.word) + "=";
  const std::string expected = " (ожидается " + known + ")";
  std::vector<std::pair<const PortOption*, std::string>> options;
  bool inPath = true;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    if (part.empty() && i > 0)
      throw PortError("пустой параметр в \"" + description + "\": лишняя запятая" + expected);
    if (!part.empty() && (spaceAt(part.front()) || spaceAt(part.back())))
      throw PortError("лишний пробел в \"" + part + "\" из \"" + description + "\"" + expected);
    const std::string word = optionWord(part);
    if (inPath && word.empty()) {
      path += (i == 0 ? "" : ",") + part;
      continue;
    }
    inPath = false;
    const auto option = std::find_if(form.options.begin(), form.options.end(),
                                     [&](const PortOption& o) { return word == o.word; });
    if (word.empty() || option == form.options.end())
      throw PortError("неизвестный параметр " + std::string(form.what) + " \"" + part + "\" в \"" +
                      description + "\"" + expected);
    const std::string value = part.substr(word.size() + 1);
    if (value.empty())
      throw PortError("у параметра \"" + word + "=\" нет значения в \"" + description + "\"" + expected);
    for (const auto& [seen, earlier] : options)
      if (seen == &*option)
        throw PortError("параметр \"" + word + "=\" указан дважды в \"" + description + "\"");
    options.emplace_back(&*option, value);
  }
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
                    formsText());
  PortDescription d;
  d.kind = form->kind;
  std::string path;
  for (const auto& [option, value] : splitOptions(rest, *form, text, path)) option->apply(d, value, text);
  form->takePath(d, path, text);
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
    case PortDescription::kCh341:
    case PortDescription::kCh341Simulator:
      throw PortError("адаптер CH341A — программатор USB, а не параллельный порт");
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
    case PortDescription::kCh341:
      return openCh341Memory(d.ch341, d.ch341Speed);
    case PortDescription::kCh341Simulator:
      return std::make_unique<Ch341Memory>(std::make_unique<SimulatedCh341>(d.ch341Simulator), d.ch341Speed,
                                           "CH341A (симулятор)");
    case PortDescription::kAuto:
      if (env.usb) {
        // A CH341A after every parallel port: most PCs sold today have none.
        try {
          return std::make_unique<BitBangedMemory>(openPort(d, env), d.timing);
        } catch (const PortError& parallel) {
          try {
            return openCh341Memory({}, ch341::Speed::k100kHz);
          } catch (const PortError& usb) {
            throw PortError(std::string(parallel.what()) + "; " + usb.what());
          }
        }
      }
      [[fallthrough]];
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

namespace {

// What samePort compares.
std::string portIdentity(const std::string& text) {
  auto file = [](const std::string& path) {
    std::error_code ec;
    const std::filesystem::path canonical =
        std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return ec ? path : canonical.string();
  };
  try {
    const PortDescription d = parsePortDescription(text);
    switch (d.kind) {
      case PortDescription::kSimulator:
        return "memory:" + file(d.simulator.imagePath);
      case PortDescription::kI2cSimulator:
        return "memory:" + file(d.i2cSimulator.imagePath);
      case PortDescription::kPpdev:
        return "ppdev:" + file(d.devicePath);
      case PortDescription::kI2cDev:
        return "i2c:" + file(d.devicePath);
      case PortDescription::kDirectIo:
        return "io:" + std::to_string(d.ioBase);
      case PortDescription::kAuto:
        return "auto";
      case PortDescription::kCh341Simulator:
        return "memory:" + file(d.ch341Simulator.imagePath);
      case PortDescription::kCh341:
        return d.ch341.kind == Ch341Selector::kFirst ? std::string("ch341:")
               : d.ch341.kind == Ch341Selector::kIndex
                   ? "ch341:" + std::to_string(d.ch341.index)
                   : "ch341:" + std::to_string(d.ch341.bus) + "-" + std::to_string(d.ch341.address);
    }
  } catch (const PortError&) {
  }
  return "?" + text;
}

}  // namespace

bool samePort(const std::string& a, const std::string& b) { return portIdentity(a) == portIdentity(b); }

std::string defaultPortDescription() {
  const char* value = std::getenv("TKV88_PORT");
  return value && *value ? std::string(value) : std::string("auto");
}
