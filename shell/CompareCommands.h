// The commands around comparisons and backups:
// "Сравнить с прибором…" and "Сравнить с файлом…" (the differences in a
// window of their own; a double click selects the parameter in the tree),
// "Записать изменения…" (read the controller, choose the differences, write
// only the bytes they change and verify them), "Резервные копии…" (open a
// backup as a document) and "Резервная копия перед записью".
//
// Backups: every successful read of the controller and every write, before
// it changes anything, keeps the controller's configuration
// (document/BackupStore.h); serveDocument has the document's own read and
// full write do the same. A full write reads the controller first and asks,
// saying what it changes; its backup can be turned off ("Резервная копия
// перед записью").
//
// Names: a read gives the programs back the names they were written or
// saved with, a write and a save remember them (document/NameStore.h); the
// status bar tells what came back and what the store could not do.
//
// The document is never changed by a comparison or a changed write; it is
// replaced only by a backup opened, after "Сохранить изменения?".
// User-interface thread only.
#pragma once

#include <functional>
#include <string>

#include <QObject>
#include <QPointer>
#include <QString>

#include "document/BackupStore.h"
#include "document/NameStore.h"
#include "shell/DifferencesDialog.h"

class DeviceData;
class DevicePort;
class Document;
class MainWindow;
class QtDocumentHost;
struct LinkError;
struct ChangeSummary;
struct DeviceSnapshot;

class CompareCommands : public QObject {
  Q_OBJECT

 public:
  // Connects the window's commands of comparisons and backups.
  // `saveModified` asks "Сохранить изменения?" before a backup replaces the
  // document: true to go on.
  CompareCommands(Document& doc, DevicePort& port, MainWindow& frame, std::function<bool()> saveModified);
  ~CompareCommands() override;

  // The document's own exchanges go through the port (a fault in a full
  // write naming the backup kept for it), a read keeps its backup, and a
  // full write asks first and tells its result.
  void serveDocument(QtDocumentHost& host);

  void compareWithDevice();
  // "Сравнить с файлом…": asks for the file, then compareWithFile.
  void compareWithChosenFile();
  void compareWithFile(const QString& path);
  void writeChanges();
  void showBackups();

  // The document's exchanges: a backup of what a read brought; before a
  // full write of `config`, a read of the controller, the question that says
  // how many values and programs change and whether the partition does, and
  // with "Резервная копия перед записью" checked that read kept as a backup
  // (false: the write must not go on); after it, the result in the status
  // bar.
  void deviceRead(const DeviceData& config);
  void restoreNames(DeviceData& config);
  // The document's names, for the controller that now holds `held` (the
  // port in use; none for a save: `held` is then the document itself).
  void rememberNames(const DeviceData& held, bool written = true);
  bool beforeFullWrite(const DeviceData& config);
  void fullWriteDone(const DeviceData& config);
  // The question beforeFullWrite asks.
  static QString fullWriteQuestion(const ChangeSummary& summary, bool backup);
  // The message of a fault during a write whose writing may have begun: the
  // error, that the controller may hold a mix of both configurations (unless
  // it never answered), and how to put it right: write again, or the backup
  // kept for this write (a path, or empty), else the newest one read through
  // the port in use; never another controller's. Only a file that exists
  // is named.
  QString writeFaultText(const LinkError& error, const std::string& backup) const;
  // The backup beforeFullWrite kept for the full write under way, or empty.
  const std::string& fullWriteBackup() const { return m_fullWriteBackup; }

  // The comparison window last shown, while it is open.
  DifferencesDialog* comparisonWindow() const { return m_window; }
  // Selects the tree item of the difference's parameter in the document
  // (dialog mode); false when the document has no such item.
  bool showInTree(const ConfigDifference& difference);

 private:
  bool readController(DeviceData& config, DeviceSnapshot& snapshot);
  // The path of the backup kept, or empty (with a note in the status bar,
  // or a question when `beforeWriting`: false when the user stops there).
  bool keepBackup(const DeviceData& config, const std::string& name, bool beforeWriting, std::string& path);
  void showComparison(DifferencesDialog* dialog, const QString& title);
  void status(const QString& text);

  Document& m_doc;
  DevicePort& m_port;
  MainWindow& m_frame;
  std::function<bool()> m_saveModified;
  BackupStore m_store;
  NameStore m_names;
  QPointer<DifferencesDialog> m_window;
  std::string m_fullWriteBackup;
};
