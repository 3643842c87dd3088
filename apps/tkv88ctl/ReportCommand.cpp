// tkv88ctl report: the configuration report as a PDF, the same the GUI
// prints and exports ("Файл → Экспорт в PDF…"). It needs Qt's drawing, so
// only a build with the GUI has it; a core-only build says so.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "apps/tkv88ctl/Args.h"
#include "apps/tkv88ctl/ConfigInput.h"
#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/Output.h"

#ifdef TKV88_HAVE_REPORT
#include <QGuiApplication>

#include "document/Document.h"
#include "report/ConfigurationReport.h"
#endif

namespace {

// Program numbers from 1, each given once; UsageError for anything else.
std::vector<int> programNumbers(const Args& args) {
  std::vector<int> numbers;
  for (const std::string& text : args.options("--program")) numbers.push_back(programNumber(text));
  return numbers;
}

#ifdef TKV88_HAVE_REPORT

QByteArray reportPdf(const std::string& path, const std::vector<int>& numbers) {
  Document doc;
  openConfiguration(doc, path, "report");
  const DeviceData& data = *doc.deviceData();
  std::vector<int> programs;
  for (int n : numbers) {
    if (n > data.programCount())
      throw Failure("the configuration has no program " + std::to_string(n) + " (it has " +
                    std::to_string(data.programCount()) + ")");
    programs.push_back(n - 1);
  }
  if (numbers.empty()) programs = ConfigurationReport::programsWithSteps(data);

  // Drawing needs a QGuiApplication; the report never opens a window, so
  // the offscreen platform serves on any machine, with or without a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // The platform's remarks on a machine without a session (no runtime
  // folder) say nothing about the report.
  static const QtMessageHandler previous =
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type == QtFatalMsg || !message.contains(QLatin1String("XDG_RUNTIME_DIR")))
          previous(type, context, message);
      });
  static int argc = 1;
  static char name[] = "tkv88ctl";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);

  const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
  const ReportHeading heading{ConfigurationReport::nameOf(data, QString::fromStdString(doc.title())),
                              ConfigurationReport::fileSource(QString::fromStdString(absolute)),
                              ConfigurationReport::now()};
  return ConfigurationReport(data, heading, programs).pdf();
}

#endif

int runReport(const std::vector<std::string>& argv) {
  const Args args(argv, {"-o", "--output", "--program"});
  args.expectPositional(1, 1);
  const std::string output = outputOption(args, "");
  if (output.empty()) throw UsageError("give the PDF's file with -o OUT.pdf");
  if (output == "-" && ::isatty(STDOUT_FILENO))
    throw UsageError("the report is a PDF: give -o OUT.pdf or redirect the output");
  const std::vector<int> numbers = programNumbers(args);
#ifndef TKV88_HAVE_REPORT
  throw Failure("this tkv88ctl was built without the GUI (TKV88_BUILD_GUI=OFF) and makes no reports");
#else
  const QByteArray pdf = reportPdf(args.positional()[0], numbers);
  writeOutput(output, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  return 0;
#endif
}

const CtlCommand::Registrar reportCommand(
    {"report", "the configuration report as a PDF, for print or filing",
     "Usage: tkv88ctl report FILE -o OUT.pdf [--program N]...\n"
     "Writes the report of FILE that the GUI prints (\"Файл → Печать…\") as a\n"
     "PDF: the configuration's name, file and date, the general parameters in\n"
     "words, and each program with its comparators, its steps as the table\n"
     "mode shows them and both regulator charts. A4 landscape, fonts embedded.\n"
     "  --program N   report program N (from 1); repeat for more. Without it\n"
     "                every program that has steps is reported.\n"
     "  -o -          writes the PDF to standard output.\n"
     "The date is the clock's, or SOURCE_DATE_EPOCH when it is set.\n",
     runReport});

}  // namespace
