// What the operator sees of `firmware`: the camera and image before the
// question, the outcome as text and JSON, and (FirmwareUploadView) the flash
// programming run, fed by the run's hooks. On a terminal the progress bar is
// redrawn on `err` (at most ten times a second, the last block always);
// elsewhere nothing is drawn. Between redraws a block costs one clock read,
// so the upload runs at the pace of the camera's answers. It also times the
// upload. When flashing starts it arms the urgent exit of
// the signal guard, since a stop signal must no longer end the run: the first
// one gets one line saying that the camera must be waited for, a second one
// leaves at once with a warning. Disarmed when the view ends. The thread that
// runs the programming.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "cli/exit_code.h"
#include "cli/output/progress_bar.h"
#include "fwupdate/firmware_update.h"
#include "fwupdate/flash_program.h"
#include "os/signal_guard.h"

namespace cli {

// Written by the signal handler when a second signal leaves mid-flash.
inline constexpr char kLeftWhileFlashing[] =
    "\nnuv-ipconfig: warning: left while the camera programs its flash; it may be left without "
    "usable firmware, and restarting it before it is done may leave it unable to start\n";

class FirmwareUploadView {
 public:
  FirmwareUploadView(bool drawBar, std::ostream& err, os::SignalGuard& signals)
      : drawBar_(drawBar), err_(err), signals_(signals), start_(ProgressBar::Clock::now()) {}
  ~FirmwareUploadView();
  FirmwareUploadView(const FirmwareUploadView&) = delete;
  FirmwareUploadView& operator=(const FirmwareUploadView&) = delete;

  // The upload's rate counts from here (from construction until called).
  void uploadStarts() { start_ = ProgressBar::Clock::now(); }
  // Hooks bound to this view; it must outlive the run that calls them.
  FlashHooks hooks();
  // After a stop signal that came once flashing started: the one line that
  // says the command waits for the camera (written once).
  void noteSignal();
  // From uploadStarts() to the block that completed the image; nothing
  // before that block.
  std::optional<double> uploadSeconds() const { return uploadSeconds_; }
  // From uploadStarts() to now.
  double secondsSinceUploadStart() const;

 private:
  void blockSent(uint64_t sent, uint64_t total);
  void flashingStarts();

  bool drawBar_;
  std::ostream& err_;
  os::SignalGuard& signals_;
  ProgressBar::Clock::time_point start_;
  std::optional<ProgressBar> bar_;  // from the first block, which tells the image size
  std::optional<double> uploadSeconds_;
  bool flashing_ = false;
  bool noted_ = false;
};

// The image as `firmware` reports it: its file name and SHA-256.
struct FirmwareImage {
  std::string name;
  std::string sha256;
};

// The camera's model and version and the image's digest, on `err` before the
// question.
void showFirmwareIdentity(const std::string& address, const device::FirmwareIdentity& identity,
                          const FirmwareImage& image, std::ostream& err);

// The outcome of the update of the camera at `address`: its failure, a dry
// run, or the versions before and after with where it came back and the
// view's timings (a warning on `err` when the version did not change).
CommandResult firmwareResult(const fwupdate::FirmwareOutcome& outcome, const std::string& address,
                             const FirmwareImage& image, const FirmwareUploadView& view,
                             std::ostream& err);

}  // namespace cli
