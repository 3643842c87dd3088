// What every tkv88ctl command that talks to the controller shares: the
// --port and --quiet options, opening the port with a clear message, running
// the bus work on a worker thread while a progress bar on stderr follows the
// link's progress counter (only when stderr is a terminal and --quiet is not
// given), and turning a device error into "text (code N)" with exit status 1.
// Commands that read or write a configuration keep the controller's
// configuration as a backup (document/BackupStore.h) unless --no-backup.
//
// The port is given by --port, else by $TKV88_PORT, else "auto". While a
// session is open, Ctrl+C, SIGTERM and SIGHUP stop the exchange after the
// page or byte in flight (apps/tkv88ctl/Interrupts.h) instead of ending
// the program mid-write; the command then fails saying what the
// controller may hold, with the signal's exit status.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "link/ChangedWrite.h"
#include "link/DeviceLink.h"
#include "link/LinkError.h"
#include "link/PortDescription.h"

// Help lines of the options every device command takes.
#define TKV88CTL_BACKUP_OPTIONS_HELP                                               \
  "  --no-backup     keep no backup of the controller's configuration (backups:\n" \
  "                  ~/.local/share/tkv88/backups, the newest 100)\n"
#define TKV88CTL_PORT_OPTION_HELP \
  "  --port PORT     the controller's port (default: $TKV88_PORT, else auto):\n" TKV88_PORT_FORMS_HELP
#define TKV88CTL_DEVICE_OPTIONS_HELP \
  TKV88CTL_PORT_OPTION_HELP "  -q, --quiet     no progress bar and no notes on stderr\n"

namespace device_support {

// The options of every device command, to merge into a command's own.
std::set<std::string> valueOptions(std::set<std::string> own = {});
std::set<std::string> flags(std::set<std::string> own = {});

// "text (code N)", the text in UTF-8.
std::string describe(const LinkError& error);

}  // namespace device_support

class InterruptGuard;

class DeviceSession {
 public:
  // Whether -q means --quiet (diff takes it for --brief, as diff(1) does).
  enum ShortQuiet { kShortQuiet, kLongQuietOnly };
  // Opens the port; Failure with the reason when it cannot be opened.
  explicit DeviceSession(const Args& args, ShortQuiet shortQuiet = kShortQuiet);
  ~DeviceSession();
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  DeviceLink& link() { return *m_link; }
  // The port description, as given.
  const std::string& port() const { return m_port; }
  bool quiet() const { return m_quiet; }

  // Runs work on a worker thread between the engine's begin (the port base
  // is detected when none is chosen yet) and end (the lines back to idle);
  // `writes` when the work writes to the controller.
  // Meanwhile the progress bar shows progressCounter against the range
  // (changeable from the work with setProgressRange), and says so once the
  // engine has fallen back to the standard timing. A device error becomes
  // Failure("text (code N)"); any other exception is passed on. Afterwards
  // a note tells of the fall-back (once) and of pages a write had to store
  // again in the standard timing.
  // A trace that could not be written is told when the session ends
  // (failAfterwards), saying whether the controller was written in full.
  void run(const std::string& label, int range, const std::function<void(DeviceLink&)>& work,
           bool writes = false);
  void setProgressRange(int range) { m_range.store(range > 0 ? range : 1); }

  // A line on stderr unless --quiet.
  void note(const std::string& text) const;

  // Reads the controller's configuration as raw bytes into `snapshot` with
  // the progress bar ("Чтение прибора"), and returns it decoded.
  DeviceData readSnapshot(DeviceSnapshot& snapshot);

  // Keeps `config` (what the controller holds) as a backup named `name`
  // unless --no-backup was given, and says where. The path,
  // or empty. A backup that cannot be saved is a Failure when `required`
  // (a write must not go on without one), otherwise a warning.
  std::string keepBackup(const DeviceData& config, const std::string& name, bool required) const;

 private:
  void drawProgress(const std::string& label, bool final) const;

  std::atomic<bool> m_stopWhileOpening{false};  // the signals' flag until the link exists
  std::unique_ptr<DeviceLink> m_link;
  std::unique_ptr<InterruptGuard> m_interrupts;  // after both: let go first
  std::string m_port;
  bool m_noBackup = false;
  bool m_quiet = false;
  bool m_showProgress = false;
  bool m_fallbackNoted = false;
  bool m_wrote = false;   // a run wrote to the controller
  bool m_failed = false;  // a run failed
  std::string m_traceFailure;
  std::atomic<int> m_range{1};
};
