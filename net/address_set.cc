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

std::string dottedText(uint32_t hostOrder) { return Ipv4::fromHost(hostOrder).text(); }

std::string cidrText(uint32_t ip, uint32_t mask) {
  return dottedText(ip) + "/" + std::to_string(prefixLength(mask));
}

bool isContiguousMask(uint32_t mask) {
  return mask != 0 && std::countl_one(mask) + std::countr_zero(mask) == 32;
}

int prefixLength(uint32_t mask) { return std::countl_one(mask); }

std::optional<std::string> hostAddressProblem(uint32_t ip, uint32_t mask) {
  if (ip == 0) return "not a host address";
  if (ip == kLimitedBroadcast) return "the limited broadcast address";
  if ((ip & kLoopbackMask) == kLoopbackNet) return "a loopback address";
  if ((ip & kMulticastMask) == kMulticastNet) return "a multicast address";
  if ((ip & ~mask) == 0) return "the network address of its subnet";
  if ((ip | mask) == kLimitedBroadcast) return "the broadcast address of its subnet";
  return std::nullopt;
}

std::optional<std::string> gatewayProblem(const AddressSet& set) {
  if (set.gateway == 0 || (set.gateway & set.mask) == (set.ip & set.mask)) return std::nullopt;
  return "not in the subnet of " + cidrText(set.ip, set.mask);
}

}  // namespace net
