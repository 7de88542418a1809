#include "fwupdate/firmware_update.h"

#include "device/fault.h"
#include "gvcp/camera_text.h"
#include "net/address_set.h"
#include "net/ipv4.h"
#include "net/macaddress.h"
#include "net/socket_address.h"

namespace fwupdate {

namespace {

using device::Fault;
using device::fault;

bool stopAsked(const FirmwareCallbacks& callbacks) { return callbacks.stop && callbacks.stop(); }

gvcp::Status stopped() { return fault(Fault::kInterrupted, "interrupted"); }
gvcp::Status failed(std::string what) { return fault(Fault::kFailed, std::move(what)); }

// The identity step: the image must fit the model and the caller confirm.
gvcp::Status checked(const FirmwareRequest& request, const FirmwareCallbacks& callbacks,
                     const device::FirmwareIdentity& identity, const std::string& camera) {
  if (stopAsked(callbacks)) return stopped();
  if (!imageFitsCamera(identity, request.imageName)) {
    return failed("image " + gvcp::tableSafe(request.imageName) + " is not for model '" +
                  gvcp::tableSafe(identity.model) + "' of the " + camera + "; nothing was written");
  }
  if (callbacks.confirm && !callbacks.confirm(identity)) {
    // A signal during the question ends it as well.
    if (stopAsked(callbacks)) return stopped();
    return failed("not confirmed; nothing was written");
  }
  if (!request.dryRun && stopAsked(callbacks)) return stopped();
  return gvcp::Status::Ok();
}

// Until flashing starts the camera keeps its firmware; after that the state
// of its flash is unknown, and restarting it could leave it unable to start.
std::string programFailure(int result, const FirmwareRequest& request, const std::string& camera) {
  switch (result) {
    case kProgramUnreadableImage:
      return "image " + request.imagePath + " could not be read";
    case kProgramAnnounceFailed:
      return camera + " did not accept the image; nothing was programmed";
    case kProgramBlockFailed:
      return camera + " stopped answering during the upload; nothing was programmed";
    case kProgramInterfaceFailed:
      return "the image could not be sent through the adapter of the " + camera +
             "; nothing was programmed";
    case kProgramStartFailed:
      return camera + " did not confirm the start of programming; it was not restarted";
    default:
      return camera + " did not report the end of programming within " +
             wholeSeconds(request.flash.completionBound) + " s; it was not restarted";
  }
}

// What went wrong with the camera's return; with a read-back, only its own
// identity with a version lets the update be judged.
std::optional<std::string> returnFailure(const device::RestartReturn& back,
                                         const FirmwareRequest& request,
                                         const std::string& camera) {
  switch (back.outcome) {
    case device::RestartOutcome::kChannelFailed:
      return "the control channel to the " + camera + " failed during its restart";
    case device::RestartOutcome::kStillRunning:
      return camera + " was programmed but did not restart";
    case device::RestartOutcome::kNotBack:
      return camera + " was programmed but did not answer within " +
             wholeSeconds(request.restart.search.bound) + " s of its restart";
    case device::RestartOutcome::kBack:
      break;
  }
  if (!request.restart.readBackPort) return std::nullopt;
  const std::string at = back.ip.text();
  if (back.stranger) {
    return camera + " was programmed and restarted, but the device answering at " + at + " is " +
           net::macText(*back.stranger) + ", not the camera; its device version was not read";
  }
  if (back.identity.versionRead) return std::nullopt;
  return camera + " is back at " + at +
         " after its restart, but its device version could not be read";
}

gvcp::Status program(const FirmwareRequest& request, const FirmwareCallbacks& callbacks,
                     const std::string& camera) {
  FlashHooks hooks = callbacks.progress;
  hooks.stop = callbacks.stop;
  const sockaddr_in flashPort = net::socketAddress(request.target.ip.network(), request.flashPort);
  const int result = request.image
                         ? programFlash(flashPort, *request.image, request.flash, hooks)
                         : programFlash(flashPort, request.imagePath.c_str(), request.flash, hooks);
  if (result == kProgramStopped) return stopped();
  return result < 0 ? failed(programFailure(result, request, camera)) : gvcp::Status::Ok();
}

gvcp::Status run(const FirmwareRequest& request, const FirmwareCallbacks& callbacks,
                 FirmwareOutcome& outcome) {
  const std::string camera = "camera at " + request.target.ip.text();
  device::CameraSession session(request.target, request.session);
  if (!session.take().ok()) return failed(camera + " did not grant control");
  outcome.before = device::readFirmwareIdentity(session.camera());
  outcome.stage = FirmwareStage::kChecked;
  if (callbacks.identityRead) callbacks.identityRead(outcome.before);
  const gvcp::Status fits = checked(request, callbacks, outcome.before, camera);
  if (!fits.ok() || request.dryRun) return fits;
  outcome.stage = FirmwareStage::kProgram;
  outcome.uploaded = true;
  if (callbacks.uploadStarts) callbacks.uploadStarts();
  const gvcp::Status programmed = program(request, callbacks, camera);
  if (!programmed.ok()) return programmed;
  outcome.stage = FirmwareStage::kRetake;
  if (!session.take(kRetakeControlTries).ok()) {
    return failed(camera + " did not grant control again after programming; it was not restarted");
  }
  outcome.stage = FirmwareStage::kRestart;
  if (callbacks.restarting) callbacks.restarting();
  outcome.back = device::restartAndReturn(session, request.restart);
  const std::optional<std::string> problem = returnFailure(outcome.back, request, camera);
  return problem ? failed(*problem) : gvcp::Status::Ok();
}

}  // namespace

FirmwareOutcome updateCamera(const FirmwareRequest& request, const FirmwareCallbacks& callbacks) {
  FirmwareOutcome outcome;
  outcome.status = run(request, callbacks, outcome);
  return outcome;
}

}  // namespace fwupdate
