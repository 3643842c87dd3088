// The exchange dialog: captions, ranges and the abort button per mode; an
// aborted read leaves the document as it was; a stopped write fails with
// its error; an error gives one box "Error <code>"; Esc is ignored during
// a write; the window keeps working while the worker is held on the bus.
#include <atomic>
#include <chrono>
#include <thread>

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "GuiTest.h"
#include "link/DeviceLink.h"
#include "link/LinkError.h"
#include "link/SimulatedController.h"
#include "shell/ExchangeDialog.h"

namespace {

// The simulated controller behind a gate: while `hold` is set, the worker
// waits at its next port read, so a test can act while an exchange runs.
class GatedPort : public PortBackend {
 public:
  explicit GatedPort(SimulatorFault fault = {}) : m_sim(factoryImage(), kLpt1, fault) {}
  uint8_t inByte(uint16_t address) override {
    while (hold.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return m_sim.inByte(address);
  }
  void outByte(uint16_t address, uint8_t value) override { m_sim.outByte(address, value); }
  void busyWaitUs(int us) override { m_sim.busyWaitUs(us); }
  uint64_t clockUs() override { return m_sim.clockUs(); }
  void sleep(int milliseconds) override { m_sim.sleep(milliseconds); }
  void resetLines(uint16_t base) override { m_sim.resetLines(base); }

  std::atomic<bool> hold{false};

 private:
  SimulatedController m_sim;
};

ExchangeDialog* shownExchangeDialog() {
  return qobject_cast<ExchangeDialog*>(QApplication::activeModalWidget());
}

// Runs `action` on the exchange dialog once it is shown with `caption`.
void whenShown(const QString& caption, std::function<void(ExchangeDialog*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, caption, action] {
    ExchangeDialog* dialog = shownExchangeDialog();
    if (!dialog || !dialog->isVisible() || dialog->windowTitle() != caption) return;
    timer->stop();
    timer->deleteLater();
    action(dialog);
  });
  timer->start();
}

}  // namespace

class ExchangeDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { guitest::MessageLog::clear(); }

  void modes_data() {
    QTest::addColumn<ExchangeMode>("mode");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("range");
    QTest::addColumn<bool>("abortShown");
    QTest::newRow("read L1") << ExchangeMode::ReadL1 << "L1: чтение" << 1050 << true;
    QTest::newRow("read L2") << ExchangeMode::ReadL2 << "L2: чтение" << 67 << true;
    QTest::newRow("write L1") << ExchangeMode::WriteL1 << "L1: запись" << 1050 << true;
    QTest::newRow("write L2") << ExchangeMode::WriteL2 << "L2: запись" << 67 << true;
    QTest::newRow("check") << ExchangeMode::Probe << "Проверка связи" << 0 << false;
  }
  void modes() {
    QFETCH(ExchangeMode, mode);
    DeviceLink link(std::make_unique<GatedPort>());
    DeviceData config;
    ExchangeDialog dialog(link, config, mode);
    QTEST(dialog.windowTitle(), "caption");
    QCOMPARE(dialog.progressBar()->minimum(), 0);
    QTEST(dialog.progressBar()->maximum(), "range");
    QTEST(!dialog.abortButton()->isHidden(), "abortShown");
    QCOMPARE(dialog.progressBar()->objectName(), QString("progress"));
    QCOMPARE(dialog.abortButton()->objectName(), QString("abort"));
    QCOMPARE(dialog.abortButton()->text(), QString("Прервать"));
  }

  void aFinishedReadFillsTheBar() {
    DeviceLink link(std::make_unique<GatedPort>());
    DeviceData config;
    ExchangeDialog dialog(link, config, ExchangeMode::ReadL2);
    QCOMPARE(dialog.exec(), int(ExchangeDialog::kDone));
    // The L2 count runs past its range; the bar stops at the end.
    QCOMPARE(dialog.progressBar()->value(), 67);
    QVERIFY(guitest::MessageLog::shown().empty());
  }

  void abortingTheL1ReadLeavesTheDocumentUnchanged() {
    guitest::Shell shell;
    auto port = std::make_unique<GatedPort>();
    GatedPort* gate = port.get();
    DeviceLink link(std::move(port));
    shell.host.setExchangeRunner([&](DeviceData& config, ExchangeMode mode) {
      if (mode == ExchangeMode::ReadL1) gate->hold = true;
      ExchangeDialog dialog(link, config, mode, shell.frame.get());
      return dialog.exec() == ExchangeDialog::kDone;
    });
    shell.doc.deviceData()->programs.front().setName("Своя");
    shell.doc.setModified(false);
    const std::string before = shell.doc.text();
    bool heldDialogWorked = false;
    whenShown("L1: чтение", [&](ExchangeDialog* dialog) {
      // The worker is stuck on the bus, and the window still answers.
      QTest::qWait(150);
      heldDialogWorked = dialog->isVisible();
      QTest::mouseClick(dialog->abortButton(), Qt::LeftButton);
      gate->hold = false;
    });
    shell.doc.readDevice();
    QVERIFY(heldDialogWorked);
    QCOMPARE(shell.doc.text(), before);
    QCOMPARE(shell.doc.title(), std::string("Новая прошивка"));
    QVERIFY(guitest::MessageLog::shown().empty());
    QVERIFY(shell.doc.partitionGuarded());
  }

  void aSilentControllerGivesOneErrorBox() {
    DeviceLink link(std::make_unique<GatedPort>(SimulatorFault{SimulatorFault::kAbsent, 0}));
    DeviceData config;
    ExchangeDialog dialog(link, config, ExchangeMode::ReadL2);
    QCOMPARE(dialog.exec(), int(ExchangeDialog::kFailed));
    QCOMPARE(guitest::MessageLog::shown().size(), size_t(1));
    const messages::Shown& box = guitest::MessageLog::shown()[0];
    QCOMPARE(box.title, QString("Error 1"));
    QVERIFY2(box.text.contains("Прибор не отвечает") || box.text.contains("не отвечает"),
             qPrintable(box.text));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QVERIFY(box.buttons & QMessageBox::Help);
  }

  void escapeIsIgnoredDuringAWrite() {
    auto port = std::make_unique<GatedPort>();
    GatedPort* gate = port.get();
    DeviceLink link(std::move(port));
    DeviceData config;
    gate->hold = true;
    bool stillShown = false;
    whenShown("L1: запись", [&](ExchangeDialog* dialog) {
      QTest::keyClick(dialog, Qt::Key_Escape);
      dialog->close();
      QTest::qWait(150);
      stillShown = dialog->isVisible();
      gate->hold = false;
    });
    ExchangeDialog dialog(link, config, ExchangeMode::WriteL1);
    QCOMPARE(dialog.exec(), int(ExchangeDialog::kDone));
    QVERIFY(stillShown);
  }

  // "Прервать" stops a write after the byte in flight: it fails with its
  // one error box, in the words the caller gives (the application's say
  // that the controller may hold a mix, and name the backup).
  void theButtonStopsAWriteWithItsError() {
    auto port = std::make_unique<GatedPort>();
    GatedPort* gate = port.get();
    DeviceLink link(std::move(port));
    DeviceData config;
    gate->hold = true;
    whenShown("L1: запись", [&](ExchangeDialog* dialog) {
      QTest::mouseClick(dialog->abortButton(), Qt::LeftButton);
      QVERIFY(!dialog->abortButton()->isEnabled());
      gate->hold = false;
    });
    ExchangeDialog dialog(link, config, ExchangeMode::WriteL1);
    dialog.errorText = [](const LinkError& error) { return "Сказано: " + QString::fromUtf8(error.text()); };
    QCOMPARE(dialog.exec(), int(ExchangeDialog::kFailed));
    QCOMPARE(guitest::MessageLog::shown().size(), size_t(1));
    QCOMPARE(guitest::MessageLog::shown()[0].title, QString("Error 6"));
    QCOMPARE(guitest::MessageLog::shown()[0].text, QString("Сказано: Запись остановлена по запросу"));
  }

  void escapeAbortsARead() {
    auto port = std::make_unique<GatedPort>();
    GatedPort* gate = port.get();
    DeviceLink link(std::move(port));
    DeviceData config;
    gate->hold = true;
    whenShown("L2: чтение", [&](ExchangeDialog* dialog) {
      QTest::keyClick(dialog, Qt::Key_Escape);
      gate->hold = false;
    });
    ExchangeDialog dialog(link, config, ExchangeMode::ReadL2);
    QCOMPARE(dialog.exec(), int(ExchangeDialog::kFailed));
    QVERIFY(guitest::MessageLog::shown().empty());
  }
};

TKV88_GUI_SUITE(ExchangeDialogTest);
#include "ExchangeDialogTest.moc"
