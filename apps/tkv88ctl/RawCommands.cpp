// Raw access to the controller's memory for backups and service work: dump,
// restore, peek and poke. They move bytes, not parameters, so they keep
// everything the controller holds, including bits the configurator does not
// know.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/DeviceSupport.h"
#include "apps/tkv88ctl/Output.h"
#include "link/ImageFile.h"
#include "link/MemoryAccess.h"

namespace {

// A memory address or length: decimal, or hexadecimal with 0x. A leading
// zero is refused rather than taken as octal: "0100" could mean 64, 100 or
// 0x100, and a poke at the wrong one corrupts the memory.
unsigned long parseNumber(const std::string& text, const char* what, unsigned long max) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  const bool wellFormed =
      !digits.empty() &&
      digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") == std::string::npos &&
      (hex || digits.size() == 1 || digits[0] != '0');
  errno = 0;
  const unsigned long value = wellFormed ? std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10) : 0;
  if (!wellFormed || errno != 0 || value > max)
    throw UsageError(std::string("bad ") + what + " \"" + text + "\" (0.." + std::to_string(max) +
                     ", decimal or hex with 0x)");
  return value;
}

// "A5", "01ff3c", "01 ff 3c", "01:ff:3c".
std::vector<uint8_t> parseHexBytes(const std::string& text) {
  std::vector<uint8_t> bytes;
  int high = -1;
  for (const char c : text) {
    if (c == ' ' || c == ':' || c == ',') {
      if (high >= 0) throw UsageError("bad bytes \"" + text + "\": give two hex digits per byte");
      continue;
    }
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      throw UsageError("bad bytes \"" + text + "\": only hex digits, e.g. A5 or 01ff3c");
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0 || bytes.empty())
    throw UsageError("bad bytes \"" + text + "\": give two hex digits per byte");
  return bytes;
}

std::string hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

// Reads count bytes from address in sequential reads. A memory that falls
// silent in the last read leaves its rest reading as 0xFF; the closing
// one-byte read makes that a broken link instead of data.
void readRange(DeviceLink& link, uint8_t* dst, int address, int count) {
  readBytes(link, dst, static_cast<uint32_t>(address), count);
  confirmAnswering(link, static_cast<uint32_t>(address));
}

// Runs a raw write: a fault once writing began says the memory may hold a
// mix of the old bytes and the new, and the command that writes them again.
void runWrite(DeviceSession& session, const std::string& label, int range, const std::string& again,
              const std::function<void(DeviceLink&, bool& writing)>& work) {
  bool writing = false;
  try {
    session.run(
        label, range, [&](DeviceLink& link) { work(link, writing); }, true);
  } catch (const Failure& e) {
    if (!writing || session.link().awaitingFirstAnswer.load()) throw;
    throw Failure(std::string(e.what()) +
                  "; память прибора может хранить смесь прежних и новых байтов: повторите \"" + again + "\"");
  }
}

int runDump(const std::vector<std::string>& argv) {
  const Args args(argv, device_support::valueOptions({"-o", "--output"}), device_support::flags());
  args.expectPositional(0, 0);
  const std::string output = outputOption(args);
  if (output == "-" && ::isatty(STDOUT_FILENO))
    throw UsageError("the image is binary: give -o IMAGE or redirect the output");

  OutputTarget target(output);  // refused before the controller is read
  DeviceSession session(args);
  MemoryImage image{};
  session.run("dump", kDeviceMemorySize,
              [&](DeviceLink& link) { readRange(link, image.data(), 0, kDeviceMemorySize); });
  target.write(imageBytes(image));
  if (output != "-") session.note("read " + std::to_string(kDeviceMemorySize) + " bytes into " + output);
  return 0;
}

int runRestore(const std::vector<std::string>& argv) {
  const Args args(argv, device_support::valueOptions(), device_support::flags({"--all"}));
  args.expectPositional(1, 1);
  const std::string path = args.positional()[0];
  std::optional<MemoryImage> image;
  try {
    image = readImageFile(path);
  } catch (const ImageFileError& e) {
    throw Failure(e.what());
  }
  if (!image) throw Failure(path + " does not exist");

  const bool all = args.flag("--all");
  DeviceSession session(args);
  int written = 0;
  runWrite(session, "restore", 2 * kDeviceMemorySize, "tkv88ctl restore " + path,
           [&](DeviceLink& link, bool& writing) {
             // Bytes that already hold their value are not written again: every
             // write costs 10 ms and wears the memory. Those written are read back.
             MemoryImage current{};
             if (!all) readRange(link, current.data(), 0, kDeviceMemorySize);
             auto needsWrite = [&](int i) { return all || current[i] != (*image)[i]; };
             int toWrite = 0;
             for (int i = 0; i < kDeviceMemorySize; ++i) toWrite += needsWrite(i);
             session.setProgressRange(link.progressCounter.load() + toWrite);
             for (int i = 0; i < kDeviceMemorySize; ++i) {
               if (!needsWrite(i)) continue;
               int end = i + 1;
               while (end < kDeviceMemorySize && needsWrite(end)) ++end;
               writing = true;
               writeMemory(link, image->data() + i, static_cast<uint32_t>(i), end - i);
               written += end - i;
               i = end - 1;
             }
             link.memory().flushWrites(link);
           });
  session.note("wrote " + counted(written, "byte", "bytes") + "; the memory matches " + path);
  return 0;
}

