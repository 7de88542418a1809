#include "cli/commands/firmware_command.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>

#include "audit/audit_trail.h"
#include "cli/change_audit.h"
#include "cli/input/address_rules.h"
#include "cli/output/firmware_upload_view.h"
#include "cli/output/table_render.h"
#include "cli/shared_address.h"
#include "device/camera_return.h"
#include "fwupdate/firmware_update.h"
#include "fwupdate/sha256.h"
#include "net/macaddress.h"

namespace cli {

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
    case kProgramInterfaceFailed:
      return "the image could not be sent through the adapter of the " + camera +
             "; nothing was programmed";
    case kProgramStartFailed:
      return camera + " did not confirm the start of programming; it was not restarted";
    default:
      return camera + " did not report the end of programming within " +
             wholeSeconds(job.completionBound) + " s; it was not restarted";
  }
}

std::string restartFailure(device::RestartOutcome outcome, const std::string& address,
                           const FirmwareJob& job) {
  const std::string camera = "camera at " + address;
  if (outcome == device::RestartOutcome::kChannelFailed) {
    return "the control channel to the " + camera + " failed during its restart";
  }
  if (outcome == device::RestartOutcome::kStillRunning) {
    return camera + " was programmed but did not restart";
  }
  return camera + " was programmed but did not answer within " + wholeSeconds(job.returnBound) +
         " s of its restart";
}

nlohmann::ordered_json cameraData(const std::string& address,
                                  const device::FirmwareIdentity& identity) {
  return {{"ip", address}, {"model", identity.model}};
}

CommandResult dryRun(const std::string& address, const device::FirmwareIdentity& identity,
                     const std::string& image, const std::string& digest) {
  CommandResult result;
  result.data["camera"] = cameraData(address, identity);
  result.data["image"] = image;
  result.data["image_sha256"] = digest;
  result.data["dry_run"] = true;
  result.data["device_version"] = {{"old", identity.version}};
  result.text = "dry run: image " + gvcp::tableSafe(image) + " fits camera at " + address +
                "; nothing was written\n";
  return result;
}

// Where the restarted camera answered again, dotted.
std::string backAt(const device::RestartReturn& back) { return dottedText(back.ip); }

CommandResult updated(const std::string& address, const device::FirmwareIdentity& before,
                      const device::RestartReturn& back, const FirmwareJob& job, double seconds,
                      std::ostream& err) {
  const std::string image = fileNameOf(job.imagePath);
  const device::FirmwareIdentity& after = back.identity;
  const bool changed = after.version != before.version;
  CommandResult result;
  result.data["camera"] = cameraData(backAt(back), after);
  result.data["image"] = image;
  result.data["image_sha256"] = job.imageSha256;
  result.data["device_version"] = {{"old", before.version}, {"new", after.version}};
  result.data["version_changed"] = changed;
  result.data["seconds"] = seconds;
  result.text = "camera at " + address + ": firmware " + gvcp::tableSafe(image) +
                " programmed, device version " + gvcp::tableSafe(before.version) + " -> " +
                gvcp::tableSafe(after.version) +
                (backAt(back) == address ? "" : ", back at " + backAt(back)) + "\n";
  if (!changed) {
    err << "warning: camera at " << backAt(back) << " still reports device version "
        << gvcp::tableSafe(after.version) << " after the update\n";
  }
  return result;
}

// The restart and the wait: by MAC through the adapters, at the same
// address when there are none; a signal is only noted, as the camera was
// flashed. The version it reports when back is read through the job's port.
device::RestartPlan returnPlan(const device::CameraTarget& target, const FirmwareJob& job,
                               cli::FirmwareUploadView& view) {
  return {target.mac, !job.returnAdapters.empty(),
          device::ReturnSearch{job.returnAdapters, job.returnBound,
                               [&view] {
                                 view.noteSignal();
                                 return false;  // the camera is flashed: always wait
                               },
                               std::nullopt},
          std::nullopt, job.gvcpPort};
}

// Shows the identity on `err`, checks the image, honours --dry-run and asks
// for confirmation; empty when the upload may begin.
std::optional<CommandResult> decide(const device::FirmwareIdentity& identity, bool fits,
                                    const std::string& address, const FirmwareJob& job,
                                    const FirmwareConsole& console, const cli::SignalGuard& signals,
                                    std::ostream& err) {
  if (signals.stopRequested()) return interrupted();
  const std::string image = fileNameOf(job.imagePath);
  if (!fits) {
    return failure(ExitCode::kFailed, "image " + gvcp::tableSafe(image) + " is not for model '" +
                                          gvcp::tableSafe(identity.model) + "' of the camera at " +
                                          address + "; nothing was written");
  }
  err << "camera at " << address << ": model " << gvcp::tableSafe(identity.model)
      << ", device version " << gvcp::tableSafe(identity.version) << "\n"
      << "image " << gvcp::tableSafe(image) << ": SHA-256 " << job.imageSha256 << "\n";
  if (job.dryRun) return dryRun(address, identity, image, job.imageSha256);
  if (!job.yes && !confirmed(console, err)) {
    // A signal at the prompt ends the read as well.
    if (signals.stopRequested()) return interrupted();
    return failure(ExitCode::kFailed, "not confirmed; nothing was written");
  }
  if (signals.stopRequested()) return interrupted();
  return std::nullopt;
}

