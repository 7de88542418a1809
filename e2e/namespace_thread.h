// Running a piece of a test or benchmark inside a test-bed namespace on a
// thread of its own, so that sockets it creates belong to that namespace while
// the rest of the process stays in its own. Header-only; needs root.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>

#include <functional>
#include <string>
#include <thread>

#include "net/unique_fd.h"

// True when the calling thread's network namespace is `ns`.
inline bool threadIsIn(const std::string& ns) {
  struct stat mine {};
  struct stat wanted {};
  return ::stat("/proc/thread-self/ns/net", &mine) == 0 &&
         ::stat(("/run/netns/" + ns).c_str(), &wanted) == 0 && mine.st_ino == wanted.st_ino &&
         mine.st_dev == wanted.st_dev;
}

// Runs `work` on a new thread that has entered namespace `ns`; false when it
// could not enter (then `work` did not run). `work` must not call the test
// bed's namespace helpers (socketIn, interfaceIndexIn): they return the thread
// to the process's own namespace, where the machine's interfaces are.
inline bool inNamespace(const std::string& ns, const std::function<void()>& work) {
  bool entered = false;
  std::thread worker([&] {
    const net::UniqueFd target(::open(("/run/netns/" + ns).c_str(), O_RDONLY | O_CLOEXEC));
    entered = target && ::setns(target.get(), CLONE_NEWNET) == 0 && threadIsIn(ns);
    if (entered) work();
  });
  worker.join();
  return entered;
}
