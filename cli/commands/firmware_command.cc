#include "cli/commands/firmware_command.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>

#include "cli/control_session.h"
#include "cli/output/firmware_upload_view.h"
#include "cli/output/table_render.h"
#include "fwupdate/firmware_steps.h"
#include "gvcp/control_privilege.h"
#include "net/socket_address.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string wholeSeconds(std::chrono::milliseconds span) {
  return std::to_string(std::chrono::ceil<std::chrono::seconds>(span).count());
}

std::string fileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

bool confirmed(const FirmwareConsole& console, std::ostream& err) {
  err << "proceed? [y/N] " << std::flush;
  std::string answer;
  if (console.in == nullptr || !std::getline(*console.in, answer)) return false;
  std::transform(answer.begin(), answer.end(), answer.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return answer == "y" || answer == "yes";
}

// Until flashing starts the camera keeps its firmware; after that the state
// of its flash is unknown, and restarting it could leave it unable to start.
std::string programFailure(int result, const std::string& address, const FirmwareJob& job) {
  const std::string camera = "camera at " + address;
  switch (result) {
    case kProgramUnreadableImage:
      return "image " + job.imagePath + " could not be read";
    case kProgramAnnounceFailed:
      return camera + " did not accept the image; nothing was programmed";
    case kProgramBlockFailed:
      return camera + " stopped answering during the upload; nothing was programmed";
    case kProgramStartFailed:
      return camera + " did not confirm the start of programming; it was not restarted";
    default:
      return camera + " did not report the end of programming within " +
             wholeSeconds(job.completionBound) + " s; it was not restarted";
  }
}

std::string restartFailure(RestartOutcome outcome, const std::string& address,
                           const FirmwareJob& job) {
  const std::string camera = "camera at " + address;
  switch (outcome) {
    case RestartOutcome::kStillRunning:
      return camera + " was programmed but did not restart";
    case RestartOutcome::kChannelFailed:
      return "the control channel to the " + camera + " failed during its restart";
    default:
      return camera + " was programmed but did not answer within " + wholeSeconds(job.returnBound) +
             " s of its restart";
  }
}

nlohmann::ordered_json cameraData(const std::string& address, const FirmwareIdentity& identity) {
  return {{"ip", address}, {"model", identity.model}};
}

CommandResult dryRun(const std::string& address, const FirmwareIdentity& identity,
                     const std::string& image) {
  CommandResult result;
  result.data["camera"] = cameraData(address, identity);
  result.data["image"] = image;
  result.data["dry_run"] = true;
  result.data["device_version"] = {{"old", identity.version}};
  result.text = "dry run: image " + tableSafe(image) + " fits camera at " + address +
                "; nothing was written\n";
  return result;
}

CommandResult updated(const std::string& address, const FirmwareIdentity& before,
                      const FirmwareIdentity& after, const std::string& image, double seconds) {
  CommandResult result;
  result.data["camera"] = cameraData(address, after);
  result.data["image"] = image;
  result.data["device_version"] = {{"old", before.version}, {"new", after.version}};
  result.data["seconds"] = seconds;
  result.text = "camera at " + address + ": firmware " + tableSafe(image) +
                " programmed, device version " + tableSafe(before.version) + " -> " +
                tableSafe(after.version) + "\n";
  return result;
}

// From the end of flashing: control again, the restart, and the version the
// camera reports when it is back.
CommandResult restartAndReport(ControlSession& session, const std::string& address,
                               const FirmwareJob& job, const FirmwareIdentity& before,
                               cli::FirmwareUploadView& view, Clock::time_point start) {
  Camera& camera = session.camera();
  if (!control::take(camera, kRetakeControlTries)) {
    return failure(ExitCode::kFailed, "camera at " + address +
                                          " did not grant control again after programming; it "
                                          "was not restarted");
  }
  session.endedByRestart();
  const RestartOutcome outcome =
      restartAndAwait(camera, job.returnBound, [&view] { view.noteSignal(); });
  if (outcome != RestartOutcome::kBack) {
    return failure(ExitCode::kFailed, restartFailure(outcome, address, job));
  }
  const FirmwareIdentity after = readFirmwareIdentity(camera);
  if (!after.versionRead) {
    return failure(ExitCode::kFailed, "camera at " + address +
                                          " is back after its restart, but its device version "
                                          "could not be read");
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return updated(address, before, after, fileNameOf(job.imagePath), seconds);
}

}  // namespace

FirmwareConsole processConsole() {
  return {::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1, &std::cin};
}

std::optional<CommandResult> firmwareJobProblem(const FirmwareJob& job,
                                                const FirmwareConsole& console) {
  if (!job.yes && !job.dryRun && !console.inputIsTerminal) {
    return failure(ExitCode::kUsage,
                   "firmware: no terminal to confirm on; give --yes to program without asking");
  }
  const std::optional<std::vector<uint8_t>> image = readFirmwareImage(job.imagePath.c_str());
  if (!image) return failure(ExitCode::kUsage, "IMAGE: cannot read " + job.imagePath);
  if (image->empty()) return failure(ExitCode::kUsage, "IMAGE: " + job.imagePath + " is empty");
  return std::nullopt;
}

CommandResult updateCameraFirmware(const CameraTarget& target, const FirmwareJob& job,
                                   const FirmwareConsole& console, cli::SignalGuard& signals,
                                   std::ostream& err) {
  const std::string& address = target.address;
  ControlSession session(target.ip, job.gvcpPort);
  if (!session.take()) {
    return failure(ExitCode::kFailed, "camera at " + address + " did not grant control");
  }
  if (signals.stopRequested()) return interrupted();
  const FirmwareIdentity before = readFirmwareIdentity(session.camera());
  const std::string image = fileNameOf(job.imagePath);
  if (!imageFitsCamera(before, image)) {
    return failure(ExitCode::kFailed, "image " + tableSafe(image) + " is not for model '" +
                                          tableSafe(before.model) + "' of the camera at " +
                                          address + "; nothing was written");
  }
  err << "camera at " << address << ": model " << tableSafe(before.model) << ", device version "
      << tableSafe(before.version) << "\n";
  if (job.dryRun) return dryRun(address, before, image);
  if (!job.yes && !confirmed(console, err)) {
    // A signal at the prompt ends the read as well.
    if (signals.stopRequested()) return interrupted();
    return failure(ExitCode::kFailed, "not confirmed; nothing was written");
  }
  if (signals.stopRequested()) return interrupted();
  const auto start = Clock::now();
  cli::FirmwareUploadView view(console.errIsTerminal, err, signals);
  const int programmed =
      programFlash(socketAddress(target.ip, job.flashPort), job.imagePath.c_str(),
                   {job.completionBound, nullptr}, view.hooks());
  if (programmed == kProgramStopped) return interrupted();
  if (programmed < 0) {
    return failure(ExitCode::kFailed, programFailure(programmed, address, job));
  }
  return restartAndReport(session, address, job, before, view, start);
}

CommandResult runFirmware(const Invocation& invocation, const Selector& selector,
                          const std::vector<Adaptor>& adapters, cli::SignalGuard& signals,
                          std::ostream& err) {
  FirmwareJob job;
  job.imagePath = invocation.imagePath;
  job.yes = invocation.yes;
  job.dryRun = invocation.dryRun;
  const FirmwareConsole console = processConsole();
  if (std::optional<CommandResult> problem = firmwareJobProblem(job, console)) return *problem;
  const TargetLookup lookup = findCamera(invocation, selector, adapters, err);
  if (!lookup.target) return lookup.failure;
  if (signals.stopRequested()) return interrupted();
  return updateCameraFirmware(*lookup.target, job, console, signals, err);
}
