#include "shell/ExchangeDialog.h"

#include <algorithm>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTimerEvent>
#include <QVBoxLayout>

#include "link/DeviceExchange.h"
#include "widgets/HelpRequest.h"
#include "widgets/Messages.h"

ExchangeDialog::ExchangeDialog(DeviceLink& link, DeviceData& config, ExchangeMode mode, QWidget* parent,
                               DeviceSnapshot* snapshot)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_progress(new QProgressBar(this)),
      m_abort(new QPushButton(QStringLiteral("Прервать"), this)) {
  setObjectName(QStringLiteral("exchangeDialog"));
  setModal(true);
  m_progress->setObjectName(QStringLiteral("progress"));
  m_progress->setAccessibleName(QStringLiteral("Ход обмена"));
  m_progress->setTextVisible(false);
  m_abort->setObjectName(QStringLiteral("abort"));
  m_abort->setAccessibleName(m_abort->text());
  // Enter does nothing: no button of the dialog is a default button.
  m_abort->setAutoDefault(false);
  m_abort->setDefault(false);
  connect(m_abort, &QPushButton::clicked, this, &ExchangeDialog::abortExchange);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(11, 20, 11, 11);
  column->addWidget(m_progress);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(m_abort);
  row->addStretch(1);
  column->addLayout(row);
  setFixedSize(300, 110);

  m_exchange = std::make_unique<DeviceExchange>(link, config, mode, snapshot);
  m_progress->setRange(0, exchangeProgressRange(mode));
  setWindowTitle(QString::fromUtf8(exchangeCaption(mode)));
  m_abort->setVisible(exchangeCanAbort(mode));
  m_progress->setValue(0);
}

ExchangeDialog::~ExchangeDialog() = default;

int ExchangeDialog::exec() {
  m_exchange->start();
  m_timerId = startTimer(kTimerPeriodMs);
  QDialog::exec();
  return m_result;
}

void ExchangeDialog::timerEvent(QTimerEvent* event) {
  if (event->timerId() == m_timerId) tick();
}

void ExchangeDialog::tick() {
  // The bar does not clamp by itself: a value out of its range would be dropped.
  m_progress->setValue(std::clamp(m_exchange->progress(), m_progress->minimum(), m_progress->maximum()));
  if (auto error = m_exchange->takeError()) {
    m_result = kFailed;
    killTimer(m_timerId);
    m_timerId = 0;
    messages::showError(this, QStringLiteral("Error %1").arg(error->errorCode),
                        errorText ? errorText(*error) : QString::fromUtf8(error->text()),
                        HelpTopic::Exchange);
  }
  if (m_exchange->finished()) {
    if (m_timerId) killTimer(m_timerId);
    m_timerId = 0;
    if (m_exchange->result() != DeviceExchange::kDone) m_result = kFailed;
    done(m_result);
  } else if (!m_timerId) {
    // The error box has closed but the worker is still putting the lines to
    // idle: keep polling until it ends.
    m_timerId = startTimer(kTimerPeriodMs);
  }
}

void ExchangeDialog::abortExchange() {
  if (m_abort->isHidden() || !m_abort->isEnabled()) return;
  m_exchange->abort();
  m_abort->setEnabled(false);
  // A write's result is its own: stopped, it fails with its error.
  if (!exchangeWrites(m_exchange->mode())) m_result = kFailed;
}

void ExchangeDialog::reject() {
  // Esc stops a read; a write ends only with its worker or by the button.
  if (!exchangeWrites(m_exchange->mode())) abortExchange();
}

void ExchangeDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  reject();
}

void ExchangeDialog::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    help::show(HelpTopic::Exchange);
    return;
  }
  QDialog::keyPressEvent(event);
}
