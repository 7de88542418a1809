#include "os/job_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace os {
namespace {

TEST(JobPool, EveryJobRunsExactlyOnce) {
  for (const int jobs : {1, 3, 8, 64}) {
    std::vector<std::atomic<int>> runs(100);
    runJobs(runs.size(), jobs, [&](size_t i) { ++runs[i]; });
    for (size_t i = 0; i < runs.size(); ++i) EXPECT_EQ(runs[i].load(), 1) << "job " << i;
  }
  runJobs(0, 8, [](size_t) { ADD_FAILURE() << "no job to run"; });
}

// Jobs that wait for each other finish only when the pool really runs
// `jobs` of them at once; the peak never exceeds it.
TEST(JobPool, RunsUpToJobsAtOnceAndNoMore) {
  constexpr int kJobs = 4;
  std::mutex mutex;
  std::condition_variable changed;
  int running = 0, peak = 0;
  runJobs(12, kJobs, [&](size_t) {
    std::unique_lock lock(mutex);
    peak = std::max(peak, ++running);
    changed.notify_all();
    // Generous: a pool that never runs kJobs at once fails here, not hangs.
    changed.wait_for(lock, std::chrono::seconds(30), [&] { return peak >= kJobs; });
    --running;
  });
  EXPECT_EQ(peak, kJobs);
}

}  // namespace
}  // namespace os
