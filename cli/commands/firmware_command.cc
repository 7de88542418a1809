#include "cli/commands/firmware_command.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>

#include "audit/audit_trail.h"
#include "cli/camera/change_audit.h"
#include "cli/camera/shared_address.h"
#include "cli/commands/camera_frame.h"
#include "cli/output/firmware_upload_view.h"
#include "fwupdate/firmware_update.h"
#include "fwupdate/sha256.h"

namespace cli {

namespace {

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

// The update as the job asks it: the image as checked, its file name against
// the model; the restarted camera by MAC through the adapters (at the same
// address when there are none) and its version read through the job's port.
// A signal during the wait is only noted, as the camera was flashed.
fwupdate::FirmwareRequest requestOf(const device::CameraTarget& target, const FirmwareJob& job,
                                    cli::FirmwareUploadView& view) {
  const device::ReturnSearch search{job.returnAdapters, job.returnBound,
                                    [&view] {
                                      view.noteSignal();
                                      return false;  // the camera is flashed: always wait
                                    },
                                    std::nullopt, target.serial};
  return {.target = device::sessionTarget(target),
          .imagePath = job.imagePath,
          .imageName = fileNameOf(job.imagePath),
          .image = std::span<const uint8_t>(job.image),
          .session = device::SessionPolicy{.port = job.gvcpPort},
          .flashPort = job.flashPort,
          .flash = {job.completionBound, nullptr, target.interface},
          .dryRun = job.dryRun,
          .restart = {target.mac, !job.returnAdapters.empty(), search, std::nullopt, job.gvcpPort}};
}

// The audit record of an update whose upload began.
void recordUpdate(const device::CameraTarget& target, const FirmwareJob& job,
                  const fwupdate::FirmwareOutcome& outcome, const CommandResult& result) {
  std::vector<SettingChange> changes;
  if (result.code == ExitCode::kOk) {
    changes.push_back({"device_version", outcome.before.version, outcome.back.identity.version});
  }
  audit::ChangeRecord record =
      changeRecordOf(audit::Action::kFirmware, target, result, false, changes);
  record.imageSha256 = job.imageSha256;
  audit::recordChange(record);
}

// The process's own: isatty on standard input and error, and std::cin.
FirmwareConsole processConsole() {
  return {::isatty(STDIN_FILENO) == 1, ::isatty(STDERR_FILENO) == 1, &std::cin};
}

}  // namespace

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
                                   const FirmwareConsole& console, os::SignalGuard& signals,
                                   std::ostream& err) {
  const FirmwareImage image{fileNameOf(job.imagePath), job.imageSha256};
  cli::FirmwareUploadView view(console.errIsTerminal, err, signals);
  fwupdate::FirmwareCallbacks callbacks;
  callbacks.stop = [&signals] { return signals.stopRequested(); };
  callbacks.confirm = [&](const device::FirmwareIdentity& identity) {
    showFirmwareIdentity(target.ip.text(), identity, image, err);
    return job.dryRun || job.yes || confirmed(console, err);
  };
  callbacks.uploadStarts = [&view] { view.uploadStarts(); };
  callbacks.progress = view.hooks();
  const fwupdate::FirmwareOutcome outcome =
      fwupdate::updateCamera(requestOf(target, job, view), callbacks);
  const CommandResult result = firmwareResult(outcome, target.ip.text(), image, view, err);
  if (outcome.uploaded) recordUpdate(target, job, outcome, result);
  return result;
}

CommandResult runFirmware(const CommandContext& context) {
  const Invocation& invocation = context.invocation;
  FirmwareJob job;
  job.imagePath = invocation.imagePath;
  job.yes = invocation.yes;
  job.dryRun = invocation.dryRun;
  job.expectedSha256 = invocation.imageSha256;
  job.returnAdapters = context.adapters;
  const FirmwareConsole console = processConsole();
  if (std::optional<CommandResult> problem = firmwareJobProblem(job, console)) return *problem;
  const Relocation found = findChangeable(context);
  if (found.failure) return *found.failure;
  if (context.signals->stopRequested()) return interrupted();
  return withTemporaryIp(
      updateCameraFirmware(found.target, job, console, *context.signals, context.err), found);
}

}  // namespace cli
