// Tying a socket to one network interface by name (SO_BINDTODEVICE), so that
// what it sends leaves through that interface whatever the routing table says,
// and it receives only what arrived there. Since Linux 5.7 this needs no
// privilege for a socket not yet tied to an interface. Any thread.
#pragma once

#include <string>

// 0 when `fd` is now tied to interface `name`; otherwise the errno of the
// failure (ENODEV also for a name too long to be an interface's). An empty
// name leaves the socket as it is and gives 0.
int bindToInterface(int fd, const std::string& name);
