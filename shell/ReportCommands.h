// The application's commands that put the configuration on paper:
// "Печать…" (the system's print dialog), "Предварительный просмотр…" (Qt's
// print preview) and "Экспорт в PDF…". Each first asks which programs to
// show (ReportProgramsDialog), then shows the same ConfigurationReport that
// tkv88ctl's "report" writes, of what the document holds now, unsaved
// changes included. The PDF goes through the safe save that every file of
// the program takes. Nothing here changes the document.
//
// Owned by the application; user-interface thread only.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>

#include "report/ConfigurationReport.h"

class Application;
class QPrinter;

class ReportCommands {
 public:
  explicit ReportCommands(Application& app);

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

  // The document host's hook after the document's own read: the port the
  // configuration came through.
  void deviceRead();

 private:
  // Asks for the programs, then hands the report and a printer set up for
  // its pages to `use`; nothing when the user cancels.
  void withPrinter(const std::function<void(const ConfigurationReport&, QPrinter&)>& use);

  Application& m_app;
  QString m_readPort;
};
