// The port the device exchanges go through: its description, the link
// opened on it and, when it could not be opened, why; every exchange in its
// progress dialog, "&Порт..." (the port dialog, then the port chosen) and
// "Проверка связи…". After each exchange the status bar notes what the link
// had to do: fall back to the standard timing, write pages again, give up a
// trace. A new kind of adapter is a form of portchoice::open and an entry of
// the port dialog; nothing else changes for it.
//
// Made before any window (the port is opened at start-up), then attached to
// the main window, whose dialogs and status bar it uses and whose port
// commands it carries out. User-interface thread only.
#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "model/ExchangeMode.h"

class DeviceData;
class DeviceExchange;
class DeviceLink;
class MainWindow;
class MemoryAccess;
struct DeviceSnapshot;
struct LinkError;

// What an exchange may need besides its configuration and mode.
struct ExchangeExtras {
  DeviceSnapshot* snapshot = nullptr;  // ReadSnapshot and WriteChanged need it
  // The message of an error, knowing what the exchange has done; the
  // error's own text when not set.
  std::function<QString(const LinkError&, const DeviceExchange&)> errorText;
  // Reads what the exchange did once it has ended.
  std::function<void(const DeviceExchange&)> ended;
};

class DevicePort : public QObject {
  Q_OBJECT

 public:
  DevicePort();
  ~DevicePort() override;

  // Opens the port of a description without a word: false when it cannot
  // be, with error() saying why (the exchanges then show it).
  bool open(const QString& description);
  // Connects the window's port commands and shows the port's error in its
  // status bar. Once, before the first exchange.
  void attach(MainWindow& frame);

  // The link of the port in use; nullptr when the port could not be opened.
  DeviceLink* link() const { return m_link.get(); }
  // The description in use and why it could not be opened (empty when it was).
  const QString& description() const { return m_description; }
  const QString& error() const { return m_error; }

  // "&Порт...": the port dialog, then choose().
  void ask();
  // Opens the port of a description for the next exchanges and remembers
  // it; false (after a message, the old port kept) when it cannot be opened.
  bool choose(const QString& description);
  // "Проверка связи…": the check on the exchange worker, its report in a
  // message box.
  void probe();

  // Runs one exchange in its progress dialog: true when it finished. False
  // when it failed or was aborted (the dialog said why) or there is no port
  // (its error is shown).
  bool exchange(DeviceData& config, ExchangeMode mode, const ExchangeExtras& extras = {});
  // `text` in the status bar for a while, followed by the note of the last
  // exchange, so that a result does not hide what the link had to do.
  void showResult(const QString& text);

 private:
  static std::unique_ptr<MemoryAccess> openMemoryAccess(const QString& description, QString* reason);
  void use(std::unique_ptr<MemoryAccess> memory, const QString& description);
  // Takes what the link noted during the last exchange and shows it.
  void takeNote();

  MainWindow* m_frame = nullptr;
  std::unique_ptr<DeviceLink> m_link;
  QString m_description;
  QString m_error;
  QString m_note;
};
