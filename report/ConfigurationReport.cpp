#include "report/ConfigurationReport.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include <QBuffer>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include "Tkv88Version.h"
#include "model/DeviceData.h"
#include "model/FormatText.h"
#include "model/ProfileText.h"
#include "model/ProgramProfile.h"
#include "model/SignedMagnitude.h"
#include "report/PageFlow.h"
#include "report/ProfileChartDrawing.h"
#include "report/RegulatorChartDrawing.h"
#include "report/StepsTableTexts.h"

using report::Block;
using report::DrawingBlock;
using report::PageFlow;
using report::TableBlock;
using report::TextBlock;
using Cell = TableBlock::Cell;
using Column = TableBlock::Column;

namespace {

constexpr int kHumidity = 5;  // the input "относительная влажность"

// The report's page: A4 landscape; the footer sits inside the bottom margin's band.
const QMarginsF kMarginsMm(12, 10, 12, 8);
constexpr double kStepLabelMm = 86;     // the steps table's label column
constexpr double kStepColumnMm = 19.5;  // a step column at the least
constexpr double kChartMm = 38;
constexpr double kProfileMm = 80;

// A text of the model.
QString text(std::string_view utf8) { return QString::fromUtf8(utf8); }

// The model's words for a value, without the blanks some of them end in or line up with.
QString words(const std::string& utf8Words) { return text(utf8Words).simplified(); }

// "3 — words", or the number alone when the value has no words.
QString numbered(int32_t v, const QString& w) {
  return w.isEmpty() ? QString::number(v) : QStringLiteral("%1 — %2").arg(v).arg(w);
}

QString yesNo(int32_t v) { return v ? QStringLiteral("да") : QStringLiteral("нет"); }

struct Fonts {
  QFont title, heading, subheading, text, table, footer, chart;

  Fonts() {
    QFont base(QStringLiteral("DejaVu Sans"));
    base.setStyleHint(QFont::SansSerif);
    const auto sized = [&](double points, bool bold) {
      QFont f = base;
      f.setPointSizeF(points);
      f.setBold(bold);
      return f;
    };
    title = sized(15, true);
    heading = sized(12, true);
    subheading = sized(9.5, true);
    text = sized(8.5, false);
    table = sized(7.5, false);
    footer = sized(7.5, false);
    chart = sized(6.5, false);
  }
};

std::unique_ptr<Block> heading(const QString& words, const QFont& font, double spaceBeforeMm,
                               bool newPage = false) {
  auto b = std::make_unique<TextBlock>(QStringList{words}, font);
  b->spaceBefore = spaceBeforeMm;
  b->keepWithNext = true;
  b->newPage = newPage;
  return b;
}

std::unique_ptr<Block> lines(QStringList texts, const QFont& font, double spaceBeforeMm = 1) {
  auto b = std::make_unique<TextBlock>(std::move(texts), font);
  b->spaceBefore = spaceBeforeMm;
  return b;
}

std::unique_ptr<TableBlock> table(std::vector<Column> columns, const QFont& font,
                                  double spaceBeforeMm = 1.5) {
  auto t = std::make_unique<TableBlock>(std::move(columns), font);
  t->spaceBefore = spaceBeforeMm;
  return t;
}

// Code, description and value of a cell, the value as `value` says it.
std::vector<Cell> cellRow(const Parameter& cell, const QString& value) {
  return {{text(cell.code())}, {text(cell.description())}, {value}};
}

// ---- General parameters ------------------------------------------------------

QString baseValue(const GeneralParameters& g, int i) {
  const int32_t v = g.base[i].value();
  switch (i) {
    case BaseParameters::O02:
      return numbered(v, yesNo(v));
    case BaseParameters::O08:
      return QStringLiteral("%1 %").arg(v);
    case BaseParameters::O10:
      return numbered(v, words(GeneralParameters::partitionText(v)));
    default:
      return numbered(v, words(GeneralParameters::choiceText(i, v)));
  }
}

// ---- Programs ----------------------------------------------------------------

QString comparatorValue(const Comparator& c, int i) {
  const int32_t v = c[i].value();
  switch (i) {
    case Comparator::C01:
    case Comparator::C05:
      return numbered(v, words(Comparator::choiceText(i, v)));
    case Comparator::C02:
      return numbered(v, v == 0 ? QStringLiteral("выключен") : words(Comparator::choiceText(i, v)));
    case Comparator::C03:
    case Comparator::C04:
      return QStringLiteral("%1 %2").arg(v).arg(c[Comparator::C01].value() == kHumidity ? u"%" : u"°С");
    case Comparator::C06:
    case Comparator::C07:
    case Comparator::C08:
      return yesNo(v);
    default:
      return QStringLiteral("%1 с").arg(v);
  }
}

QString cycleStartText(const Program& p) {
  const int32_t h02 = p.H02.value();
  if (h02 == 0) return QStringLiteral("без цикла (H02 = 0)");
  if (h02 <= p.stepCount() && h02 > 0) return QStringLiteral("начало цикла (H02): шаг %1").arg(h02);
  return QStringLiteral("начало цикла (H02): %1, такого шага нет").arg(h02);
}

void paintProfile(QPainter& p, const report::Units& units, double width, double height,
                  const ProgramProfile& profile, const QFont& font) {
  // The screen's distances at the paper's resolution, as for the regulator charts.
  ProfileChartMetrics metrics = ProfileChartMetrics().scaled(units.perMm * 25.4 / 96);
  metrics.lineWidth = units.mm(0.5);
  metrics.gridWidth = units.mm(0.15);
  ProfileChartDrawing(font, metrics).paint(p, width, height, profile);
}

void paintChart(QPainter& p, const report::Units& units, double width, double height, const Program& program,
                int regulator, const QFont& font) {
  // The screen's chart is drawn in pixels of a 96-dpi screen; paper takes
  // the same distances at its own resolution.
  RegulatorChartMetrics metrics = RegulatorChartMetrics().scaled(units.perMm * 25.4 / 96);
  metrics.lineWidth = static_cast<int>(units.mm(0.4));  // a setpoint reads at arm's length
  const RegulatorChartDrawing drawing(font, metrics, false);
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  drawing.paint(p, w, h, &program, regulator, true);
  p.setPen(QPen(QColor(110, 110, 110), units.mm(0.15)));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(0, 0, w, h));
}

}  // namespace

