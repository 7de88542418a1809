// An IPv4 address, subnet mask and gateway as one value, in host order (the
// first dotted octet most significant), and the rules every layer judges
// such a set by. The one type for an address set below the seed's own
// (IPV4Set, ForceIpSet); text only at the edges, through dottedText. Pure
// functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace net {

// Gateway 0: none.
struct AddressSet {
  uint32_t ip = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  bool operator==(const AddressSet&) const = default;
};

std::string dottedText(uint32_t hostOrder);
// "192.168.10.11/24": the address and the length of a contiguous mask.
std::string cidrText(uint32_t ip, uint32_t mask);

// A run of one bits from the top followed by zeros only, with at least one
// network bit.
bool isContiguousMask(uint32_t mask);
// The mask's length in bits when contiguous.
int prefixLength(uint32_t mask);

// The address under `mask`: no network or broadcast address of its subnet,
// no 0.0.0.0, loopback, multicast or 255.255.255.255. Empty when acceptable,
// else the reason.
std::optional<std::string> hostAddressProblem(uint32_t ip, uint32_t mask);

// Empty when the set's gateway is 0 or lies in the address's subnet; else why not.
std::optional<std::string> gatewayProblem(const AddressSet& set);

}  // namespace net
