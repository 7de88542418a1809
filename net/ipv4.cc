#include "net/ipv4.h"

#include <arpa/inet.h>

namespace net {

std::optional<Ipv4> Ipv4::parse(std::string_view text) {
  in_addr addr{};
  if (inet_pton(AF_INET, std::string(text).c_str(), &addr) != 1) return std::nullopt;
  return fromNetwork(addr.s_addr);
}

std::string Ipv4::text() const {
  char buffer[INET_ADDRSTRLEN] = {};
  const in_addr addr{network()};
  inet_ntop(AF_INET, &addr, buffer, sizeof buffer);
  return buffer;
}

}  // namespace net
