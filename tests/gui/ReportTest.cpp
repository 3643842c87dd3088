// The configuration report, read back from its PDF with poppler's pdftotext
// as a person would read it: the names, the general parameters in words and
// every step value of a program; a long program's steps over several column
// groups and pages with the row labels on each; programs without steps left
// out unless chosen; fonts embedded. The same report from tkv88ctl and from
// the GUI's "Экспорт в PDF…" and print preview, the document unchanged.
#include <QApplication>
#include <QFileDialog>
#include <QListWidget>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "GuiTest.h"
#include "model/SetpointPair.h"
#include "model/SignedMagnitude.h"
#include "report/StepsTableTexts.h"
#include "shell/DevicePort.h"
#include "shell/MainWindow.h"
#include "shell/ReportCommands.h"
#include "shell/ReportProgramsDialog.h"

using guitest::MessageLog;

namespace {

const QString kCtl = QStringLiteral(TKV88_BINARY_DIR "/apps/tkv88ctl/tkv88ctl");

struct Run {
  int status;
  QString err;
};

Run run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAllStandardError())};
}

// The PDF's text, one entry per page.
QStringList pages(const QString& pdf) {
  QProcess p;
  p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
  QStringList out = QString::fromUtf8(p.readAllStandardOutput()).split(u'\f');
  if (!out.isEmpty() && out.back().trimmed().isEmpty()) out.removeLast();
  return out;
}

// Without blanks and line ends: a cell's words may wrap inside its column.
QString squeezed(QString text) { return text.remove(QRegularExpression(QStringLiteral("\\s"))); }

