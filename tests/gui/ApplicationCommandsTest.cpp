// The application's commands: the save-changes question before New, a
// device read and closing the window; saving to the document's own file; the
// recent files in the "&Файл" menu.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "GuiTest.h"
#include "shell/AppSettings.h"
#include "shell/Application.h"
#include "shell/MainWindow.h"

using guitest::MessageLog;

class ApplicationCommandsTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_dir;
  std::unique_ptr<Application> m_app;
  int m_exchanges = 0;

  Document& doc() { return m_app->document(); }
  void modify() { doc().deviceData()->programs.front().setName("Изменённая"); }
  static QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QString file(const QString& name) {
    const QString path = m_dir.filePath(name);
    Document other;
    other.newDocument();
    other.saveFile(path.toStdString());
    return path;
  }

 private slots:
  void init() {
    QSettings().clear();
    MessageLog::clear();
    m_app = std::make_unique<Application>();
    QCOMPARE(m_app->startUp({"--port", "sim:" + m_dir.filePath("controller.bin"), file("start.tkv88")}),
             std::nullopt);
    m_exchanges = 0;
    m_app->host().setExchangeRunner([this](DeviceData&, ExchangeMode) { return ++m_exchanges, false; });
    QCoreApplication::processEvents();
  }
  void cleanup() { m_app.reset(); }

  void anUnmodifiedDocumentIsNotAsked() {
    m_app->mainFrame()->actions().newFile->trigger();
    QVERIFY(MessageLog::shown().empty());
    QCOMPARE(doc().title(), std::string("Новая прошивка"));
  }

  void newAsksAndCancelKeepsTheChanges() {
    modify();
    MessageLog::answer() = messages::Answer::Cancel;
    m_app->mainFrame()->actions().newFile->trigger();
    QCOMPARE(MessageLog::shown().size(), size_t(1));
    QCOMPARE(MessageLog::shown()[0].text, QString("Сохранить изменения в \"start.tkv88\"?"));
    QCOMPARE(doc().deviceData()->programs.front().name(), std::string("Изменённая"));

    MessageLog::answer() = messages::Answer::No;
    m_app->mainFrame()->actions().newFile->trigger();
    QCOMPARE(doc().title(), std::string("Новая прошивка"));
    QCOMPARE(doc().deviceData()->programs.front().name(), std::string("Новая программа"));
  }

  void yesSavesBeforeGoingOn() {
    modify();
    MessageLog::answer() = messages::Answer::Yes;
    m_app->mainFrame()->actions().readDevice->trigger();
    QCOMPARE(m_exchanges, 1);  // the read ran after the save (and failed here)
    Document saved;
    saved.openFile(m_dir.filePath("start.tkv88").toStdString());
    QCOMPARE(saved.deviceData()->programs.front().name(), std::string("Изменённая"));
    QVERIFY(!doc().isModified());
  }

  void savingWhatWasReadAsksForAName() {
    const QString start = m_dir.filePath("start.tkv88");
    QFile file(start);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    // A read that succeeds: the controller holds other programs.
    m_app->host().setExchangeRunner([](DeviceData& config, ExchangeMode mode) {
      if (mode == ExchangeMode::ReadL1) config.programs.resize(2);
      return true;
    });
    m_app->mainFrame()->actions().readDevice->trigger();
    QCOMPARE(doc().title(), std::string("Считанная прошивка"));
    QString suggested;
    QTimer::singleShot(0, [&] {
      if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        suggested = dialog->selectedFiles().value(0);
        dialog->reject();
      }
    });
    m_app->mainFrame()->actions().save->trigger();  // "&Сохранить"
    QCOMPARE(suggested, m_dir.filePath("Считанная прошивка.tkv88"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
  }

  void aReadThatWouldReplaceChangesAsksFirst() {
    modify();
    MessageLog::answer() = messages::Answer::Cancel;
    m_app->mainFrame()->actions().readDevice->trigger();
    QCOMPARE(MessageLog::shown().size(), size_t(1));
    QCOMPARE(m_exchanges, 0);
  }

  void closingAsks() {
    modify();
    MessageLog::answer() = messages::Answer::Cancel;
    QVERIFY(!m_app->mainFrame()->close());
    QVERIFY(m_app->mainFrame()->isVisible());
    MessageLog::answer() = messages::Answer::No;
    QVERIFY(m_app->mainFrame()->close());
  }

  void qtsOwnTextsAreRussian() {
    if (!Application::installQtTranslations()) QSKIP("Qt's translations are not installed");
    // What the file dialogs and message boxes of Qt itself show.
    QDialogButtonBox box(QDialogButtonBox::Open | QDialogButtonBox::Cancel);
    QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove('&'), QString("Отмена"));
  }

  void recentFilesAreListedAndOpened() {
    const QString a = file("a.tkv88");
    const QString b = file("b.tkv88");
    QVERIFY(m_app->openDocumentFile(a));
    QVERIFY(m_app->openDocumentFile(b));
    QCOMPARE(settings::recentFiles(), QStringList({b, a, m_dir.filePath("start.tkv88")}));
    const auto recent = [&](int n) {
      return m_app->mainFrame()->findChild<QAction*>(QString("recentFile%1").arg(n));
    };
    QCOMPARE(recent(1)->text(), "&1 " + b);
    recent(2)->trigger();
    QCOMPARE(doc().title(), std::string("a.tkv88"));
    QCOMPARE(settings::recentFiles().value(0), a);

    // A file that has gone leaves the list after its message.
    QFile::remove(b);
    recent(2)->trigger();
    QCOMPARE(MessageLog::shown().size(), size_t(1));
    QVERIFY(!settings::recentFiles().contains(b));
    QCOMPARE(doc().title(), std::string("a.tkv88"));
  }

  // A damaged file: values loaded otherwise than written are one message
  // naming their lines; a structure that cannot be followed is refused with
  // its line, the document as it was.
  void aDamagedFileIsToldOrRefused() {
    QByteArray text = readAll(file("d.tkv88"));
    text.replace("\nO10=2\n", "\nO10=seven\n").replace("\nO06=64\n", "\nO06=200\n");
    const int line = text.left(text.indexOf("O10=seven")).count('\n') + 1;
    QFile out(m_dir.filePath("d.tkv88"));
    QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
    out.close();
    MessageLog::clear();
    QVERIFY(m_app->openDocumentFile(m_dir.filePath("d.tkv88")));
    QCOMPARE(MessageLog::shown().size(), std::size_t(1));
    QCOMPARE(MessageLog::shown()[0].text,
             QString("Файл \"d.tkv88\" открыт, но прочитан не так, как записан:\n"
                     "строка %1: O06 = 200 — вне пределов 64…80; взято 80\n"
                     "строка %2: O10 = «seven» — не число; взято 0")
                 .arg(line - 4)
                 .arg(line));
    QCOMPARE(doc().deviceData()->general.partition(), 0);

    QVERIFY(out.open(QIODevice::WriteOnly) && out.write("[step]\n" + text) > 0);
    out.close();
    const std::string before = doc().text();
    MessageLog::clear();
    QVERIFY(!m_app->openDocumentFile(m_dir.filePath("d.tkv88")));
    QCOMPARE(MessageLog::shown().size(), std::size_t(1));
    QVERIFY2(MessageLog::shown()[0].text.endsWith("Строка 1: шаг [step] стоит раньше первой программы [Program]."),
             qPrintable(MessageLog::shown()[0].text));
    QCOMPARE(doc().text(), before);
  }
};

TKV88_GUI_SUITE(ApplicationCommandsTest);
#include "ApplicationCommandsTest.moc"
