// The configuration report a technologist prints, or files with a test
// record: a heading (the configuration's name, where it came from, the date
// and the program's version), the general parameters in words grouped as
// the navigation tree groups them, then each chosen program: its name, step
// count and cycle start, its four comparators as a small table, its steps as
// the steps table shows them (split over pages, the row labels repeated on
// each) and both regulator charts drawn as vectors.
//
// The report reads the configuration and never changes it. Pages are A4
// landscape unless a printer is set otherwise; every page's footer carries
// the configuration's name and the page number. The GUI prints and previews
// it through a QPrinter and exports it, as tkv88ctl does, as a PDF whose
// fonts are embedded.
//
// Built and painted on one thread, once a QGuiApplication exists; the
// configuration must outlive the report.
#pragma once

#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QPageLayout>
#include <QString>

class DeviceData;
class QPagedPaintDevice;
class QPainter;

namespace report {
class PageFlow;
}

struct ReportHeading {
  QString name;    // the configuration's name; also in every page's footer
  QString source;  // fileSource or deviceSource
  QDateTime made;  // the report's date
};

class ConfigurationReport {
 public:
  // `programs`: the programs to show, 0-based, in this order; numbers the
  // configuration does not have and repeats are left out.
  ConfigurationReport(const DeviceData& data, ReportHeading heading, std::vector<int> programs);

  // Every program that has steps: what a report shows unless told otherwise.
  static std::vector<int> programsWithSteps(const DeviceData& data);
  // The configuration's own name, or `fallback` when it has none.
  static QString nameOf(const DeviceData& data, const QString& fallback);
  // "файл PATH" and "считано из прибора, порт PORT".
  static QString fileSource(const QString& path);
  static QString deviceSource(const QString& port);
  // The date of a report made now: the clock, or SOURCE_DATE_EPOCH when it
  // is set, so a build or a test makes the same report every time.
  static QDateTime now();

  // A4 landscape with the report's margins.
  static QPageLayout pageLayout();
  // Paints every page on `device` through `painter`, which is begun on it
  // (a QPrinter or a QPdfWriter); the page's size and resolution are the
  // device's. Returns the number of pages.
  int paint(QPainter& painter, QPagedPaintDevice& device) const;
  // The report as a PDF file: A4 landscape, fonts embedded.
  QByteArray pdf() const;

  const std::vector<int>& programs() const { return m_programs; }

 private:
  void addHeading(report::PageFlow& flow) const;
  void addGeneralParameters(report::PageFlow& flow) const;
  void addProgram(report::PageFlow& flow, int index, double bodyWidthMm) const;

  const DeviceData& m_data;
  ReportHeading m_heading;
  std::vector<int> m_programs;
};
