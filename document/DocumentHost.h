// What the document needs of the application framework, as one small
// interface the document is given: questions, deferred work, device
// exchanges and the rename dialog. The Qt shell implements
// it; tests use a scripted fake; tkv88ctl runs without one (Document then
// answers its own questions with Yes). Views are not the host's business:
// they observe the document (DocumentChange).
//
// Texts crossing this interface are UTF-8. Every call comes from
// the user-interface thread; the host is not owned by the document and must
// outlive it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "model/ExchangeMode.h"

class DeviceData;

class DocumentHost {
 public:
  virtual ~DocumentHost() = default;

  // A modal Yes/No message box with a warning icon, owned by no window.
  // True on Yes.
  virtual bool askYesNo(std::string_view title, std::string_view text) = 0;

  // Runs `work` after the current event has finished (closing the undo step
  // of a user action). The
  // host may drop it when the window it belongs to is gone.
  virtual void runLater(std::function<void()> work) = 0;

  // Runs one modal device exchange on `config`: ReadL1, ReadL2, WriteL1 or
  // WriteL2. True when it finished (dialog result 1); false when it was
  // cancelled or failed (the host has shown the error).
  virtual bool runExchange(DeviceData& config, ExchangeMode mode) = 0;

  // The rename dialog, owned by the main window, showing `name`. The new
  // name on OK, nothing on Cancel.
  virtual std::optional<std::string> askProgramName(std::string_view name) = 0;

  // The document's title changed (a device read retitles it).
  virtual void titleChanged() {}

  // The undo history changed (a step was recorded, undone or redone, the
  // history started again, or a save moved the unmodified state): what the
  // undo and redo commands name, and whether the document is modified.
  virtual void historyChanged() {}

  // A device read has succeeded, before deviceRead: hosts give the programs
  // of `config` (and the configuration) the names the controller does not
  // keep (document/NameStore.h).
  virtual void restoreNames(DeviceData& config) { (void)config; }
  // A device read has succeeded: `config` is what the controller holds,
  // which the document takes next (hosts keep a backup of it).
  virtual void deviceRead(const DeviceData& config) { (void)config; }
  // A full write of `config` is about to begin, every question answered;
  // false stops it before anything is written (the host has said why).
  // Hosts that are asked to keep a backup of the controller first do it here.
  virtual bool beforeDeviceWrite(const DeviceData& config) {
    (void)config;
    return true;
  }
  // A full write of `config` has finished without fault (hosts say so).
  virtual void deviceWritten(const DeviceData& config) { (void)config; }
};
