#include "net/interface_bind.h"

#include <net/if.h>
#include <sys/socket.h>

#include <cerrno>

int bindToInterface(int fd, const std::string& name) {
  if (name.empty()) return 0;
  // The kernel cuts a longer name to fit, which could name another interface.
  if (name.size() >= IFNAMSIZ) return ENODEV;
  const auto length = static_cast<socklen_t>(name.size() + 1);
  return ::setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, name.c_str(), length) == 0 ? 0 : errno;
}
