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
#include "shell/Application.h"
#include "shell/MainWindow.h"
#include "shell/ReportProgramsDialog.h"
#include "widgets/Messages.h"

namespace {

constexpr int kStatusMs = 10000;

}  // namespace

ReportCommands::ReportCommands(Application& app) : m_app(app) {}

void ReportCommands::deviceRead() { m_readPort = m_app.port(); }

ReportHeading ReportCommands::heading() const {
  const Document& doc = m_app.document();
  const QString title = QString::fromUtf8(doc.title());
  QString source = title;
  if (m_app.documentFromDevice())
    source = ConfigurationReport::deviceSource(m_readPort.isEmpty() ? m_app.port() : m_readPort);
  else if (!doc.pathName().empty())
    source = ConfigurationReport::fileSource(QFile::decodeName(QByteArray::fromStdString(doc.pathName())));
  return {ConfigurationReport::nameOf(*doc.deviceData(), title), source, ConfigurationReport::now()};
}

std::optional<std::vector<int>> ReportCommands::choosePrograms() {
  const DeviceData* data = m_app.document().deviceData();
  if (!data) return std::nullopt;
  ReportProgramsDialog dialog(*data, ConfigurationReport::programsWithSteps(*data), m_app.mainFrame());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.programs();
}

void ReportCommands::withPrinter(const std::function<void(const ConfigurationReport&, QPrinter&)>& use) {
  const auto programs = choosePrograms();
  if (!programs) return;
  const ReportHeading head = heading();
  const ConfigurationReport report(*m_app.document().deviceData(), head, *programs);
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
    QPrintDialog dialog(&printer, m_app.mainFrame());
    dialog.setWindowTitle(QStringLiteral("Печать"));
    if (dialog.exec() != QDialog::Accepted) return;
    QPainter painter(&printer);
    report.paint(painter, printer);
  });
}

void ReportCommands::preview() {
  withPrinter([this](const ConfigurationReport& report, QPrinter& printer) {
    QPrintPreviewDialog dialog(&printer, m_app.mainFrame());
    dialog.setWindowTitle(QStringLiteral("Предварительный просмотр"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&report](QPrinter* target) {
      QPainter painter(target);
      report.paint(painter, *target);
    });
    dialog.exec();
  });
}

void ReportCommands::exportPdf() {
  const Document& doc = m_app.document();
  const auto programs = choosePrograms();
  if (!programs) return;
  // Beside the configuration's file, with its name; else the configuration's name.
  QString suggested = heading().name + QStringLiteral(".pdf");
  if (!doc.pathName().empty() && !m_app.documentFromDevice()) {
    const QFileInfo file(QFile::decodeName(QByteArray::fromStdString(doc.pathName())));
    suggested = file.dir().filePath(file.completeBaseName() + QStringLiteral(".pdf"));
  }
  QString path = QFileDialog::getSaveFileName(m_app.mainFrame(), QStringLiteral("Экспорт в PDF"), suggested,
                                              QStringLiteral("PDF (*.pdf);;Все файлы (*)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
  exportTo(path, *programs);
}

bool ReportCommands::exportTo(const QString& path, const std::vector<int>& programs) {
  const QByteArray pdf = ConfigurationReport(*m_app.document().deviceData(), heading(), programs).pdf();
  try {
    configfile::writeFile(QFile::encodeName(path).toStdString(),
                          std::string_view(pdf.constData(), static_cast<size_t>(pdf.size())));
  } catch (const configfile::FileError& e) {
    messages::showError(m_app.mainFrame(), messages::kAppTitle, Application::fileErrorText(e));
    return false;
  }
  if (MainWindow* frame = m_app.mainFrame())
    frame->statusBar()->showMessage(QStringLiteral("Отчёт сохранён: %1").arg(path), kStatusMs);
  return true;
}
