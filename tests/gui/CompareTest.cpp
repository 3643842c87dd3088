// Comparing with the controller and with a file, writing only the chosen
// changes, and the backups, as a user drives them on the simulated
// controller: the differences shown, a double click finding the parameter in
// the tree, unchecked values keeping the controller's, faults telling what
// the controller may hold and which backup restores it.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <functional>

#include "GuiTest.h"
#include "document/BackupStore.h"
#include "document/ConfigCompare.h"
#include "document/ValueComparison.h"
#include "link/ImageFile.h"
#include "link/MemoryImage.h"
#include "model/SetpointPair.h"
#include "shell/AppSettings.h"
#include "shell/BackupsDialog.h"
#include "shell/CompareCommands.h"
#include "shell/DevicePort.h"
#include "shell/DifferencesDialog.h"
#include "shell/NavigationTree.h"

using guitest::MessageLog;

namespace {

// Runs `act` on the first modal dialog of type T that opens (the exchange
// dialogs before it run on their own).
template <typename T>
void whenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
    if (T* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      timer->deleteLater();
      timer->stop();
      act(dialog);
    }
  });
  timer->start(10);
}

// The row of a value by scope and code ("U04/U05" for a duration).
QTreeWidgetItem* row(DifferencesDialog* dialog, const std::string& scope, const std::string& code) {
  const ValueComparison& c = dialog->comparison();
  for (int i = 0; i < static_cast<int>(c.values().size()); ++i)
    if (c.place(i).scope == scope && c.values()[i].code == code) return dialog->list()->topLevelItem(i);
  return nullptr;
}

}  // namespace

class CompareTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  std::unique_ptr<guitest::Shell> m_shell;
  std::unique_ptr<DevicePort> m_port;
  std::unique_ptr<CompareCommands> m_commands;
  int m_saveQuestions = 0;
  QString path(const QString& name) const { return m_dir.filePath(name); }
  Document& doc() { return m_shell->doc; }
  MainWindow* frame() { return m_shell->frame.get(); }
  CompareCommands& commands() { return *m_commands; }
  DeviceData controller() { return readConfiguration(*readImageFile(path("c.bin").toStdString())); }
  std::size_t backups() { return BackupStore().list().size(); }

  // The commands on a simulated controller, the document what was read.
  void start(const QString& options = {}) {
    stop();
    m_shell = std::make_unique<guitest::Shell>();
    m_port = std::make_unique<DevicePort>();
    QVERIFY(m_port->open("sim:" + path("c.bin") + options));
    m_port->attach(*frame());
    m_commands = std::make_unique<CompareCommands>(doc(), *m_port, *frame(), [this] {
      ++m_saveQuestions;
      return true;
    });
    m_commands->serveDocument(m_shell->host);
    doc().readDevice();
    QCOMPARE(doc().title(), std::string("Считанная прошивка"));
  }
  void stop() {
    m_commands.reset();
    m_port.reset();
    m_shell.reset();
  }

 private slots:
  void init() {
    m_saveQuestions = 0;
    QSettings().clear();
    MessageLog::clear();
    QFile::remove(path("c.bin"));
  }
  void cleanup() {
    stop();
    std::filesystem::remove_all(BackupStore().directory());
  }

  void comparisonsListTheDifferencesAndFindThemInTheTree() {
    start();
    QCOMPARE(backups(), std::size_t(1));  // the read at start-up
    commands().compareWithDevice();
    QCOMPARE(MessageLog::shown().size(), std::size_t(1));
    QCOMPARE(MessageLog::shown()[0].text, QString("Различий нет: прибор хранит то же, что и документ."));

    // Two edits: one in a step, one in the general parameters.
    Program& p1 = doc().deviceData()->programs.front();
    p1.steps.front()[Step::U04].setEnteredValue(7);
    doc().deviceData()->general.pid[1][PidRegulator::P04].setEnteredValue(30);
    commands().compareWithDevice();
    DifferencesDialog* window = commands().comparisonWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->list()->topLevelItemCount(), 2);
    QTreeWidgetItem* step = row(window, "P1.S1", "U04/U05");
    QVERIFY(step);
    QCOMPARE(step->text(DifferencesDialog::kWhere), QString("Программа №1, шаг №1"));
    QCOMPARE(step->text(DifferencesDialog::kValueB),
             QString("07:%1").arg(p1.steps.front()[Step::U05].value(), 2, 10, QChar('0')));
    QCOMPARE(window->list()->headerItem()->text(DifferencesDialog::kValueA), QString("На приборе"));
    QCOMPARE(backups(), std::size_t(3));  // every read keeps one

    // A double click on a row selects its item in the tree.
    const auto activate = [&](QTreeWidgetItem* item) { emit window->list()->itemActivated(item, 0); };
    activate(step);
    QCOMPARE(doc().selection()->group, GroupRef(&p1.steps.front()));
    activate(row(window, "L2", "P.04"));
    QCOMPARE(doc().selection()->group, GroupRef(&doc().deviceData()->general.pid[1]));

    // Against a file: the document is side A, names count.
    Document other;
    other.newDocument();
    other.saveFile(path("new.tkv88").toStdString());
    commands().compareWithFile(path("new.tkv88"));
    window = commands().comparisonWindow();
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QString("Сравнение с файлом \"new.tkv88\""));
    QVERIFY(row(window, "-", "DeviceDataName"));
    QCOMPARE(window->list()->headerItem()->text(DifferencesDialog::kValueB), QString("В файле"));
  }

  // A new partition rewrites every program: while O10 is checked the
  // program rows are held checked; a step on one side follows its H01.
  void theChoiceKeepsWhatBelongsTogether() {
    DeviceData controller;
    controller.programs.resize(2);
    DeviceData document = controller;
    document.programAt(0)->steps.resize(2);
    document.programAt(1)->H02.setEnteredValue(0);
    document.general.base[BaseParameters::O10].setValueQuiet(3);
    DifferencesDialog dialog(ValueComparison(controller, document), "A", "B", DifferencesDialog::kChoose);
    QTreeWidgetItem* o10 = row(&dialog, "L2", "O10");
    QTreeWidgetItem* h02 = row(&dialog, "P2", "H02");
    QTreeWidgetItem* h01 = row(&dialog, "P1", "H01");
    QTreeWidgetItem* step = row(&dialog, "P1.S2", "-");
    QVERIFY(!(h02->flags() & Qt::ItemIsUserCheckable));  // held by O10
    o10->setCheckState(DifferencesDialog::kWhere, Qt::Unchecked);
    QVERIFY(h02->flags() & Qt::ItemIsUserCheckable);
    h02->setCheckState(DifferencesDialog::kWhere, Qt::Unchecked);
    h01->setCheckState(DifferencesDialog::kWhere, Qt::Unchecked);
    QCOMPARE(step->checkState(DifferencesDialog::kWhere), Qt::Unchecked);  // follows H01
    QCOMPARE(dialog.taken(), (std::vector<bool>{false, false, false, false, false}));
    o10->setCheckState(DifferencesDialog::kWhere, Qt::Checked);
    QCOMPARE(h02->checkState(DifferencesDialog::kWhere), Qt::Checked);
    QVERIFY(dialog.acceptButton()->isEnabled());
  }

  void aChangedWriteTakesOnlyTheCheckedValues() {
    start();
    const std::string before = doc().text();
    doc().deviceData()->general.base[BaseParameters::O09].setEnteredValue(5);
    doc().deviceData()->programs.front().steps.front()[Step::U04].setEnteredValue(7);
    const std::string edited = doc().text();
    const int32_t u04 = controller().programs.front().steps.front()[Step::U04].value();

    whenModal<DifferencesDialog>([](DifferencesDialog* dialog) {
      QCOMPARE(dialog->list()->topLevelItemCount(), 2);
      QCOMPARE(dialog->acceptButton()->text(), QString("Записать"));
      row(dialog, "P1.S1", "U04/U05")->setCheckState(DifferencesDialog::kWhere, Qt::Unchecked);
      dialog->acceptButton()->click();
    });
    commands().writeChanges();
    QCOMPARE(controller().general.base[BaseParameters::O09].value(), 5);
    QCOMPARE(controller().programs.front().steps.front()[Step::U04].value(), u04);
    QCOMPARE(doc().text(), edited);  // the document is not changed by a write
    QVERIFY(before != edited);
    QCOMPARE(backups(), std::size_t(2));  // before the write

    // "Отмена" writes nothing (the read is kept as any read); nothing left
    // to write says so.
    whenModal<DifferencesDialog>([](DifferencesDialog* dialog) { dialog->reject(); });
    commands().writeChanges();
    QCOMPARE(controller().programs.front().steps.front()[Step::U04].value(), u04);
    QCOMPARE(BackupStore().list().front().name, "Считано с прибора");
    whenModal<DifferencesDialog>([](DifferencesDialog* dialog) { dialog->acceptButton()->click(); });
    commands().writeChanges();
    QCOMPARE(controller().programs.front().steps.front()[Step::U04].value(), 7);
    MessageLog::clear();
    commands().writeChanges();
    QCOMPARE(MessageLog::shown().size(), std::size_t(1));
    QCOMPARE(MessageLog::shown()[0].text,
             QString("Прибор уже хранит конфигурацию документа: записывать нечего."));
  }

  // A duration, a setpoint and a rate are one row each, as the forms show
  // them, and an unchecked one keeps all its cells on the controller: never
  // the document's hours with the controller's minutes.
  void aChangedWriteTakesValuesWhole() {
    start();
    Step& step = doc().deviceData()->programs.front().steps.front();
    const Step before = controller().programs.front().steps.front();
    step[Step::U04].setEnteredValue(1);
    step[Step::U05].setEnteredValue(30);
    setPairFixed(step[Step::E02], step[Step::E03], 255);
    step[Step::E04].setEnteredValue(25);
    step[Step::E05].setEnteredValue(1);
    const QString duration =
        QString::asprintf("%02d:%02d", before[Step::U04].value(), before[Step::U05].value());

    whenModal<DifferencesDialog>([&](DifferencesDialog* dialog) {
      QCOMPARE(dialog->list()->topLevelItemCount(), 3);
      QTreeWidgetItem* durationRow = row(dialog, "P1.S1", "U04/U05");
      QVERIFY(durationRow);
      QCOMPARE(durationRow->text(DifferencesDialog::kValueA), duration);
      QCOMPARE(durationRow->text(DifferencesDialog::kValueB), QString("01:30"));
      QCOMPARE(durationRow->text(DifferencesDialog::kDescription), QString("Длительность шага (чч:мм)"));
      QCOMPARE(row(dialog, "P1.S1", "E02/E03")->text(DifferencesDialog::kValueB), QString("25.5"));
      QCOMPARE(row(dialog, "P1.S1", "E04/E05")->text(DifferencesDialog::kValueB), QString("-2.5"));
      durationRow->setCheckState(DifferencesDialog::kWhere, Qt::Unchecked);
      QCOMPARE(dialog->summary()->text(), QString("Различий: 3, отмечено: 2"));
      dialog->acceptButton()->click();
    });
    commands().writeChanges();
    const Step after = controller().programs.front().steps.front();
    QCOMPARE(after[Step::U04].value(), before[Step::U04].value());
    QCOMPARE(after[Step::U05].value(), before[Step::U05].value());
    QCOMPARE(after[Step::E02].value(), 25);
    QCOMPARE(after[Step::E03].value(), 5);
    QCOMPARE(after[Step::E05].value(), 1);
  }

  void aByteTheControllerDoesNotKeepIsReportedWithTheBackup() {
    // Which byte the edit changes, from the image a full write leaves.
    start();
    DeviceData edited = *doc().deviceData();
    edited.general.pid[0][PidRegulator::P02].setEnteredValue(
        edited.general.pid[0][PidRegulator::P02].value() + 1);
    MemoryImage image = *readImageFile(path("c.bin").toStdString());
    const MemoryImage before = image;
    writeConfiguration(edited, image);
    int address = 0;
    while (before[address] == image[address]) ++address;

    start(QStringLiteral(",fault=readonly:%1").arg(address));
    doc().deviceData()->general.pid[0][PidRegulator::P02].setEnteredValue(
        edited.general.pid[0][PidRegulator::P02].value());
    MessageLog::clear();
    whenModal<DifferencesDialog>([](DifferencesDialog* dialog) { dialog->acceptButton()->click(); });
    commands().writeChanges();
    QVERIFY(guitest::waitFor([] { return !MessageLog::shown().empty(); }));
    const messages::Shown& error = MessageLog::shown()[0];
    QCOMPARE(error.title, QString("Error 5"));
    QVERIFY2(error.text.contains(QString("по адресу %1").arg(address)), qPrintable(error.text));
    QVERIFY2(error.text.contains("смесь прежней и новой конфигурации"), qPrintable(error.text));
    const QString backup = QString::fromStdString(BackupStore().list().front().path).section('/', -1);
    QVERIFY2(error.text.contains(backup), qPrintable(error.text));
  }

  // Every bus fault during a comparison's read, a changed write or a full
  // write after its backup is one message; once writing may have begun it
  // says the controller may hold a mix and names the backup. The document
  // and its undo history never change.
  void faultsAreOneMessageAndLeaveTheDocumentAlone() {
    start();
    GeneralParameters& g = doc().deviceData()->general;
    for (PidRegulator& pid : g.pid)
      for (Parameter& cell : pid.cells) cell.setEnteredValue(cell.value() + 1);
    QCoreApplication::processEvents();  // the edit's undo step closes
    const std::string text = doc().text();
    const std::string undo = doc().undoText();
    QVERIFY(!undo.empty());

    enum Action { kCompare, kWriteChanges, kFullWrite, kPlainWrite };
    const struct {
      const char* what;
      Action action;
      QString fault;
      QString message;  // the start of the one message shown
      bool mix;         // it says the controller may hold a mix, naming the backup
    } cases[] = {
        // Once the controller has answered, silence is a broken link.
        {"absent", kCompare, "absent", "Связь с прибором прервалась", false},
        {"stuck line", kCompare, "stuck-low", "Прибор не отвечает, возможно он не подключен", false},
        {"drop-out in the comparison read", kCompare, "dropout:300", "Связь с прибором прервалась", false},
        {"drop-out in the changed write's read", kWriteChanges, "dropout:300", "Связь с прибором прервалась",
         false},
        {"drop-out while writing", kWriteChanges, "dropout:960", "Связь с прибором прервалась", true},
        {"drop-out in the full write", kFullWrite, "dropout:2000", "Связь с прибором прервалась", true},
        // Without a backup of its own the newest one is named.
        {"drop-out in a full write without a backup", kPlainWrite, "dropout:2000",
         "Связь с прибором прервалась", true},
    };
    for (const auto& c : cases) {
      QVERIFY2(m_port->choose("sim:" + path("c.bin") + ",fault=" + c.fault), c.what);
      const MemoryImage before = *readImageFile(path("c.bin").toStdString());
      MessageLog::clear();
      MessageLog::answer() = messages::Answer::Yes;
      settings::setBackupBeforeWrite(c.action == kFullWrite);
      if (c.action == kCompare) {
        commands().compareWithDevice();
        QVERIFY2(!commands().comparisonWindow(), c.what);
      } else if (c.action == kWriteChanges) {
        // The read may succeed: then the differences are chosen first.
        whenModal<DifferencesDialog>([](DifferencesDialog* dialog) { dialog->acceptButton()->click(); });
        commands().writeChanges();
        if (auto* pending = qobject_cast<DifferencesDialog*>(QApplication::activeModalWidget()))
          pending->reject();
      } else {
        frame()->actions().writeDevice->trigger();  // "&Записать прошивку"
      }
      // A full write asks first, saying what it changes.
      const auto errors = [] {
        std::vector<messages::Shown> out;
        for (const messages::Shown& m : MessageLog::shown())
          if (m.title != "Запись прошивки") out.push_back(m);
        return out;
      };
      QVERIFY2(guitest::waitFor([&] { return !errors().empty(); }), c.what);
      QCoreApplication::processEvents();
      QCOMPARE(errors().size(), std::size_t(1));
      QCOMPARE(MessageLog::shown().size(), std::size_t(c.action >= kFullWrite ? 2 : 1));
      const QString shown = errors()[0].text;
      QVERIFY2(shown.startsWith(c.message), qPrintable(QString(c.what) + ": " + shown));
      QCOMPARE(shown.contains("смесь прежней и новой конфигурации"), c.mix);
      if (c.mix) {
        const QString backup = QString::fromStdString(BackupStore().list().front().path).section('/', -1);
        QVERIFY2(shown.contains(backup), qPrintable(shown));
      } else {
        QVERIFY2(*readImageFile(path("c.bin").toStdString()) == before, c.what);
      }
      QCOMPARE(doc().text(), text);
      QCOMPARE(doc().undoText(), undo);
    }
  }

  // The controller is compared with what a write of the document leaves in
  // it: right after a write nothing differs, neither the empty program slots
  // nor a value the controller cannot hold, which a note names instead.
  void theControllerIsComparedWithWhatAWriteLeavesInIt() {
    start();
    DeviceData& d = *doc().deviceData();
    d.programs.resize(2);
    d.general.filters.cells[0].setEnteredValue(64);  // D01: 6 bits hold 0..63
    MessageLog::answer() = messages::Answer::Yes;
    frame()->actions().writeDevice->trigger();  // "&Записать прошивку"
    MessageLog::clear();
    commands().compareWithDevice();
    QCOMPARE(MessageLog::shown().size(), std::size_t(1));
    const QString note =
        "Прибор не хранит эти значения документа, после записи в нём будут другие:\n"
        "L2 D01 = 64: прибор хранит 63";
    QCOMPARE(MessageLog::shown()[0].text, "Различий нет: прибор хранит то же, что и документ.\n\n" + note);

    // A difference besides: the note stands under the list.
    d.programs.front().steps.front()[Step::U04].setEnteredValue(7);
    commands().compareWithDevice();
    DifferencesDialog* window = commands().comparisonWindow();
    QVERIFY(window && window->list()->topLevelItemCount() == 1);
    QVERIFY(window->unheldNote()->isVisible());
    QCOMPARE(window->unheldNote()->text(), note);
  }

  void backupsOpenAsACopyAndTheFullWriteKeepsOneUnlessTurnedOff() {
    start();
    QAction* option = frame()->actions().backupBeforeWrite;
    QVERIFY(option->isCheckable() && option->isChecked());
    MessageLog::answer() = messages::Answer::Yes;
    frame()->actions().writeDevice->trigger();  // "&Записать прошивку"
    QCOMPARE(backups(), std::size_t(2));
    QCOMPARE(BackupStore().list().front().name, "Перед записью «Считанная прошивка»");
    option->trigger();
    QVERIFY(!settings::backupBeforeWrite());
    frame()->actions().writeDevice->trigger();
    QCOMPARE(backups(), std::size_t(2));  // off: the question says so
    QVERIFY(MessageLog::shown().back().text.contains("Резервная копия не сохраняется"));

    whenModal<BackupsDialog>([](BackupsDialog* dialog) {
      QCOMPARE(dialog->list()->topLevelItemCount(), 2);
      QCOMPARE(dialog->list()->topLevelItem(0)->text(2), QString("Перед записью «Считанная прошивка»"));
      dialog->list()->setCurrentItem(dialog->list()->topLevelItem(1));
      dialog->openButton()->click();
    });
    commands().showBackups();
    QVERIFY(doc().title().rfind("Резервная копия 20", 0) == 0);
    QVERIFY(doc().pathName().empty());  // a save asks for a name: the backup stays as it is
    QVERIFY(compareConfigurations(*doc().deviceData(), controller(), {.names = false}).empty());
  }

  // "Записать прошивку" overwrites the whole controller: it reads it first,
  // says how many values and programs change and whether the partition does,
  // writes only on Yes, and tells the result in the status bar.
  void theFullWriteAsksFirstAndTellsTheResult() {
    start();
    DeviceData& d = *doc().deviceData();
    d.programAt(0)->steps.front()[Step::U04].setEnteredValue(1);
    d.programAt(0)->steps.front()[Step::U05].setEnteredValue(30);
    d.programAt(2)->H02.setEnteredValue(0);
    const MemoryImage before = *readImageFile(path("c.bin").toStdString());
    QStatusBar* status = frame()->statusBar();
    status->clearMessage();

    frame()->actions().writeDevice->trigger();  // answered No
    QCOMPARE(MessageLog::shown().size(), std::size_t(1));
    QCOMPARE(MessageLog::shown()[0].title, QString("Запись прошивки"));
    QCOMPARE(MessageLog::shown()[0].text, QString("Записать прошивку в прибор целиком?\n\n"
                                                  "Изменится значений: 2, программ с изменениями: 2.\n\n"
                                                  "Конфигурация прибора будет сохранена в резервную копию."));
    QVERIFY(*readImageFile(path("c.bin").toStdString()) == before);
    QCOMPARE(BackupStore().list().front().name, "Считано с прибора");  // kept as any read
    QVERIFY(status->currentMessage().isEmpty());

    MessageLog::answer() = messages::Answer::Yes;
    frame()->actions().writeDevice->trigger();
    QCOMPARE(status->currentMessage(), QString("Прошивка записана и проверена: 20 программ."));
    QCOMPARE(controller().programAt(2)->H02.value(), 0);

    // A new partition is told in words; what does not fit is asked about before.
    MessageLog::clear();
    MessageLog::answer() = messages::Answer::Yes;
    d.general.base[BaseParameters::O10].setValueQuiet(5);
    frame()->actions().writeDevice->trigger();
    QCOMPARE(MessageLog::shown().size(), std::size_t(2));
    QVERIFY2(MessageLog::shown()[1].text.contains(
                 "Разбиение памяти изменится: «10 программ по 52 шага» вместо «20 программ по 25 шагов»"),
             qPrintable(MessageLog::shown()[1].text));
    QCOMPARE(status->currentMessage(), QString("Прошивка записана и проверена: 10 программ."));
    QCOMPARE(controller().general.partition(), 5);
  }

  // Comparing and writing leave the document and its undo history alone; a
  // read is one undo step; a backup opened starts a fresh history.
  void deviceCommandsLeaveTheHistoryAndAReadIsOneStep() {
    start();
    QAction* undo = frame()->actions().undo;
    QVERIFY(!doc().canUndo());  // the read at start-up begins the history
    doc().deviceData()->programs.front().comparators[0][Comparator::C03].setEnteredValue(33);
    QCoreApplication::processEvents();
    const std::string edited = doc().text();
    const int steps = doc().history().undoCount();
    QCOMPARE(steps, 1);

    Document other;
    other.newDocument();
    other.saveFile(path("new.tkv88").toStdString());
    commands().compareWithDevice();
    commands().compareWithFile(path("new.tkv88"));
    whenModal<DifferencesDialog>([](DifferencesDialog* dialog) { dialog->acceptButton()->click(); });
    commands().writeChanges();
    MessageLog::answer() = messages::Answer::Yes;
    frame()->actions().writeDevice->trigger();
    QCoreApplication::processEvents();
    QCOMPARE(doc().text(), edited);
    QCOMPARE(doc().history().undoCount(), steps);
    QVERIFY(!doc().canRedo());
    QVERIFY(frame()->isWindowModified());

    // The controller now holds the edit; a read over it can still be undone.
    doc().deviceData()->programs.front().comparators[0][Comparator::C03].setEnteredValue(44);
    QCoreApplication::processEvents();
    doc().readDevice();
    QCOMPARE(undo->text(), QString("&Отменить: чтение из прибора"));
    QVERIFY(!frame()->isWindowModified());
    undo->trigger();
    QCOMPARE(doc().deviceData()->programs.front().comparators[0][Comparator::C03].value(), 44);
    QVERIFY(frame()->isWindowModified());

    whenModal<BackupsDialog>([](BackupsDialog* dialog) { dialog->openButton()->click(); });
    commands().showBackups();
    QCOMPARE(m_saveQuestions, 1);  // "Сохранить изменения?" first
    QVERIFY(doc().title().rfind("Резервная копия 20", 0) == 0);
    QVERIFY(!doc().canUndo() && !doc().canRedo());
    QCOMPARE(undo->text(), QString("&Отменить"));
    QVERIFY(!frame()->isWindowModified());
  }
};

TKV88_GUI_SUITE(CompareTest);
#include "CompareTest.moc"
