// The commands that put the configuration on paper:
// "Печать…" (the system's print dialog), "Предварительный просмотр…" (Qt's
// print preview) and "Экспорт в PDF…". Each first asks which programs to
// show (ReportProgramsDialog), then shows the same ConfigurationReport that
// tkv88ctl's "report" writes, of what the document holds now, unsaved
// changes included. The PDF goes through the safe save that every file of
// the program takes. Nothing here changes the document.
//
// User-interface thread only.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>

#include "report/ConfigurationReport.h"

class DevicePort;
class Document;
class MainWindow;
class QPrinter;
class QtDocumentHost;

class ReportCommands : public QObject {
  Q_OBJECT

 public:
  // Connects the window's report commands.
  ReportCommands(const Document& doc, const DevicePort& port, MainWindow& frame);
  ~ReportCommands() override;

  // Each read of the document notes the port it came through, for the heading.
  void followReads(QtDocumentHost& host);

  void print();
  void preview();
  void exportPdf();

  // The heading of a report of the document as it is now: its name, where
  // it came from (its file, or the controller and the port it was read
  // through) and the date.
  ReportHeading heading() const;
  // The programs to show as the user checks them; nothing when cancelled.
  std::optional<std::vector<int>> choosePrograms();
  // Writes the report of `programs` as a PDF to `path`; false (after a
  // message) when it cannot.
  bool exportTo(const QString& path, const std::vector<int>& programs);

 private:
  // Asks for the programs, then hands the report and a printer set up for
  // its pages to `use`; nothing when the user cancels.
  void withPrinter(const std::function<void(const ConfigurationReport&, QPrinter&)>& use);

  const Document& m_doc;
  const DevicePort& m_port;
  MainWindow& m_frame;
  QString m_readPort;
};
