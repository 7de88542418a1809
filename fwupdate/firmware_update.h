// The one firmware update of a camera, under the library's doFwUpdate and the
// command line's `firmware`: a session with the caller's policy takes control,
// reads the identity and checks the image's file name against the model, the
// caller confirms, the image is programmed into flash (the stop check may end
// the upload before the camera is told to flash), control is taken again, and
// the camera is restarted and waited for as the caller's plan says. Prints
// nothing: the caller follows it through callbacks and gets a typed outcome,
// a failure as a device::Fault status worded for the operator. Control is
// given back on every path that did not restart the camera. The caller's
// thread; the callbacks run on it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "device/camera_return.h"
#include "device/camera_session.h"
#include "fwupdate/firmware_steps.h"
#include "fwupdate/flash_program.h"
#include "gvcp/status.h"

namespace fwupdate {

struct FirmwareRequest {
  device::SessionTarget target;
  std::string imagePath;  // read when programming starts, unless `image` is given
  std::string imageName;  // the name checked against the model (the path, or its file name)
  // Already read and checked: programmed as it is, whatever the file holds by then.
  std::optional<std::span<const uint8_t>> image = std::nullopt;
  device::SessionPolicy session;
  uint16_t flashPort = gvcp::kEpcsPort;
  FlashProgramOptions flash;  // its `out` takes the programming trace; none when null
  bool dryRun = false;        // end once the image is confirmed to fit; nothing is written
  // The restart and wait; with a readBackPort the version when back must be read.
  device::RestartPlan restart;
};

// Each may be empty.
struct FirmwareCallbacks {
  // Asked between the steps up to the upload and before each block: true
  // ends the update (kInterrupted) before the camera is told to flash.
  std::function<bool()> stop;
  // Right after the identity was read, whether or not the image fits.
  std::function<void(const device::FirmwareIdentity&)> identityRead;
  // Once the image fits the model: false ends the update with nothing written.
  std::function<bool(const device::FirmwareIdentity&)> confirm;
  std::function<void()> uploadStarts;  // just before the image goes to the camera
  FlashHooks progress;                 // its `stop` is replaced by the stop check
  std::function<void()> restarting;    // control is held again; the restart comes next
};

// Where an update ended.
enum class FirmwareStage {
  kControl,  // control was not granted; nothing was read
  kChecked,  // ended after the identity (refused, declined, stopped or a dry run)
  kProgram,  // programming failed or was stopped; the camera was not restarted
  kRetake,   // control was not granted again after programming; not restarted
  kRestart,  // the restart and the wait ran
};

struct FirmwareOutcome {
  gvcp::Status status = gvcp::Status::Ok();  // a device::Fault when it failed
  FirmwareStage stage = FirmwareStage::kControl;
  device::FirmwareIdentity before;
  bool uploaded = false;       // the image went to the camera (from kProgram on)
  device::RestartReturn back;  // at kRestart: where and when it came back, and its identity
};

FirmwareOutcome updateCamera(const FirmwareRequest& request, const FirmwareCallbacks& callbacks);

}  // namespace fwupdate
