// The document's framework, made of Qt: questions as message boxes, work
// deferred on the main window's event queue, device exchanges as progress
// dialogs and the rename dialog. The application owns it and gives it to the
// document; the main window is attached once it exists, the device commands
// serve its exchanges. Tests replace the exchange runner to script what a
// device exchange returns. User-interface thread only.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "document/DocumentHost.h"

class MainWindow;

class QtDocumentHost : public DocumentHost {
 public:
  // Runs one exchange on the configuration; true when it finished.
  using ExchangeRunner = std::function<bool(DeviceData& config, ExchangeMode mode)>;

  void setFrame(MainWindow* frame) { m_frame = frame; }
  MainWindow* frame() const { return m_frame; }
  void setExchangeRunner(ExchangeRunner runner) { m_runExchange = std::move(runner); }
  // What restoreNames, deviceRead, beforeDeviceWrite and deviceWritten do (a backup is
  // kept, the write asked about and told, the report notes the port); without
  // them a read keeps nothing and a write goes on.
  std::vector<std::function<void(const DeviceData&)>> onDeviceRead;
  std::function<void(DeviceData&)> onRestoreNames;
  std::function<bool(const DeviceData&)> onBeforeDeviceWrite;
  std::function<void(const DeviceData&)> onDeviceWritten;

  bool askYesNo(std::string_view title, std::string_view text) override;
  void runLater(std::function<void()> work) override;
  bool runExchange(DeviceData& config, ExchangeMode mode) override;
  std::optional<std::string> askProgramName(std::string_view name) override;
  void titleChanged() override;
  void historyChanged() override;
  void restoreNames(DeviceData& config) override;
  void deviceRead(const DeviceData& config) override;
  bool beforeDeviceWrite(const DeviceData& config) override;
  void deviceWritten(const DeviceData& config) override;

 private:
  MainWindow* m_frame = nullptr;
  ExchangeRunner m_runExchange;
};
