#include "net/macaddress.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

void MacAddress::setMac(sockaddr addr) {
  std::memcpy(bytes.data(), addr.sa_data, kSize);
}

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
