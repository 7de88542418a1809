#include "cli/input/camera_values.h"

namespace cli {

std::optional<IpMode> parseIpMode(std::string_view text) {
  for (const IpMode mode : {IpMode::kPersistent, IpMode::kDhcp, IpMode::kLla}) {
    if (text == ipModeName(mode)) return mode;
  }
  return std::nullopt;
}

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
