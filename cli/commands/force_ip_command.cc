#include "cli/camera/camera_lookup.h"
#include "cli/camera/change_audit.h"
#include "cli/commands/commands.h"
#include "device/force_ip_port.h"

namespace cli {

CommandResult runForceIp(const CommandContext& context) {
  const Invocation& invocation = context.invocation;
  // Checked first, so that a run without the privilege sends nothing at all.
  std::variant<net::PacketSocket, gvcp::Status> arpSocket = device::openProbeSocket("force-ip");
  if (auto* refused = std::get_if<gvcp::Status>(&arpSocket)) return failureOf(*refused);
  const device::Lookup lookup =
      noteLookup(device::findDiscovered(*context.selector, context.adapters, windowOf(invocation)),
                 context.err);
  if (!lookup.camera) return lookupFailure(lookup);
  const device::CameraTarget camera = device::targetOf(*lookup.camera);
  device::NetworkPort port(camera, std::move(std::get<net::PacketSocket>(arpSocket)),
                           invocation.timeoutMs);
  return runRecordedForceIp(audit::Action::kForceIp, camera,
                            device::forceIpPlan(camera, *invocation.addresses, invocation.autoIp,
                                                invocation.force, context.host),
                            port, *context.signals, context.err);
}

}  // namespace cli
