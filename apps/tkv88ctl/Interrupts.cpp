#include "apps/tkv88ctl/Interrupts.h"

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::atomic<int> caught{0};
std::atomic<std::atomic<bool>*> stopFlag{nullptr};

struct sigaction previous[3];
struct sigaction previousPipe;

extern "C" void onStopSignal(int signal) {
  int none = 0;
  caught.compare_exchange_strong(none, signal);
  if (std::atomic<bool>* stop = stopFlag.load()) stop->store(true);
}

}  // namespace

InterruptGuard::InterruptGuard(std::atomic<bool>& stop) {
  stopFlag = &stop;
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &action, &previous[i]);
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previousPipe);
}

InterruptGuard::~InterruptGuard() {
  for (int i = 0; i < 3; ++i) sigaction(kStopSignals[i], &previous[i], nullptr);
  sigaction(SIGPIPE, &previousPipe, nullptr);
  stopFlag = nullptr;
}

void InterruptGuard::redirect(std::atomic<bool>& stop) {
  stopFlag = &stop;
  if (caught.load()) stop.store(true);
}

int caughtSignal() { return caught.load(); }

std::string signalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT (Ctrl+C)";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP (терминал закрыт)";
    default:
      return "сигнал " + std::to_string(signal);
  }
}

int exitStatusAfterSignals(int status) {
  const int signal = caughtSignal();
  return signal ? 128 + signal : status;
}
