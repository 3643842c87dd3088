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

#include "document/CommandIds.h"
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
#include "widgets/GuiText.h"
#include "widgets/HelpRequest.h"
#include "widgets/MaskedLineEdit.h"

namespace {

const QString kAppTitle = QStringLiteral("Конфигуратор ТКВ88");

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

// Commands that act on the focused edit or move the focus, and those the
// program posts itself after a change: they leave what the user is typing
// where it is (the undo commands decide for themselves).
bool leavesTypingAlone(int command) {
  switch (command) {
    case CommandId::EditCopy:
    case CommandId::EditCut:
    case CommandId::EditPaste:
    case CommandId::EditUndo:
    case CommandId::EditRedo:
    case CommandId::NextPane:
    case CommandId::PreviousPane:
    case CommandId::TableNext:
    case CommandId::TablePrevious:
    case CommandId::Help:
    case CommandId::CommitForm:
    case CommandId::RefreshList:
    case CommandId::RefreshAllViews:
    case CommandId::CloseUndoStep:
      return true;
    default:
      return false;
  }
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
  setObjectName(QStringLiteral("mainFrame"));
  setWindowIcon(QIcon(resources::iconPath()));
  resize(850, 730);

  // The three modes' windows; exactly one of them fills the client area.
  m_modes = new QStackedWidget(this);
  m_splitter = new TreeSplitter(280, 570, m_modes);
  m_splitter->setObjectName(QStringLiteral("59648"));
  m_treeView = new NavigationTree(m_doc, levelMask, m_splitter);
  m_groupPane = new GroupPane(m_doc, m_splitter);
  m_splitter->addWidget(m_treeView);
  m_splitter->addWidget(m_groupPane);
  m_splitter->setStretchFactor(1, 1);
  m_splitter->setSizes({280, 570});
  m_tableView = new TableModeView(m_doc, m_modes);
  m_listView = new FullListView(m_doc, m_modes);
  m_modes->addWidget(m_splitter);
  m_modes->addWidget(m_tableView);
  m_modes->addWidget(m_listView);
  m_modes->setCurrentWidget(m_tableView);
  setCentralWidget(m_modes);
  m_doc.tableView = m_tableView;
  m_doc.listView = m_listView;
  // In the table mode the steps table follows the tree's selection (the step
  // commands select the step they made there).
  connect(m_treeView, &QTreeWidget::currentItemChanged, this, [this] {
    if (m_viewMode == kTableMode) m_tableView->followTreeSelection();
  });

  statusBar()->setObjectName(QStringLiteral("59393"));
  // The idle text, shown whenever no other message is (a menu item's tip
  // or a passing message clears only what it put there).
  m_idleMessage = new QLabel(QStringLiteral("Готово"), statusBar());
  m_idleMessage->setObjectName(QStringLiteral("idleMessage"));
  statusBar()->addWidget(m_idleMessage, 1);
  m_portMessage = new StatusNote(statusBar());
  m_portMessage->setObjectName(QStringLiteral("portMessage"));
  m_portMessage->clicked = [this] { onCommand(kChoosePortCommand); };
  m_portMessage->hide();
  statusBar()->addWidget(m_portMessage, 1);
  new LockIndicators(statusBar());

  // "&Файл"
  m_fileMenu = new QMenu(QStringLiteral("&Файл"), this);
  addCommand(m_fileMenu, CommandId::FileNew, QStringLiteral("&Новая прошивка"),
             QKeySequence(Qt::CTRL | Qt::Key_N));
  addCommand(m_fileMenu, CommandId::FileOpen, QStringLiteral("&Открыть..."),
             QKeySequence(Qt::CTRL | Qt::Key_O));
  addCommand(m_fileMenu, CommandId::FileSave, QStringLiteral("&Сохранить"),
             QKeySequence(Qt::CTRL | Qt::Key_S));
  addCommand(m_fileMenu, CommandId::FileSaveAs, QStringLiteral("Сохранить &как..."));
  m_fileMenu->addSeparator();
  addCommand(m_fileMenu, kPrintCommand, QStringLiteral("&Печать…"), QKeySequence(Qt::CTRL | Qt::Key_P));
  addCommand(m_fileMenu, kPrintPreviewCommand, QStringLiteral("Пр&едварительный просмотр…"));
  addCommand(m_fileMenu, kExportPdfCommand, QStringLiteral("&Экспорт в PDF…"));
  m_fileMenu->addSeparator();
  addCommand(m_fileMenu, kCompareFileCommand, QStringLiteral("Сравнить с &файлом…"));
  addCommand(m_fileMenu, kBackupsCommand, QStringLiteral("&Резервные копии…"));
  // The recent files stand between two separators, the first shown only
  // when there are some.
  m_recentSeparator = m_fileMenu->addSeparator();
  m_recentEnd = m_fileMenu->addSeparator();
  addCommand(m_fileMenu, CommandId::AppExit, QStringLiteral("&Выход"));

  // "&Правка"
  m_editMenu = new QMenu(QStringLiteral("&Правка"), this);
  addCommand(m_editMenu, CommandId::EditUndo, QStringLiteral("&Отменить"))
      ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
  addCommand(m_editMenu, CommandId::EditRedo, QStringLiteral("&Повторить"))
      ->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});

  // "&Прибор"
  m_deviceMenu = new QMenu(QStringLiteral("&Прибор"), this);
  addCommand(m_deviceMenu, CommandId::ReadDevice, QStringLiteral("&Считать прошивку"));
  addCommand(m_deviceMenu, CommandId::WriteDevice, QStringLiteral("&Записать прошивку"));
  addCommand(m_deviceMenu, kWriteChangesCommand, QStringLiteral("Записать &изменения…"));
  addCommand(m_deviceMenu, kCompareDeviceCommand, QStringLiteral("С&равнить с прибором…"));
  m_deviceMenu->addSeparator();
  addCommand(m_deviceMenu, kBackupBeforeWriteCommand, QStringLiteral("Резервная &копия перед записью"))
      ->setCheckable(true);
  m_deviceMenu->addSeparator();
  addCommand(m_deviceMenu, kChoosePortCommand, QStringLiteral("&Порт..."));
  addCommand(m_deviceMenu, kProbeCommand, QStringLiteral("Проверка &связи…"));

  // "Вид"
  m_viewMenu = new QMenu(QStringLiteral("Вид"), this);
  // Check marks, not the bullets of an exclusive group: the frame keeps
  // exactly one of them checked itself (updateCommandUi).
  for (auto [command, text] :
       {std::pair{CommandId::ViewDialog, "Диалоговый"}, std::pair{CommandId::ViewTable, "Табличный"},
        std::pair{CommandId::ViewList, "Полный список"}}) {
    QAction* a = addCommand(m_viewMenu, command, QString::fromUtf8(text));
    a->setCheckable(true);
  }

  // "&Справка"
  m_helpMenu = new QMenu(QStringLiteral("&Справка"), this);
  addCommand(m_helpMenu, CommandId::Help, QStringLiteral("&Помощь"), QKeySequence(Qt::Key_F1));
  addCommand(m_helpMenu, CommandId::AppAbout, QStringLiteral("&О программе..."));

  // Accelerators without a menu item.
  const std::pair<int, QList<QKeySequence>> accelerators[] = {
      {CommandId::EditCopy, {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
      {CommandId::EditCut, {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)}},
      {CommandId::EditPaste, {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)}},
      {CommandId::NextPane, {QKeySequence(Qt::Key_F6)}},
      {CommandId::PreviousPane, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}},
      {CommandId::TableNext, {QKeySequence(Qt::Key_F8)}},
      {CommandId::TablePrevious, {QKeySequence(Qt::SHIFT | Qt::Key_F8)}},
  };
  for (const auto& [command, keys] : accelerators) {
    QAction* a = addCommand(nullptr, command, QString());
    a->setShortcuts(keys);
    addAction(a);
  }

  for (QMenu* menu : {m_fileMenu, m_editMenu, m_deviceMenu, m_viewMenu, m_helpMenu})
    connect(menu, &QMenu::aboutToShow, this, &MainWindow::updateCommandUi);

  const QByteArray geometry = settings::windowGeometry();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  setRecentFiles(settings::recentFiles());
  rebuildMenu();
  historyChanged();
  qApp->installEventFilter(this);
  // The frame starts in table mode and opens in dialog mode before the user
  // can act.
  postCommand(CommandId::ViewDialog);
}

