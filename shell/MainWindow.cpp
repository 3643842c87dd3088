#include "shell/MainWindow.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>

#include "document/Document.h"
#include "forms/GroupForm.h"
#include "resources/ResourcePaths.h"
#include "shell/AppSettings.h"
#include "shell/ButtonBar.h"
#include "shell/GroupPane.h"
#include "shell/LockIndicators.h"
#include "shell/NavigationTree.h"
#include "tables/FullListView.h"
#include "tables/TableModeView.h"
#include "widgets/DocumentActions.h"
#include "widgets/HelpRequest.h"
#include "widgets/MaskedLineEdit.h"
#include "widgets/Messages.h"

namespace {

// The first widget of a view that takes the keyboard focus, or the view.
QWidget* focusTarget(QWidget* view) {
  if (!qobject_cast<GroupForm*>(view)) return view;
  const auto children = view->findChildren<QWidget*>();
  for (QWidget* c : children)
    if (c->isVisible() && c->isEnabled() && (c->focusPolicy() & Qt::TabFocus) && !c->focusProxy()) return c;
  return view;
}

QWidget* firstEnabledButton(ButtonBar* bar) {
  for (QPushButton* b : bar->buttons())
    if (b->isEnabled()) return b;
  return bar;
}

// The dialog mode's splitter. The tree keeps the width it was given (280 at
// first, then whatever the user drags it to) while the window is at least as
// wide as it was then; a narrower window shrinks both panes in proportion,
// so the right pane keeps its share instead of being squeezed alone.
class TreeSplitter : public QSplitter {
 public:
  TreeSplitter(int treeWidth, int paneWidth, QWidget* parent)
      : QSplitter(Qt::Horizontal, parent), m_treeWidth(treeWidth) {
    setChildrenCollapsible(false);
    m_givenAt = treeWidth + paneWidth - handleWidth();
    connect(this, &QSplitter::splitterMoved, this, [this] {
      const QList<int> s = sizes();
      m_treeWidth = s.value(0);
      m_givenAt = s.value(0) + s.value(1);
    });
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QSplitter::resizeEvent(event);
    const QList<int> s = sizes();
    const int total = s.value(0) + s.value(1);
    if (s.size() != 2 || total <= 0 || m_givenAt <= 0) return;
    const int tree = total >= m_givenAt ? m_treeWidth : m_treeWidth * total / m_givenAt;
    if (tree != s[0]) setSizes({tree, total - tree});
  }

 private:
  int m_treeWidth;
  int m_givenAt;  // the width of both panes when the tree got its width
};

// The edit of a focused control that takes typing: a line edit, or the
// one inside a spin box or an editable list.
QLineEdit* editOf(QWidget* w) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit;
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->lineEdit();
  if (qobject_cast<QAbstractSpinBox*>(w))
    return w->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
  return nullptr;
}

// The edit has typing of its own to take back (undo) or make again. A
// masked edit keeps that history itself: it rewrites its text at every key.
bool hasTyping(QLineEdit* edit, bool undo) {
  if (auto* masked = qobject_cast<MaskedLineEdit*>(edit))
    return undo ? masked->canUndoTyping() : masked->canRedoTyping();
  return undo ? edit->isUndoAvailable() : edit->isRedoAvailable();
}

void takeBackTyping(QLineEdit* edit, bool undo) {
  if (auto* masked = qobject_cast<MaskedLineEdit*>(edit))
    return undo ? masked->undoTyping() : masked->redoTyping();
  return undo ? edit->undo() : edit->redo();
}

// A program name may hold '&', which a menu would take for a mnemonic.
QString menuText(const QString& text) {
  QString s = text;
  return s.replace(u'&', QStringLiteral("&&"));
}

}  // namespace

// A status-bar text that takes the room it is given, cut with "…" when the
// room is short; the whole text is its tooltip and accessible name. A left
// click runs `clicked`.
class MainWindow::StatusNote : public QLabel {
 public:
  explicit StatusNote(QWidget* parent) : QLabel(parent) {
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setCursor(Qt::PointingHandCursor);
  }
  std::function<void()> clicked;

  void setFullText(const QString& text) {
    m_text = text;
    setToolTip(text);
    setAccessibleName(text);
    elide();
  }
  QString fullText() const { return m_text; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    elide();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && clicked)
      clicked();
  }

 private:
  void elide() { setText(fontMetrics().elidedText(m_text, Qt::ElideRight, contentsRect().width())); }
  QString m_text;
};

