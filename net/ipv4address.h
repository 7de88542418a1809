// One IPv4 address (or netmask) kept in network byte order: its four bytes in
// memory are the dotted numbers from left to right. A plain value; it never
// converts byte order itself.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <string>

class IpV4Address {
 public:
  IpV4Address() = default;

  // Takes bytes 4 to 7 of the socket address unchanged; the family is not examined.
  void setAddress(sockaddr addr);
  // Stores the value unchanged (network byte order expected).
  void setAddress(unsigned value);
  // Parses dotted-decimal text; text that does not parse leaves the value as it was.
  void setAddress(std::string text);

  unsigned getAddress() const { return address; }
  // Dotted decimal without leading zeros; 0 gives 0.0.0.0.
  std::string getAddressInStr() const;

 private:
  uint32_t address = 0;
};

namespace net {

// True when `text` is exactly a dotted-decimal IPv4 address (inet_pton rules);
// on success the address is stored in `*out` in network byte order.
bool parseIpv4(const std::string& text, uint32_t* out);

// Dotted decimal of an address kept in network byte order: the seed's
// dialogue formats its own types through this (Ipv4::text underneath).
std::string dottedQuad(uint32_t networkOrder);

}  // namespace net
