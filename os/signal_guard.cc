#include "os/signal_guard.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace os {
namespace {

// Lock-free atomics are safe to touch from a signal handler.
std::atomic<int> gSignal{0};
std::atomic<const char*> gUrgentWarning{nullptr};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<const char*>::is_always_lock_free);

void onStopSignal(int signal) {
  int expected = 0;
  if (gSignal.compare_exchange_strong(expected, signal)) return;  // the first one
  const char* warning = gUrgentWarning.load();
  if (warning == nullptr) return;
  (void)!::write(STDERR_FILENO, warning, std::strlen(warning));
  ::_exit(kInterruptedExitCode);
}

void install(int signal, struct sigaction* previous) {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocking wait ends early and the flag is seen
  sigaction(signal, &action, previous);
}

}  // namespace

SignalGuard::SignalGuard() {
  gSignal = 0;
  gUrgentWarning = nullptr;
  install(SIGINT, &previousInt_);
  install(SIGTERM, &previousTerm_);
}

SignalGuard::~SignalGuard() {
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
  gUrgentWarning = nullptr;
}

bool SignalGuard::stopRequested() const { return gSignal.load() != 0; }
int SignalGuard::signalNumber() const { return gSignal.load(); }
void SignalGuard::armUrgentExit(const char* warning) { gUrgentWarning = warning; }
void SignalGuard::disarmUrgentExit() { gUrgentWarning = nullptr; }

}  // namespace os
