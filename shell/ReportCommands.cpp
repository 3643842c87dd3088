#include "shell/ReportCommands.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QStatusBar>

#include "document/ConfigFile.h"
#include "document/Document.h"
#include "shell/DevicePort.h"
#include "shell/FileMessages.h"
#include "shell/MainWindow.h"
#include "shell/QtDocumentHost.h"
#include "shell/ReportProgramsDialog.h"
#include "widgets/Messages.h"

namespace {

constexpr int kStatusMs = 10000;

}  // namespace

ReportCommands::ReportCommands(const Document& doc, const DevicePort& port, MainWindow& frame)
    : m_doc(doc), m_port(port), m_frame(frame) {
  const MainWindow::Actions& a = frame.actions();
  frame.onTriggered(a.print, this, [this] { print(); });
  frame.onTriggered(a.printPreview, this, [this] { preview(); });
  frame.onTriggered(a.exportPdf, this, [this] { exportPdf(); });
}

ReportCommands::~ReportCommands() = default;

void ReportCommands::followReads(QtDocumentHost& host) {
  host.onDeviceRead.push_back([this](const DeviceData&) { m_readPort = m_port.description(); });
}

ReportHeading ReportCommands::heading() const {
  const QString title = QString::fromUtf8(m_doc.title());
  QString source = title;
  if (m_doc.fromDevice())
    source = ConfigurationReport::deviceSource(m_readPort.isEmpty() ? m_port.description() : m_readPort);
  else if (!m_doc.pathName().empty())
    source = ConfigurationReport::fileSource(QFile::decodeName(QByteArray::fromStdString(m_doc.pathName())));
  return {ConfigurationReport::nameOf(*m_doc.deviceData(), title), source, ConfigurationReport::now()};
}

std::optional<std::vector<int>> ReportCommands::choosePrograms() {
  const DeviceData* data = m_doc.deviceData();
  if (!data) return std::nullopt;
  ReportProgramsDialog dialog(*data, ConfigurationReport::programsWithSteps(*data), &m_frame);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.programs();
}

void ReportCommands::withPrinter(const std::function<void(const ConfigurationReport&, QPrinter&)>& use) {
  const auto programs = choosePrograms();
  if (!programs) return;
  const ReportHeading head = heading();
  const ConfigurationReport report(*m_doc.deviceData(), head, *programs);
  // The report's own pages, A4 landscape, at the printer's best resolution;
  // the job is named after the configuration.
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(ConfigurationReport::pageLayout());
  printer.setDocName(QStringLiteral("Прошивка «%1»").arg(head.name));
  printer.setCreator(messages::kAppTitle);
  use(report, printer);
}

void ReportCommands::print() {
  withPrinter([this](const ConfigurationReport& report, QPrinter& printer) {
    QPrintDialog dialog(&printer, &m_frame);
    dialog.setWindowTitle(QStringLiteral("Печать"));
    if (dialog.exec() != QDialog::Accepted) return;
    QPainter painter(&printer);
    report.paint(painter, printer);
  });
}

void ReportCommands::preview() {
  withPrinter([this](const ConfigurationReport& report, QPrinter& printer) {
    QPrintPreviewDialog dialog(&printer, &m_frame);
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&report](QPrinter* target) {
      QPainter painter(target);
      report.paint(painter, *target);
    });
    dialog.exec();
  });
}

void ReportCommands::exportPdf() {
  const auto programs = choosePrograms();
  if (!programs) return;
  // Beside the configuration's file, with its name; else the configuration's name.
  QString suggested = heading().name + QStringLiteral(".pdf");
  if (!m_doc.pathName().empty() && !m_doc.fromDevice()) {
    const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(m_doc.pathName())));
    suggested = file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
  }
  QString path = QFileDialog::getSaveFileName(&m_frame, QStringLiteral("Экспорт в PDF"), suggested,
                                              QStringLiteral("PDF (*.pdf);;Все файлы (*)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
  exportTo(path, *programs);
}

bool ReportCommands::exportTo(const QString& path, const std::vector<int>& programs) {
  const QByteArray pdf = ConfigurationReport(*m_doc.deviceData(), heading(), programs).pdf();
  try {
    configfile::writeFile(QFile::encodeName(path).toStdString(),
                          std::string_view(pdf.constData(), static_cast<size_t>(pdf.size())));
  } catch (const configfile::FileError& e) {
    filemessages::showError(&m_frame, e);
    return false;
  }
  m_frame.statusBar()->showMessage(QStringLiteral("Отчёт сохранён: %1").arg(path), kStatusMs);
  return true;
}
