#include "cli/camera_values.h"

#include "gvcp/registers.h"

namespace cli {
namespace {

struct ModeEntry {
  IpMode mode;
  const char* name;
  uint32_t config;
  uint32_t support;
};

constexpr ModeEntry kModes[] = {
    {IpMode::kPersistent, "persistent", reg::kConfigPersistentLla, reg::kIpConfigPersistent},
    {IpMode::kDhcp, "dhcp", reg::kConfigDhcpLla, reg::kIpConfigDhcp},
    {IpMode::kLla, "lla", reg::kConfigLlaOnly, reg::kIpConfigLla},
};

const ModeEntry& entry(IpMode mode) { return kModes[static_cast<int>(mode)]; }

}  // namespace

std::optional<IpMode> parseIpMode(std::string_view text) {
  for (const ModeEntry& e : kModes) {
    if (text == e.name) return e.mode;
  }
  return std::nullopt;
}

const char* ipModeName(IpMode mode) { return entry(mode).name; }
uint32_t configValue(IpMode mode) { return entry(mode).config; }
uint32_t supportBit(IpMode mode) { return entry(mode).support; }

std::optional<std::string> userNameProblem(std::string_view name) {
  if (name.empty()) return "empty";
  if (name.size() > kMaxUserNameBytes) {
    return "longer than " + std::to_string(kMaxUserNameBytes) + " bytes";
  }
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7E) return "not printable ASCII";
  }
  return std::nullopt;
}

}  // namespace cli
