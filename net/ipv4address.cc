#include "net/ipv4address.h"

#include <cstring>

#include "net/ipv4.h"

void IpV4Address::setAddress(sockaddr addr) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&addr);
  std::memcpy(&address, bytes + 4, sizeof address);
}

void IpV4Address::setAddress(unsigned value) { address = value; }

void IpV4Address::setAddress(std::string text) { net::parseIpv4(text, &address); }

std::string IpV4Address::getAddressInStr() const { return net::Ipv4::fromNetwork(address).text(); }

namespace net {

bool parseIpv4(const std::string& text, uint32_t* out) {
  const std::optional<Ipv4> parsed = Ipv4::parse(text);
  if (parsed) *out = parsed->network();
  return parsed.has_value();
}

std::string dottedQuad(uint32_t networkOrder) { return Ipv4::fromNetwork(networkOrder).text(); }

}  // namespace net
