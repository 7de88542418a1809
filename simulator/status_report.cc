#include "simulator/status_report.h"

#include <sstream>

namespace sim {
namespace {

std::string holderText(const Control& control) {
  if (!control.holder) return "none";
  return dotted(control.holder->ip) + ":" + std::to_string(control.holder->port);
}

}  // namespace

std::string statusText(const DeviceState& s, const FlashState& flash, bool restarting) {
  std::ostringstream out;
  out << "address " << dotted(s.current.ip) << "\n"
      << "mask " << dotted(s.current.mask) << "\n"
      << "gateway " << dotted(s.current.gateway) << "\n"
      << "ip_config " << s.persisted.ipConfig << "\n"
      << "ccp " << s.control.ccp << "\n"
      << "ccp_holder " << holderText(s.control) << "\n"
      << "heartbeat_timeout_ms " << s.heartbeatTimeoutMs << "\n"
      << "last_ip_config_written "
      << (s.lastIpConfigWritten ? std::to_string(*s.lastIpConfigWritten) : "none") << "\n"
      << "persistent_ip " << dotted(s.persisted.address.ip) << "\n"
      << "persistent_mask " << dotted(s.persisted.address.mask) << "\n"
      << "reboots " << s.persisted.rebootCount << "\n"
      << "restarting " << (restarting ? 1 : 0) << "\n"
      << "flash_phase " << flashPhaseName(flash.phase) << "\n"
      << "flash_blocks " << flash.blocksWritten << "\n";
  for (const auto& [kind, count] : s.counts) out << "count_" << kind << " " << count << "\n";
  return out.str();
}

}  // namespace sim