MainWindow::MainWindow(Document& doc, int levelMask, QWidget* parent)
    : QMainWindow(parent), m_doc(doc), m_levelMask(levelMask) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowIcon(QIcon(resources::iconPath()));
  resize(850, 730);

  // The three modes' windows; exactly one of them fills the client area.
  m_modes = new QStackedWidget(this);
  m_splitter = new TreeSplitter(280, 570, m_modes);
  m_splitter->setObjectName(QStringLiteral("dialogModeSplitter"));
  m_documentActions = new DocumentActions(m_doc, this);
  m_treeView = new NavigationTree(m_doc, *m_documentActions, levelMask, m_splitter);
  m_groupPane = new GroupPane(m_doc, *m_documentActions, m_splitter);
  m_splitter->addWidget(m_treeView);
  m_splitter->addWidget(m_groupPane);
  m_splitter->setStretchFactor(1, 1);
  m_splitter->setSizes({280, 570});
  m_tableView = new TableModeView(m_doc, *m_documentActions, m_modes);
  m_listView = new FullListView(m_doc, m_modes);
  m_modes->addWidget(m_splitter);
  m_modes->addWidget(m_tableView);
  m_modes->addWidget(m_listView);
  m_modes->setCurrentWidget(m_tableView);
  setCentralWidget(m_modes);

  statusBar()->setObjectName(QStringLiteral("statusBar"));
  // The idle text, shown whenever no other message is (a menu item's tip
  // or a passing message clears only what it put there).
  m_idleMessage = new QLabel(QStringLiteral("Готово"), statusBar());
  m_idleMessage->setObjectName(QStringLiteral("idleMessage"));
  statusBar()->addWidget(m_idleMessage, 1);
  m_portMessage = new StatusNote(statusBar());
  m_portMessage->setObjectName(QStringLiteral("portMessage"));
  m_portMessage->clicked = [this] { m_actions.choosePort->trigger(); };
  m_portMessage->hide();
  statusBar()->addWidget(m_portMessage, 1);
  new LockIndicators(statusBar());

  makeMenus();

  const QByteArray geometry = settings::windowGeometry();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  setRecentFiles(settings::recentFiles());
  rebuildMenu();
  historyChanged();
  qApp->installEventFilter(this);
  // The window starts in table mode and opens in dialog mode before the
  // user can act.
  QMetaObject::invokeMethod(
      this, [this] { m_actions.dialogMode->trigger(); }, Qt::QueuedConnection);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
}

QAction* MainWindow::makeAction(QMenu* menu, const char* name, const QString& text,
                                const QList<QKeySequence>& keys) {
  auto* a = new QAction(text, this);
  a->setObjectName(QLatin1String(name));
  a->setShortcuts(keys);
  if (menu)
    menu->addAction(a);
  else
    addAction(a);
  return a;
}

void MainWindow::onTriggered(QAction* action, const QObject* context, std::function<void()> run) {
  // A value typed but not yet confirmed (a shortcut takes no focus, a menu
  // leaves it where it was) counts for the save, write, mode or program that
  // follows; a refused one stops the command with its message.
  connect(action, &QAction::triggered, context, [this, run = std::move(run)] {
    if (commitEdits()) run();
  });
}