int runPeek(const std::vector<std::string>& argv) {
  const Args args(argv, device_support::valueOptions(), device_support::flags());
  args.expectPositional(1, 2);
  const int address = static_cast<int>(parseNumber(args.positional()[0], "address", kDeviceMemorySize - 1));
  const int length = args.positional().size() > 1
                         ? static_cast<int>(parseNumber(args.positional()[1], "length", kDeviceMemorySize))
                         : 16;
  if (length == 0 || address + length > kDeviceMemorySize)
    throw UsageError("the range must lie within the memory, 0x0000..0x1FFF");

  DeviceSession session(args);
  std::vector<uint8_t> bytes(static_cast<std::size_t>(length));
  session.run("peek", length, [&](DeviceLink& link) { readRange(link, bytes.data(), address, length); });
  for (int i = 0; i < length; i += 16) {
    std::string line = hex(address + i, 4) + ":";
    for (int j = i; j < length && j < i + 16; ++j) line += " " + hex(bytes[j], 2);
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

int runPoke(const std::vector<std::string>& argv) {
  const Args args(argv, device_support::valueOptions(), device_support::flags());
  args.expectPositional(2, 2);
  const int address = static_cast<int>(parseNumber(args.positional()[0], "address", kDeviceMemorySize - 1));
  const std::vector<uint8_t> bytes = parseHexBytes(args.positional()[1]);
  const int count = static_cast<int>(bytes.size());
  if (address + count > kDeviceMemorySize)
    throw UsageError("the bytes must fit within the memory, 0x0000..0x1FFF");

  DeviceSession session(args);
  const std::string again = "tkv88ctl poke " + args.positional()[0] + " " + args.positional()[1];
  runWrite(session, "poke", count, again, [&](DeviceLink& link, bool& writing) {
    writing = true;
    writeMemory(link, bytes.data(), static_cast<uint32_t>(address), count);
    link.memory().flushWrites(link);  // and read back
  });
  session.note("wrote " + counted(count, "byte", "bytes") + " at 0x" + hex(address, 4));
  return 0;
}

const CtlCommand::Registrar dump(
    {"dump", "read the controller's whole 8 KB memory into an image file",
     "Usage: tkv88ctl dump [--port PORT] [-q] [-o IMAGE]\n"
     "Reads the whole 8 KB memory of the controller: a backup of everything it\n"
     "holds. Without -o (or with -o -) the image goes to the standard output.\n"
     "An existing IMAGE is replaced only once the read has succeeded.\n\n"
     "Options:\n"
     "  -o, --output IMAGE  where to save the image\n" TKV88CTL_DEVICE_OPTIONS_HELP,
     runDump});

const CtlCommand::Registrar restore(
    {"restore", "write an 8 KB image back to the controller and verify it",
     "Usage: tkv88ctl restore [--port PORT] [-q] [--all] IMAGE\n"
     "Writes the 8192-byte IMAGE back to the controller and reads back every\n"
     "byte written. Bytes that already hold their value (the memory is read\n"
     "first) are not written again unless --all is given.\n\n"
     "Options:\n"
     "  --all           write every byte\n" TKV88CTL_DEVICE_OPTIONS_HELP,
     runRestore});

const CtlCommand::Registrar peek(
    {"peek", "show bytes of the controller's memory in hex",
     "Usage: tkv88ctl peek [--port PORT] [-q] ADDRESS [LENGTH]\n"
     "Prints LENGTH bytes (default 16) from ADDRESS (0..8191, decimal or 0x hex),\n"
     "16 to a line.\n\n"
     "Options:\n" TKV88CTL_DEVICE_OPTIONS_HELP,
     runPeek});

const CtlCommand::Registrar poke(
    {"poke", "write bytes into the controller's memory",
     "Usage: tkv88ctl poke [--port PORT] [-q] ADDRESS HEXBYTES\n"
     "Writes the bytes (e.g. A5, 01ff3c or \"01 ff 3c\") from ADDRESS (0..8191,\n"
     "decimal or 0x hex) and reads them back to verify.\n\n"
     "Options:\n" TKV88CTL_DEVICE_OPTIONS_HELP,
     runPoke});

}  // namespace