// ---- ConfigurationReport -----------------------------------------------------

ConfigurationReport::ConfigurationReport(const DeviceData& data, ReportHeading heading,
                                         std::vector<int> programs)
    : m_data(data), m_heading(std::move(heading)) {
  for (int n : programs)
    if (n >= 0 && n < data.programCount() &&
        std::find(m_programs.begin(), m_programs.end(), n) == m_programs.end())
      m_programs.push_back(n);
}

std::vector<int> ConfigurationReport::programsWithSteps(const DeviceData& data) {
  std::vector<int> out;
  int n = 0;
  for (const Program& p : data.programs) {
    if (p.stepCount() > 0) out.push_back(n);
    ++n;
  }
  return out;
}

QString ConfigurationReport::nameOf(const DeviceData& data, const QString& fallback) {
  const QString name = text(data.name()).trimmed();
  return name.isEmpty() ? fallback : name;
}

QString ConfigurationReport::fileSource(const QString& path) { return QStringLiteral("файл %1").arg(path); }

QString ConfigurationReport::deviceSource(const QString& port) {
  return QStringLiteral("считано из прибора, порт %1").arg(port);
}

QDateTime ConfigurationReport::now() {
  bool ok = false;
  const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
  return ok ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC) : QDateTime::currentDateTime();
}

QPageLayout ConfigurationReport::pageLayout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, kMarginsMm, QPageLayout::Millimeter);
}

