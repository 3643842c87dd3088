#include "shell/DevicePort.h"

#include <exception>

#include <QStatusBar>
#include <QStringList>

#include "link/BusTiming.h"
#include "link/DeviceExchange.h"
#include "link/DeviceLink.h"
#include "shell/AppSettings.h"
#include "shell/ExchangeDialog.h"
#include "shell/MainWindow.h"
#include "shell/PortChoice.h"
#include "shell/PortDialog.h"
#include "widgets/HelpRequest.h"
#include "widgets/Messages.h"

namespace {

constexpr int kResultMs = 10000;

}  // namespace

DevicePort::DevicePort() = default;

DevicePort::~DevicePort() = default;

std::unique_ptr<MemoryAccess> DevicePort::openMemoryAccess(const QString& description, QString* reason) {
  try {
    return portchoice::open(description);
  } catch (const std::exception& e) {
    *reason = QString::fromUtf8(e.what());
    return nullptr;
  }
}

bool DevicePort::open(const QString& description) {
  QString reason;
  std::unique_ptr<MemoryAccess> memory = openMemoryAccess(description, &reason);
  if (!memory) {
    m_description = description;
    m_error = QStringLiteral("Порт \"%1\" недоступен: %2").arg(description, reason);
    return false;
  }
  use(std::move(memory), description);
  return true;
}

void DevicePort::attach(MainWindow& frame) {
  m_frame = &frame;
  frame.onTriggered(frame.actions().choosePort, this, [this] { ask(); });
  frame.onTriggered(frame.actions().probeLink, this, [this] { probe(); });
  frame.setPortMessage(m_error);
}

void DevicePort::use(std::unique_ptr<MemoryAccess> memory, const QString& description) {
  // The three candidate bases start idle; detection picks one on first use.
  if (PortBackend* port = memory->parallelPort())
    for (uint16_t base : port->lptCandidates()) port->resetLines(base);
  if (m_link)
    m_link->setMemory(std::move(memory));
  else
    m_link = std::make_unique<DeviceLink>(std::move(memory));
  m_description = description;
  m_error.clear();
  if (m_frame) m_frame->setPortMessage({});
  settings::setPort(description);
}

void DevicePort::ask() {
  PortDialog dialog(portchoice::choices(), m_description, m_frame);
  if (dialog.exec() != QDialog::Accepted) return;
  if (const QString chosen = dialog.description(); !chosen.isEmpty()) choose(chosen);
}

bool DevicePort::choose(const QString& description) {
  QString reason;
  std::unique_ptr<MemoryAccess> memory = openMemoryAccess(description, &reason);
  if (!memory) {
    messages::showError(
        m_frame, messages::kAppTitle,
        QStringLiteral("Порт \"%1\" недоступен.\n%2").arg(description, messages::sentence(reason)));
    return false;
  }
  use(std::move(memory), description);
  if (m_frame) m_frame->statusBar()->showMessage(QStringLiteral("Порт: %1").arg(description), 5000);
  return true;
}

bool DevicePort::exchange(DeviceData& config, ExchangeMode mode, const ExchangeExtras& extras) {
  if (!m_link) {
    messages::showError(m_frame, QStringLiteral("Error %1").arg(kErrorPort), m_error, HelpTopic::Exchange);
    return false;
  }
  ExchangeDialog dialog(*m_link, config, mode, m_frame, extras.snapshot);
  if (extras.errorText)
    dialog.errorText = [&dialog, &extras](const LinkError& error) {
      return extras.errorText(error, *dialog.exchange());
    };
  const bool done = dialog.exec() == ExchangeDialog::kDone;
  if (extras.ended) extras.ended(*dialog.exchange());
  takeNote();
  return done;
}

void DevicePort::probe() {
  static const QString kTitle = QStringLiteral("Проверка связи");
  if (!m_link) {
    messages::showError(m_frame, kTitle, m_error);
    return;
  }
  DeviceData none;
  QString text;
  bool works = false;
  ExchangeExtras extras;
  extras.ended = [&](const DeviceExchange& check) {
    const ProbeReport& report = check.probe();
    text = QStringLiteral("Порт \"%1\": %2.").arg(m_description, QString::fromStdString(report.verdict()));
    for (const std::string& line : report.details()) text += u'\n' + QString::fromStdString(line);
    works = report.linkWorks();
  };
  if (!exchange(none, ExchangeMode::Probe, extras)) return;  // the dialog has shown the error
  if (works)
    messages::showInformation(m_frame, kTitle, text);
  else
    messages::showError(m_frame, kTitle, text, HelpTopic::Exchange);
}

void DevicePort::takeNote() {
  QStringList notes;
  MemoryAccess& memory = m_link->memory();
  if (memory.standardFallback()) notes << QString::fromStdString(timing_texts::fellBack());
  if (const std::vector<uint32_t> pages = memory.takeMendedPages(); !pages.empty())
    notes << QString::fromStdString(timing_texts::mendedPages(pages));
  // A trace never stops an exchange; its loss is told afterwards.
  if (const std::string trace = memory.takeTraceFailure(); !trace.empty())
    notes << QStringLiteral("обмен завершён, трасса не записана: %1").arg(QString::fromStdString(trace));
  m_note = notes.join(QStringLiteral("; "));
  if (m_frame && !m_note.isEmpty()) m_frame->statusBar()->showMessage(m_note);
}

void DevicePort::showResult(const QString& text) {
  if (!m_frame) return;
  m_frame->statusBar()->showMessage(m_note.isEmpty() ? text : text + u' ' + messages::sentence(m_note),
                                    kResultMs);
}
