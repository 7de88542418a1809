// net::Ipv4: one IPv4 address or netmask, held in host order (the first
// dotted number most significant), so masks and subnets are plain
// arithmetic. Made only through named edges: fromNetwork (sockets, wire and
// the seed's public types), fromHost, parse (dotted-decimal text); printed
// only by text(). A plain value; any thread.
#pragma once

#include <bit>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace net {

class Ipv4 {
 public:
  constexpr Ipv4() = default;

  static constexpr Ipv4 fromHost(uint32_t hostOrder) { return Ipv4(hostOrder); }
  static constexpr Ipv4 fromNetwork(uint32_t networkOrder) { return Ipv4(swap(networkOrder)); }
  // Exactly four decimal numbers 0..255 joined by dots, by inet_pton's rules
  // (no blanks, no leading zeros, no shorthand such as "10.1"); else empty.
  static std::optional<Ipv4> parse(std::string_view text);

  constexpr uint32_t host() const { return value_; }
  constexpr uint32_t network() const { return swap(value_); }
  // 0.0.0.0: no address (not configured, or none given).
  constexpr bool isZero() const { return value_ == 0; }
  // Dotted decimal without leading zeros; 0 gives "0.0.0.0".
  std::string text() const;

  friend constexpr auto operator<=>(Ipv4, Ipv4) = default;

 private:
  explicit constexpr Ipv4(uint32_t hostOrder) : value_(hostOrder) {}
  // Host and network order differ on a little-endian host only.
  static constexpr uint32_t swap(uint32_t v) {
    if constexpr (std::endian::native == std::endian::big) return v;
    return __builtin_bswap32(v);
  }

  uint32_t value_ = 0;
};

}  // namespace net