MainWindow::~MainWindow() {
  qApp->removeEventFilter(this);
  if (m_doc.tableView == m_tableView) m_doc.tableView = nullptr;
  if (m_doc.listView == m_listView) m_doc.listView = nullptr;
}

QAction* MainWindow::addCommand(QMenu* menu, int command, const QString& text, const QKeySequence& key) {
  auto* a = new QAction(text, this);
  a->setObjectName(QString::number(command));
  a->setData(command);
  if (!key.isEmpty()) a->setShortcut(key);
  connect(a, &QAction::triggered, this, [this, command] { onCommand(command); });
  if (menu) menu->addAction(a);
  m_actions[command] = a;
  return a;
}

QAction* MainWindow::action(int command) const {
  const auto it = m_actions.find(command);
  return it == m_actions.end() ? nullptr : it->second;
}

void MainWindow::postCommand(int command) {
  QMetaObject::invokeMethod(
      this, [this, command] { onCommand(command); }, Qt::QueuedConnection);
}

bool MainWindow::commitEdits() {
  if (!m_groupPane->commitActiveForm()) return false;
  m_listView->commitEdits();
  return m_tableView->commitEdits();
}

bool MainWindow::onCommand(int command) {
  // A value typed but not yet confirmed (a shortcut takes no focus, a menu
  // leaves it where it was) counts for the save, write, mode or program that
  // follows; a refused one stops the command with its message.
  if (!leavesTypingAlone(command) && !commitEdits()) return true;
  switch (command) {
    case CommandId::ViewDialog:
      setViewMode(kDialogMode);
      return true;
    case CommandId::ViewTable:
      setViewMode(kTableMode);
      return true;
    case CommandId::ViewList:
      setViewMode(kListMode);
      return true;
    case CommandId::Help:
      help::show(HelpTopic::Overview);
      return true;
    case CommandId::RefreshAllViews:
      m_doc.notifyViews();
      return true;
    case CommandId::NextPane:
      cycleFocus(false);
      return true;
    case CommandId::PreviousPane:
      cycleFocus(true);
      return true;
    case CommandId::TableNext:
    case CommandId::TablePrevious:
      return m_viewMode == kTableMode && m_tableView->onCommand(command);
    case CommandId::EditCopy:
    case CommandId::EditCut:
    case CommandId::EditPaste:
      editCommand(command);
      return true;
    case CommandId::EditUndo:
    case CommandId::EditRedo:
      undoCommand(command);
      return true;
    default:
      break;
  }
  if (applicationCommand && applicationCommand(command)) return true;
  const bool handled = m_doc.onCommand(command);
  if (handled && command >= CommandId::ProgramFirst && command <= CommandId::ProgramLast && m_programsMenu)
    buildProgramsMenu();
  return handled;
}

