// The application object: start-up and command line, the one document, its
// Qt host, the device port, the main frame, the device and report commands,
// and the commands that are the application's own (new, open, save, recent
// files, the device read with its save-changes question, About, exit).
//
// Start-up: the switches "i" and "u" only do their driver work and end; then
// the port (from --port, else the one remembered) is opened, the value texts
// are built, the document and the frame are made; a named file is loaded,
// otherwise a new configuration is made and the device read is queued, so
// the first thing shown is the read from the controller.
//
// Lives on the user-interface thread for the whole run, after QApplication
// exists; owns everything above.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QStringList>

#include "shell/DevicePort.h"
#include "shell/QtDocumentHost.h"

class CommandLine;
class CompareCommands;
class ReportCommands;
class MainWindow;
class Document;

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
  DevicePort& devicePort() { return m_port; }
  // Comparisons, the changed write and the backups.
  CompareCommands& compareCommands() { return *m_compare; }
  // Printing, the print preview and the export to PDF.
  ReportCommands& reportCommands() { return *m_report; }

  // The commands of the "&Файл" menu and the device read ("Сохранить
  // изменения?" first when the document is modified).
  void newDocument();
  void openDocument();
  void readDevice();
  // Loads a file into the document; false (after a message) when it cannot.
  // What the reader noticed (values loaded otherwise than written, lines
  // skipped) is one message after the load.
  bool openDocumentFile(const QString& path);
  // Saves to the document's file, asking for a name when it has none or
  // when asked to. False when cancelled or failed (after a message).
  bool saveDocument(bool askForName);
  // "Save changes?" when the document is modified: true to go on.
  bool saveModified();

 private:
  // Loads or saves through the document; a failure is shown and changes nothing.
  bool withFile(const QString& path, const std::function<void(const std::string&)>& operation);
  // The main window's commands that are the application's.
  void connectCommands();
  void rememberRecent(const QString& path);
  void openRecent(int index);

  QtDocumentHost m_host;
  DevicePort m_port;
  std::unique_ptr<Document> m_doc;
  std::unique_ptr<MainWindow> m_frame;
  std::unique_ptr<CompareCommands> m_compare;
  std::unique_ptr<ReportCommands> m_report;
};
