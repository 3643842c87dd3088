#include "shell/Application.h"

#include <cstdio>
#include <exception>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QStatusBar>
#include <QTranslator>

#include "Tkv88Version.h"
#include "document/ConfigFile.h"
#include "document/Document.h"
#include "document/LevelMask.h"
#include "link/BusTiming.h"
#include "link/DeviceExchange.h"
#include "link/DeviceLink.h"
#include "model/ValueTexts.h"
#include "shell/AboutDialog.h"
#include "shell/AppSettings.h"
#include "shell/CommandLine.h"
#include "shell/CompareCommands.h"
#include "shell/ExchangeDialog.h"
#include "shell/HelpWindow.h"
#include "shell/MainWindow.h"
#include "shell/PortChoice.h"
#include "shell/PortDialog.h"
#include "shell/ReportCommands.h"
#include "widgets/HelpRequest.h"
#include "widgets/Messages.h"

namespace {

const QString kAppTitle = QStringLiteral("Конфигуратор ТКВ88");
const QString kFileFilter = QStringLiteral("TKV88 Files (*.tkv88);;Все файлы (*)");
const QString kExtension = QStringLiteral(".tkv88");
// The document's title after a device read.
const QString kReadTitle = QStringLiteral("Считанная прошивка");

std::string nativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

QString Application::fileErrorText(const configfile::FileError& e) {
  const QString file = QFile::decodeName(QByteArray::fromStdString(e.path()));
  const QString reason = messages::sentence(QString::fromLocal8Bit(QByteArray::fromStdString(e.reason())));
  return e.direction() == configfile::FileError::Direction::Read
             ? QStringLiteral("Не удалось открыть файл \"%1\".\n%2").arg(file, reason)
             : QStringLiteral("Не удалось сохранить файл \"%1\".\n%2").arg(file, reason);
}

void Application::showFileNotes(QWidget* parent, const QString& path,
                                const std::vector<configfile::FileNote>& notes) {
  if (notes.empty()) return;
  constexpr std::size_t kShown = 15;
  QString text =
      QStringLiteral("Файл \"%1\" открыт, но прочитан не так, как записан:").arg(QFileInfo(path).fileName());
  for (std::size_t i = 0; i < notes.size() && i < kShown; ++i)
    text += u'\n' + QString::fromStdString(notes[i].message());
  if (notes.size() > kShown) text += QStringLiteral("\n... и ещё %1").arg(notes.size() - kShown);
  messages::showWarning(parent, text);
}

Application::Application()
    : m_compare(std::make_unique<CompareCommands>(*this)), m_report(std::make_unique<ReportCommands>(*this)) {
  m_host.setExchangeRunner(
      [this](DeviceData& config, ExchangeMode mode) { return runExchange(config, mode); });
  // Every read of the controller keeps a backup; a full write asks first,
  // saying what it changes, and keeps one unless that is turned off.
  m_host.onDeviceRead = [this](const DeviceData& config) {
    m_compare->deviceRead(config);
    m_report->deviceRead();
  };
  m_host.onBeforeDeviceWrite = [this](const DeviceData& config) {
    return m_compare->beforeFullWrite(config);
  };
  m_host.onDeviceWritten = [this](const DeviceData& config) { m_compare->fullWriteDone(config); };
}

Application::~Application() {
  help::setHandler(nullptr);
  // The frame's views point into the document: the frame goes first.
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
  const QString port = commandLine.port.isEmpty() ? settings::port() : commandLine.port;
  QString reason;
  std::unique_ptr<MemoryAccess> backend = openMemoryAccess(port, &reason);
  if (backend)
    usePort(std::move(backend), port);
  else
    m_portError = QStringLiteral("Порт \"%1\" недоступен: %2").arg(port, reason);
  m_port = port;
  if (!commandLine.port.isEmpty()) settings::setPort(commandLine.port);

  help::setHandler([](HelpTopic topic) { HelpWindow::instance().showTopic(topic); });
  buildValueTexts();

  m_doc = std::make_unique<Document>(&m_host);
  m_frame = std::make_unique<MainWindow>(*m_doc, levelMask);
  m_host.setFrame(m_frame.get());
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
  m_frame->setPortMessage(m_portError);
  return std::nullopt;
}

std::unique_ptr<MemoryAccess> Application::openMemoryAccess(const QString& description, QString* reason) {
  try {
    return portchoice::open(description);
  } catch (const std::exception& e) {
    *reason = QString::fromUtf8(e.what());
    return nullptr;
  }
}

void Application::usePort(std::unique_ptr<MemoryAccess> backend, const QString& description) {
  // The three candidate bases start idle; detection picks one on first use.
  if (PortBackend* port = backend->parallelPort())
    for (uint16_t base : port->lptCandidates()) port->resetLines(base);
  if (m_link)
    m_link->setMemory(std::move(backend));
  else
    m_link = std::make_unique<DeviceLink>(std::move(backend));
  m_port = description;
  m_portError.clear();
  if (m_frame) m_frame->setPortMessage({});
  settings::setPort(description);
}

bool Application::choosePort(const QString& description) {
  QString reason;
  std::unique_ptr<MemoryAccess> backend = openMemoryAccess(description, &reason);
  if (!backend) {
    messages::showError(
        m_frame.get(), kAppTitle,
        QStringLiteral("Порт \"%1\" недоступен.\n%2").arg(description, messages::sentence(reason)));
    return false;
  }
  usePort(std::move(backend), description);
  if (m_frame) m_frame->statusBar()->showMessage(QStringLiteral("Порт: %1").arg(description), 5000);
  return true;
}

bool Application::runExchange(DeviceData& config, ExchangeMode mode) {
  if (!m_link) {
    messages::showError(m_frame.get(), QStringLiteral("Error %1").arg(kErrorPort), m_portError,
                        HelpTopic::Exchange);
    return false;
  }
  ExchangeDialog dialog(*m_link, config, mode, m_frame.get());
  // A fault in a full write says the controller may hold a mix, and names
  // the backup kept first, if any.
  if (mode == ExchangeMode::WriteL1 || mode == ExchangeMode::WriteL2)
    dialog.errorText = [this](const LinkError& error) {
      return m_compare->writeFaultText(error, m_compare->fullWriteBackup());
    };
  const bool done = dialog.exec() == ExchangeDialog::kDone;
  reportTiming();
  return done;
}

void Application::reportTiming() {
  if (!m_link || !m_frame) return;
  QStringList notes;
  if (m_link->memory().standardFallback()) notes << QString::fromStdString(timing_texts::fellBack());
  if (const std::vector<uint32_t> pages = m_link->memory().takeMendedPages(); !pages.empty())
    notes << QString::fromStdString(timing_texts::mendedPages(pages));
  // A trace never stops an exchange; its loss is told afterwards.
  if (const std::string trace = m_link->memory().takeTraceFailure(); !trace.empty())
    notes << QStringLiteral("обмен завершён, трасса не записана: %1").arg(QString::fromStdString(trace));
  if (!notes.isEmpty()) m_frame->statusBar()->showMessage(notes.join(QStringLiteral("; ")));
}

void Application::probeLink() {
  static const QString kTitle = QStringLiteral("Проверка связи");
  if (!m_link) {
    messages::showError(m_frame.get(), kTitle, m_portError);
    return;
  }
  DeviceData none;
  ExchangeDialog dialog(*m_link, none, ExchangeMode::Probe, m_frame.get());
  if (dialog.exec() != ExchangeDialog::kDone) return;  // the dialog has shown the error
  const ProbeReport& report = dialog.exchange()->probe();
  QString text = QStringLiteral("Порт \"%1\": %2.").arg(m_port, QString::fromStdString(report.verdict()));
  for (const std::string& line : report.details()) text += u'\n' + QString::fromStdString(line);
  if (report.linkWorks())
    messages::showInformation(m_frame.get(), kTitle, text);
  else
    messages::showError(m_frame.get(), kTitle, text, HelpTopic::Exchange);
  reportTiming();
}

void Application::connectCommands() {
  MainWindow& w = *m_frame;
  const MainWindow::Actions& a = w.actions();
  w.onTriggered(a.newFile, this, [this] { newDocument(); });
  w.onTriggered(a.open, this, [this] { openDocument(); });
  w.onTriggered(a.save, this, [this] { saveDocument(false); });
  w.onTriggered(a.saveAs, this, [this] { saveDocument(true); });
  w.onTriggered(a.print, this, [this] { m_report->print(); });
  w.onTriggered(a.printPreview, this, [this] { m_report->preview(); });
  w.onTriggered(a.exportPdf, this, [this] { m_report->exportPdf(); });
  w.onTriggered(a.compareWithFile, this, [this] { m_compare->compareWithChosenFile(); });
  w.onTriggered(a.backups, this, [this] { m_compare->showBackups(); });
  w.onTriggered(a.exit, this, [this] { m_frame->close(); });
  w.onTriggered(a.readDevice, this, [this] { readDevice(); });
  w.onTriggered(a.writeChanges, this, [this] { m_compare->writeChanges(); });
  w.onTriggered(a.compareWithDevice, this, [this] { m_compare->compareWithDevice(); });
  a.backupBeforeWrite->setChecked(settings::backupBeforeWrite());
  w.onTriggered(a.backupBeforeWrite, this, [this] {
    settings::setBackupBeforeWrite(m_frame->actions().backupBeforeWrite->isChecked());
  });
  w.onTriggered(a.choosePort, this, [this] { askForPort(); });
  w.onTriggered(a.probeLink, this, [this] { probeLink(); });
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

void Application::askForPort() {
  PortDialog dialog(portchoice::choices(), m_port, m_frame.get());
  if (dialog.exec() != QDialog::Accepted) return;
  if (const QString chosen = dialog.description(); !chosen.isEmpty()) choosePort(chosen);
}

bool Application::documentFromDevice() const {
  return m_doc && QString::fromUtf8(m_doc->title()) == kReadTitle;
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
    messages::showError(m_frame.get(), kAppTitle, fileErrorText(e));
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
  showFileNotes(m_frame.get(), path, notes);
  return true;
}

bool Application::saveDocument(bool askForName) {
  QString path = QFile::decodeName(QByteArray::fromStdString(m_doc->pathName()));
  // After a device read the document keeps the name of the file opened
  // before, which no longer holds what it shows: a plain save asks for a
  // name instead of writing the controller's configuration over that file.
  const bool readFromDevice = documentFromDevice();
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
  return withFile(path, [this](const std::string& native) { m_doc->saveFile(native); });
}

bool Application::saveModified() {
  if (!m_doc || !m_doc->isModified()) return true;
  const QString question =
      QStringLiteral("Сохранить изменения в \"%1\"?").arg(QString::fromUtf8(m_doc->title()));
  switch (messages::askYesNoCancel(m_frame.get(), kAppTitle, question)) {
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
