#include "cli/output/progress_bar.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

using std::chrono::milliseconds;

TEST(ProgressRenderTest, StartHalfwayAndDone) {
  EXPECT_EQ(renderProgress(0, 4 << 20, milliseconds(0)),
            "\r[------------------------]   0%  0 B of 4.0 MiB  - /s  - left");
  // 2 MiB in 2 s: 1 MiB/s, 2 s to go.
  EXPECT_EQ(renderProgress(2 << 20, 4 << 20, milliseconds(2000)),
            "\r[############------------]  50%  2.0 MiB of 4.0 MiB  1.0 MiB/s  0:02 left");
  EXPECT_EQ(renderProgress(4 << 20, 4 << 20, milliseconds(3000)),
            "\r[########################] 100%  4.0 MiB of 4.0 MiB  1.3 MiB/s  0:00 left");
}

TEST(ProgressRenderTest, SmallRatesLongWaitsAndOddSizes) {
  // 600 B in 4 s: 150 B/s, 9400 B left = 62.7 s, shown rounded up.
  EXPECT_EQ(renderProgress(600, 10000, milliseconds(4000)),
            "\r[#-----------------------]   6%  600 B of 9.8 KiB  150 B/s  1:03 left");
  EXPECT_EQ(renderProgress(0, 0, milliseconds(5)),
            "\r[########################] 100%  0 B of 0 B  - /s  - left");
  // More than the total (a resent block counted twice) never passes 100%.
  EXPECT_EQ(renderProgress(12, 10, milliseconds(1000)).substr(0, 32),
            "\r[########################] 100%");
}

TEST(ProgressBarTest, RedrawsAtMostTenTimesASecondButAlwaysAtTheEnd) {
  const ProgressBar::Clock::time_point t0{};
  ProgressBar bar(1000, t0);
  EXPECT_TRUE(bar.update(0, t0));
  EXPECT_FALSE(bar.update(100, t0 + milliseconds(40)));
  EXPECT_FALSE(bar.update(200, t0 + milliseconds(99)));
  const auto draw = bar.update(300, t0 + milliseconds(100));
  ASSERT_TRUE(draw);
  EXPECT_NE(draw->find(" 30%"), std::string::npos) << *draw;
  EXPECT_FALSE(bar.update(400, t0 + milliseconds(150)));
  EXPECT_TRUE(bar.update(1000, t0 + milliseconds(160)));  // complete
}

TEST(ProgressBarTest, AThousandUpdatesOverOneSecondDrawElevenTimes) {
  const ProgressBar::Clock::time_point t0{};
  ProgressBar bar(1000, t0);
  int draws = 0;
  for (int ms = 0; ms <= 1000; ++ms) {
    if (bar.update(static_cast<uint64_t>(ms), t0 + milliseconds(ms))) ++draws;
  }
  EXPECT_EQ(draws, 11);  // at 0, 100, ..., 1000 ms
}

}  // namespace
}  // namespace cli
