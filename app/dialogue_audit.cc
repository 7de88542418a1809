#include "app/dialogue_audit.h"

#include <cstdio>

#include "audit/audit_trail.h"
#include "device/ip_config_writer.h"
#include "gvcp/registers.h"
#include "net/ipv4address.h"
#include "net/macaddress.h"

namespace {

// The names the command line's records use for the dialogue's three choices.
std::string configName(std::optional<uint32_t> value) {
  if (!value) return "unread";
  switch (*value & device::kIpConfigModeBits) {
    case gvcp::Registers::kConfigPersistentLla:
      return "persistent";
    case gvcp::Registers::kConfigDhcpLla:
      return "dhcp";
    case gvcp::Registers::kConfigLlaOnly:
      return "lla";
    default: {
      char hex[16];
      std::snprintf(hex, sizeof hex, "0x%x", *value);
      return hex;
    }
  }
}

audit::ChangeRecord recordOf(audit::Action action, const GigE_Camera_Info& camera, uint32_t ip) {
  audit::ChangeRecord record;
  record.action = action;
  record.cameraMac = net::macText(std::span<const uint8_t, 6>(camera.cameraMacHw));
  record.cameraIp = net::dottedQuad(ip);
  record.adapter = camera.adaptor.getName();
  return record;
}

}  // namespace

void recordDialogueForceIp(const GigE_Camera_Info& camera, const ForceIpSet& set) {
  audit::ChangeRecord record = recordOf(audit::Action::kForceIp, camera, camera.currentIp);
  record.changes = {{"ip", net::dottedQuad(camera.currentIp), net::dottedQuad(set.ip)},
                    {"mask", net::dottedQuad(camera.currentSubnetMask), net::dottedQuad(set.mask)}};
  audit::recordChange(record);
}

void recordDialogueConfig(const GigE_Camera_Info& camera, uint32_t ip, const ConfigWrite& write) {
  audit::ChangeRecord record = recordOf(audit::Action::kSet, camera, ip);
  if (write.persistent) {
    record.changes.push_back({"persistent_ip", "", net::dottedQuad(write.persistent->ip)});
    record.changes.push_back({"persistent_mask", "", net::dottedQuad(write.persistent->mask)});
  }
  record.changes.push_back({"mode", configName(write.before), configName(write.written)});
  record.result = write.ok ? audit::Result::kOk
                           : (write.persistent ? audit::Result::kPartial : audit::Result::kFailed);
  audit::recordChange(record);
}
