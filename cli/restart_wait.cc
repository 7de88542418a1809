#include "cli/restart_wait.h"

#include "cli/input/address_rules.h"
#include "gvcp/registers.h"

namespace cli {

std::optional<std::string> unexpectedReturn(uint32_t config, uint32_t persistentIp,
                                            uint32_t cameBackAt) {
  const bool linkLocal = (cameBackAt & kLinkLocalMask) == kLinkLocalNet;
  if ((config & gvcp::Registers::kIpConfigPersistent) != 0 && persistentIp != 0) {
    if (cameBackAt == persistentIp) return std::nullopt;
    return "expected its persistent address " + dottedText(persistentIp);
  }
  // A DHCP camera without a server falls back to a link-local address.
  if ((config & gvcp::Registers::kIpConfigDhcp) != 0) {
    if (cameBackAt != 0) return std::nullopt;
    return std::string("expected a DHCP or link-local address");
  }
  if (linkLocal) return std::nullopt;
  return std::string("expected a link-local address in 169.254.0.0/16");
}

}  // namespace cli
