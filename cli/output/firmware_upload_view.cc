#include "cli/output/firmware_upload_view.h"

namespace cli {

FirmwareUploadView::~FirmwareUploadView() {
  if (flashing_) signals_.disarmUrgentExit();
  if (bar_ && !flashing_) err_ << "\n";  // a stopped or failed upload ends the bar's line
}

FlashHooks FirmwareUploadView::hooks() {
  FlashHooks hooks;
  hooks.stop = [this] { return signals_.stopRequested(); };
  hooks.blockSent = [this](uint64_t sent, uint64_t total) { blockSent(sent, total); };
  hooks.flashingStarts = [this] { flashingStarts(); };
  hooks.polled = [this] { noteSignal(); };
  return hooks;
}

void FirmwareUploadView::blockSent(uint64_t sent, uint64_t total) {
  const ProgressBar::Clock::time_point now = ProgressBar::Clock::now();
  if (sent >= total) uploadSeconds_ = std::chrono::duration<double>(now - start_).count();
  if (!drawBar_) return;
  if (!bar_) bar_.emplace(total, start_);
  if (const std::optional<std::string> draw = bar_->update(sent, now)) err_ << *draw << std::flush;
}

void FirmwareUploadView::flashingStarts() {
  if (bar_) err_ << "\n";
  err_ << "nuv-ipconfig: the camera is programming its flash; do not disconnect it or switch it "
          "off\n"
       << std::flush;
  flashing_ = true;
  signals_.armUrgentExit(kLeftWhileFlashing);
}

void FirmwareUploadView::noteSignal() {
  if (!flashing_ || noted_ || !signals_.stopRequested()) return;
  noted_ = true;
  err_ << "nuv-ipconfig: interrupted, but the camera is programming its flash: waiting for it to "
          "finish and restart (a second signal leaves at once)\n"
       << std::flush;
}

}  // namespace cli