// Program 1 "Сушка": 25 steps; program 2 "Увлажнение": 3 steps whose every
// value differs from step to step; program 3 "Пустая": none.
void fill(DeviceData& d) {
  d.setName("Камера КТК-800");
  d.general.base[BaseParameters::O09].setEnteredValue(5);
  d.general.base[BaseParameters::O11].setEnteredValue(1);
  d.general.pid[1][PidRegulator::P07].setEnteredValue(4);
  Program* p = d.programAt(0);
  p->setName("Сушка");
  p->steps.resize(25);
  p = d.programAt(1);
  p->setName("Увлажнение");
  p->H02.setEnteredValue(2);
  for (int k = 1; k <= 3; ++k) {
    Step& s = p->steps.emplace_back();
    s[Step::U01].setEnteredValue(k);
    s[Step::U02].setEnteredValue(2 * k + 3);
    s[Step::U03].setEnteredValue(40 + k);
    s[Step::U04].setEnteredValue(k);
    s[Step::U05].setEnteredValue(10 + k);
    s[Step::E01].setEnteredValue(k);
    s[Step::E_01].setEnteredValue(k + 2);
    s.applyInputRanges();
    setPairFixed(s[Step::E02], s[Step::E03], 100 * k + 5);
    setPairFixed(s[Step::E_02], s[Step::E_03], 200 * k + 7);
    storeSignedTenths(s[Step::E04], s[Step::E05], -0.5 - k);
    storeSignedTenths(s[Step::E_04], s[Step::E_05], 1.1 * k);
    for (int n = 1; n <= Step::kKeyCount; ++n) s.key(n).setEnteredValue((n + k) % 16);
  }
  d.programAt(2)->setName("Пустая");
}

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  QString m_config;

  QString file(const QString& name) const { return m_dir.filePath(name); }

 private slots:
  void initTestCase() {
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
             "pdftotext (poppler-utils) is needed to read the reports");
    qputenv("SOURCE_DATE_EPOCH", "1796342400");  // the same date in every report
    Document doc;
    doc.newDocument();
    fill(*doc.deviceData());
    m_config = file(QStringLiteral("config.tkv88"));
    doc.saveFile(m_config.toStdString());
  }
  void init() { MessageLog::clear(); }

  void theReportReadsAsTheFormsAndTheTableShowTheConfiguration() {
    QCOMPARE(run(kCtl, {QStringLiteral("report"), m_config, QStringLiteral("-o"), file("all.pdf")}).status,
             0);
    const QStringList text = pages(file("all.pdf"));
    const QString all = squeezed(text.join(QString()));
    for (const char* words : {"Прошивка«КамераКТК-800»", "Программа№1«Сушка»", "Программа№2«Увлажнение»",
                              "файл", "04.12.2026", "5—9600бод", "1—ручное", "2—20программпо25шагов",
                              "4—Управляетзадвижкойпопрямопропорциональномузакону", "началоцикла(H02):шаг2"})
      QVERIFY2(all.contains(QString::fromUtf8(words)), words);
    QVERIFY(!all.contains(QStringLiteral("Программа№3")));  // no steps: left out

    // Every value of program 2's steps, as the table shows it, with the
    // setpoints' units.
    Document doc;
    doc.openFile(m_config.toStdString());
    int step = 0;
    for (const Step& s : doc.deviceData()->programAt(1)->steps) {
      ++step;
      for (const stepstable::RowSpec& row : stepstable::rows()) {
        if (row.key == stepstable::kNoKey) continue;
        const QString value = stepstable::cellText(s, row.key) + stepstable::setpointUnit(s, row.key);
        QVERIFY2(all.contains(squeezed(value)),
                 qPrintable(QStringLiteral("step %1: %2").arg(step).arg(value)));
      }
    }
    QVERIFY(all.contains(QStringLiteral("Шаг2*")));

    // The 25 steps stand in three column groups, every one with the labels;
    // the last group is on a page after the first.
    const auto pageOf = [&](const QString& words) {
      for (int i = 0; i < text.size(); ++i)
        if (squeezed(text[i]).contains(squeezed(words))) return i;
      return -1;
    };
    QVERIFY(pageOf(QStringLiteral("Шаг 25")) > pageOf(QStringLiteral("Программа №1")));
    for (int r = 0; r < stepstable::kRowCount; ++r) {
      const QString label = squeezed(stepstable::rowLabel(r));
      if (label.isEmpty()) continue;
      QCOMPARE(squeezed(text[pageOf(QStringLiteral("Шаг 25"))]).count(label), 2);  // groups 2 and 3
      QCOMPARE(all.count(label), 3 + 1);  // and program 2's one group
    }

    // Fonts embedded, for every one the report uses.
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {file("all.pdf")});
    QVERIFY(fonts.waitForFinished(60000));
    const QStringList lines =
        QString::fromUtf8(fonts.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QVERIFY(lines.size() > 2);
    for (const QString& line : lines.mid(2))
      QVERIFY2(line.split(u' ', Qt::SkipEmptyParts).value(4) == QStringLiteral("yes"), qPrintable(line));
  }

  void chosenProgramsAreShownInTheirOrderAndBadChoicesRefused() {
    QCOMPARE(run(kCtl, {QStringLiteral("report"), m_config, QStringLiteral("--program"), QStringLiteral("3"),
                        QStringLiteral("--program=2"), QStringLiteral("-o"), file("chosen.pdf")})
                 .status,
             0);
    const QString all = squeezed(pages(file("chosen.pdf")).join(QString()));
    QVERIFY(all.indexOf(QStringLiteral("Программа№3«Пустая»")) < all.indexOf(QStringLiteral("Программа№2")));
    QVERIFY(all.contains(QStringLiteral("Впрограмменетшагов.")));
    QVERIFY(!all.contains(QStringLiteral("Программа№1")));

    const struct {
      QStringList args;
      int status;
      const char* says;
    } refused[] = {
        {{QStringLiteral("--program"), QStringLiteral("21"), QStringLiteral("-o"), file("x.pdf")},
         1,
         "no program 21"},
        {{QStringLiteral("--program"), QStringLiteral("0"), QStringLiteral("-o"), file("x.pdf")},
         2,
         "not a program number"},
        {{}, 2, "-o OUT.pdf"},
    };
    for (const auto& r : refused) {
      const Run got = run(kCtl, QStringList{QStringLiteral("report"), m_config} + r.args);
      QCOMPARE(got.status, r.status);
      QVERIFY2(got.err.contains(QString::fromUtf8(r.says)), qPrintable(got.err));
    }
    QVERIFY(!QFile::exists(file("x.pdf")));
  }

  void theGuiExportsAndPreviewsTheSameReportAndChangesNothing() {
    guitest::Shell shell;
    DevicePort port;
    QVERIFY(port.open("sim:" + file("controller.bin")));
    port.attach(*shell.frame);
    ReportCommands commands(shell.doc, port, *shell.frame);
    commands.followReads(shell.host);
    Document& doc = shell.doc;
    doc.openFile(m_config.toStdString());
    const std::string before = doc.text();

    // The programs with steps come checked; the user adds program 3.
    std::vector<int> offered;
    int dialogs = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, [&] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* chooser = qobject_cast<ReportProgramsDialog*>(modal)) {
        offered = chooser->programs();
        chooser->list()->item(2)->setCheckState(Qt::Checked);
        chooser->accept();
        ++dialogs;
      } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
        QCOMPARE(files->selectedFiles().value(0), file("config.pdf"));  // beside the configuration
        static_cast<QDialog*>(files)->accept();                         // QFileDialog hides it
        ++dialogs;
      } else if (auto* preview = qobject_cast<QPrintPreviewDialog*>(modal)) {
        const auto* pagesShown = preview->findChild<QPrintPreviewWidget*>();
        dialogs += pagesShown ? 100 * pagesShown->pageCount() : 0;
        preview->reject();
      }
    });
    answer.start(50);
    shell.frame->actions().exportPdf->trigger();
    QTRY_COMPARE(dialogs, 2);
    QCOMPARE(offered, (std::vector<int>{0, 1}));
    QCOMPARE(run(kCtl, {QStringLiteral("report"), m_config, QStringLiteral("--program"), QStringLiteral("1"),
                        QStringLiteral("--program"), QStringLiteral("2"), QStringLiteral("--program"),
                        QStringLiteral("3"), QStringLiteral("-o"), file("ctl.pdf")})
                 .status,
             0);
    const QStringList gui = pages(file("config.pdf"));
    QVERIFY(!gui.isEmpty());
    QCOMPARE(gui, pages(file("ctl.pdf")));

    // The preview shows as many pages.
    dialogs = 0;
    shell.frame->actions().printPreview->trigger();
    QTRY_COMPARE(dialogs, 1 + 100 * int(gui.size()));

    // What is reported is what the document holds, saved or not; reporting
    // changes none of it.
    doc.deviceData()->programAt(0)->setName("Несохранённая");
    const std::string edited = doc.text();
    QVERIFY(commands.exportTo(file("edited.pdf"), {0}));
    QVERIFY(squeezed(pages(file("edited.pdf")).join(QString())).contains(QStringLiteral("«Несохранённая»")));
    QCOMPARE(doc.text(), edited);
    QVERIFY(doc.isModified());
    doc.deviceData()->programAt(0)->setName("Сушка");
    QCOMPARE(doc.text(), before);

    // The heading names where the configuration came from: its file, or
    // the port of the read that brought it.
    QCOMPARE(commands.heading().source, ConfigurationReport::fileSource(m_config));
    shell.host.setExchangeRunner([](DeviceData&, ExchangeMode) { return true; });
    doc.readDevice();  // "&Считать прошивку"
    QCOMPARE(commands.heading().source, ConfigurationReport::deviceSource(port.description()));

    // A file that cannot be written is said so, nothing else happens.
    QVERIFY(!commands.exportTo(file("no-such-folder/r.pdf"), {0}));
    QCOMPARE(MessageLog::shown().size(), size_t(1));
    QVERIFY(MessageLog::shown()[0].text.contains(QStringLiteral("Не удалось сохранить файл")));
  }
};

TKV88_GUI_SUITE(ReportTest);
#include "ReportTest.moc"
