// tkv88ctl diff: what differs between two configurations, each a file, the
// controller or a new configuration, parameter by parameter as the GUI's
// compare dialog shows it. Exit status as diff(1): 0 same, 1 different,
// 2 trouble.
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/ConfigInput.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/DeviceSupport.h"
#include "apps/tkv88ctl/Output.h"
#include "document/BackupStore.h"
#include "document/ConfigCompare.h"
#include "document/ConfigFile.h"
#include "document/Document.h"
#include "document/WriteCheck.h"
#include "link/MemoryImage.h"
#include "model/FieldText.h"
#include "model/SystemErrorText.h"

namespace {

constexpr const char* kDevice = "device";
constexpr const char* kDefaults = "defaults";

// The configuration a side names. The controller is read once however often
// it is named, and kept as a backup.
class Sides {
 public:
  explicit Sides(const Args& args) : m_args(args) {}

  DeviceData load(const std::string& side) {
    if (side == kDefaults) {
      Document doc;
      doc.newDocument();
      return *doc.deviceData();
    }
    if (side == kDevice) {
      if (!m_device) {
        DeviceSession session(m_args, DeviceSession::kLongQuietOnly);
        DeviceSnapshot snapshot;
        m_device = session.readSnapshot(snapshot);
        session.keepBackup(*m_device, backup_names::afterRead(), false);
      }
      return *m_device;
    }
    Document doc;
    openConfiguration(doc, side, "diff");
    return *doc.deviceData();
  }

 private:
  const Args& m_args;
  std::optional<DeviceData> m_device;
};

// Against the controller a file (or the defaults) is compared as the
// controller would hold it after a write; what it cannot hold is a note.
std::vector<std::string> asTheControllerHoldsIt(DeviceData& config) {
  try {
    const DeviceData held = readAfterWrite(fitToPartition(config));
    std::vector<std::string> notes = unheldValues(config, held);
    config = held;
    return notes;
  } catch (const std::length_error&) {
    return {};  // a partition with no layout: compared as it is
  }
}

int runDiff(const std::vector<std::string>& argv) {
  const Args args(argv, device_support::valueOptions(), {"--brief", "-q", "--quiet", "--no-backup"});
  args.expectPositional(2, 2);
  const std::string& nameA = args.positional()[0];
  const std::string& nameB = args.positional()[1];
  const bool quiet = args.flag("--quiet");
  std::vector<ConfigDifference> differences;
  std::vector<std::string> notes;
  try {
    Sides sides(args);
    DeviceData a = sides.load(nameA);
    DeviceData b = sides.load(nameB);
    if ((nameA == kDevice) != (nameB == kDevice)) notes = asTheControllerHoldsIt(nameA == kDevice ? b : a);
    CompareOptions options;
    // The controller's memory holds no names.
    options.names = nameA != kDevice && nameB != kDevice;
    differences = compareConfigurations(a, b, options);
  } catch (const UsageError&) {
    throw;
  } catch (const std::exception& e) {
    // Trouble is 2, as for diff(1); 1 means "they differ".
    std::fprintf(stderr, "tkv88ctl diff: %s\n", e.what());
    return 2;
  }
  if (args.flag("--brief") || args.flag("-q")) {
    if (!differences.empty())
      std::printf("%s and %s differ\n", escapedControls(nameA).c_str(), escapedControls(nameB).c_str());
  } else {
    for (const ConfigDifference& d : differences)
      // Values and descriptions may hold names from files.
      std::printf("%s\t%s\t%s\t%s\t%s\n", d.scope.c_str(), d.code.c_str(), escapedControls(d.textA).c_str(),
                  escapedControls(d.textB).c_str(), escapedControls(d.description).c_str());
  }
  if (const int error = standardOutputError()) {
    std::fprintf(stderr, "tkv88ctl diff: не удаётся записать стандартный вывод: %s\n",
                 systemErrorText(error).c_str());
    return 2;
  }
  if (!notes.empty() && !quiet) {
    std::fprintf(stderr, "tkv88ctl diff: прибор не хранит эти значения, после записи в нём будут другие:\n");
    for (const std::string& line : notes) std::fprintf(stderr, "  %s\n", line.c_str());
  }
  return differences.empty() ? 0 : 1;
}

const CtlCommand::Registrar diffCommand(
    {"diff", "what differs between two configurations (files, the controller, defaults)",
     "Usage: tkv88ctl diff [-q | --brief] [--port PORT] [--quiet] [--no-backup] A B\n"
     "Compares two configurations parameter by parameter. Each of A and B is a\n"
     "configuration file, \"device\" (the controller, read over --port; the read\n"
     "is kept as a backup) or \"defaults\" (a new configuration).\n"
     "Prints one line per difference, tab-separated: scope, code, A's value,\n"
     "B's value, description (UTF-8). Scopes and codes as \"tkv88ctl list\"\n"
     "prints them; values with a long text show it in brackets; a program or\n"
     "step that only one side has is one line (code \"-\", \"есть\"/\"нет\").\n"
     "Names are compared unless one side is the controller, which holds none.\n"
     "Against the controller the other side is compared as the controller would\n"
     "hold it once written (saturated values, empty program slots), so a\n"
     "verified write leaves no differences; its values the controller cannot\n"
     "hold are named in a note on stderr instead.\n"
     "Exit status: 0 no differences, 1 differences, 2 trouble.\n\n"
     "Options:\n"
     "  -q, --brief     only say whether they differ\n"
     "  --quiet         no progress bar and no notes on stderr\n" TKV88CTL_BACKUP_OPTIONS_HELP
         TKV88CTL_PORT_OPTION_HELP,
     runDiff});

}  // namespace
