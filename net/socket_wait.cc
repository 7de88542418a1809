#include "net/socket_wait.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

namespace net {

SocketWait waitReadable(int fd, std::chrono::steady_clock::time_point deadline) {
  using std::chrono::nanoseconds;
  for (;;) {
    const auto left = std::max(
        nanoseconds::zero(),
        std::chrono::duration_cast<nanoseconds>(deadline - std::chrono::steady_clock::now()));
    const timespec timeout{static_cast<time_t>(left.count() / 1000000000),
                           static_cast<long>(left.count() % 1000000000)};
    pollfd entry{fd, POLLIN, 0};
    const int ready = ppoll(&entry, 1, &timeout, nullptr);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (entry.revents & POLLNVAL) != 0) return SocketWait::kFailed;
    return ready == 0 ? SocketWait::kTimedOut : SocketWait::kReadable;
  }
}

}  // namespace net
