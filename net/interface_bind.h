// Tying a socket to one network interface by name (SO_BINDTODEVICE), so that
// what it sends leaves through that interface whatever the routing table says,
// and it receives only what arrived there. Since Linux 5.7 this needs no
// privilege for a socket not yet tied to an interface; before, it needs
// CAP_NET_RAW, which is raised for a second try when the first is refused.
// Any thread.
#pragma once

#include <string>

namespace net {

// 0 when `fd` is now tied to interface `name`; otherwise the errno of the
// failure (ENODEV also for a name too long to be an interface's; EPERM when
// the privilege is missing). An empty name leaves the socket as it is and
// gives 0.
int bindToInterface(int fd, const std::string& name);

// The setsockopt call itself (0 or an errno); tests put one that refuses in
// its place for this object's life.
using DeviceBindCall = int (*)(int fd, const std::string& name);
class ScopedDeviceBindCall {
 public:
  explicit ScopedDeviceBindCall(DeviceBindCall call);
  ~ScopedDeviceBindCall();
  ScopedDeviceBindCall(const ScopedDeviceBindCall&) = delete;
  ScopedDeviceBindCall& operator=(const ScopedDeviceBindCall&) = delete;

 private:
  DeviceBindCall previous_;
};

}  // namespace net
