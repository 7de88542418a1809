#include "fwupdate/firmware_update.h"

#include "net/socket_address.h"

FirmwareOutcome runFirmwareUpdate(const FirmwareUpdatePlan& plan, const FirmwareHooks& hooks) {
  FirmwareOutcome outcome;
  device::CameraSession session(plan.target, plan.session);
  if (!session.take().ok()) return outcome;
  outcome.before = device::readFirmwareIdentity(session.camera());
  outcome.stage = FirmwareStage::kDeclined;
  const bool fits = imageFitsCamera(outcome.before, plan.checkedName);
  if (!hooks.identityRead(outcome.before, fits)) return outcome;
  outcome.stage = FirmwareStage::kProgram;
  if (hooks.programming) hooks.programming();
  // Until the camera confirms the end of flashing it keeps running its old
  // firmware; restarting it over an unconfirmed flash could leave it unable
  // to start.
  const sockaddr_in flashPort = net::socketAddress(plan.target.ip, plan.flashPort);
  outcome.programResult =
      plan.image ? programFlash(flashPort, *plan.image, plan.flash, hooks.flash)
                 : programFlash(flashPort, plan.imagePath.c_str(), plan.flash, hooks.flash);
  if (outcome.programResult < 0) return outcome;
  outcome.stage = FirmwareStage::kRetake;
  if (!session.take(kRetakeControlTries).ok()) return outcome;
  outcome.stage = FirmwareStage::kRestart;
  outcome.restart = hooks.restartAndAwait(session);
  return outcome;
}