void MainWindow::makeMenus() {
  using Keys = QList<QKeySequence>;
  Actions& a = m_actions;

  m_fileMenu = new QMenu(QStringLiteral("&Файл"), this);
  a.newFile = makeAction(m_fileMenu, "newFile", QStringLiteral("&Новая прошивка"), {Qt::CTRL | Qt::Key_N});
  a.open = makeAction(m_fileMenu, "open", QStringLiteral("&Открыть..."), {Qt::CTRL | Qt::Key_O});
  a.save = makeAction(m_fileMenu, "save", QStringLiteral("&Сохранить"), {Qt::CTRL | Qt::Key_S});
  a.saveAs = makeAction(m_fileMenu, "saveAs", QStringLiteral("Сохранить &как..."));
  m_fileMenu->addSeparator();
  a.print = makeAction(m_fileMenu, "print", QStringLiteral("&Печать…"), {Qt::CTRL | Qt::Key_P});
  a.printPreview = makeAction(m_fileMenu, "printPreview", QStringLiteral("Пр&едварительный просмотр…"));
  a.exportPdf = makeAction(m_fileMenu, "exportPdf", QStringLiteral("&Экспорт в PDF…"));
  m_fileMenu->addSeparator();
  a.compareWithFile = makeAction(m_fileMenu, "compareWithFile", QStringLiteral("Сравнить с &файлом…"));
  a.backups = makeAction(m_fileMenu, "backups", QStringLiteral("&Резервные копии…"));
  // The recent files stand between two separators, the first shown only
  // when there are some.
  m_recentSeparator = m_fileMenu->addSeparator();
  m_recentEnd = m_fileMenu->addSeparator();
  a.exit = makeAction(m_fileMenu, "exit", QStringLiteral("&Выход"));

  m_editMenu = new QMenu(QStringLiteral("&Правка"), this);
  a.undo = makeAction(m_editMenu, "undo", QStringLiteral("&Отменить"),
                      {Qt::CTRL | Qt::Key_Z, Qt::ALT | Qt::Key_Backspace});
  a.redo = makeAction(m_editMenu, "redo", QStringLiteral("&Повторить"),
                      {Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z});
  a.copy = makeAction(nullptr, "copy", {}, {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert});
  a.cut = makeAction(nullptr, "cut", {}, {Qt::CTRL | Qt::Key_X, Qt::SHIFT | Qt::Key_Delete});
  a.paste = makeAction(nullptr, "paste", {}, {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert});

  m_deviceMenu = new QMenu(QStringLiteral("&Прибор"), this);
  a.readDevice = makeAction(m_deviceMenu, "readDevice", QStringLiteral("&Считать прошивку"));
  a.writeDevice = makeAction(m_deviceMenu, "writeDevice", QStringLiteral("&Записать прошивку"));
  a.writeChanges = makeAction(m_deviceMenu, "writeChanges", QStringLiteral("Записать &изменения…"));
  a.compareWithDevice =
      makeAction(m_deviceMenu, "compareWithDevice", QStringLiteral("С&равнить с прибором…"));
  m_deviceMenu->addSeparator();
  a.backupBeforeWrite =
      makeAction(m_deviceMenu, "backupBeforeWrite", QStringLiteral("Резервная &копия перед записью"));
  a.backupBeforeWrite->setCheckable(true);
  m_deviceMenu->addSeparator();
  a.choosePort = makeAction(m_deviceMenu, "choosePort", QStringLiteral("&Порт..."));
  a.probeLink = makeAction(m_deviceMenu, "probeLink", QStringLiteral("Проверка &связи…"));

  // Check marks, not the bullets of an exclusive group: the window keeps
  // exactly one of them checked itself (setViewMode).
  m_viewMenu = new QMenu(QStringLiteral("Вид"), this);
  a.dialogMode = makeAction(m_viewMenu, "dialogMode", QStringLiteral("Диалоговый"));
  a.tableMode = makeAction(m_viewMenu, "tableMode", QStringLiteral("Табличный"));
  a.listMode = makeAction(m_viewMenu, "listMode", QStringLiteral("Полный список"));
  for (QAction* mode : {a.dialogMode, a.tableMode, a.listMode}) mode->setCheckable(true);

  m_helpMenu = new QMenu(QStringLiteral("&Справка"), this);
  a.help = makeAction(m_helpMenu, "help", QStringLiteral("&Помощь"), {Qt::Key_F1});
  a.about = makeAction(m_helpMenu, "about", QStringLiteral("&О программе..."));

  a.nextPane = makeAction(nullptr, "nextPane", {}, {Qt::Key_F6});
  a.previousPane = makeAction(nullptr, "previousPane", {}, Keys{Qt::SHIFT | Qt::Key_F6});
  a.tableNext = makeAction(nullptr, "tableNext", {}, {Qt::Key_F8});
  a.tablePrevious = makeAction(nullptr, "tablePrevious", {}, Keys{Qt::SHIFT | Qt::Key_F8});

  // What the window carries out itself. The editing and focus commands leave
  // what the user is typing where it is.
  connect(a.copy, &QAction::triggered, this, [this] { clipboardCommand("copy"); });
  connect(a.cut, &QAction::triggered, this, [this] { clipboardCommand("cut"); });
  connect(a.paste, &QAction::triggered, this, [this] { clipboardCommand("paste"); });
  connect(a.undo, &QAction::triggered, this, [this] { undoOrRedo(true); });
  connect(a.redo, &QAction::triggered, this, [this] { undoOrRedo(false); });
  connect(a.nextPane, &QAction::triggered, this, [this] { cycleFocus(false); });
  connect(a.previousPane, &QAction::triggered, this, [this] { cycleFocus(true); });
  connect(a.help, &QAction::triggered, this, [] { help::show(HelpTopic::Overview); });
  const std::pair<QAction*, ViewMode> modes[] = {
      {a.dialogMode, kDialogMode}, {a.tableMode, kTableMode}, {a.listMode, kListMode}};
  for (const auto& [action, mode] : modes) {
    connect(action, &QAction::triggered, this, [this, mode] {
      if (commitEdits()) setViewMode(mode);
      // A click toggled the item; the mode in force keeps the one check mark.
      checkViewMode();
    });
  }
  onTriggered(a.writeDevice, this, [this] { m_doc.writeDevice(); });
}

