// The progress dialog of one device exchange (ReadL1, WriteL2 ...): modal,
// it starts the exchange's worker thread when shown, polls its progress and
// error every 100 ms, shows the first error in a message box captioned
// "Error <code>", and ends when the worker has ended. "Прервать" stops a
// read (Esc too) or a write, after the page in flight, which then fails
// with its error box like any fault (Esc never stops a write: a stray key
// must not leave the controller holding a mix). The event loop keeps
// running the whole time, so the window never freezes while the bus works.
//
// The dialog owns the exchange; the link and the configuration belong to the
// caller and are the worker's from the start until the dialog has ended.
// User-interface thread only.
#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "model/ExchangeMode.h"

class DeviceData;
class DeviceExchange;
class DeviceLink;
struct DeviceSnapshot;
struct LinkError;
class QBasicTimer;
class QProgressBar;
class QPushButton;

class ExchangeDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kTimerPeriodMs = 100;
  static constexpr int kDone = 1;    // exec() result: the exchange finished
  static constexpr int kFailed = 2;  // failed or aborted

  // ReadSnapshot and WriteChanged need the snapshot (link/ChangedWrite.h),
  // which the caller owns.
  ExchangeDialog(DeviceLink& link, DeviceData& config, ExchangeMode mode, QWidget* parent = nullptr,
                 DeviceSnapshot* snapshot = nullptr);
  ~ExchangeDialog() override;

  // The modal loop: kDone or kFailed.
  int exec() override;

  QProgressBar* progressBar() const { return m_progress; }
  // The exchange, for what it did once exec() has returned.
  const DeviceExchange* exchange() const { return m_exchange.get(); }
  // The text the error box shows for an error; the error's own text when
  // not set.
  std::function<QString(const LinkError&)> errorText;
  QPushButton* abortButton() const { return m_abort; }

 public slots:
  // Esc: stops a read like "Прервать"; ignored during a write.
  void reject() override;

 protected:
  void timerEvent(QTimerEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void abortExchange();
  void tick();

  std::unique_ptr<DeviceExchange> m_exchange;
  QProgressBar* m_progress;
  QPushButton* m_abort;
  int m_timerId = 0;
  int m_result = kDone;
};
