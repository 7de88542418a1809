// The host's network interfaces as the kernel lists them now (getifaddrs):
// each with its index, state flags, MAC and every IPv4 address with its mask,
// whatever its index. The command line probes every address of every
// interface, where the dialogue keeps its scan of indices 0 to 29. Values
// only; nothing stays open. Any thread.
#pragma once

#include <string>
#include <vector>

#include "net/adaptor.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace net {

struct InterfaceAddress {
  Ipv4 ip;
  Ipv4 mask;
};

struct HostInterface {
  std::string name;
  unsigned index = 0;
  MacAddress mac;
  bool up = false;       // administratively up (IFF_UP)
  bool running = false;  // up with a carrier (IFF_RUNNING)
  bool loopback = false;
  std::vector<InterfaceAddress> addresses;  // IPv4 only, in the kernel's order
};

// Every interface, in index order; empty when the kernel cannot be asked.
std::vector<HostInterface> listHostInterfaces();

// One Adaptor per IPv4 address of every interface, interfaces in index order:
// an interface with two addresses is two adapters of one name.
std::vector<Adaptor> ipv4Adapters(const std::vector<HostInterface>& interfaces);

}  // namespace net
