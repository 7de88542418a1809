#include "cli/input/camera_values.h"

#include <iterator>

#include "gvcp/ip_config.h"
#include "gvcp/registers.h"

namespace cli {
namespace {

// The modes in the order of the configuration bit table.
constexpr IpMode kModes[] = {IpMode::kPersistent, IpMode::kDhcp, IpMode::kLla};
static_assert(std::size(kModes) == gvcp::kIpConfigBits.size());

const gvcp::IpConfigBit& entry(IpMode mode) {
  return gvcp::kIpConfigBits[static_cast<size_t>(mode)];
}

}  // namespace

std::optional<IpMode> parseIpMode(std::string_view text) {
  for (const IpMode mode : kModes) {
    if (text == entry(mode).name) return mode;
  }
  return std::nullopt;
}

const char* ipModeName(IpMode mode) { return entry(mode).name; }
uint32_t configValue(IpMode mode, uint32_t supported) {
  return entry(mode).bit | (supported & gvcp::Registers::kIpConfigLla);
}
uint32_t supportBit(IpMode mode) { return entry(mode).bit; }

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
