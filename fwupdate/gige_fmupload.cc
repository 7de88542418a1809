#include "fwupdate/gige_fmupload.h"

#include <dirent.h>

#include <cstdio>
#include <memory>

#include "fwupdate/firmware_steps.h"
#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/control_privilege.h"
#include "net/ipv4address.h"
#include "net/socket_address.h"

std::string firmwarePath = ".";

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

int fail(FILE* out, const char* line) {
  std::fprintf(out, "%s\n", line);
  return -1;
}

long long wholeSeconds(std::chrono::milliseconds span) {
  return std::chrono::ceil<std::chrono::seconds>(span).count();
}

// Shows the camera's identity and checks the image name against its model.
bool identityAccepts(Camera& camera, const std::string& file, FILE* out) {
  const FirmwareIdentity identity = readFirmwareIdentity(camera);
  std::fprintf(out, "modelname %s\n", terminalSafe(identity.model).c_str());
  std::fprintf(out, "device version %s\n", terminalSafe(identity.version).c_str());
  std::fprintf(out, "manufacture info %s\n", terminalSafe(identity.info).c_str());
  return imageFitsCamera(identity, file);
}

// Each read of the restarting camera that went unanswered costs a dot.
int restartCamera(Camera& camera, const FwUpdateOptions& options) {
  FILE* out = options.flash.out;
  std::fputs("rebooting ", out);
  std::fflush(out);
  const RestartOutcome outcome = restartAndAwait(camera, options.returnBound, [out] {
    std::fputc('.', out);
    std::fflush(out);
  });
  switch (outcome) {
    case RestartOutcome::kBack:
      std::fputs("done\n\nfirmware upload finished, SUCCESFUL!\n", out);
      return 0;
    case RestartOutcome::kStillRunning:
      return fail(out, "Reboot failed");
    case RestartOutcome::kChannelFailed:
      return fail(out, " failed: the control channel to the camera failed");
    case RestartOutcome::kNotBack:
      break;
  }
  std::fprintf(out, " failed: the camera did not answer within %lld s of the restart\n",
               wholeSeconds(options.returnBound));
  return -1;
}

}  // namespace

int updateFirmware(const std::string& ip, const std::string& file, const FwUpdateOptions& options) {
  FILE* out = options.flash.out;
  uint32_t address = 0;
  if (!parseIpv4(ip, &address)) {
    std::fprintf(out, "invalid camera address: %s\n", terminalSafe(ip).c_str());
    return -1;
  }
  std::fputs("connecting camera ...\n", out);
  Camera camera(address, options.gvcpPort);
  if (!control::take(camera)) return fail(out, "CCP failed");
  // A refused image or a failed programming run must not leave the camera
  // held by this host: an update rerun at once would find it locked.
  control::GiveBackGuard held(camera);
  if (!identityAccepts(camera, file, out)) return fail(out, "invalid firmware");
  std::fprintf(out, "\nprogramming %s ", terminalSafe(file).c_str());
  // The camera keeps running its old firmware; restarting it over a flash
  // that was not confirmed could leave it unable to start.
  if (programFlash(socketAddress(address, options.flashPort), file.c_str(), options.flash) < 0) {
    return fail(out, "\nfirmware upload failed, the camera was not restarted");
  }
  if (!control::take(camera, kRetakeControlTries)) {
    held.dismiss();  // the failed take gave control back already
    return fail(out, "CCP failed");
  }
  held.dismiss();  // the restart requested next ends the privilege
  return restartCamera(camera, options);
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