bool MainWindow::commitEdits() {
  if (!m_groupPane->commitActiveForm()) return false;
  m_listView->commitEdits();
  return m_tableView->commitEdits();
}

void MainWindow::clipboardCommand(const char* slot) {
  // The clipboard commands act on the focused edit, as its own keys would.
  QWidget* w = QApplication::focusWidget();
  if (!w || !w->window() || w->window() != this) return;
  // The edit itself, else the view that holds it (the steps table's page),
  // else an edit inside it (an editable list's).
  const QByteArray signature = QByteArray(slot) + "()";
  QObject* target = w;
  while (target && target != this && target->metaObject()->indexOfSlot(signature.constData()) < 0)
    target = target->parent();
  if (!target || target == this) target = w->findChild<QLineEdit*>();
  if (!target) return;
  QMetaObject::invokeMethod(target, slot);
}

void MainWindow::undoOrRedo(bool undo) {
  // Typing not yet committed is taken back in its edit first, as its own
  // keys would; then the configuration's history.
  QWidget* focus = QApplication::focusWidget();
  if (QLineEdit* edit = focus && focus->window() == this ? editOf(focus) : nullptr;
      edit && hasTyping(edit, undo))
    return takeBackTyping(edit, undo);
  // An open editor with nothing to take back is closed first, so it cannot
  // store its old text over what the history puts back.
  if (!commitEdits()) return;
  if (undo)
    m_doc.undo();
  else
    m_doc.redo();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const bool undo = key->matches(QKeySequence::Undo);
  if (!undo && !key->matches(QKeySequence::Redo) &&
      key->keyCombination() != QKeyCombination(Qt::CTRL, Qt::Key_Y))
    return false;
  auto* w = qobject_cast<QWidget*>(watched);
  QLineEdit* edit = w && w->window() == this ? editOf(w) : nullptr;
  if (!edit || hasTyping(edit, undo)) return false;
  // Left unaccepted, the key goes to the "&Правка" item's shortcut.
  return true;
}

void MainWindow::historyChanged() {
  const auto named = [](const QString& item, const std::string& what) {
    return what.empty() ? item : item + QStringLiteral(": ") + menuText(QString::fromUtf8(what));
  };
  m_actions.undo->setText(named(QStringLiteral("&Отменить"), m_doc.undoText()));
  m_actions.undo->setEnabled(m_doc.canUndo());
  m_actions.redo->setText(named(QStringLiteral("&Повторить"), m_doc.redoText()));
  m_actions.redo->setEnabled(m_doc.canRedo());
  setWindowModified(m_doc.isModified());
  updateActions();
}

void MainWindow::updateActions() {
  m_documentActions->update();
  m_groupPane->updateActions();
}

void MainWindow::setViewMode(int mode) {
  if (mode < kDialogMode || mode > kListMode) return;
  if (mode == kTableMode && !(m_levelMask & 1)) return;
  m_viewMode = mode;
  switch (mode) {
    case kDialogMode:
      // The form shows what the other modes' views changed meanwhile.
      m_groupPane->switchView();
      m_modes->setCurrentWidget(m_splitter);
      break;
    case kTableMode:
      m_modes->setCurrentWidget(m_tableView);
      m_tableView->showCurrentProgram();
      break;
    case kListMode:
      m_modes->setCurrentWidget(m_listView);
      break;
  }
  rebuildMenu();
  // The mode's main view becomes the active one, unless the focus is
  // already inside it (a refresh of the same mode keeps it where it is).
  QWidget* active = mode == kDialogMode ? static_cast<QWidget*>(m_treeView) : m_modes->currentWidget();
  QWidget* focus = QApplication::focusWidget();
  if (!focus || !m_modes->currentWidget()->isAncestorOf(focus)) active->setFocus();
}

