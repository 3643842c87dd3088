#include "shell/QtDocumentHost.h"

#include "forms/FormFactory.h"
#include "shell/MainWindow.h"
#include "widgets/Messages.h"

bool QtDocumentHost::askYesNo(std::string_view title, std::string_view text) {
  // Owned by no window, as the partition question always was.
  return messages::askYesNo(nullptr, QString::fromUtf8(title), QString::fromUtf8(text));
}

void QtDocumentHost::runLater(std::function<void()> work) {
  // Dropped with the window: the work belongs to the views it shows.
  if (m_frame) QMetaObject::invokeMethod(m_frame, std::move(work), Qt::QueuedConnection);
}

bool QtDocumentHost::runExchange(DeviceData& config, ExchangeMode mode) {
  return m_runExchange && m_runExchange(config, mode);
}

std::optional<std::string> QtDocumentHost::askProgramName(std::string_view name) {
  const std::optional<QString> entered = runProgramRenameDialog(QString::fromUtf8(name), m_frame);
  if (!entered) return std::nullopt;
  return entered->toStdString();
}

void QtDocumentHost::titleChanged() {
  if (m_frame) m_frame->updateTitle();
}

void QtDocumentHost::historyChanged() {
  if (m_frame) m_frame->historyChanged();
}

void QtDocumentHost::restoreNames(DeviceData& config) {
  if (onRestoreNames) onRestoreNames(config);
}

void QtDocumentHost::deviceRead(const DeviceData& config) {
  for (const auto& told : onDeviceRead) told(config);
}

bool QtDocumentHost::beforeDeviceWrite(const DeviceData& config) {
  return !onBeforeDeviceWrite || onBeforeDeviceWrite(config);
}

void QtDocumentHost::deviceWritten(const DeviceData& config) {
  if (onDeviceWritten) onDeviceWritten(config);
}
