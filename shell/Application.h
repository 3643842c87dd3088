// The application object: start-up and command line, the one document, its
// Qt host, the device link, the main frame, and the commands that belong to
// the application (new, open, save, recent files, About, exit, the device
// read with its save-changes question, the port choice, the link check).
//
// Start-up: the switches "i" and "u" only do their driver work and end; then
// the port (from --port, else the one remembered) is opened and its three
// candidate bases put to idle, the value texts are built, the document and
// the frame are made; a named file is loaded, otherwise a new configuration
// is made and the device read is queued, so the first thing shown is the
// read from the controller.
//
// Lives on the user-interface thread for the whole run, after QApplication
// exists; owns everything above.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>
#include <QStringList>

#include "shell/QtDocumentHost.h"

class CommandLine;
class CompareCommands;
class ReportCommands;
class MainWindow;
class Document;
class DeviceLink;
class MemoryAccess;
namespace configfile {
class FileError;
struct FileNote;
}  // namespace configfile

class Application : public QObject {
  Q_OBJECT

 public:
  Application();
  ~Application() override;

  // What the command line asks that needs no window (--help, a bad command
  // line, the driver switches): the exit code; nothing when a window is due.
  // Runs before QApplication exists, so it works without a display.
  static std::optional<int> runWithoutWindow(const CommandLine& commandLine);
  // Qt's own dialogs and texts (the file dialogs, the edit fields' context
  // menu) in Russian like the rest of the program, from Qt's translations
  // when they are installed; false when they are not. Once, after
  // QApplication exists.
  static bool installQtTranslations();
  // Start-up with the arguments after the program name. Nothing: go on into
  // the event loop with the frame shown; a value: end with that exit code.
  std::optional<int> startUp(const QStringList& arguments);

  Document& document() { return *m_doc; }
  MainWindow* mainFrame() const { return m_frame.get(); }
  QtDocumentHost& host() { return m_host; }
  // The link of the port in use; nullptr when the port could not be opened.
  DeviceLink* deviceLink() const { return m_link.get(); }
  // The port description in use and why it could not be opened (empty when it was).
  QString port() const { return m_port; }
  QString portError() const { return m_portError; }

  // The commands of the "&Файл" menu, the device read ("Сохранить
  // изменения?" first when the document is modified) and the port choice.
  void newDocument();
  void openDocument();
  void readDevice();
  void askForPort();
  // Loads a file into the document; false (after a message) when it cannot.
  // What the reader noticed (values loaded otherwise than written, lines
  // skipped) is one message after the load.
  bool openDocumentFile(const QString& path);
  // Saves to the document's file, asking for a name when it has none or
  // when asked to. False when cancelled or failed (after a message).
  bool saveDocument(bool askForName);
  // "Save changes?" when the document is modified: true to go on.
  bool saveModified();
  // Comparisons, the changed write and the backups.
  CompareCommands& compareCommands() { return *m_compare; }
  // Printing, the print preview and the export to PDF.
  ReportCommands& reportCommands() { return *m_report; }
  // The document shows what the last read brought from the controller (not
  // a file's configuration, although it keeps the name of the file opened
  // before).
  bool documentFromDevice() const;
  // The message of a file that could not be opened or saved.
  static QString fileErrorText(const configfile::FileError& error);
  // One warning listing what the reader noticed in the file at `path`
  // (none: nothing shown).
  static void showFileNotes(QWidget* parent, const QString& path,
                            const std::vector<configfile::FileNote>& notes);
  // Opens the port of a description for the next exchanges and remembers
  // it; false (after a message, the old port kept) when it cannot be opened.
  bool choosePort(const QString& description);

 private:
  static std::unique_ptr<MemoryAccess> openMemoryAccess(const QString& description, QString* reason);
  void usePort(std::unique_ptr<MemoryAccess> backend, const QString& description);
  bool runExchange(DeviceData& config, ExchangeMode mode);
  // The status bar tells when the link fell back to the standard timing,
  // which pages a write had to store again in it and a trace that could not
  // be written.
  void reportTiming();
  // "Проверка связи…": the link check on the exchange worker, its report in
  // a message box.
  void probeLink();
  // Loads or saves through the document; a failure is shown and changes nothing.
  bool withFile(const QString& path, const std::function<void(const std::string&)>& operation);
  // The main window's commands that are the application's.
  void connectCommands();
  void rememberRecent(const QString& path);
  void openRecent(int index);

  QtDocumentHost m_host;
  std::unique_ptr<CompareCommands> m_compare;
  std::unique_ptr<ReportCommands> m_report;
  std::unique_ptr<Document> m_doc;
  std::unique_ptr<MainWindow> m_frame;
  std::unique_ptr<DeviceLink> m_link;
  QString m_port;
  QString m_portError;
};
