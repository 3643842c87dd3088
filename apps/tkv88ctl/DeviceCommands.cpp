// tkv88ctl commands that move a whole configuration between a configuration
// file and the controller's memory: read and write talk to the controller
// through the same document and exchanges as the GUI's "&Считать прошивку"
// and "&Записать прошивку"; image and decode do the same conversion on an
// 8 KB image file without a controller.
#include <unistd.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/ConfigInput.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/DeviceSupport.h"
#include "apps/tkv88ctl/Output.h"
#include "document/BackupStore.h"
#include "document/ConfigFile.h"
#include "document/Document.h"
#include "document/HeadlessHost.h"
#include "document/NameStore.h"
#include "document/WriteCheck.h"
#include "link/ChangedWrite.h"
#include "link/DeviceExchange.h"
#include "link/FactoryImage.h"
#include "link/ImageFile.h"
#include "link/MemoryImage.h"

namespace {

// A fault's message once writing may have begun: the controller may hold a
// mix, and how to put that right: write again, or restore the backup kept
// before this write (a path, or empty), else the newest one read through
// the same port; never another controller's. Only a file that exists is named.
std::string writeFault(const std::string& error, const std::string& backup, const std::string& port) {
  const std::string text =
      error + "; прибор может хранить смесь прежней и новой конфигурации: запишите её снова";
  const std::string restoring =
      BackupStore().restoring(backup, [&](const std::string& from) { return samePort(from, port); });
  if (restoring.empty()) return text + "; резервной копии конфигурации этого прибора нет";
  return text +
         (restoring == backup ? " или восстановите прежнюю: "
                              : "; последняя резервная копия этого прибора: ") +
         "\"tkv88ctl write --changed " + restoring + "\"";
}

// The document's framework for a command line: exchanges run through the
// session (progress bar, port choice); the device commands settle every
// question beforehand, so nothing else is shown.
class CtlHost : public HeadlessHost {
 public:
  explicit CtlHost(DeviceSession& session) : m_session(session) {}

  // Set before a full write: read the controller first and keep it as a
  // backup named so.
  std::optional<std::string> backupBeforeWrite;
  // Set for a read: the programs get back the names they were written with.
  bool restoreNamesWanted = false;
  RestoredNames restored;

  void restoreNames(DeviceData& config) override {
    if (!restoreNamesWanted) return;
    restored = NameStore().restore(config, [&](const std::string& from) { return samePort(from, m_session.port()); });
    if (!restored.warning.empty()) std::fprintf(stderr, "tkv88ctl read: %s\n", restored.warning.c_str());
  }

  void deviceRead(const DeviceData& config) override {
    m_session.keepBackup(config, backup_names::afterRead(), false);
  }

  bool beforeDeviceWrite(const DeviceData&) override {
    if (!backupBeforeWrite) return true;
    try {
      DeviceSnapshot snapshot;
      m_backup = m_session.keepBackup(m_session.readSnapshot(snapshot), *backupBeforeWrite, true);
      return true;
    } catch (const std::exception& e) {
      m_failure = e.what();
      return false;
    }
  }

  bool runExchange(DeviceData& config, ExchangeMode mode) override {
    const bool writing = mode == ExchangeMode::WriteL1 || mode == ExchangeMode::WriteL2;
    try {
      m_session.run(
          exchangeCaption(mode), exchangeProgressRange(mode),
          [&](DeviceLink& link) { runExchangeOperation(link, config, mode); }, writing);
      return true;
    } catch (const std::exception& e) {
      // A controller that never answered has not been written.
      m_failure = writing && !m_session.link().awaitingFirstAnswer.load()
                      ? writeFault(e.what(), m_backup, m_session.port())
                      : e.what();
      return false;
    }
  }

  // The first failure of an exchange becomes the command's.
  void throwIfFailed() const {
    if (m_failure) throw Failure(*m_failure);
  }

