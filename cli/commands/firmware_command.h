// `firmware CAMERA IMAGE [--yes] [--dry-run]`: the checks of the job before
// anything is sent (the image read once, its SHA-256, a terminal to confirm
// on), the camera found by its selector, then fwupdate::updateCamera with the
// question asked here on the operator's console, the progress and the outcome
// worded by cli/output/firmware_upload_view. A stop signal during the upload
// ends it before the camera is told to flash (exit 130); once flashing has
// started the command waits for the camera. The caller's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/camera/camera_lookup.h"
#include "cli/exit_code.h"
#include "fwupdate/gige_fmupload.h"
#include "net/adaptor.h"
#include "os/signal_guard.h"

namespace cli {

// Where the operator is: whether standard input and standard error are
// terminals, and the stream a confirmation is read from.
struct FirmwareConsole {
  bool inputIsTerminal = false;
  bool errIsTerminal = false;
  std::istream* in = nullptr;
};

struct FirmwareJob {
  std::string imagePath;
  // The bytes programmed, read once by firmwareJobProblem: the camera gets the
  // image that was checked, and reading it is not part of the upload.
  std::vector<uint8_t> image;
  bool yes = false;
  bool dryRun = false;
  // --sha256 in lower case (empty: not given), and the digest of `image`,
  // set by firmwareJobProblem.
  std::string expectedSha256;
  std::string imageSha256;
  uint16_t gvcpPort = gvcp::kPort;
  uint16_t flashPort = gvcp::kEpcsPort;
  std::chrono::milliseconds completionBound = kFlashCompletionBound;
  std::chrono::milliseconds returnBound = kCameraReturnBound;
  // Where the restarted camera is looked for by its MAC (it may come back at
  // another address); with none, it is waited for at the address it had.
  std::vector<Adaptor> returnAdapters;
};

// What stops the job before anything is sent (exit 2): a confirmation that
// could only be asked without a terminal, or an image that cannot be read, is
// empty or has another SHA-256 than --sha256 gave. Empty when the job may go on, with the image
// read into the job.
std::optional<CommandResult> firmwareJobProblem(FirmwareJob& job, const FirmwareConsole& console);

// The whole update of the camera at `target`, after firmwareJobProblem passed.
CommandResult updateCameraFirmware(const device::CameraTarget& target, const FirmwareJob& job,
                                   const FirmwareConsole& console, os::SignalGuard& signals,
                                   std::ostream& err);

}  // namespace cli
