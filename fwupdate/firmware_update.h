// The one firmware update of a camera, under the library's doFwUpdate and the
// command line's `firmware`: a session with the caller's policy takes control,
// the identity the update shows is read and the image's file name checked
// against the model, the caller decides whether to go on, the image is
// programmed into flash (hooks follow the upload and may stop it before the
// camera is told to flash), control is taken again, and the caller's wait
// restarts the camera and waits for its return. Prints nothing: each stage
// is reported through a hook and the outcome. Control is given back on every
// path that did not restart the camera. The caller's thread; hooks run on it.
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

struct FirmwareUpdatePlan {
  device::SessionTarget target;
  std::string imagePath;    // read when programming starts, unless `image` is given
  std::string checkedName;  // the name checked against the model (the path, or its file name)
  device::SessionPolicy session;
  uint16_t flashPort = gvcp::kEpcsPort;
  FlashProgramOptions flash;  // its `out` takes the programming trace; none when null
  // The image its caller already read and checked: programmed as it is, so
  // the camera gets those bytes whatever the file holds by then.
  std::optional<std::span<const uint8_t>> image = std::nullopt;
};

// Where an update ended.
enum class FirmwareStage {
  kControl,   // control was not granted; nothing was read
  kDeclined,  // the caller did not go on after the identity; nothing was written
  kProgram,   // programming failed or was stopped; the camera was not restarted
  kRetake,    // control was not granted again after programming; not restarted
  kRestart,   // the restart and the wait ran: `restart` says how they ended
};

// identityRead and restartAndAwait are required; the others may be empty.
struct FirmwareHooks {
  // After the identity was read; `fits` says whether the image's file name
  // fits the model. False ends the update with nothing written.
  std::function<bool(const device::FirmwareIdentity& identity, bool fits)> identityRead;
  // Just before the image goes to the camera.
  std::function<void()> programming;
  FlashHooks flash;
  // The restart and the wait for the camera's return, e.g. device::restartAndReturn.
  std::function<device::RestartOutcome(device::CameraSession& session)> restartAndAwait;
};

struct FirmwareOutcome {
  FirmwareStage stage = FirmwareStage::kControl;
  device::FirmwareIdentity before;
  int programResult = 0;  // programFlash's, from kProgram on
  device::RestartOutcome restart = device::RestartOutcome::kNotBack;  // at kRestart
};

FirmwareOutcome runFirmwareUpdate(const FirmwareUpdatePlan& plan, const FirmwareHooks& hooks);