void ConfigurationReport::addHeading(PageFlow& flow) const {
  const Fonts f;
  flow.add(heading(QStringLiteral("Прошивка «%1»").arg(m_heading.name), f.title, 0));
  QStringList numbers;
  for (int n : m_programs) numbers << QString::number(n + 1);
  const int partition = m_data.general.partition();
  flow.add(lines({QStringLiteral("Источник: %1").arg(m_heading.source),
                  QStringLiteral("Дата: %1").arg(m_heading.made.toString(QStringLiteral("dd.MM.yyyy hh:mm"))),
                  QStringLiteral("Конфигуратор ТКВ88 %1").arg(QStringLiteral(TKV88_VERSION)),
                  QStringLiteral("Разбиение памяти (O10): %1")
                      .arg(numbered(partition, words(GeneralParameters::partitionText(partition)))),
                  QStringLiteral("Программы в отчёте: %1")
                      .arg(numbers.isEmpty() ? QStringLiteral("нет") : numbers.join(QStringLiteral(", ")))},
                 f.text, 2));
}

void ConfigurationReport::addGeneralParameters(PageFlow& flow) const {
  const Fonts f;
  const GeneralParameters& g = m_data.general;
  flow.add(heading(QStringLiteral("L2 Общие параметры"), f.heading, 6));

  const std::vector<Column> described{{0, 12, Qt::AlignLeft}, {5}, {4}};
  flow.add(heading(QStringLiteral("Основные параметры работы прибора"), f.subheading, 3));
  auto base = table(described, f.table);
  base->addRow({{QStringLiteral("Код")}, {QStringLiteral("Параметр")}, {QStringLiteral("Значение")}});
  for (int i = 0; i < BaseParameters::kCellCount; ++i) base->addRow(cellRow(g.base[i], baseValue(g, i)));
  flow.add(std::move(base));

  flow.add(heading(QStringLiteral("Параметры режимов транзисторных ключей"), f.subheading, 4));
  std::vector<Column> modeColumns{{0, 38}};
  for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) modeColumns.push_back({1, 0, Qt::AlignHCenter});
  auto modes = table(modeColumns, f.table);
  std::vector<Cell> header{{QStringLiteral("Длительность, с")}},
      pulses{{QStringLiteral("импульса (F02…F15)")}}, pauses{{QStringLiteral("паузы (F.02…F.15)")}};
  for (int j = 1; j <= KeyPulseModes::kModeCount; ++j) {
    header.push_back({QStringLiteral("Режим №%1").arg(j)});
    pulses.push_back({QString::number(g.keys.pulse(j).value())});
    pauses.push_back({QString::number(g.keys.pause(j).value())});
  }
  modes->addRow(std::move(header));
  modes->addRow(std::move(pulses));
  modes->addRow(std::move(pauses));
  flow.add(std::move(modes));

  flow.add(heading(QStringLiteral("Коррекция показаний термометров"), f.subheading, 4));
  auto corrections =
      table({{2}, {1, 0, Qt::AlignHCenter}, {1, 0, Qt::AlignHCenter}, {1, 0, Qt::AlignHCenter}}, f.table);
  corrections->addRow({{QString()},
                       {QStringLiteral("термометр продукта")},
                       {QStringLiteral("сухой термометр")},
                       {QStringLiteral("влажный термометр")}});
  const auto correctionRow = [&](const QString& label, Corrections::Part magnitude, Corrections::Part sign) {
    std::vector<Cell> row{{label}};
    for (int t = 1; t <= Corrections::kThermometerCount; ++t) {
      const double v = signedTenths(g.corrections.cell(t, magnitude), g.corrections.cell(t, sign));
      row.push_back({QString::number(v, 'g', 15)});
    }
    return row;
  };
  corrections->addRow(correctionRow(QStringLiteral("Сдвиг характеристики (1C1, 1C2 … 3C1, 3C2)"),
                                    Corrections::Shift, Corrections::ShiftSign));
  corrections->addRow(
      correctionRow(QStringLiteral("Изменение наклона характеристики, % (1C3, 1C4 … 3C3, 3C4)"),
                    Corrections::Slope, Corrections::SlopeSign));
  flow.add(std::move(corrections));

  flow.add(heading(QStringLiteral("Параметры цифровых фильтров"), f.subheading, 4));
  auto filters = table(described, f.table);
  filters->addRow({{QStringLiteral("Код")}, {QStringLiteral("Параметр")}, {QStringLiteral("Значение")}});
  for (int i = 0; i < DigitalFilters::kCellCount; ++i)
    filters->addRow(cellRow(g.filters[i], QStringLiteral("%1 с").arg(g.filters[i].value())));
  flow.add(std::move(filters));

  flow.add(heading(QStringLiteral("Параметры ПИД-регуляторов"), f.subheading, 4));
  auto pids = table({{0, 18}, {3}, {3}, {3}}, f.table);
  pids->addRow({{QStringLiteral("Код")},
                {QStringLiteral("Параметр")},
                {QStringLiteral("1-ый ПИД-регулятор")},
                {QStringLiteral("2-ой ПИД-регулятор")}});
  pids->addRow({{QString()},
                {QStringLiteral("Регулятор включен")},
                {yesNo(g.pid[0].isEnabled())},
                {yesNo(g.pid[1].isEnabled())}});
  for (int i : {PidRegulator::P07, PidRegulator::P01, PidRegulator::P02, PidRegulator::P03, PidRegulator::P04,
                PidRegulator::P05, PidRegulator::P06, PidRegulator::P08}) {
    std::vector<Cell> row{{text(g.pid[0][i].code()) + u'/' + text(g.pid[1][i].code())},
                          {text(g.pid[0][i].description())}};
    for (const PidRegulator& r : g.pid) {
      const int32_t v = r[i].value();
      const QString value = i != PidRegulator::P07
                                ? QString::number(v)
                                : numbered(v, r.isEnabled() ? words(PidRegulator::actuatorText(v))
                                                            : QStringLiteral("регулятор выключен"));
      row.push_back({value, !r.isEnabled() && i != PidRegulator::P07});
    }
    pids->addRow(std::move(row));
  }
  flow.add(std::move(pids));
}

