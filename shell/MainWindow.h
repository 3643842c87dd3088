// The main window: menus, accelerators and status bar, and the three view
// modes of which exactly one fills the window: the dialog mode (a splitter
// with the navigation tree and the right pane), the table mode and the full
// list. The frame creates and owns all four views and registers them with
// the document; the document and the application outlive it.
//
// Commands reach onCommand from the menus, the accelerators and commands
// posted to the frame; the frame handles the view modes, help, focus cycling
// and the refresh after a partition change, hands the application's commands
// (files, About, exit, device read) to its owner through applicationCommand,
// and passes the rest to the document. User-interface thread only.
#pragma once

#include <functional>
#include <map>

#include <QMainWindow>

class Document;
class NavigationTree;
class GroupPane;
class TableModeView;
class FullListView;
class QLabel;
class QSplitter;
class QStackedWidget;
class QMenu;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum ViewMode { kDialogMode = 0, kTableMode = 1, kListMode = 2 };
  // "&Порт...": the port the device exchanges use.
  static constexpr int kChoosePortCommand = 32800;
  // Comparisons, the changed write and the backups (the application's).
  static constexpr int kCompareFileCommand = 32801;    // "Сравнить с файлом…"
  static constexpr int kBackupsCommand = 32802;        // "Резервные копии…"
  static constexpr int kWriteChangesCommand = 32803;   // "Записать изменения…"
  static constexpr int kCompareDeviceCommand = 32804;  // "Сравнить с прибором…"
  static constexpr int kBackupBeforeWriteCommand = 32805;  // "Резервная копия перед записью", checkable
  static constexpr int kProbeCommand = 32806;  // "Проверка связи…"
  // The configuration report (the application's).
  static constexpr int kPrintCommand = 32807;         // "Печать…"
  static constexpr int kPrintPreviewCommand = 32808;  // "Предварительный просмотр…"
  static constexpr int kExportPdfCommand = 32809;     // "Экспорт в PDF…"
  // The recent files of the "&Файл" menu.
  static constexpr int kRecentFileFirst = 57616;

  MainWindow(Document& doc, int levelMask, QWidget* parent = nullptr);
  ~MainWindow() override;

  int viewMode() const { return m_viewMode; }
  void setViewMode(int mode);

  // Runs a command; false when nothing handles it. Every command but the
  // editing ones first stores what the user entered and has not confirmed
  // (commitEdits); a refused value stops it.
  bool onCommand(int command);
  // Stores what the shown views hold and the user has not confirmed yet: a
  // form's typed text, an open cell editor of the table or the full list,
  // the table's comparator page. False when a check refused a value (its
  // message has been shown and the focus put on it).
  bool commitEdits();
  // Runs the command after the current event has finished.
  void postCommand(int command);
  // The action of a command id (menus and accelerators), or nullptr.
  QAction* action(int command) const;
  // Enable, check and text of every action, from the document and the mode.
  void updateCommandUi();

  // The table mode's "Программы" menu, or nullptr in the other modes.
  QMenu* programsMenu() const { return m_programsMenu; }
  NavigationTree* treeView() const { return m_treeView; }
  GroupPane* groupPane() const { return m_groupPane; }
  TableModeView* tableView() const { return m_tableView; }
  FullListView* listView() const { return m_listView; }
  QSplitter* splitter() const { return m_splitter; }

  // "Конфигуратор ТКВ88" with the document's title, marked "*" while the
  // document has unsaved changes.
  void updateTitle();
  // The undo history changed: the "&Правка" items' names and enabled
  // states, and the title's mark.
  void historyChanged();
  void setRecentFiles(const QStringList& files);
  // The status bar's note that the port cannot be used ("Порт "auto"
  // недоступен: …"), shown in place of the idle text until it is cleared
  // (empty text): cut to the room it has with "…", the whole text in its
  // tooltip, and a click on it opens the port choice.
  void setPortMessage(const QString& text);
  // F6 (forward) and Shift+F6 (backwards): tree, right pane's view, its bar.
  void cycleFocus(bool backwards);

  // Commands the frame leaves to its owner: FileNew, FileOpen, FileSave,
  // FileSaveAs, AppAbout, AppExit, ReadDevice, kChoosePortCommand, the link
  // check, the comparisons, the changed write, the backups, the report and the
  // recent files. The handler returns false when it did not handle one.
  std::function<bool(int command)> applicationCommand;
  // Asked before the window closes; false keeps it open.
  std::function<bool()> canClose;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Ctrl+Z and Ctrl+Y reach the frame's undo and redo unless the focused
  // edit has typing of its own to take back.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* addCommand(QMenu* menu, int command, const QString& text, const QKeySequence& key = {});
  void rebuildMenu();
  void buildProgramsMenu();
  void editCommand(int command);
  void undoCommand(int command);

  Document& m_doc;
  int m_levelMask;
  int m_viewMode = kTableMode;
  QStackedWidget* m_modes;
  QSplitter* m_splitter;
  NavigationTree* m_treeView;
  GroupPane* m_groupPane;
  TableModeView* m_tableView;
  FullListView* m_listView;
  QMenu* m_fileMenu;
  QMenu* m_editMenu;
  QMenu* m_deviceMenu;
  QMenu* m_viewMenu;
  QMenu* m_helpMenu;
  QMenu* m_programsMenu = nullptr;
  QLabel* m_idleMessage = nullptr;
  class StatusNote;
  StatusNote* m_portMessage = nullptr;
  QAction* m_recentSeparator = nullptr;
  QAction* m_recentEnd = nullptr;
  QList<QAction*> m_recentActions;
  std::map<int, QAction*> m_actions;
};
