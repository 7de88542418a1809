#include "os/job_pool.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace os {

void runJobs(size_t count, int jobs, const std::function<void(size_t)>& job) {
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i = next++; i < count; i = next++) job(i);
  };
  const size_t workers = std::min(count, static_cast<size_t>(std::max(jobs, 1)));
  std::vector<std::jthread> threads;  // joined when they go out of scope
  threads.reserve(workers);
  for (size_t w = 1; w < workers; ++w) threads.emplace_back(work);
  if (workers > 0) work();  // the caller's thread is a worker too
}

}  // namespace os