void ConfigurationReport::addProgram(PageFlow& flow, int index, double bodyWidthMm) const {
  const Fonts f;
  const Program& program = *m_data.programAt(index);
  const bool regulatorOn[2] = {m_data.general.pid[0].isEnabled(), m_data.general.pid[1].isEnabled()};
  flow.add(heading(text(programTitle(index + 1, program.name())), f.heading, 0, true));
  const ProgramProfile profile = programProfile(program, m_data.general);
  flow.add(lines({QStringLiteral("Шагов: %1, %2").arg(program.stepCount()).arg(cycleStartText(program)),
                  QStringLiteral("Длительность: %1").arg(text(profiletext::lengths(profile)))},
                 f.text));

  flow.add(heading(QStringLiteral("Компараторы"), f.subheading, 3));
  std::vector<Column> comparatorColumns{{0, 60}};
  for (int k = 0; k < Program::kComparatorCount; ++k) comparatorColumns.push_back({1});
  auto comparators = table(comparatorColumns, f.table);
  comparators->keepTogether = true;
  std::vector<Cell> header{{QStringLiteral("Параметр")}};
  for (int k = 1; k <= Program::kComparatorCount; ++k)
    header.push_back({QStringLiteral("Компаратор %1").arg(k)});
  comparators->addRow(std::move(header));
  for (int i = 0; i < Comparator::kCellCount; ++i) {
    const Parameter& first = program.comparators[0][i];
    std::vector<Cell> row{{text(first.code()) + u' ' + text(first.description())}};
    for (const Comparator& c : program.comparators)
      row.push_back({comparatorValue(c, i), i != Comparator::C02 && c[Comparator::C02].value() == 0});
    comparators->addRow(std::move(row));
  }
  flow.add(std::move(comparators));

  flow.add(heading(QStringLiteral("Шаги"), f.subheading, 4));
  if (program.stepCount() == 0) {
    flow.add(lines({QStringLiteral("В программе нет шагов.")}, f.text));
    return;
  }
  // The steps in column groups as wide as the page allows, the groups as
  // even as they can be; every group repeats the row labels.
  const int perPage = std::max(1, static_cast<int>((bodyWidthMm - kStepLabelMm) / kStepColumnMm));
  const int groups = (program.stepCount() + perPage - 1) / perPage;
  const int perGroup = (program.stepCount() + groups - 1) / groups;
  const double columnMm = std::min(30.0, (bodyWidthMm - kStepLabelMm) / perGroup);
  std::vector<const Step*> steps;
  for (const Step& s : program.steps) steps.push_back(&s);
  for (int from = 0; from < program.stepCount(); from += perGroup) {
    const int to = std::min(program.stepCount(), from + perGroup);
    std::vector<Column> columns{{0, kStepLabelMm}};
    std::vector<Cell> header{{QStringLiteral("Название параметра")}};
    for (int s = from; s < to; ++s) {
      columns.push_back({0, columnMm, Qt::AlignHCenter});
      header.push_back({stepstable::stepHeader(s + 1, program.H02.value() == s + 1)});
    }
    auto grid = table(columns, f.table, from == 0 ? 1.5 : 3);
    grid->keepTogether = true;
    grid->addRow(std::move(header));
    for (int r = 0; r < stepstable::kRowCount; ++r) {
      const int key = stepstable::rows()[static_cast<size_t>(r)].key;
      if (key == stepstable::kNoKey) {
        grid->addGap();
        continue;
      }
      std::vector<Cell> row{{stepstable::rowLabel(r), stepstable::labelInactive(key, regulatorOn)}};
      for (int s = from; s < to; ++s) {
        const Step& step = *steps[static_cast<size_t>(s)];
        QString value = stepstable::cellText(step, key);
        const QString unit = stepstable::setpointUnit(step, key);
        if (!unit.isEmpty()) value += u' ' + unit;
        row.push_back({value, stepstable::cellInactive(step, key, regulatorOn)});
      }
      grid->addRow(std::move(row));
    }
    flow.add(std::move(grid));
  }

  flow.add(heading(QStringLiteral("Профиль программы"), f.subheading, 4));
  auto chart = std::make_unique<DrawingBlock>(
      kProfileMm, [profile, font = f.chart](QPainter& p, const report::Units& u, double w, double h) {
        paintProfile(p, u, w, h, profile, font);
      });
  chart->spaceBefore = 1.5;
  flow.add(std::move(chart));

  for (int r = 0; r < 2; ++r) {
    const QString title = QStringLiteral("Уставки %1-го регулятора").arg(r + 1);
    if (!regulatorOn[r]) {
      flow.add(heading(title, f.subheading, 4));
      const QString code = text(m_data.general.pid[r][PidRegulator::P07].code());
      flow.add(lines({QStringLiteral("Регулятор выключен (%1 = 1): график не строится.").arg(code)}, f.text));
      continue;
    }
    flow.add(heading(title, f.subheading, 4));
    auto chart = std::make_unique<DrawingBlock>(
        kChartMm, [&program, r, font = f.chart](QPainter& p, const report::Units& u, double w, double h) {
          paintChart(p, u, w, h, program, r, font);
        });
    chart->spaceBefore = 1.5;
    flow.add(std::move(chart));
  }
}

