#include "net/ipv4address.h"

#include <arpa/inet.h>

#include <cstring>

void IpV4Address::setAddress(sockaddr addr) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&addr);
  std::memcpy(&address, bytes + 4, sizeof address);
}

void IpV4Address::setAddress(unsigned value) { address = value; }

void IpV4Address::setAddress(std::string text) { net::parseIpv4(text, &address); }

std::string IpV4Address::getAddressInStr() const {
  char buffer[INET_ADDRSTRLEN] = {};
  in_addr addr{};
  addr.s_addr = address;
  inet_ntop(AF_INET, &addr, buffer, sizeof buffer);
  return buffer;
}

namespace net {

bool parseIpv4(const std::string& text, uint32_t* out) {
  in_addr addr{};
  if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return false;
  *out = addr.s_addr;
  return true;
}

std::string dottedQuad(uint32_t networkOrder) {
  IpV4Address address;
  address.setAddress(networkOrder);
  return address.getAddressInStr();
}

}  // namespace net
