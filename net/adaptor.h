// One host network interface, read once by interface index: name, IPv4 address,
// netmask and MAC. Afterwards a plain value. Copies share one query socket,
// which the last holder closes. Construction never fails: an index that names
// no interface, or a failed query, leaves the field empty or zero. An adapter
// may also be made from values already read (net/host_interfaces.h): it has
// no query socket, and obtain() then fails.
#pragma once

#include <net/if.h>

#include <memory>
#include <string>

#include "net/ipv4.h"
#include "net/ipv4address.h"
#include "net/macaddress.h"
#include "net/unique_fd.h"

class Adaptor {
 public:
  explicit Adaptor(const unsigned& index);
  // `ip` and `mask` in network byte order.
  Adaptor(const std::string& interfaceName, const MacAddress& hardware, uint32_t address,
          uint32_t mask);
  Adaptor(const Adaptor&) = default;
  Adaptor& operator=(const Adaptor&) = default;
  ~Adaptor() = default;

  std::string getName() const { return name; }
  std::string getIp() const { return ip.getAddressInStr(); }
  std::string getNetmask() const { return netmask.getAddressInStr(); }
  std::string getMac() const { return mac.getMacInStr(true); }
  int getSck() const { return sck ? sck->get() : -1; }
  // The address and netmask as numbers, network byte order.
  uint32_t ipValue() const { return ip.getAddress(); }
  uint32_t netmaskValue() const { return netmask.getAddress(); }
  // The same as values of the tool's own address type.
  net::Ipv4 address() const { return net::Ipv4::fromNetwork(ipValue()); }
  net::Ipv4 mask() const { return net::Ipv4::fromNetwork(netmaskValue()); }

  // One interface query (SIOCGIFADDR, SIOCGIFNETMASK or SIOCGIFHWADDR) through
  // the query socket; 0 on success, -1 when the query fails (nothing changes).
  int obtain(unsigned request);
  // True exactly when the interface has a non-zero IPv4 address.
  bool isAvailable() const { return ip.getAddress() != 0; }
  // `address` (network byte order, not 0) lies in this adapter's subnet.
  bool subnetHolds(uint32_t address) const {
    const uint32_t mask = netmaskValue();
    return address != 0 && isAvailable() && (address & mask) == (ipValue() & mask);
  }

  int getMacHw(unsigned char* out, unsigned len) const;
  int getIp(unsigned* out) const;

 private:
  std::shared_ptr<net::UniqueFd> sck;
  ifreq ifr{};
  std::string name;
  MacAddress mac;
  IpV4Address ip;
  IpV4Address netmask;
};
