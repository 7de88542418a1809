// One 6-byte hardware address in wire order, with its colon-separated text.
#pragma once

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class MacAddress {
 public:
  static constexpr int kSize = 6;

  MacAddress() = default;
  MacAddress(const MacAddress& other) = default;
  MacAddress& operator=(const MacAddress& other) = default;
  ~MacAddress() = default;

  // Takes bytes 2 to 7 of the socket address (where SIOCGIFHWADDR puts the MAC).
  void setMac(sockaddr addr);
  // Copies min(len, 6) bytes from src; a negative len copies nothing. Never
  // writes past the six bytes, whatever len says.
  void setMac(const unsigned char* src, int len);
  // Writes the six bytes to out, which must hold six; returns 0.
  int getMacHw(unsigned char* out, int len) const;
  // "%02X:..." when upper, "%02x:..." otherwise: always 17 characters.
  std::string getMacInStr(bool upper) const;
  bool operator==(const MacAddress& other) const = default;

 private:
  std::array<uint8_t, kSize> bytes{};
};

namespace net {

// The six bytes of "02:11:22:33:44:55" or "02-11-22-33-44-55": two hex digits
// of either case per byte, one kind of separator throughout, nothing else.
std::optional<MacAddress> parseMacText(std::string_view text);

// A MAC as the layers above hold it: six bytes in wire order, compared and
// copied as a value.
using Mac = std::array<uint8_t, MacAddress::kSize>;

// Six bytes in wire order as lower-case colon-separated text, the form scripts
// get ("02:11:22:33:44:55").
std::string macText(std::span<const uint8_t, MacAddress::kSize> bytes);

}  // namespace net
