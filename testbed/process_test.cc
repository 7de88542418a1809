// Process: pipes, event waits, exit status and the kill on timeout, with
// small local programs (no network involved).
#include "testbed/process.h"

#include <gtest/gtest.h>

namespace testbed {
namespace {

TEST(ProcessTest, EchoesInputAndReportsExitStatus) {
  Process cat("", {"sh", "-c", "while read l; do echo \"got $l\"; done; echo bye >&2; exit 3"});
  ASSERT_TRUE(cat.started());
  ASSERT_TRUE(cat.writeLine("one"));
  EXPECT_TRUE(cat.waitForOutput("got one\n", Millis(5000)));
  cat.closeInput();
  EXPECT_EQ(cat.waitForExit(Millis(5000)), 3);
  EXPECT_EQ(cat.output(), "got one\n");
  EXPECT_EQ(cat.errors(), "bye\n");
}

TEST(ProcessTest, WaitForOutputGivesUpAtTheTimeoutAndSearchesFromAnOffset) {
  Process quiet("", {"sh", "-c", "echo ready; sleep 30"});
  ASSERT_TRUE(quiet.waitForOutput("ready", Millis(5000)));
  EXPECT_FALSE(quiet.waitForOutput("ready", Millis(100), quiet.output().size()));
  EXPECT_FALSE(quiet.waitForOutput("never", Millis(100)));
  EXPECT_TRUE(quiet.running());
}

TEST(ProcessTest, ProgramThatOutlivesItsTimeoutIsKilled) {
  Process sleeper("", {"sleep", "30"});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(sleeper.waitForExit(Millis(200)).has_value());
  EXPECT_FALSE(sleeper.running());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(ProcessTest, MissingProgramEndsWith127AndEnvironmentIsPassed) {
  EXPECT_EQ(runCommand("", {"/nonexistent/program"}).status, 127);
  const CommandResult r = runCommand("", {"sh", "-c", "echo $NUV_TEST_VALUE"});
  EXPECT_EQ(r.status, 0);
  Process withEnv("", {"sh", "-c", "echo $NUV_TEST_VALUE"}, {"NUV_TEST_VALUE=42"});
  EXPECT_EQ(withEnv.waitForExit(Millis(5000)), 0);
  EXPECT_EQ(withEnv.output(), "42\n");
}

TEST(ProcessTest, PeakResidentSizeIsKnownOnceReapedAndCoversTheProgram) {
  Process small("", {"true"});
  EXPECT_FALSE(small.peakRssKiB().has_value());
  ASSERT_EQ(small.waitForExit(Millis(5000)), 0);
  // The shell keeps the 64 MB it read in memory until it ends: far more than
  // this test process, whose copy starts every program.
  Process large("", {"sh", "-c", "x=$(head -c 64000000 /dev/zero | tr '\\0' a); echo ${#x}"});
  ASSERT_EQ(large.waitForExit(Millis(20000)), 0);
  EXPECT_EQ(large.output(), "64000000\n");
  ASSERT_TRUE(small.peakRssKiB().has_value());
  ASSERT_TRUE(large.peakRssKiB().has_value());
  EXPECT_GT(*small.peakRssKiB(), 0);
  EXPECT_GE(*large.peakRssKiB(), 62500);
  EXPECT_GT(*large.peakRssKiB(), *small.peakRssKiB());
}

TEST(ProcessTest, NotStartedProgramSaysWhyAndNeverEnds) {
  auto never = Process::notStarted("namespace missing");
  EXPECT_FALSE(never->started());
  EXPECT_FALSE(never->running());
  EXPECT_EQ(never->errors(), "namespace missing");
  EXPECT_FALSE(never->waitForExit(Millis(10)).has_value());
  EXPECT_FALSE(never->waitForOutput("x", Millis(10)));
}

}  // namespace
}  // namespace testbed