 private:
  DeviceSession& m_session;
  std::optional<std::string> m_failure;
  std::string m_backup;  // kept before this full write
};

void warn(const char* command, const std::string& line) {
  std::fprintf(stderr, "tkv88ctl %s: %s\n", command, line.c_str());
}

// Names what does not fit the partition and refuses, or (with --fit) cuts
// the configuration to what fits; then warns of every saturated value.
void prepareForWrite(DeviceData& config, bool fit, const char* command) {
  WriteCheck check = checkBeforeWrite(config);
  if (!check.fits()) {
    for (const std::string& line : check.overflow) warn(command, line);
    if (!fit)
      throw Failure(
          "the configuration has more programs or steps than its memory partition allows; "
          "--fit writes only what fits");
    config = fitToPartition(config);
    check = checkBeforeWrite(config);
    warn(command, "записывается только то, что помещается в разбиение памяти");
  }
  for (const std::string& line : check.adjusted) warn(command, std::string("внимание: ") + line);
}

// The configuration of a file to write, as the document opens it (a file
// none of whose lines is recognised, which would erase every program of the
// controller, is refused). A file with values that are no numbers or lie
// outside their limits is refused too unless `force`: what they load as is
// no one's choice. `title` gets the name the GUI would call it by.
std::unique_ptr<DeviceData> readConfigurationFile(const std::string& path, const char* command, bool force,
                                                  std::string* title = nullptr) {
  Document doc;
  if (valuesInDoubt(openConfiguration(doc, path, command)) && !force)
    throw Failure(
        "в файле есть значения, которые не числа или вне своих пределов (они названы выше); "
        "--force записывает их такими, какими они загружены");
  if (title) *title = doc.title();
  return std::make_unique<DeviceData>(*doc.deviceData());
}

// The names of a configuration written through the session's port, for the
// reads to come; a store that cannot be written only warns.
void rememberNames(const DeviceSession& session, const DeviceData& written, const std::string& title) {
  const std::string warning = NameStore().remember(written, readAfterWrite(written), title, session.port());
  if (!warning.empty()) warn("write", warning);
}

MemoryImage readImage(const std::string& path) {
  try {
    if (std::optional<MemoryImage> image = readImageFile(path)) return *image;
  } catch (const ImageFileError& e) {
    throw Failure(e.what());
  }
  throw Failure(path + " does not exist");
}

// ---- read ------------------------------------------------------------------

int runRead(const std::vector<std::string>& argv) {
  const Args args(argv, device_support::valueOptions({"-o", "--output"}),
                  device_support::flags({"--no-backup", "--no-names"}));
  args.expectPositional(0, 0);
  OutputTarget output(outputOption(args));  // refused before the controller is read
  DeviceSession session(args);
  CtlHost host(session);
  host.restoreNamesWanted = !args.flag("--no-names");
  Document doc(&host);
  doc.readDevice();
  host.throwIfFailed();
  const DeviceData& read = *doc.deviceData();
  output.write(configfile::write(read));
  int steps = 0;
  for (const Program& p : read.programs) steps += p.stepCount();
  session.note("read " + counted(read.programCount(), "program", "programs") + " with " +
               counted(steps, "step", "steps") +
               ", partition O10 = " + std::to_string(read.general.partition()));
  if (host.restored.programs > 0)
    session.note("names given back: " + counted(host.restored.programs, "program", "programs") +
                 (host.restored.configuration ? ", the configuration \"" + std::string(read.name()) + "\"" : ""));
  return 0;
}

// ---- write -----------------------------------------------------------------

// The backup's name for a write of the file at `path`.
std::string beforeWriting(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return backup_names::beforeWrite(slash == std::string::npos ? path : path.substr(slash + 1));
}

// Only the bytes that differ, then read back: the controller is read first
// (and kept as a backup before anything changes).
int writeChanged(const Args& args, const DeviceData& config, const std::string& title) {
  DeviceSession session(args);
  DeviceSnapshot snapshot;
  session.readSnapshot(snapshot);
  const std::string backup =
      session.keepBackup(snapshot.configuration(), beforeWriting(args.positional()[0]), true);
  SnapshotWork work;
  work.snapshot = &snapshot;
  DeviceData target = config;
  const ExchangeMode mode = ExchangeMode::WriteChanged;
  try {
    session.run(
        exchangeCaption(mode), exchangeProgressRange(mode),
        [&](DeviceLink& link) { runExchangeOperation(link, target, mode, nullptr, &work); }, true);
  } catch (const Failure& e) {
    if (!work.changed.writeStarted) throw;
    throw Failure(writeFault(e.what(), backup, session.port()));
  }
  rememberNames(session, config, title);
  if (work.changed.bytesChanged == 0)
    session.note("the controller already holds the configuration: nothing written");
  else
    session.note("wrote " + counted(work.changed.bytesWritten, "byte", "bytes") + " that differed; verified");
  return 0;
}

int runWrite(const std::vector<std::string>& argv) {
  const Args args(
      argv, device_support::valueOptions(),
      device_support::flags({"--fit", "--verify", "--changed", "--backup", "--no-backup", "--force"}));
  args.expectPositional(1, 1);
  if (args.flag("--backup") && args.flag("--no-backup"))
    throw UsageError("--backup and --no-backup exclude each other");
  std::string title;
  std::unique_ptr<DeviceData> config =
      readConfigurationFile(args.positional()[0], "write", args.flag("--force"), &title);
  prepareForWrite(*config, args.flag("--fit"), "write");
  if (args.flag("--changed")) return writeChanged(args, *config, title);

  DeviceSession session(args);
  CtlHost host(session);
  if (args.flag("--backup")) host.backupBeforeWrite = beforeWriting(args.positional()[0]);
  Document doc(&host);
  doc.loadText(configfile::write(*config));
  // Every page written is read back; with --verify what came back is kept,
  // and the configuration is checked from it without reading it all again.
  DeviceSnapshot seen;
  if (args.flag("--verify")) session.link().readBack = &seen;
  doc.writeDevice();
  session.link().readBack = nullptr;
  host.throwIfFailed();
  rememberNames(session, *config, title);
  session.note("wrote " + counted(config->programCount(), "program", "programs"));
  if (!args.flag("--verify")) return 0;

  // What a read must give: the configuration as the memory holds it
  // (saturated, empty slots as programs without steps).
  const DeviceData expected = readAfterWrite(*doc.deviceData());
  DeviceData readBack;
  if (seen.holdsConfiguration()) {
    readBack = seen.configuration();
  } else if (!host.runExchange(readBack, ExchangeMode::ReadL2) ||
             !host.runExchange(readBack, ExchangeMode::ReadL1)) {
    try {
      host.throwIfFailed();
    } catch (const Failure& e) {
      // The write itself went through, every byte of it read back.
      throw Failure(std::string("запись завершена и проверена побайтно, но сравнение конфигурации с прибором "
                                "не прошло: ") +
                    e.what());
    }
  }
  const std::vector<std::string> differences = valueDifferences(expected, readBack);
  for (const std::string& line : differences) warn("write", line);
  if (!differences.empty())
    throw Failure(
        "verify: " + counted(static_cast<int>(differences.size()), "value differs", "values differ") +
        " after writing");
  session.note("verified: the controller holds the configuration");
  return 0;
}

// ---- image -----------------------------------------------------------------

int runImage(const std::vector<std::string>& argv) {
  const Args args(argv, {"-o", "--output", "--base"}, {"--fit"});
  args.expectPositional(1, 1);
  const std::string out = outputOption(args);
  if (out == "-" && ::isatty(STDOUT_FILENO))
    throw UsageError("the image is binary: give -o IMAGE or redirect the output");
  std::unique_ptr<DeviceData> config = readConfigurationFile(args.positional()[0], "image", true);
  prepareForWrite(*config, args.flag("--fit"), "image");

  const std::optional<std::string> base = args.option("--base");
  MemoryImage image = base ? readImage(*base) : factoryImage();
  writeConfiguration(*config, image);
  writeOutput(out, imageBytes(image));
  return 0;
}

// ---- decode ----------------------------------------------------------------

int runDecode(const std::vector<std::string>& argv) {
  const Args args(argv, {"-o", "--output"});
  args.expectPositional(1, 1);
  writeOutput(outputOption(args), configfile::write(readConfiguration(readImage(args.positional()[0]))));
  return 0;
}

const CtlCommand::Registrar read(
    {"read", "read the controller's configuration into a configuration file",
     "Usage: tkv88ctl read [--port PORT] [-q] [--no-names] [-o FILE]\n"
     "Reads the general parameters (L2) and then every program slot (L1) of the\n"
     "controller, as the GUI's read does, and saves the configuration. Without -o\n"
     "(or with -o -) it goes to the standard output. FILE is replaced only once\n"
     "the read has succeeded. The controller keeps no names: a program whose\n"
     "values match one written or saved before gets that one's name back, and\n"
     "the configuration the name of the last one written through the same port\n"
     "when every program matches it.\n\n"
     "Options:\n"
     "  -o, --output FILE  where to save the configuration\n"
     "  --no-names      leave the programs named \"Считанная\"\n" TKV88CTL_BACKUP_OPTIONS_HELP
         TKV88CTL_DEVICE_OPTIONS_HELP,
     runRead});

const CtlCommand::Registrar write(
    {"write", "write a configuration file to the controller",
     "Usage: tkv88ctl write [--port PORT] [-q] [--fit] [--verify] [--changed]\n"
     "                      [--backup | --no-backup] [--force] FILE\n"
     "Writes FILE's general parameters (L2, masked: bits that belong to no\n"
     "parameter keep the controller's content) and then every program slot of\n"
     "its memory partition (L1); slots without a program get a program with no\n"
     "steps. Values their memory field cannot hold are written as the nearest\n"
     "value it holds, each named on stderr. A configuration with more programs\n"
     "or steps than its partition O10 allows is refused, naming what does not\n"
     "fit, unless --fit is given. A file with values that are no numbers or lie\n"
     "outside their limits (each named on stderr with its line) is refused\n"
     "unless --force is given.\n\n"
     "Options:\n"
     "  --fit           write only the programs and steps the partition allows\n"
     "  --verify        check the configuration the controller gave back when\n"
     "                  every page written was read back, and name every value\n"
     "                  that differs\n"
     "  --changed       read the controller first and write only the bytes that\n"
     "                  differ from it (the memory ends as a full write leaves\n"
     "                  it), then read them back; much faster when little changed\n"
     "  --backup        full write: read the controller first and keep a backup\n"
     "                  (--changed always keeps one, unless --no-backup)\n"
     "  --force         write a file whose values are no numbers or lie outside\n"
     "                  their limits as they are loaded (clamped)\n" TKV88CTL_BACKUP_OPTIONS_HELP
         TKV88CTL_DEVICE_OPTIONS_HELP,
     runWrite});

const CtlCommand::Registrar image(
    {"image", "the 8 KB memory image that writing a configuration file leaves",
     "Usage: tkv88ctl image [-o IMAGE] [--base IMAGE] [--fit] FILE\n"
     "Computes the memory a controller holds after FILE has been written to it,\n"
     "byte for byte as \"tkv88ctl write\" leaves it. Without -o (or with -o -)\n"
     "the image goes to the standard output.\n\n"
     "Options:\n"
     "  -o, --output IMAGE  where to save the image\n"
     "  --base IMAGE    the memory before the write (default: a factory-new\n"
     "                  controller's)\n"
     "  --fit           keep only the programs and steps the partition allows\n",
     runImage});

const CtlCommand::Registrar decode(
    {"decode", "the configuration a read of an 8 KB memory image gives",
     "Usage: tkv88ctl decode [-o FILE] IMAGE\n"
     "Decodes the 8192-byte IMAGE as a read of the controller would: general\n"
     "parameters first, then every program slot of their partition. Without -o\n"
     "(or with -o -) the configuration goes to the standard output.\n\n"
     "Options:\n"
     "  -o, --output FILE  where to save the configuration\n",
     runDecode});

}  // namespace
