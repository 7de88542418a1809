#include "net/macaddress.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

void MacAddress::setMac(sockaddr addr) { std::memcpy(bytes.data(), addr.sa_data, kSize); }

void MacAddress::setMac(const unsigned char* src, int len) {
  const int count = std::clamp(len, 0, kSize);
  std::memcpy(bytes.data(), src, static_cast<size_t>(count));
}

int MacAddress::getMacHw(unsigned char* out, int /*len*/) const {
  std::memcpy(out, bytes.data(), kSize);
  return 0;
}

std::string MacAddress::getMacInStr(bool upper) const {
  char text[18];
  const char* format = upper ? "%02X:%02X:%02X:%02X:%02X:%02X" : "%02x:%02x:%02x:%02x:%02x:%02x";
  std::snprintf(text, sizeof text, format, bytes[0], bytes[1], bytes[2], bytes[3], bytes[4],
                bytes[5]);
  return text;
}

namespace net {

std::string macText(std::span<const uint8_t, MacAddress::kSize> bytes) {
  MacAddress mac;
  mac.setMac(bytes.data(), MacAddress::kSize);
  return mac.getMacInStr(false);
}

namespace {

constexpr size_t kMacTextSize = 17;  // six pairs of hex digits and five separators

int hexValue(char c) {
  if (!std::isxdigit(static_cast<unsigned char>(c))) return -1;
  return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
}

}  // namespace

std::optional<MacAddress> parseMacText(std::string_view text) {
  if (text.size() != kMacTextSize) return std::nullopt;
  const char separator = text[2];
  if (separator != ':' && separator != '-') return std::nullopt;
  unsigned char bytes[MacAddress::kSize];
  for (int i = 0; i < MacAddress::kSize; ++i) {
    const size_t at = static_cast<size_t>(i) * 3;
    if (i > 0 && text[at - 1] != separator) return std::nullopt;
    const int high = hexValue(text[at]);
    const int low = hexValue(text[at + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<unsigned char>(high * 16 + low);
  }
  MacAddress mac;
  mac.setMac(bytes, MacAddress::kSize);
  return mac;
}

}  // namespace net
