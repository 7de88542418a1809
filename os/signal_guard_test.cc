#include "os/signal_guard.h"

#include <gtest/gtest.h>

namespace os {
namespace {

void (*currentHandler(int signal))(int) {
  struct sigaction now {};
  sigaction(signal, nullptr, &now);
  return now.sa_handler;
}

TEST(SignalGuardTest, SignalsBecomeAFlagAndTheFirstOneIsKept) {
  SignalGuard guard;
  EXPECT_FALSE(guard.stopRequested());
  std::raise(SIGTERM);
  std::raise(SIGINT);  // not armed: a second signal only keeps the flag set
  EXPECT_TRUE(guard.stopRequested());
  EXPECT_EQ(guard.signalNumber(), SIGTERM);
}

TEST(SignalGuardTest, PreviousHandlersComeBackAndANewGuardStartsClear) {
  void (*const before)(int) = currentHandler(SIGINT);
  {
    SignalGuard guard;
    EXPECT_NE(currentHandler(SIGINT), before);
    std::raise(SIGINT);
  }
  EXPECT_EQ(currentHandler(SIGINT), before);
  SignalGuard next;
  EXPECT_FALSE(next.stopRequested());
}

TEST(SignalGuardDeathTest, ArmedGuardLeavesAtOnceOnTheSecondSignal) {
  EXPECT_EXIT(
      {
        SignalGuard guard;
        guard.armUrgentExit("warning: left while the camera programs its flash\n");
        std::raise(SIGINT);
        if (!guard.stopRequested()) std::_Exit(1);
        std::raise(SIGINT);
        std::_Exit(2);  // not reached when the second signal ends the process
      },
      ::testing::ExitedWithCode(kInterruptedExitCode), "warning: left while the camera programs");
}

TEST(SignalGuardDeathTest, DisarmedGuardKeepsRunningAfterTwoSignals) {
  EXPECT_EXIT(
      {
        SignalGuard guard;
        guard.armUrgentExit("warning: leaving\n");
        guard.disarmUrgentExit();
        std::raise(SIGINT);
        std::raise(SIGTERM);
        std::_Exit(guard.signalNumber() == SIGINT ? 7 : 1);
      },
      ::testing::ExitedWithCode(7), "");
}

}  // namespace
}  // namespace os
