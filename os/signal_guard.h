// SignalGuard: while it lives, SIGINT and SIGTERM do not end the process but
// set a flag that a command polls between its steps, so that it can give
// control of the camera back before it leaves (with exit status 130). The
// previous handlers come back when it is destroyed. While a step runs that
// one signal must not cut short (the camera programming its flash),
// armUrgentExit makes a further signal write the given warning to stderr and
// end the process at once with status 130. One guard at a time; the flag may
// be read from any thread.
#pragma once

#include <csignal>

namespace os {

inline constexpr int kInterruptedExitCode = 130;  // 128 + SIGINT, as shells report it

class SignalGuard {
 public:
  SignalGuard();
  ~SignalGuard();
  SignalGuard(const SignalGuard&) = delete;
  SignalGuard& operator=(const SignalGuard&) = delete;

  bool stopRequested() const;
  // The first signal received, 0 while none came.
  int signalNumber() const;

  // `warning` (a whole line, kept by the caller while armed) is written by
  // the handler itself when a signal comes after the first.
  void armUrgentExit(const char* warning);
  void disarmUrgentExit();

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

}  // namespace os
