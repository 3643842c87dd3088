#include "apps/tkv88ctl/DeviceSupport.h"

#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <mutex>
#include <thread>

#include "apps/tkv88ctl/CtlCommand.h"
#include "apps/tkv88ctl/Interrupts.h"
#include "document/BackupStore.h"
#include "document/ConfigFile.h"
#include "link/BusTiming.h"
#include "link/DeviceExchange.h"
#include "link/PortDescription.h"

namespace device_support {

std::set<std::string> valueOptions(std::set<std::string> own) {
  own.insert("--port");
  return own;
}

std::set<std::string> flags(std::set<std::string> own) {
  own.insert("--quiet");
  own.insert("-q");
  return own;
}

std::string describe(const LinkError& error) {
  return std::string(error.text()) + " (code " + std::to_string(error.errorCode) + ")";
}

}  // namespace device_support

namespace {

std::string stoppedText(bool writing, int signal) {
  return std::string(writing ? "Запись остановлена" : "чтение остановлено") + " сигналом " +
         signalName(signal);
}

}  // namespace

DeviceSession::DeviceSession(const Args& args, ShortQuiet shortQuiet) {
  m_quiet = args.flag("--quiet") || (shortQuiet == kShortQuiet && args.flag("-q"));
  m_showProgress = !m_quiet && ::isatty(STDERR_FILENO);
  m_noBackup = args.flag("--no-backup");
  const std::string description = args.option("--port").value_or(defaultPortDescription());
  m_port = description;
  m_interrupts = std::make_unique<InterruptGuard>(m_stopWhileOpening);
  try {
    m_link = std::make_unique<DeviceLink>(openMemoryAccess(description));
  } catch (const PortError& e) {
    throw Failure(e.what());
  }
  m_interrupts->redirect(m_link->abortRequested);
}

DeviceSession::~DeviceSession() {
  if (m_traceFailure.empty()) return;
  const char* done = m_failed ? "" : m_wrote ? "прибор записан полностью, " : "обмен с прибором завершён, ";
  failAfterwards(std::string(done) + "трасса не записана: " + m_traceFailure);
}

void DeviceSession::note(const std::string& text) const {
  if (!m_quiet) std::fprintf(stderr, "%s\n", text.c_str());
}

void DeviceSession::drawProgress(const std::string& label, bool final) const {
  if (!m_showProgress) return;
  constexpr int kWidth = 40;
  const int range = m_range.load();
  int value = m_link->progressCounter.load();
  value = value < 0 ? 0 : (value > range ? range : value);
  const int filled = static_cast<int>(static_cast<long long>(value) * kWidth / range);
  const std::string slow =
      m_link->memory().standardFallback() ? " (" + timing_texts::fellBack() + ")" : std::string();
  std::fprintf(stderr, "\r%s [%s%s] %3d%%%s", label.c_str(), std::string(filled, '#').c_str(),
               std::string(kWidth - filled, '-').c_str(), static_cast<int>(value * 100LL / range),
               slow.c_str());
  if (final) std::fputc('\n', stderr);
  std::fflush(stderr);
}

void DeviceSession::run(const std::string& label, int range, const std::function<void(DeviceLink&)>& work,
                        bool writes) {
  if (const int signal = caughtSignal()) {
    m_failed = true;
    throw Failure(stoppedText(writes, signal));
  }
  m_wrote = m_wrote || writes;
  setProgressRange(range);
  m_link->progressCounter = 0;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      m_link->memory().begin(*m_link);
      m_link->progressCounter = 0;  // the probe read counts for nothing
      work(*m_link);
    } catch (...) {
      failure = std::current_exception();
    }
    try {
      m_link->memory().end(*m_link);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    const std::lock_guard lock(mutex);
    done = true;
    ended.notify_one();
  });
  {
    std::unique_lock lock(mutex);
    while (!ended.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; }))
      drawProgress(label, false);
  }
  worker.join();
  if (!failure) m_link->progressCounter = m_range.load();
  drawProgress(label, true);
  if (m_link->memory().standardFallback() && !m_fallbackNoted) {
    m_fallbackNoted = true;
    note(timing_texts::fellBack());
  }
  if (const std::vector<uint32_t> pages = m_link->memory().takeMendedPages(); !pages.empty())
    note(timing_texts::mendedPages(pages));
  if (std::string trace = m_link->memory().takeTraceFailure(); !trace.empty() && m_traceFailure.empty())
    m_traceFailure = trace;
  // A read a signal stopped ended early and quietly; a write says so by its error.
  const int signal = caughtSignal();
  if (!failure && (!signal || writes)) return;
  m_failed = true;
  if (!failure) throw Failure(stoppedText(false, signal));
  try {
    std::rethrow_exception(failure);
  } catch (const LinkError& e) {
    if (e.errorCode == kErrorStopped && signal) throw Failure(stoppedText(true, signal));
    throw Failure(device_support::describe(e));
  }
}

DeviceData DeviceSession::readSnapshot(DeviceSnapshot& snapshot) {
  DeviceData config;
  SnapshotWork work;
  work.snapshot = &snapshot;
  const ExchangeMode mode = ExchangeMode::ReadSnapshot;
  run(exchangeCaption(mode), exchangeProgressRange(mode),
      [&](DeviceLink& link) { runExchangeOperation(link, config, mode, nullptr, &work); });
  return config;
}

std::string DeviceSession::keepBackup(const DeviceData& config, const std::string& name,
                                      bool required) const {
  if (m_noBackup) return {};
  try {
    const std::string path = BackupStore().save(config, m_port, name);
    note("backup: " + path);
    return path;
  } catch (const configfile::FileError& e) {
    if (required) throw Failure(std::string(e.what()) + "; --no-backup writes without a backup");
    std::fprintf(stderr, "tkv88ctl: no backup kept: %s\n", e.what());
    return {};
  }
}
