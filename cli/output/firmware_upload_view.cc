#include "cli/output/firmware_upload_view.h"

#include "gvcp/camera_text.h"
#include "net/address_set.h"

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

double FirmwareUploadView::secondsSinceUploadStart() const {
  return std::chrono::duration<double>(ProgressBar::Clock::now() - start_).count();
}

void FirmwareUploadView::noteSignal() {
  if (!flashing_ || noted_ || !signals_.stopRequested()) return;
  noted_ = true;
  err_ << "nuv-ipconfig: interrupted, but the camera is programming its flash: waiting for it to "
          "finish and restart (a second signal leaves at once)\n"
       << std::flush;
}

namespace {

// The camera as it is now and the image; a dry run ends there.
CommandResult reported(const fwupdate::FirmwareOutcome& outcome, const std::string& address,
                       const FirmwareImage& image) {
  const bool dryRun = !outcome.uploaded;
  const device::FirmwareIdentity& now = dryRun ? outcome.before : outcome.back.identity;
  CommandResult result;
  result.data["camera"] = {{"ip", dryRun ? address : outcome.back.ip.text()}, {"model", now.model}};
  result.data["image"] = image.name;
  result.data["image_sha256"] = image.sha256;
  if (!dryRun) return result;
  result.data["dry_run"] = true;
  result.data["device_version"] = {{"old", now.version}};
  result.text = "dry run: image " + gvcp::tableSafe(image.name) + " fits camera at " + address +
                "; nothing was written\n";
  return result;
}

void updated(const fwupdate::FirmwareOutcome& outcome, const std::string& address,
             const FirmwareImage& image, CommandResult& result, std::ostream& err) {
  const std::string backAt = outcome.back.ip.text();
  const std::string& before = outcome.before.version;
  const std::string& after = outcome.back.identity.version;
  const bool changed = after != before;
  result.data["device_version"] = {{"old", before}, {"new", after}};
  result.data["version_changed"] = changed;
  result.text = "camera at " + address + ": firmware " + gvcp::tableSafe(image.name) +
                " programmed, device version " + gvcp::tableSafe(before) + " -> " +
                gvcp::tableSafe(after) + (backAt == address ? "" : ", back at " + backAt) + "\n";
  if (!changed) {
    err << "warning: camera at " << backAt << " still reports device version "
        << gvcp::tableSafe(after) << " after the update\n";
  }
}

}  // namespace

void showFirmwareIdentity(const std::string& address, const device::FirmwareIdentity& identity,
                          const FirmwareImage& image, std::ostream& err) {
  err << "camera at " << address << ": model " << gvcp::tableSafe(identity.model)
      << ", device version " << gvcp::tableSafe(identity.version) << "\n"
      << "image " << gvcp::tableSafe(image.name) << ": SHA-256 " << image.sha256 << "\n";
}

CommandResult firmwareResult(const fwupdate::FirmwareOutcome& outcome, const std::string& address,
                             const FirmwareImage& image, const FirmwareUploadView& view,
                             std::ostream& err) {
  if (!outcome.status.ok()) return failureOf(outcome.status);
  CommandResult result = reported(outcome, address, image);
  if (!outcome.uploaded) return result;
  updated(outcome, address, image, result, err);
  result.data["seconds"] = view.secondsSinceUploadStart();
  if (view.uploadSeconds()) result.data["upload_seconds"] = *view.uploadSeconds();
  return result;
}

}  // namespace cli
