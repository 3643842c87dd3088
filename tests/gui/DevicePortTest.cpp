// The port part on its own: a port chosen by its description or in the port
// dialog (the ports found, the timing of the parallel-port adapter, a CH341A
// programmer and what keeps one from use), one that cannot be opened refused
// with the old one kept, the simulated CH341A serving the exchanges, and the
// link check.
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "GuiTest.h"
#include "link/Ch341Adapters.h"
#include "link/DeviceLink.h"
#include "link/SimulatedController.h"
#include "model/DeviceData.h"
#include "shell/AppSettings.h"
#include "shell/DevicePort.h"
#include "shell/PortChoice.h"
#include "shell/PortDialog.h"

using guitest::MessageLog;

class DevicePortTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  std::unique_ptr<guitest::Shell> m_shell;
  std::unique_ptr<DevicePort> m_port;

  static QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

 private slots:
  void init() {
    m_shell = std::make_unique<guitest::Shell>();
    MessageLog::clear();
    m_port = std::make_unique<DevicePort>();
    QVERIFY(m_port->open("sim:" + m_dir.filePath("controller.bin")));
    m_port->attach(*m_shell->frame);
  }
  void cleanup() {
    m_port.reset();
    m_shell.reset();
  }

  void choosingAPort() {
    const QString other = "sim:" + m_dir.filePath("other.bin");
    QVERIFY(m_port->choose(other));
    QCOMPARE(m_port->description(), other);
    QCOMPARE(settings::port(), other);
    QVERIFY(MessageLog::shown().empty());
    // A port that cannot be opened is reported and the one in use stays.
    QVERIFY(!m_port->choose("ppdev:" + m_dir.filePath("no-such-parport")));
    QCOMPARE(MessageLog::shown().size(), size_t(1));
    QCOMPARE(m_port->description(), other);
    QCOMPARE(settings::port(), other);
    QVERIFY(m_port->link());
  }

  // The port dialog offers the ports found and, for the parallel-port
  // adapter, its timing; the standard one goes into the description.
  void thePortIsChosenInADialog() {
    const QString first = m_port->description();
    const QString i2c = "i2c-sim:" + m_dir.filePath("chosen.bin");
    const QString sim = "sim:" + m_dir.filePath("timed.bin");
    const struct {
      QString typed;
      int timing;
      QString chosen;
      bool timingEnabled;
    } cases[] = {
        // An I2C adapter is listed with its name after " — "; it has no timing.
        {" " + i2c + " — simulated adapter", 1, i2c, false},
        {sim, 1, sim + ",timing=standard", true},
        {sim, 0, sim, true},
    };
    for (const auto& c : cases) {
      const QString before = m_port->description();
      QString shownPort;
      int shownTiming = -1;
      bool timingEnabled = false;
      QStringList buttons, items, timings;
      QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<PortDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        auto* port = dialog->findChild<QComboBox*>("port");
        auto* timing = dialog->findChild<QComboBox*>("timing");
        shownPort = port->currentText();
        shownTiming = timing->currentIndex();
        for (int i = 0; i < port->count(); ++i) items << port->itemText(i);
        for (int i = 0; i < timing->count(); ++i) timings << timing->itemText(i);
        for (QPushButton* b : dialog->findChildren<QPushButton*>()) buttons << b->text();
        port->setCurrentText(c.typed);
        timingEnabled = timing->isEnabled();
        timing->setCurrentIndex(c.timing);
        dialog->accept();
      });
      m_shell->frame->actions().choosePort->trigger();
      // The port in use is shown without its timing, which has its own list.
      QCOMPARE(shownPort, QString(before).remove(",timing=standard"));
      QCOMPARE(shownTiming, before.endsWith(",timing=standard") ? 1 : 0);
      QCOMPARE(timings, QStringList({"быстрая (подбирается по адаптеру)", "стандартная"}));
      buttons.sort();
      QCOMPARE(buttons, QStringList({"OK", "Отмена"}));
      QVERIFY(items.filter(QRegularExpression("^i2c-sim:.+controller.bin$")).size() == 1);
      QCOMPARE(timingEnabled, c.timingEnabled);
      QCOMPARE(m_port->description(), c.chosen);
    }
    QVERIFY(first != m_port->description());
    QVERIFY(m_port->link()->memory().parallelPort());
  }

  // A CH341A found is offered by its bus and address; one that cannot be
  // opened as it is says why and what mends it, below the list and in its
  // item's tooltip, also when its description is typed.
  void aCh341AIsOfferedWithWhatKeepsItFromUse() {
    Ch341Adapter usable{.bus = 3, .address = 7, .serialMode = false, .problem = {}};
    Ch341Adapter locked{.bus = 1, .address = 12, .serialMode = false, .problem = {}};
    locked.problem = ch341_texts::noPermission(locked);
    Ch341Adapter serial{.bus = 2, .address = 4, .serialMode = true, .problem = {}};
    serial.problem = ch341_texts::serialMode(serial);
    const struct {
      Ch341Adapter adapter;
      QString text;
      QString mend;  // a word of the step that mends it
    } cases[] = {
        {usable, "ch341:3-7 — CH341A, шина 3, адрес 7", ""},
        {locked, "ch341:1-12 — CH341A, шина 1, адрес 12 (недоступен)", "правило udev"},
        {serial, "ch341:2-4 — CH341A, шина 2, адрес 4 (недоступен)", "перемычку"},
    };
    QList<portchoice::Choice> choices{{"auto", {}}};
    for (const auto& c : cases) choices << portchoice::ch341Choice(c.adapter);
    // The port in use shows as its item.
    PortDialog dialog(choices, "ch341:3-7", m_shell->frame.get());
    dialog.show();
    QComboBox* port = dialog.portBox();
    QCOMPARE(port->count(), choices.size());
    QCOMPARE(port->currentText(), cases[0].text);
    for (const auto& c : cases) {
      const int row = port->findText(c.text);
      QVERIFY2(row >= 0, qPrintable(c.text));
      port->setCurrentIndex(row);
      QCOMPARE(dialog.description(), QString::fromStdString(c.adapter.port()));
      QVERIFY(!dialog.timingBox()->isEnabled());
      QCOMPARE(dialog.problemLabel()->isVisible(), !c.mend.isEmpty());
      QCOMPARE(port->itemData(row, Qt::ToolTipRole).toString(), QString::fromStdString(c.adapter.problem));
      QVERIFY(dialog.problemLabel()->text().contains(c.mend));
    }
    port->setCurrentText("auto");
    QVERIFY(!dialog.problemLabel()->isVisible());
    port->setCurrentText("ch341:1-12");
    QVERIFY(dialog.problemLabel()->text().startsWith("Нет доступа к адаптеру CH341A, шина 1, адрес 12"));
  }

  // The simulated CH341A is offered with the default image; one chosen in
  // the dialog gets its folder made and serves the exchanges: what it writes,
  // the simulated controller on the same memory reads.
  void theSimulatedCh341AIsChosenAndServesTheExchanges() {
    const QString image = m_dir.filePath("usb/new/controller.bin");
    const QString chosen = "ch341-sim:" + image + ",speed=400";
    QStringList items;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<PortDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      for (int i = 0; i < dialog->portBox()->count(); ++i) items << dialog->portBox()->itemText(i);
      dialog->portBox()->setCurrentText(chosen);
      dialog->accept();
    });
    m_shell->frame->actions().choosePort->trigger();
    QCOMPARE(items.filter(QRegularExpression("^ch341-sim:.+/tkv88/controller.bin$")).size(), 1);
    QCOMPARE(m_port->description(), chosen);
    QVERIFY(QFileInfo(image).dir().exists());

    DeviceData config;
    QVERIFY(m_port->exchange(config, ExchangeMode::ReadL2));
    config.general.filters.cells[0].setEnteredValue(17);
    QVERIFY(m_port->exchange(config, ExchangeMode::WriteL2));
    QVERIFY(m_port->choose("sim:" + image));
    DeviceData read;
    QVERIFY(m_port->exchange(read, ExchangeMode::ReadL2));
    QCOMPARE(read.general.filters.cells[0].value(), 17);
    QVERIFY(MessageLog::shown().empty());
  }

  // "Проверка связи…" writes nothing and says what it found; a line that
  // slows down after its measurement falls back to the standard timing,
  // which the status bar says.
  void theLinkCheckSaysWhatItFound() {
    const QString memory = m_dir.filePath("probed.bin");
    const struct {
      QString options;
      bool slowsDown;
      QMessageBox::Icon icon;
      QString says;
    } cases[] = {
        {",rise=20", false, QMessageBox::Information, "связь есть, быстрая скорость обмена."},
        {",fault=absent", false, QMessageBox::Critical, "прибор не отвечает: проверьте кабель и питание."},
        {",fault=dropout:5", false, QMessageBox::Critical,
         "прибор ответил и замолчал: проверьте разъём и кабель, контакт пропадает."},
        {"", true, QMessageBox::Information, "связь есть, стандартная скорость обмена: адаптер медленный."},
    };
    for (const auto& c : cases) {
      QVERIFY(m_port->choose("sim:" + memory + c.options));
      m_shell->frame->statusBar()->clearMessage();
      if (c.slowsDown) {
        DeviceLink& link = *m_port->link();
        link.memory().begin(link);  // measured while still quick
        dynamic_cast<SimulatedController*>(link.memory().parallelPort())->setRiseTime(40);
      }
      MessageLog::clear();
      const QByteArray before = readAll(memory);
      m_shell->frame->actions().probeLink->trigger();
      QCOMPARE(MessageLog::shown().size(), size_t(1));
      const messages::Shown& shown = MessageLog::shown()[0];
      QCOMPARE(shown.title, "Проверка связи");
      QCOMPARE(shown.icon, c.icon);
      QCOMPARE(shown.text.section('\n', 0, 0), "Порт \"sim:" + memory + c.options + "\": " + c.says);
      QCOMPARE(readAll(memory), before);
      QCOMPARE(m_shell->frame->statusBar()->currentMessage(),
               c.slowsDown ? "адаптер медленный: стандартная скорость обмена" : "");
    }
  }
};

TKV88_GUI_SUITE(DevicePortTest);
#include "DevicePortTest.moc"
