#include "net/address_set.h"

#include <bit>

#include "net/ipv4.h"

namespace net {
namespace {

constexpr uint32_t kLoopbackNet = 0x7F000000;  // 127.0.0.0/8
constexpr uint32_t kLoopbackMask = 0xFF000000;
constexpr uint32_t kMulticastNet = 0xE0000000;  // 224.0.0.0/4
constexpr uint32_t kMulticastMask = 0xF0000000;
constexpr uint32_t kLimitedBroadcast = 0xFFFFFFFF;

}  // namespace

std::string cidrText(Ipv4 ip, Ipv4 mask) {
  return ip.text() + "/" + std::to_string(prefixLength(mask));
}

bool isContiguousMask(Ipv4 mask) {
  const uint32_t bits = mask.host();
  return bits != 0 && std::countl_one(bits) + std::countr_zero(bits) == 32;
}

int prefixLength(Ipv4 mask) { return std::countl_one(mask.host()); }

std::optional<std::string> hostAddressProblem(Ipv4 address, Ipv4 netmask) {
  const uint32_t ip = address.host();
  const uint32_t mask = netmask.host();
  if (ip == 0) return "not a host address";
  if (ip == kLimitedBroadcast) return "the limited broadcast address";
  if ((ip & kLoopbackMask) == kLoopbackNet) return "a loopback address";
  if ((ip & kMulticastMask) == kMulticastNet) return "a multicast address";
  if ((ip & ~mask) == 0) return "the network address of its subnet";
  if ((ip | mask) == kLimitedBroadcast) return "the broadcast address of its subnet";
  return std::nullopt;
}

std::optional<std::string> gatewayProblem(const AddressSet& set) {
  const bool inSubnet = networkOf(set.gateway, set.mask) == networkOf(set.ip, set.mask);
  if (set.gateway.isZero() || inSubnet) return std::nullopt;
  return "not in the subnet of " + cidrText(set.ip, set.mask);
}

}  // namespace net
