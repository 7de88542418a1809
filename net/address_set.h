// An IPv4 address, subnet mask and gateway as one value of net::Ipv4, and
// the rules every layer judges such a set by. The one type for an address
// set below the seed's own (IPV4Set, ForceIpSet); text only at the edges,
// through Ipv4::text. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "net/ipv4.h"

namespace net {

// Gateway 0.0.0.0: none.
struct AddressSet {
  Ipv4 ip;
  Ipv4 mask;
  Ipv4 gateway;
  bool operator==(const AddressSet&) const = default;
  // From three host-order numbers, as a camera's registers hold them.
  static constexpr AddressSet fromHost(uint32_t ip, uint32_t mask, uint32_t gateway) {
    return {Ipv4::fromHost(ip), Ipv4::fromHost(mask), Ipv4::fromHost(gateway)};
  }
};

// "192.168.10.11/24": the address and the length of a contiguous mask.
std::string cidrText(Ipv4 ip, Ipv4 mask);

// The network address of `ip`'s subnet under `mask`.
constexpr Ipv4 networkOf(Ipv4 ip, Ipv4 mask) { return Ipv4::fromHost(ip.host() & mask.host()); }

// A run of one bits from the top followed by zeros only, with at least one
// network bit.
bool isContiguousMask(Ipv4 mask);
// The mask's length in bits when contiguous.
int prefixLength(Ipv4 mask);

// The address under `mask`: no network or broadcast address of its subnet,
// no 0.0.0.0, loopback, multicast or 255.255.255.255. Empty when acceptable,
// else the reason.
std::optional<std::string> hostAddressProblem(Ipv4 ip, Ipv4 mask);

// Empty when the set's gateway is 0.0.0.0 or lies in the address's subnet; else why not.
std::optional<std::string> gatewayProblem(const AddressSet& set);

}  // namespace net
