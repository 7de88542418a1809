#include "device/link_speed.h"

#include "device/register_reads.h"
#include "gvcp/camera.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"

namespace device {

std::optional<uint32_t> readLinkSpeed(const GigE_Camera_Info& info) {
  Camera camera(info.sourceIp, gvcp::kPort);
  if (camera.bindToInterface(info.adaptor.getName()) != 0) return std::nullopt;
  uint32_t capabilities = 0;
  if (!readRegister(camera, gvcp::Registers::kGvcpCapability, capabilities).ok())
    return std::nullopt;
  if ((capabilities & kCapabilityLinkSpeed) == 0) return std::nullopt;
  uint32_t mbps = 0;
  if (!readRegister(camera, gvcp::Registers::kLinkSpeed, mbps).ok()) return std::nullopt;
  return mbps;
}

}  // namespace device
