#include "simulator/device_state.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "net/ipv4.h"

namespace sim {
namespace {

constexpr uint32_t kLinkLocalNet = 0xA9FE0000;   // 169.254.0.0
constexpr uint32_t kLinkLocalMask = 0xFFFF0000;  // 255.255.0.0
constexpr uint32_t kLinkLocalHosts = 254 * 256;  // 169.254.1.0 .. 169.254.254.255
constexpr uint32_t kFirstLinkLocalHost = 256;    // skips 169.254.0.x

// FNV-1a over the MAC: spreads similar MACs over the link-local range.
uint32_t macHash(const std::array<uint8_t, 6>& mac) {
  uint32_t hash = 2166136261u;
  for (uint8_t byte : mac) hash = (hash ^ byte) * 16777619u;
  return hash;
}

std::string toHex(const std::string& text) {
  std::string hex;
  char two[3];
  for (unsigned char c : text) {
    std::snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  return hex;
}

std::optional<std::string> fromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  std::string text;
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1) return std::nullopt;
    text += static_cast<char>(value);
  }
  return text;
}

std::optional<uint32_t> parseNumber(const std::string& text) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || value > 0xFFFFFFFFul) return std::nullopt;
  return static_cast<uint32_t>(value);
}

void applyLine(const std::string& key, const std::string& value, Persisted& out) {
  if (key == "ip_config") {
    if (auto v = parseNumber(value)) out.ipConfig = *v;
  } else if (key == "firmware_version") {
    out.firmwareVersion = value;
  } else if (key == "reboot_count") {
    if (auto v = parseNumber(value)) out.rebootCount = *v;
  } else if (key == "persistent_ip") {
    if (auto v = parseDotted(value)) out.address.ip = *v;
  } else if (key == "persistent_mask") {
    if (auto v = parseDotted(value)) out.address.mask = *v;
  } else if (key == "persistent_gateway") {
    if (auto v = parseDotted(value)) out.address.gateway = *v;
  } else if (key == "user_name_hex") {
    if (auto v = fromHex(value)) out.userName = *v;
  }
}

}  // namespace

IpSettings powerUpAddress(const DeviceState& state) {
  const Persisted& p = state.persisted;
  if ((p.ipConfig & 0x1) != 0 && p.address.ip != 0) return p.address;
  return linkLocalAddress(state);
}

IpSettings linkLocalAddress(const DeviceState& state) {
  const uint32_t host = kFirstLinkLocalHost + macHash(state.mac) % kLinkLocalHosts;
  return IpSettings{kLinkLocalNet | host, kLinkLocalMask, 0};
}

std::string persistedToText(const Persisted& p) {
  std::ostringstream out;
  out << "ip_config " << p.ipConfig << "\n"
      << "persistent_ip " << dotted(p.address.ip) << "\n"
      << "persistent_mask " << dotted(p.address.mask) << "\n"
      << "persistent_gateway " << dotted(p.address.gateway) << "\n"
      << "user_name_hex " << toHex(p.userName) << "\n"
      << "reboot_count " << p.rebootCount << "\n";
  if (!p.firmwareVersion.empty()) out << "firmware_version " << p.firmwareVersion << "\n";
  return out.str();
}

Persisted persistedFromText(const std::string& text, Persisted defaults) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    if (space == std::string::npos) continue;
    applyLine(line.substr(0, space), line.substr(space + 1), defaults);
  }
  return defaults;
}

std::string dotted(uint32_t hostOrder) { return net::Ipv4::fromHost(hostOrder).text(); }

std::optional<uint32_t> parseDotted(const std::string& text) {
  const std::optional<net::Ipv4> address = net::Ipv4::parse(text);
  if (!address) return std::nullopt;
  return address->host();
}

}  // namespace sim
