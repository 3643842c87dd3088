#include "shell/Application.h"

#include <cstdio>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "Tkv88Version.h"
#include "document/ConfigFile.h"
#include "document/Document.h"
#include "document/LevelMask.h"
#include "model/ValueTexts.h"
#include "shell/AboutDialog.h"
#include "shell/AppSettings.h"
#include "shell/CommandLine.h"
#include "shell/CompareCommands.h"
#include "shell/FileMessages.h"
#include "shell/HelpWindow.h"
#include "shell/MainWindow.h"
#include "shell/PortChoice.h"
#include "shell/ReportCommands.h"
#include "widgets/HelpRequest.h"
#include "widgets/Messages.h"

namespace {

const QString kFileFilter = QStringLiteral("TKV88 Files (*.tkv88);;Все файлы (*)");
const QString kExtension = QStringLiteral(".tkv88");

std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

Application::Application() = default;

Application::~Application() {
  help::setHandler(nullptr);
  // The commands and the frame's views point into the document and the
  // frame: they go first.
  m_report.reset();
  m_compare.reset();
  m_frame.reset();
  m_host.setFrame(nullptr);
}

std::optional<int> Application::runWithoutWindow(const CommandLine& commandLine) {
  if (!commandLine.error.isEmpty()) {
    std::fprintf(stderr, "tkv88: %s\n\n%s", qPrintable(commandLine.error), qPrintable(CommandLine::usage()));
    return 2;
  }
  if (commandLine.showHelp) {
    std::fputs(qPrintable(CommandLine::usage()), stdout);
    return 0;
  }
  if (commandLine.showVersion) {
    std::puts("tkv88 " TKV88_VERSION);
    return 0;
  }
  // The driver switches do their work and end the program, whatever the outcome.
  if (commandLine.installSwitch || commandLine.removeSwitch)
    return portchoice::runDriverSwitch(commandLine.installSwitch) ? 0 : 1;
  if (QString reason; !commandLine.port.isEmpty() && !portchoice::valid(commandLine.port, &reason)) {
    std::fprintf(stderr, "tkv88: %s\n", qPrintable(reason));
    return 2;
  }
  return std::nullopt;
}

bool Application::installQtTranslations() {
  static QTranslator translator;
  if (!translator.isEmpty()) return true;
  if (!translator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  return QCoreApplication::installTranslator(&translator);
}

std::optional<int> Application::startUp(const QStringList& arguments) {
  CommandLine commandLine;
  commandLine.parse(arguments);
  if (const auto exitCode = runWithoutWindow(commandLine)) return exitCode;
  // The port is opened before any window exists. A port that cannot be
  // opened is not fatal: the exchanges report it, and the user can choose
  // another one.
  m_port.open(commandLine.port.isEmpty() ? settings::port() : commandLine.port);
  if (!commandLine.port.isEmpty()) settings::setPort(commandLine.port);

  help::setHandler([](HelpTopic topic) { HelpWindow::instance().showTopic(topic); });
  buildValueTexts();

  m_doc = std::make_unique<Document>(&m_host);
  m_frame = std::make_unique<MainWindow>(*m_doc, levelMask);
  m_host.setFrame(m_frame.get());
  m_port.attach(*m_frame);
  m_compare = std::make_unique<CompareCommands>(*m_doc, m_port, *m_frame, [this] { return saveModified(); });
  m_compare->serveDocument(m_host);
  m_report = std::make_unique<ReportCommands>(*m_doc, m_port, *m_frame);
  m_report->followReads(m_host);
  connectCommands();
  m_frame->canClose = [this] { return saveModified(); };

  if (!commandLine.fileName.isEmpty()) {
    if (!openDocumentFile(commandLine.fileName)) return 1;
  } else {
    m_doc->newDocument();
    m_frame->updateTitle();
    QMetaObject::invokeMethod(
        m_frame.get(), [this] { m_frame->actions().readDevice->trigger(); }, Qt::QueuedConnection);
  }
  m_frame->show();
  return std::nullopt;
}

void Application::connectCommands() {
  MainWindow& w = *m_frame;
  const MainWindow::Actions& a = w.actions();
  w.onTriggered(a.newFile, this, [this] { newDocument(); });
  w.onTriggered(a.open, this, [this] { openDocument(); });
  w.onTriggered(a.save, this, [this] { saveDocument(false); });
  w.onTriggered(a.saveAs, this, [this] { saveDocument(true); });
  w.onTriggered(a.exit, this, [this] { m_frame->close(); });
  w.onTriggered(a.readDevice, this, [this] { readDevice(); });
  w.onTriggered(a.about, this, [this] { AboutDialog(m_frame.get()).exec(); });
  connect(&w, &MainWindow::recentFileChosen, this, &Application::openRecent);
}

void Application::newDocument() {
  if (!saveModified()) return;
  m_doc->newDocument();
  m_frame->updateTitle();
}

void Application::openDocument() {
  if (!saveModified()) return;
  const QString path =
      QFileDialog::getOpenFileName(m_frame.get(), QStringLiteral("Открыть"), QString(), kFileFilter);
  if (!path.isEmpty()) openDocumentFile(path);
}

void Application::readDevice() {
  // A read replaces the configuration: unsaved changes are offered first.
  if (!saveModified()) return;
  m_doc->readDevice();
  m_frame->updateTitle();
}

void Application::openRecent(int index) {
  const QStringList files = settings::recentFiles();
  if (index >= files.size() || !saveModified()) return;
  const QString path = files[index];
  // A file that cannot be opened any more leaves the list.
  if (!openDocumentFile(path)) {
    settings::removeRecentFile(path);
    m_frame->setRecentFiles(settings::recentFiles());
  }
}

bool Application::withFile(const QString& path, const std::function<void(const std::string&)>& operation) {
  try {
    operation(nativePath(path));
  } catch (const configfile::FileError& e) {
    filemessages::showError(m_frame.get(), e);
    return false;
  }
  // A file loaded or saved heads the recent files and names the window.
  rememberRecent(path);
  m_frame->updateTitle();
  return true;
}

bool Application::openDocumentFile(const QString& path) {
  std::vector<configfile::FileNote> notes;
  if (!withFile(path, [&](const std::string& native) { notes = m_doc->openFile(native); })) return false;
  filemessages::showNotes(m_frame.get(), path, notes);
  return true;
}

bool Application::saveDocument(bool askForName) {
  QString path = QFile::decodeName(QByteArray::fromStdString(m_doc->pathName()));
  // After a device read the document keeps the name of the file opened
  // before, which no longer holds what it shows: a plain save asks for a
  // name instead of writing the controller's configuration over that file.
  const bool readFromDevice = m_doc->fromDevice();
  if (askForName || path.isEmpty() || readFromDevice) {
    QString suggested = path;
    if (path.isEmpty() || readFromDevice) {
      suggested = QString::fromUtf8(m_doc->title()) + kExtension;
      if (!path.isEmpty()) suggested = QFileInfo(path).dir().filePath(suggested);
    }
    path =
        QFileDialog::getSaveFileName(m_frame.get(), QStringLiteral("Сохранить как"), suggested, kFileFilter);
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += kExtension;
  }
  return withFile(path, [this](const std::string& native) {
    m_doc->saveFile(native);
    m_compare->rememberNames(*m_doc->deviceData(), false);
  });
}

bool Application::saveModified() {
  if (!m_doc || !m_doc->isModified()) return true;
  const QString question =
      QStringLiteral("Сохранить изменения в \"%1\"?").arg(QString::fromUtf8(m_doc->title()));
  switch (messages::askYesNoCancel(m_frame.get(), messages::kAppTitle, question)) {
    case messages::Answer::Yes:
      return saveDocument(false);
    case messages::Answer::No:
      return true;
    default:
      return false;
  }
}

void Application::rememberRecent(const QString& path) {
  settings::addRecentFile(path);
  m_frame->setRecentFiles(settings::recentFiles());
}
