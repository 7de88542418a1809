#include "net/interface_bind.h"

#include <net/if.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>

#include "net/privilege.h"

namespace net {

namespace {

int deviceBind(int fd, const std::string& name) {
  const auto length = static_cast<socklen_t>(name.size() + 1);
  return ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, name.c_str(), length) == 0 ? 0 : errno;
}

std::atomic<DeviceBindCall> bindCall{deviceBind};

}  // namespace

int bindToInterface(int fd, const std::string& name) {
  if (name.empty()) return 0;
  // The kernel cuts a longer name to fit, which could name another interface.
  if (name.size() >= IFNAMSIZ) return ENODEV;
  const int error = bindCall.load()(fd, name);
  if (error != EPERM) return error;
  const net::NetRawRaised raised("interface bind");
  return raised.raised() ? bindCall.load()(fd, name) : error;
}

ScopedDeviceBindCall::ScopedDeviceBindCall(DeviceBindCall call)
    : previous_(bindCall.exchange(call)) {}

ScopedDeviceBindCall::~ScopedDeviceBindCall() { bindCall = previous_; }

}  // namespace net