int ConfigurationReport::paint(QPainter& painter, QPagedPaintDevice& device) const {
  const report::Units units(device);
  const double width = device.width(), height = device.height();
  PageFlow flow;
  addHeading(flow);
  addGeneralParameters(flow);
  for (int n : m_programs) addProgram(flow, n, width / units.perMm);
  const int pages = flow.layOut(units, width, height, Fonts().footer);
  const QString footer =
      QStringLiteral("Прошивка «%1» · %2")
          .arg(m_heading.name, m_heading.made.toString(QStringLiteral("dd.MM.yyyy hh:mm")));
  for (int page = 0; page < pages; ++page) {
    if (page > 0) device.newPage();
    flow.paintPage(painter, units, page, footer);
  }
  return pages;
}

QByteArray ConfigurationReport::pdf() const {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageLayout(pageLayout());
    writer.setResolution(1200);
    // A name from a file may hold control characters; metadata gets none.
    QString name = m_heading.name;
    name.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    writer.setTitle(QStringLiteral("Прошивка «%1»").arg(name));
    writer.setCreator(QStringLiteral("Конфигуратор ТКВ88 %1").arg(QStringLiteral(TKV88_VERSION)));
    QPainter painter(&writer);
    paint(painter, writer);
  }
  return bytes;
}
