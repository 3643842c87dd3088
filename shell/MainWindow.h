// The main window: menus, accelerators and status bar, and the three view
// modes of which exactly one fills the window: the dialog mode (a splitter
// with the navigation tree and the right pane), the table mode and the full
// list. The window creates and owns all four views and registers them with
// the document; the document and the application outlive it.
//
// The commands are actions made once with the window (actions(), and the
// document's editing commands in documentActions()). The window connects
// the ones it carries out itself: the view modes, help, focus cycling, the
// clipboard keys, undo and redo, the full write and the programs of the
// table mode; the application connects its own (files, the report, the
// device read, comparisons, the port, About, exit) through onTriggered.
// Every command but the editing and focus ones first stores what the user
// typed and has not confirmed (commitEdits); a refused value stops it.
// Enabled states follow what they depend on: the undo history, the tree's
// selection, the view mode. User-interface thread only.
#pragma once

#include <functional>

#include <QMainWindow>

class Document;
class DocumentActions;
class NavigationTree;
class GroupPane;
class TableModeView;
class FullListView;
class QAction;
class QLabel;
class QSplitter;
class QStackedWidget;
class QMenu;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  enum ViewMode { kDialogMode = 0, kTableMode = 1, kListMode = 2 };

  // The window's commands, by menu; each is named after what it does
  // ("saveAs", "choosePort").
  struct Actions {
    // "&Файл"
    QAction* newFile;
    QAction* open;
    QAction* save;
    QAction* saveAs;
    QAction* print;
    QAction* printPreview;
    QAction* exportPdf;
    QAction* compareWithFile;
    QAction* backups;
    QAction* exit;
    // "&Правка", and the clipboard keys without a menu item
    QAction* undo;
    QAction* redo;
    QAction* copy;
    QAction* cut;
    QAction* paste;
    // "&Прибор"
    QAction* readDevice;
    QAction* writeDevice;
    QAction* writeChanges;
    QAction* compareWithDevice;
    QAction* backupBeforeWrite;  // checkable
    QAction* choosePort;
    QAction* probeLink;
    // "Вид": one of them checked
    QAction* dialogMode;
    QAction* tableMode;
    QAction* listMode;
    // "&Справка"
    QAction* help;
    QAction* about;
    // Keys without a menu item: F6 and Shift+F6 move the focus between the
    // panes; F8 and Shift+F8 are the table mode's, taken so that they reach
    // no control, and do nothing.
    QAction* nextPane;
    QAction* previousPane;
    QAction* tableNext;
    QAction* tablePrevious;
  };

  MainWindow(Document& doc, int levelMask, QWidget* parent = nullptr);
  ~MainWindow() override;

  int viewMode() const { return m_viewMode; }
  void setViewMode(int mode);

  const Actions& actions() const { return m_actions; }
  DocumentActions& documentActions() const { return *m_documentActions; }
  // Connects what an action does: when it is triggered, what the user typed
  // and has not confirmed is stored first (commitEdits), and `run` runs
  // unless a refused value stopped it. `context` ends the connection.
  void onTriggered(QAction* action, const QObject* context, std::function<void()> run);

  // Stores what the shown views hold and the user has not confirmed yet: a
  // form's typed text, an open cell editor of the table or the full list,
  // the table's comparator page. False when a check refused a value (its
  // message has been shown and the focus put on it).
  bool commitEdits();

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
  // The undo history changed (so may the configuration): the "&Правка"
  // items' names and enabled states, the title's mark, and the enabled
  // states of the commands that depend on the configuration.
  void historyChanged();
  void setRecentFiles(const QStringList& files);
  // The status bar's note that the port cannot be used ("Порт "auto"
  // недоступен: …"), shown in place of the idle text until it is cleared
  // (empty text): cut to the room it has with "…", the whole text in its
  // tooltip, and a click on it opens the port choice.
  void setPortMessage(const QString& text);
  // F6 (forward) and Shift+F6 (backwards): tree, right pane's view, its bar.
  void cycleFocus(bool backwards);

  // Asked before the window closes; false keeps it open.
  std::function<bool()> canClose;

 signals:
  // A recent file of the "&Файл" menu was chosen (0 the newest), after
  // commitEdits.
  void recentFileChosen(int index);

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Ctrl+Z and Ctrl+Y reach the frame's undo and redo unless the focused
  // edit has typing of its own to take back.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A new action named `name`, added to `menu` when there is one, else to
  // the window (a key without a menu item).
  QAction* makeAction(QMenu* menu, const char* name, const QString& text,
                      const QList<QKeySequence>& keys = {});
  void makeMenus();
  void rebuildMenu();
  void buildProgramsMenu();
  // Copy, cut or paste in the focused edit, as its own keys would.
  void clipboardCommand(const char* slot);
  void undoOrRedo(bool undo);
  // The enabled states that follow the configuration and the selection.
  void updateActions();
  // The "Вид" item of the mode in force checked, the others not.
  void checkViewMode();

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
  Actions m_actions{};
  DocumentActions* m_documentActions;
};
