#include "cli/commands/show_command.h"

#include <memory>
#include <optional>

#include "cli/camera_lookup.h"
#include "cli/output/camera_view.h"
#include "cli/output/json_render.h"
#include "cli/output/table_render.h"
#include "device/camera_settings.h"

namespace cli {

namespace {

CommandResult render(const device::CameraSettings& settings,
                     const std::optional<AdapterView>& adapter) {
  const CameraView view = viewOf(settings, adapter);
  CommandResult result;
  result.data["camera"] = settingsJson(view, settings);
  result.text = showBlock(view, settings);
  return result;
}

}  // namespace

CommandResult runShow(const Invocation& invocation, const Selector& selector,
                      const std::vector<Adaptor>& adapters, std::ostream& err) {
  const TargetLookup lookup = findCamera(invocation, selector, adapters, err);
  if (!lookup.target) return lookup.failure;
  const std::unique_ptr<Camera> camera = openCamera(lookup.target->ip);
  device::CameraSettings settings;
  const gvcp::Status status = device::readCameraSettings(*camera, settings);
  if (!status.ok()) {
    return failure(ExitCode::kFailed,
                   "camera at " + lookup.target->address + ": " + status.toString());
  }
  const std::optional<Adaptor>& adapter = lookup.target->adapter;
  return render(settings, adapter ? std::optional(adapterView(*adapter)) : std::nullopt);
}

}  // namespace cli
