// Ctrl+C, SIGTERM and a closed terminal (SIGHUP) while tkv88ctl talks to the
// controller. Ended at once, a write would leave the controller holding part
// of the old configuration and part of the new without a word; instead the
// signal only asks the exchange to stop (the link's abortRequested), which a
// write does after the page or byte in flight and a read at its next block,
// and the command says what the controller may hold. SIGPIPE is ignored for
// that time too: a closed pipe fails the output, not the exchange.
//
// One guard at a time (the device session owns it); the handlers touch only
// lock-free atomics. Main thread.
#pragma once

#include <atomic>
#include <csignal>
#include <string>

class InterruptGuard {
 public:
  // From now on the signals set `stop` instead of ending the program.
  explicit InterruptGuard(std::atomic<bool>& stop);
  // The signals' earlier handling comes back.
  ~InterruptGuard();
  // The signals set `stop` from now on, and one caught already sets it at
  // once: the guard is in place before the port is opened (opening already
  // talks to the controller), and the exchange's own flag exists after.
  void redirect(std::atomic<bool>& stop);
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
};

// The signal caught while a guard was in place (the first one), or 0.
int caughtSignal();
// "SIGINT (Ctrl+C)", "SIGTERM", "SIGHUP (терминал закрыт)".
std::string signalName(int signal);
// 128 + the caught signal, the status a shell gives a command a signal
// ended, when one was caught; `status` otherwise.
int exitStatusAfterSignals(int status);
