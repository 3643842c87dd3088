// Configurations made on the side are never heard by the document: a
// program and steps parsed from the clipboard, a comparison with its merge
// and a report tell nothing and leave no undo step.
#include <QTest>

#include "GuiTest.h"
#include "document/ConfigCompare.h"
#include "report/ConfigurationReport.h"
#include "widgets/StepClipboard.h"

namespace {

struct Counter : DocumentObserver {
  int told = 0;
  void documentChanged(const DocumentChange&) override { ++told; }
};

}  // namespace

class ScratchConfigTest : public QObject {
  Q_OBJECT

 private slots:
  void scratchConfigurationsAreNeverHeard() {
    guitest::Shell shell;
    Document& doc = shell.doc;
    Program& first = *doc.deviceData()->programAt(0);
    doc.setStepCount(first, 3);
    first.steps.front()[Step::U03].setEnteredValue(40);  // a cell the scratch copies differ in
    QCoreApplication::processEvents();
    const std::string undo = doc.undoText();
    Counter counter;
    doc.addObserver(&counter);

    stepclipboard::putProgram(first);
    const std::optional<Program> pasted = stepclipboard::program();
    QVERIFY(pasted && pasted->stepCount() == 3);
    stepclipboard::putSteps({first.stepAt(0), first.stepAt(1)});
    QCOMPARE(stepclipboard::steps().size(), std::size_t(2));

    DeviceData other = *doc.deviceData();
    other.programAt(0)->steps.front()[Step::U03].setEnteredValue(41);
    const std::vector<ConfigDifference> differences = compareConfigurations(*doc.deviceData(), other);
    QCOMPARE(differences.size(), std::size_t(1));
    const DeviceData merged =
        mergeDifferences(*doc.deviceData(), other, differences, std::vector<bool>(differences.size(), true));
    QCOMPARE(merged.programAt(0)->steps.front()[Step::U03].value(), 41);

    const ConfigurationReport report(*doc.deviceData(), {QStringLiteral("отчёт"), {}, {}},
                                     ConfigurationReport::programsWithSteps(*doc.deviceData()));
    QVERIFY(!report.pdf().isEmpty());
    QCoreApplication::processEvents();

    QCOMPARE(counter.told, 0);
    QCOMPARE(doc.undoText(), undo);
    doc.removeObserver(&counter);
  }
};

TKV88_GUI_SUITE(ScratchConfigTest);
#include "ScratchConfigTest.moc"
