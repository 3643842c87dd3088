#include "shell/CompareCommands.h"

#include <optional>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "document/ConfigCompare.h"
#include "document/ConfigFile.h"
#include "document/Document.h"
#include "document/ValueComparison.h"
#include "document/WriteCheck.h"
#include "link/ChangedWrite.h"
#include "link/DeviceExchange.h"
#include "link/MemoryImage.h"
#include "link/PortDescription.h"
#include "shell/AppSettings.h"
#include "shell/BackupsDialog.h"
#include "shell/DevicePort.h"
#include "shell/DifferencesDialog.h"
#include "shell/FileMessages.h"
#include "shell/MainWindow.h"
#include "shell/NavigationTree.h"
#include "shell/QtDocumentHost.h"
#include "widgets/Messages.h"

namespace {

const QString kController = QStringLiteral("На приборе");
const QString kDocument = QStringLiteral("В документе");

QString nativeName(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// The general parameter group that holds a cell, for the tree.
GroupRef groupOf(GeneralParameters& g, const Parameter* cell) {
  auto within = [cell](const auto& cells) { return cell >= std::begin(cells) && cell < std::end(cells); };
  if (within(g.keys.cells)) return &g.keys;
  if (within(g.corrections.cells)) return &g.corrections;
  if (within(g.filters.cells)) return &g.filters;
  if (within(g.base.cells)) return &g.base;
  for (PidRegulator& pid : g.pid)
    if (within(pid.cells)) return &pid;
  return nullptr;
}

// The document as the controller would hold it once written: a verified
// write leaves no difference with it, and what the controller cannot hold
// goes to `unheld`, for a note.
DeviceData heldAfterWrite(const DeviceData& document, std::vector<std::string>& unheld) {
  DeviceData held = readAfterWrite(fitToPartition(document));
  unheld = unheldValues(document, held);
  return held;
}

}  // namespace

CompareCommands::CompareCommands(Document& doc, DevicePort& port, MainWindow& frame,
                                 std::function<bool()> saveModified)
    : m_doc(doc), m_port(port), m_frame(frame), m_saveModified(std::move(saveModified)) {
  const MainWindow::Actions& a = frame.actions();
  frame.onTriggered(a.compareWithFile, this, [this] { compareWithChosenFile(); });
  frame.onTriggered(a.backups, this, [this] { showBackups(); });
  frame.onTriggered(a.writeChanges, this, [this] { writeChanges(); });
  frame.onTriggered(a.compareWithDevice, this, [this] { compareWithDevice(); });
  a.backupBeforeWrite->setChecked(settings::backupBeforeWrite());
  frame.onTriggered(a.backupBeforeWrite, this,
                    [option = a.backupBeforeWrite] { settings::setBackupBeforeWrite(option->isChecked()); });
}

CompareCommands::~CompareCommands() = default;

void CompareCommands::serveDocument(QtDocumentHost& host) {
  host.setExchangeRunner([this](DeviceData& config, ExchangeMode mode) {
    ExchangeExtras extras;
    if (mode == ExchangeMode::WriteL1 || mode == ExchangeMode::WriteL2)
      extras.errorText = [this](const LinkError& error, const DeviceExchange&) {
        return writeFaultText(error, m_fullWriteBackup);
      };
    return m_port.exchange(config, mode, extras);
  });
  host.onRestoreNames = [this](DeviceData& config) { restoreNames(config); };
  host.onDeviceRead.push_back([this](const DeviceData& config) { deviceRead(config); });
  host.onBeforeDeviceWrite = [this](const DeviceData& config) { return beforeFullWrite(config); };
  host.onDeviceWritten = [this](const DeviceData& config) { fullWriteDone(config); };
}

void CompareCommands::compareWithChosenFile() {
  const QString path = QFileDialog::getOpenFileName(&m_frame, QStringLiteral("Сравнить с файлом"), QString(),
                                                    QStringLiteral("TKV88 Files (*.tkv88);;Все файлы (*)"));
  if (!path.isEmpty()) compareWithFile(path);
}

void CompareCommands::status(const QString& text) { m_port.showResult(text); }

bool CompareCommands::readController(DeviceData& config, DeviceSnapshot& snapshot) {
  ExchangeExtras extras;
  extras.snapshot = &snapshot;
  return m_port.exchange(config, ExchangeMode::ReadSnapshot, extras);
}

bool CompareCommands::keepBackup(const DeviceData& config, const std::string& name, bool beforeWriting,
                                 std::string& path) {
  path.clear();
  try {
    path = m_store.save(config, m_port.description().toStdString(), name);
    return true;
  } catch (const configfile::FileError& e) {
    const QString reason = messages::sentence(QString::fromUtf8(e.what()));
    if (!beforeWriting) {
      status(QStringLiteral("Резервная копия не сохранена: %1").arg(reason));
      return true;
    }
    return messages::askYesNo(
        &m_frame, messages::kAppTitle,
        QStringLiteral("Резервную копию конфигурации прибора сохранить не удалось.\n%1\n\n"
                       "Записать без резервной копии?")
            .arg(reason));
  }
}

void CompareCommands::deviceRead(const DeviceData& config) {
  std::string path;
  keepBackup(config, backup_names::afterRead(), false, path);
}

void CompareCommands::restoreNames(DeviceData& config) {
  const std::string port = m_port.description().toStdString();
  const RestoredNames r = m_names.restore(config, [&](const std::string& from) { return samePort(from, port); });
  if (!r.warning.empty())
    status(messages::sentence(QString::fromUtf8(r.warning)));
  else if (r.programs > 0)
    status(r.configuration ? QStringLiteral("Названия восстановлены: конфигурация «%1», программ: %2.")
                                 .arg(QString::fromUtf8(config.name()))
                                 .arg(r.programs)
                           : QStringLiteral("Названия программ восстановлены: %1 из %2.")
                                 .arg(r.programs)
                                 .arg(config.programCount()));
}

void CompareCommands::rememberNames(const DeviceData& held, bool written) {
  if (!m_doc.deviceData()) return;
  const std::string warning = m_names.remember(*m_doc.deviceData(), held, m_doc.title(),
                                               written ? m_port.description().toStdString() : std::string());
  if (!warning.empty()) status(messages::sentence(QString::fromUtf8(warning)));
}

bool CompareCommands::beforeFullWrite(const DeviceData& config) {
  m_fullWriteBackup.clear();
  // The whole controller is overwritten: what that changes is said first.
  DeviceSnapshot snapshot;
  DeviceData controller;
  if (!readController(controller, snapshot)) return false;
  std::vector<std::string> unheld;
  const ChangeSummary summary =
      ValueComparison(controller, heldAfterWrite(config, unheld), {.names = false}).summary();
  const bool backup = settings::backupBeforeWrite();
  if (!messages::askYesNo(&m_frame, QStringLiteral("Запись прошивки"), fullWriteQuestion(summary, backup))) {
    deviceRead(controller);  // a read that no write follows is kept as any read is
    return false;
  }
  return !backup || keepBackup(controller, backup_names::beforeWrite(m_doc.title()), true, m_fullWriteBackup);
}

QString CompareCommands::fullWriteQuestion(const ChangeSummary& summary, bool backup) {
  QString text = QStringLiteral("Записать прошивку в прибор целиком?\n\n");
  if (summary.values == 0 && summary.programs == 0)
    text += QStringLiteral("Прибор уже хранит эту конфигурацию: запись ничего в нём не изменит.");
  else
    text += QStringLiteral("Изменится значений: %1, программ с изменениями: %2.")
                .arg(summary.values)
                .arg(summary.programs);
  if (summary.partitionChanges())
    text += QStringLiteral(
                "\nРазбиение памяти изменится: «%1» вместо «%2»; все программы прибора будут "
                "записаны заново.")
                .arg(QString::fromStdString(GeneralParameters::partitionText(summary.partitionB)),
                     QString::fromStdString(GeneralParameters::partitionText(summary.partitionA)));
  text +=
      backup ? QStringLiteral("\n\nКонфигурация прибора будет сохранена в резервную копию.")
             : QStringLiteral("\n\nРезервная копия не сохраняется (Прибор → Резервная копия перед записью).");
  return text;
}

void CompareCommands::fullWriteDone(const DeviceData& config) {
  const int n = config.programCount();
  const int last = n % 10, tens = n % 100 / 10;
  const QString programs = tens == 1 || last == 0 || last >= 5 ? QStringLiteral("программ")
                           : last == 1                         ? QStringLiteral("программа")
                                                               : QStringLiteral("программы");
  status(QStringLiteral("Прошивка записана и проверена: %1 %2.").arg(n).arg(programs));
  rememberNames(readAfterWrite(config));
}

QString CompareCommands::writeFaultText(const LinkError& error, const std::string& backup) const {
  QString text = QString::fromUtf8(error.text());
  // A controller that never answered has not been written.
  if (error.errorCode == LinkError::kNoAnswer) return text;
  text += QStringLiteral(
      "\n\nЗапись прервана: прибор может хранить смесь прежней и новой конфигурации. "
      "Запишите конфигурацию снова");
  // Never another controller's backup: only one read through this port.
  const std::string port = m_port.description().toStdString();
  const std::string restoring =
      m_store.restoring(backup, [&port](const std::string& from) { return samePort(from, port); });
  if (restoring.empty()) return text + QStringLiteral(". Резервной копии конфигурации этого прибора нет.");
  return text +
         (restoring == backup ? QStringLiteral(" или восстановите прежнюю из резервной копии \"%1\"")
                              : QStringLiteral("; последняя резервная копия этого прибора — \"%1\""))
             .arg(QFileInfo(nativeName(restoring)).fileName()) +
         QStringLiteral(" (Файл → Резервные копии…).");
}

bool CompareCommands::showInTree(const ConfigDifference& d) {
  DeviceData* data = m_doc.deviceData();
  if (!data) return false;
  GroupRef group;
  if (d.program >= 0) {
    Program* p = data->programAt(d.program);
    if (!p) return false;
    group = p;
    if (d.comparator >= 0) group = &p->comparators[d.comparator];
    if (Step* s = d.step >= 0 ? p->stepAt(d.step) : nullptr) group = s;
  } else if (d.scope == "L2" && d.cell >= 0) {
    const std::vector<Parameter*> cells = generalInListOrder(data->general);
    if (d.cell < static_cast<int>(cells.size())) group = groupOf(data->general, cells[d.cell]);
  }
  if (!group) return false;
  if (m_frame.viewMode() != MainWindow::kDialogMode) m_frame.setViewMode(MainWindow::kDialogMode);
  return m_frame.treeView()->selectGroup(group, true);
}

void CompareCommands::showComparison(DifferencesDialog* dialog, const QString& title) {
  if (m_window) m_window->close();
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(title);
  QObject::connect(dialog, &DifferencesDialog::differenceActivated, dialog,
                   [this, dialog](int index) { showInTree(dialog->differences()[index]); });
  m_window = dialog;
  dialog->show();
}

void CompareCommands::compareWithDevice() {
  const DeviceData* document = m_doc.deviceData();
  if (!document) return;
  DeviceSnapshot snapshot;
  DeviceData controller;
  if (!readController(controller, snapshot)) return;
  deviceRead(controller);
  // The controller's memory holds no names.
  std::vector<std::string> unheld;
  const DeviceData held = heldAfterWrite(*document, unheld);
  ValueComparison comparison(controller, held, {.names = false});
  if (comparison.empty()) {
    QString text = QStringLiteral("Различий нет: прибор хранит то же, что и документ.");
    if (!unheld.empty()) text += "\n\n" + DifferencesDialog::unheldText(unheld);
    messages::showNotice(&m_frame, text);
    return;
  }
  auto* dialog = new DifferencesDialog(std::move(comparison), kController, kDocument,
                                       DifferencesDialog::kView, &m_frame);
  dialog->setUnheldValues(unheld);
  showComparison(dialog, QStringLiteral("Сравнение с прибором"));
}

void CompareCommands::compareWithFile(const QString& path) {
  const DeviceData* document = m_doc.deviceData();
  if (!document) return;
  Document other;
  try {
    filemessages::showNotes(&m_frame, path, other.openFile(QFile::encodeName(path).toStdString()));
  } catch (const configfile::FileError& e) {
    filemessages::showError(&m_frame, e);
    return;
  }
  const QString name = QFileInfo(path).fileName();
  ValueComparison comparison(*document, *other.deviceData());
  if (comparison.empty()) {
    messages::showNotice(&m_frame,
                         QStringLiteral("Различий нет: файл \"%1\" совпадает с документом.").arg(name));
    return;
  }
  showComparison(new DifferencesDialog(std::move(comparison), kDocument, QStringLiteral("В файле"),
                                       DifferencesDialog::kView, &m_frame),
                 QStringLiteral("Сравнение с файлом \"%1\"").arg(name));
}

void CompareCommands::writeChanges() {
  if (!m_doc.deviceData()) return;
  DeviceSnapshot snapshot;
  DeviceData controller;
  if (!readController(controller, snapshot)) return;
  std::vector<std::string> unheld;
  const DeviceData held = heldAfterWrite(*m_doc.deviceData(), unheld);
  ValueComparison comparison(controller, held, {.names = false});
  // A read that no write follows is kept as any read is.
  if (comparison.empty()) {
    deviceRead(controller);
    QString text = QStringLiteral("Прибор уже хранит конфигурацию документа: записывать нечего.");
    if (!unheld.empty()) text += "\n\n" + DifferencesDialog::unheldText(unheld);
    messages::showNotice(&m_frame, text);
    return;
  }
  DifferencesDialog choice(std::move(comparison), kController, kDocument, DifferencesDialog::kChoose,
                           &m_frame);
  choice.setUnheldValues(unheld);
  choice.setWindowTitle(QStringLiteral("Запись изменений"));
  QObject::connect(&choice, &DifferencesDialog::differenceActivated, &choice,
                   [this, &choice](int index) { showInTree(choice.differences()[index]); });
  if (choice.exec() != QDialog::Accepted) {
    deviceRead(controller);
    return;
  }

  // The controller's own configuration with the chosen values of the document.
  const DeviceData merged = mergeDifferences(controller, held, choice.differences(), choice.taken());
  std::optional<DeviceData> fitted;
  const DeviceData* confirmed = m_doc.confirmWrite(merged, fitted);
  if (!confirmed) {
    deviceRead(controller);
    return;
  }
  DeviceData target = *confirmed;
  std::string backup;
  if (!keepBackup(controller, backup_names::beforeWrite(m_doc.title()), true, backup)) return;

  ChangedWriteResult result;
  ExchangeExtras extras;
  extras.snapshot = &snapshot;
  extras.errorText = [this, &backup](const LinkError& error, const DeviceExchange& write) {
    return write.changed().writeStarted ? writeFaultText(error, backup) : QString::fromUtf8(error.text());
  };
  extras.ended = [&result](const DeviceExchange& write) { result = write.changed(); };
  if (!m_port.exchange(target, ExchangeMode::WriteChanged, extras)) return;
  rememberNames(readAfterWrite(target));
  status(
      result.bytesChanged == 0
          ? QStringLiteral("Прибор уже хранил отмеченные значения: ничего не записано.")
          : QStringLiteral("Изменения записаны и проверены (записано байтов: %1).").arg(result.bytesWritten));
}

void CompareCommands::showBackups() {
  BackupsDialog dialog(m_store.list(), nativeName(m_store.directory()), &m_frame);
  if (dialog.exec() != QDialog::Accepted) return;
  const std::optional<BackupEntry> entry = dialog.chosen();
  if (!entry || !m_saveModified()) return;
  try {
    filemessages::showNotes(
        &m_frame, nativeName(entry->path),
        m_doc.openCopy(
            entry->path,
            QStringLiteral("Резервная копия %1").arg(QString::fromStdString(entry->time)).toStdString()));
  } catch (const configfile::FileError& e) {
    messages::showError(
        &m_frame, messages::kAppTitle,
        QStringLiteral("Не удалось открыть резервную копию \"%1\".\n%2")
            .arg(nativeName(entry->path), messages::sentence(QString::fromLocal8Bit(e.reason()))));
    return;
  }
  m_frame.updateTitle();
}