void MainWindow::rebuildMenu() {
  menuBar()->clear();
  menuBar()->addMenu(m_fileMenu);
  menuBar()->addMenu(m_editMenu);
  menuBar()->addMenu(m_deviceMenu);
  menuBar()->addMenu(m_viewMenu);
  m_actions.tableMode->setVisible(m_levelMask & 1);
  delete m_programsMenu;
  m_programsMenu = nullptr;
  if (m_viewMode == kTableMode) {
    m_programsMenu = new QMenu(QStringLiteral("Программы"), this);
    m_programsMenu->setObjectName(QStringLiteral("programsMenu"));
    // Rebuilt whenever it opens, so it always lists the programs there are.
    connect(m_programsMenu, &QMenu::aboutToShow, this, &MainWindow::buildProgramsMenu);
    buildProgramsMenu();
    menuBar()->addMenu(m_programsMenu);
  }
  menuBar()->addMenu(m_helpMenu);
  checkViewMode();
}

void MainWindow::checkViewMode() {
  m_actions.dialogMode->setChecked(m_viewMode == kDialogMode);
  m_actions.tableMode->setChecked(m_viewMode == kTableMode);
  m_actions.listMode->setChecked(m_viewMode == kListMode);
}

void MainWindow::buildProgramsMenu() {
  if (!m_programsMenu) return;
  m_programsMenu->clear();
  DeviceData* data = m_doc.deviceData();
  if (!data) return;
  // The current program's item carries a check mark; choosing an item
  // rebuilds the menu, which moves the mark.
  int i = 0;
  for (Program& program : data->programs) {
    QAction* a = m_programsMenu->addAction(
        menuText(NavigationTree::programText(i + 1, QString::fromUtf8(program.name()))));
    a->setObjectName(QStringLiteral("program%1").arg(i + 1));
    a->setCheckable(true);
    a->setChecked(&program == m_doc.currentProgram());
    onTriggered(a, this, [this, i] {
      m_doc.selectProgram(i);
      buildProgramsMenu();
    });
    ++i;
  }
}

void MainWindow::updateTitle() {
  setWindowTitle(QStringLiteral("%1[*] - %2").arg(QString::fromUtf8(m_doc.title()), messages::kAppTitle));
  setWindowModified(m_doc.isModified());
}

void MainWindow::setRecentFiles(const QStringList& files) {
  qDeleteAll(m_recentActions);
  m_recentActions.clear();
  QAction* before = m_recentEnd;
  for (int i = 0; i < files.size(); ++i) {
    auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(menuText(files[i])), this);
    a->setObjectName(QStringLiteral("recentFile%1").arg(i + 1));
    a->setToolTip(files[i]);
    onTriggered(a, this, [this, i] { emit recentFileChosen(i); });
    m_fileMenu->insertAction(before, a);
    m_recentActions.append(a);
  }
  // The list has its own separator only when it has entries.
  m_recentSeparator->setVisible(!files.isEmpty());
}

void MainWindow::setPortMessage(const QString& text) {
  m_portMessage->setFullText(text);
  m_portMessage->setVisible(!text.isEmpty());
  m_idleMessage->setVisible(text.isEmpty());
}

void MainWindow::cycleFocus(bool backwards) {
  ButtonBar* bar = m_groupPane->currentBar();
  if (bar && bar->isHidden()) bar = nullptr;
  QWidget* view = m_groupPane->activeView();
  enum Where { Outside, Tree, View, Bar } where = Outside;
  for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
    if (w == m_treeView) {
      where = Tree;
      break;
    }
    if (qobject_cast<ButtonBar*>(w)) {
      where = Bar;
      break;
    }
    if (w == m_groupPane) {
      where = View;
      break;
    }
  }
  if (where == Outside || m_viewMode != kDialogMode) return;
  // Forward: tree, view, bar, tree; backwards the other way round. Parts
  // that are missing are skipped.
  QWidget* order[3] = {m_treeView, view ? focusTarget(view) : nullptr,
                       bar ? firstEnabledButton(bar) : nullptr};
  int at = where == Tree ? 0 : where == View ? 1 : 2;
  for (int i = 0; i < 3; ++i) {
    at = (at + (backwards ? 2 : 1)) % 3;
    if (order[at]) {
      // Moved by a key, so the focus is drawn as after Tab (Qt marks that
      // only for the Tab key itself).
      setAttribute(Qt::WA_KeyboardFocusChange);
      order[at]->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
      return;
    }
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!commitEdits() || (canClose && !canClose())) {
    event->ignore();
    return;
  }
  settings::setWindowGeometry(saveGeometry());
  event->accept();
}
