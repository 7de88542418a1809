#include <memory>
#include <optional>

#include "cli/camera/camera_lookup.h"
#include "cli/commands/camera_frame.h"
#include "cli/commands/commands.h"
#include "cli/output/json_render.h"
#include "cli/output/table_render.h"
#include "device/address_sharers.h"
#include "device/camera_record.h"
#include "device/camera_settings.h"
#include "net/privilege.h"

namespace cli {

namespace {

// The record of what was read, with the cameras that share its address among
// those the lookup's discovery heard (none for an address read directly).
device::CameraRecord recordWithSharing(const device::CameraSettings& settings,
                                       const device::Lookup& lookup,
                                       const std::vector<net::Ipv4>& hostAddresses) {
  const std::optional<Adaptor>& adapter = lookup.target->adapter;
  device::CameraRecord shown = device::recordOf(
      settings, adapter ? std::optional(device::adapterRecord(*adapter)) : std::nullopt);
  std::vector<device::CameraRecord> heard{shown};
  for (const GigE_Camera_Info& camera : lookup.found) heard.push_back(device::recordOf(camera));
  device::noteSharing(heard, hostAddresses);
  return heard.front();
}

}  // namespace

CommandResult runShow(const CommandContext& context) {
  const device::Lookup lookup = noteLookup(
      device::findCamera(*context.selector, context.adapters, windowOf(context.invocation)),
      context.err);
  // The reads need no privilege. A lookup that heard the camera by UDP
  // alone opened no capture, whose opening would have given it up.
  net::dropForGood();
  if (!lookup.target) return lookupFailure(lookup);
  device::CameraSettings settings;
  if (const gvcp::Status read = device::readTarget(*lookup.target, settings); !read.ok()) {
    return failureOf(read, "camera at " + lookup.target->ip.text());
  }
  const device::CameraRecord view =
      recordWithSharing(settings, lookup, device::hostAddresses(context.host));
  CommandResult result;
  result.data["camera"] = settingsJson(view, settings);
  result.text = showBlock(view, settings);
  return result;
}

}  // namespace cli