// The outcome of an update that ran past the identity step, worded.
CommandResult worded(const FirmwareOutcome& outcome, const device::RestartReturn& back,
                     const std::string& address, const FirmwareJob& job, double seconds,
                     std::ostream& err) {
  switch (outcome.stage) {
    case FirmwareStage::kControl:
      return failure(ExitCode::kFailed, "camera at " + address + " did not grant control");
    case FirmwareStage::kProgram:
      if (outcome.programResult == kProgramStopped) return interrupted();
      return failure(ExitCode::kFailed, programFailure(outcome.programResult, address, job));
    case FirmwareStage::kRetake:
      return failure(ExitCode::kFailed, "camera at " + address +
                                            " did not grant control again after programming; it "
                                            "was not restarted");
    case FirmwareStage::kDeclined:
    case FirmwareStage::kRestart:
      break;
  }
  if (outcome.restart != device::RestartOutcome::kBack) {
    return failure(ExitCode::kFailed, restartFailure(outcome.restart, address, job));
  }
  if (back.stranger) {
    return failure(ExitCode::kFailed, "camera at " + address +
                                          " was programmed and restarted, but the device "
                                          "answering at " +
                                          backAt(back) + " is " + net::macText(*back.stranger) +
                                          ", not the camera; its device version was not read");
  }
  if (!back.identity.versionRead) {
    return failure(ExitCode::kFailed, "camera at " + address + " is back at " + backAt(back) +
                                          " after its restart, but its device version could not "
                                          "be read");
  }
  return updated(address, outcome.before, back, job, seconds, err);
}

// The audit record of an update whose upload began.
void recordUpdate(const device::CameraTarget& target, const FirmwareJob& job,
                  const FirmwareOutcome& outcome, const device::RestartReturn& back,
                  const CommandResult& result) {
  std::vector<SettingChange> changes;
  if (result.code == ExitCode::kOk) {
    changes.push_back({"device_version", outcome.before.version, back.identity.version});
  }
  audit::ChangeRecord record =
      changeRecordOf(audit::Action::kFirmware, target, result, false, changes);
  record.imageSha256 = job.imageSha256;
  audit::recordChange(record);
}

}  // namespace

FirmwareConsole processConsole() {
  return {::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1, &std::cin};
}

std::optional<CommandResult> firmwareJobProblem(FirmwareJob& job, const FirmwareConsole& console) {
  if (!job.yes && !job.dryRun && !console.inputIsTerminal) {
    return failure(ExitCode::kUsage,
                   "firmware: no terminal to confirm on; give --yes to program without asking");
  }
  const std::optional<std::vector<uint8_t>> image = readFirmwareImage(job.imagePath.c_str());
  if (!image) return failure(ExitCode::kUsage, "IMAGE: cannot read " + job.imagePath);
  if (image->empty()) return failure(ExitCode::kUsage, "IMAGE: " + job.imagePath + " is empty");
  job.image = *image;
  job.imageSha256 = fwupdate::sha256Hex(job.image);
  if (!job.expectedSha256.empty() && job.expectedSha256 != job.imageSha256) {
    return failure(ExitCode::kUsage, "--sha256: image " + job.imagePath + " has SHA-256 " +
                                         job.imageSha256 + ", not " + job.expectedSha256 +
                                         "; nothing was written");
  }
  return std::nullopt;
}

CommandResult updateCameraFirmware(const device::CameraTarget& target, const FirmwareJob& job,
                                   const FirmwareConsole& console, cli::SignalGuard& signals,
                                   std::ostream& err) {
  const std::string& address = target.address;
  cli::FirmwareUploadView view(console.errIsTerminal, err, signals);
  std::optional<CommandResult> ended;
  device::RestartReturn back;
  FirmwareHooks hooks;
  hooks.identityRead = [&](const device::FirmwareIdentity& identity, bool fits) {
    ended = decide(identity, fits, address, job, console, signals, err);
    return !ended;
  };
  auto start = Clock::now();
  bool uploaded = false;
  hooks.programming = [&] {
    uploaded = true;
    start = Clock::now();
    view.uploadStarts();
  };
  hooks.flash = view.hooks();
  hooks.restartAndAwait = [&](device::CameraSession& session) {
    back = device::restartAndReturn(session, returnPlan(target, job, view));
    return back.outcome;
  };
  const FirmwareUpdatePlan plan{device::sessionTarget(target),
                                job.imagePath,
                                fileNameOf(job.imagePath),
                                device::SessionPolicy{.port = job.gvcpPort},
                                job.flashPort,
                                {job.completionBound, nullptr, target.interface},
                                std::span<const uint8_t>(job.image)};
  const FirmwareOutcome outcome = runFirmwareUpdate(plan, hooks);
  if (ended) return *ended;
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  CommandResult result = worded(outcome, back, address, job, seconds, err);
  if (result.code == ExitCode::kOk && view.uploadSeconds()) {
    result.data["upload_seconds"] = *view.uploadSeconds();
  }
  if (uploaded) recordUpdate(target, job, outcome, back, result);
  return result;
}

CommandResult runFirmware(const Invocation& invocation, const Selector& selector,
                          const std::vector<Adaptor>& adapters, cli::SignalGuard& signals,
                          std::ostream& err) {
  FirmwareJob job;
  job.imagePath = invocation.imagePath;
  job.yes = invocation.yes;
  job.dryRun = invocation.dryRun;
  job.expectedSha256 = invocation.imageSha256;
  job.returnAdapters = adapters;
  const FirmwareConsole console = processConsole();
  if (std::optional<CommandResult> problem = firmwareJobProblem(job, console)) return *problem;
  const Relocation found = findChangeable(invocation, selector, adapters, signals, err);
  if (found.failure) return *found.failure;
  if (signals.stopRequested()) return interrupted();
  return withTemporaryIp(updateCameraFirmware(found.target, job, console, signals, err), found);
}

}  // namespace cli
