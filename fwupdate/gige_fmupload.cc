#include "fwupdate/gige_fmupload.h"

#include <dirent.h>

#include <cstdio>
#include <memory>

#include "device/camera_return.h"
#include "fwupdate/firmware_update.h"
#include "gvcp/camera_text.h"
#include "net/ipv4.h"

std::string firmwarePath = ".";

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

int fail(FILE* out, const char* line) {
  std::fprintf(out, "%s\n", line);
  return -1;
}

// The wait at the address the camera had: each read of the restarting camera
// that went unanswered costs a dot.
device::RestartPlan dottedWait(const FwUpdateOptions& options) {
  FILE* out = options.flash.out;
  const device::ReturnSearch dots{{},
                                  options.returnBound,
                                  [out] {
                                    std::fputc('.', out);
                                    std::fflush(out);
                                    return false;
                                  },
                                  std::nullopt};
  return {{}, false, dots, std::nullopt, std::nullopt};
}

// The update's steps as the library prints them on `out`.
fwupdate::FirmwareCallbacks printedSteps(FILE* out, const std::string& file) {
  fwupdate::FirmwareCallbacks callbacks;
  callbacks.identityRead = [out](const device::FirmwareIdentity& identity) {
    std::fprintf(out, "modelname %s\n", gvcp::terminalSafe(identity.model).c_str());
    std::fprintf(out, "device version %s\n", gvcp::terminalSafe(identity.version).c_str());
    std::fprintf(out, "manufacture info %s\n", gvcp::terminalSafe(identity.info).c_str());
  };
  callbacks.uploadStarts = [out, file] {
    std::fprintf(out, "\nprogramming %s ", gvcp::terminalSafe(file).c_str());
  };
  callbacks.restarting = [out] {
    std::fputs("rebooting ", out);
    std::fflush(out);
  };
  return callbacks;
}

int reportRestart(device::RestartOutcome outcome, const FwUpdateOptions& options) {
  FILE* out = options.flash.out;
  switch (outcome) {
    case device::RestartOutcome::kBack:
      std::fputs("done\n\nfirmware upload finished, SUCCESFUL!\n", out);
      return 0;
    case device::RestartOutcome::kStillRunning:
      return fail(out, "Reboot failed");
    case device::RestartOutcome::kChannelFailed:
      return fail(out, " failed: the control channel to the camera failed");
    case device::RestartOutcome::kNotBack:
      break;
  }
  std::fprintf(out, " failed: the camera did not answer within %s s of the restart\n",
               wholeSeconds(options.returnBound).c_str());
  return -1;
}

}  // namespace

int updateFirmware(const std::string& ip, const std::string& file, const FwUpdateOptions& options) {
  FILE* out = options.flash.out;
  const std::optional<net::Ipv4> address = net::Ipv4::parse(ip);
  if (!address) {
    std::fprintf(out, "invalid camera address: %s\n", gvcp::terminalSafe(ip).c_str());
    return -1;
  }
  std::fputs("connecting camera ...\n", out);
  const fwupdate::FirmwareRequest request{
      .target = device::SessionTarget{*address, {}, std::nullopt, std::nullopt},
      .imagePath = file,
      .imageName = file,
      .session = device::libraryPolicy(options.gvcpPort),
      .flashPort = options.flashPort,
      .flash = options.flash,
      .restart = dottedWait(options)};
  const fwupdate::FirmwareOutcome outcome =
      fwupdate::updateCamera(request, printedSteps(out, file));
  switch (outcome.stage) {
    case fwupdate::FirmwareStage::kControl:
    case fwupdate::FirmwareStage::kRetake:
      return fail(out, "CCP failed");
    case fwupdate::FirmwareStage::kChecked:
      return fail(out, "invalid firmware");
    case fwupdate::FirmwareStage::kProgram:
      return fail(out, "\nfirmware upload failed, the camera was not restarted");
    case fwupdate::FirmwareStage::kRestart:
      break;
  }
  return reportRestart(outcome.back.outcome, options);
}

int doFwUpdate(std::string ip, std::string file) { return updateFirmware(ip, file, {}); }

bool getFiles(std::map<int, std::string>& files, std::string pattern) {
  const std::unique_ptr<DIR, DirCloser> dir(opendir(firmwarePath.c_str()));
  if (!dir) {
    std::perror("opendir() error");
    return false;
  }
  int number = 1;
  bool matched = false;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view name(entry->d_name);
    if (name.find(pattern) == std::string_view::npos) continue;
    files.emplace(number++, std::string(name));
    matched = true;
  }
  return matched;
}