void MainWindow::editCommand(int command) {
  // The clipboard commands act on the focused edit, as its own keys would.
  QWidget* w = QApplication::focusWidget();
  if (!w || !w->window() || w->window() != this) return;
  const char* slot = command == CommandId::EditCopy  ? "copy"
                     : command == CommandId::EditCut ? "cut"
                                                     : "paste";
  QObject* target = w;
  if (w->metaObject()->indexOfSlot((QByteArray(slot) + "()").constData()) < 0) {
    target = w->findChild<QLineEdit*>();
    if (!target) return;
  }
  QMetaObject::invokeMethod(target, slot);
}

void MainWindow::undoCommand(int command) {
  const bool undo = command == CommandId::EditUndo;
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
    return what.empty() ? item : item + QStringLiteral(": ") + menuText(fromCp1251(what));
  };
  QAction* undo = action(CommandId::EditUndo);
  undo->setText(named(QStringLiteral("&Отменить"), m_doc.undoText()));
  undo->setEnabled(m_doc.canUndo());
  QAction* redo = action(CommandId::EditRedo);
  redo->setText(named(QStringLiteral("&Повторить"), m_doc.redoText()));
  redo->setEnabled(m_doc.canRedo());
  setWindowModified(m_doc.isModified());
}

void MainWindow::setViewMode(int mode) {
  if (mode < kDialogMode || mode > kListMode) return;
  if (mode == kTableMode && !(m_levelMask & 1)) return;
  m_viewMode = mode;
  switch (mode) {
    case kDialogMode:
      m_doc.notifyView(m_treeView);
      m_doc.notifyView(m_groupPane);
      m_modes->setCurrentWidget(m_splitter);
      break;
    case kTableMode:
      m_doc.notifyView(m_tableView);
      m_modes->setCurrentWidget(m_tableView);
      break;
    case kListMode:
      m_doc.notifyView(m_listView);
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
  if (QAction* table = action(CommandId::ViewTable)) table->setVisible(m_levelMask & 1);
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
  updateCommandUi();
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
    const int command = CommandId::ProgramFirst + i;
    if (command > CommandId::ProgramLast) break;
    QAction* a =
        m_programsMenu->addAction(menuText(NavigationTree::programText(i + 1, fromCp1251(program.name()))));
    a->setObjectName(QString::number(command));
    a->setData(command);
    a->setCheckable(true);
    a->setChecked(&program == m_doc.currentProgram);
    connect(a, &QAction::triggered, this, [this, command] { onCommand(command); });
    ++i;
  }
}

void MainWindow::updateCommandUi() {
  action(CommandId::ViewDialog)->setChecked(m_viewMode == kDialogMode);
  action(CommandId::ViewTable)->setChecked(m_viewMode == kTableMode);
  action(CommandId::ViewList)->setChecked(m_viewMode == kListMode);
  for (auto& [command, a] : m_actions) {
    if (auto state = m_doc.commandState(command)) {
      a->setEnabled(state->enabled);
      if (!state->text.empty()) a->setText(fromCp1251(state->text));
    }
  }
}

void MainWindow::updateTitle() {
  setWindowTitle(QStringLiteral("%1[*] - %2").arg(fromCp1251(m_doc.title()), kAppTitle));
  setWindowModified(m_doc.isModified());
}

void MainWindow::setRecentFiles(const QStringList& files) {
  for (QAction* a : m_recentActions) {
    m_actions.erase(a->data().toInt());
    delete a;
  }
  m_recentActions.clear();
  QAction* before = m_recentEnd;
  for (int i = 0; i < files.size(); ++i) {
    const int command = kRecentFileFirst + i;
    auto* a = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(menuText(files[i])), this);
    a->setObjectName(QString::number(command));
    a->setData(command);
    a->setToolTip(files[i]);
    connect(a, &QAction::triggered, this, [this, command] { onCommand(command); });
    m_fileMenu->insertAction(before, a);
    m_recentActions.append(a);
    m_actions[command] = a;
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
