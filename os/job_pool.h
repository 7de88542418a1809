// Running `count` independent jobs on at most `jobs` threads at once: each
// worker takes the next job index until none is left. The call returns when
// every job has run; the threads are joined on every path. A job must not
// throw. Job i runs exactly once, on some worker thread.
#pragma once

#include <cstddef>
#include <functional>

namespace os {

void runJobs(size_t count, int jobs, const std::function<void(size_t)>& job);

}  // namespace os
