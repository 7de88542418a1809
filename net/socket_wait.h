// Waiting until a socket is readable or a deadline on the steady clock passes.
// Once the deadline has passed it only looks for what is already waiting. A
// signal does not end the wait; poll is used so any descriptor number is safe.
// kFailed means the wait itself failed (for example a descriptor not open).
#pragma once

#include <chrono>

namespace net {

enum class SocketWait { kReadable, kTimedOut, kFailed };

SocketWait waitReadable(int fd, std::chrono::steady_clock::time_point deadline);

}  // namespace net
