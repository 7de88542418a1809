#include "fwupdate/gige_fmupload.h"

#include <dirent.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/control_privilege.h"
#include "gvcp/registers.h"
#include "net/ipv4address.h"
#include "net/socket_address.h"

std::string firmwarePath = ".";

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxPrefixLength = 31;
// After programming the camera may still be busy; one retry of the privilege.
constexpr int kRetakeControlTries = 2;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

int fail(FILE* out, const char* line) {
  std::fprintf(out, "%s\n", line);
  return -1;
}

void printDot(FILE* out) {
  std::fputc('.', out);
  std::fflush(out);
}

long long wholeSeconds(std::chrono::milliseconds span) {
  return std::chrono::ceil<std::chrono::seconds>(span).count();
}

std::string readText(Camera& camera, uint32_t address, int width, bool* read = nullptr) {
  std::vector<uint8_t> field(static_cast<size_t>(width), 0);
  const int result = camera.readmem(address, field.data(), width);
  if (read != nullptr) *read = result == 0;
  return textField(field.data(), field.size());
}

// Shows the camera's identity and checks the image name against its model. A
// model name that could not be read never matches: left empty, it would
// accept every image whose name begins with '_'.
bool identityAccepts(Camera& camera, const std::string& file, FILE* out) {
  bool modelRead = false;
  const std::string model = readText(camera, reg::kModelName, reg::kModelNameLen, &modelRead);
  const std::string version = readText(camera, reg::kDeviceVersion, reg::kDeviceVersionReadLen);
  const std::string info =
      readText(camera, reg::kManufacturerInfo, reg::kManufacturerInfoFwReadLen);
  std::fprintf(out, "modelname %s\n", terminalSafe(model).c_str());
  std::fprintf(out, "device version %s\n", terminalSafe(version).c_str());
  std::fprintf(out, "manufacture info %s\n", terminalSafe(info).c_str());
  return modelRead && firmwareFitsModel(file, model);
}

// Reads the privilege register until the restarted camera answers; each
// failed read costs a dot. A closed socket would fail every read at once.
bool awaitReturn(Camera& camera, const FwUpdateOptions& options) {
  FILE* out = options.flash.out;
  const auto deadline = Clock::now() + options.returnBound;
  for (;;) {
    unsigned int value = 0;
    const int result = camera.readreg(reg::kCcp, &value);
    if (result == 0) return true;
    if (result == kGvcpWaitFailed) {
      std::fputs(" failed: the control channel to the camera failed\n", out);
      return false;
    }
    printDot(out);
    if (Clock::now() >= deadline) {
      std::fprintf(out, " failed: the camera did not answer within %lld s of the restart\n",
                   wholeSeconds(options.returnBound));
      return false;
    }
  }
}

int restartCamera(Camera& camera, const FwUpdateOptions& options) {
  FILE* out = options.flash.out;
  std::fputs("rebooting ", out);
  std::fflush(out);
  camera.writereg(reg::kRebootRequest, reg::kRebootMagic, false);
  // Any answer, even a refusal, comes from a camera that is still running.
  if (camera.writereg(reg::kCcp, reg::kCcpRelease) >= 0) return fail(out, "Reboot failed");
  if (!awaitReturn(camera, options)) return -1;
  std::fputs("done\n\nfirmware upload finished, SUCCESFUL!\n", out);
  return 0;
}

}  // namespace

std::string_view firmwarePrefix(std::string_view fileName) {
  const size_t last = fileName.rfind('_');
  if (last == std::string_view::npos) return fileName;
  const size_t before = last == 0 ? std::string_view::npos : fileName.rfind('_', last - 1);
  return fileName.substr(0, before == std::string_view::npos ? last : before);
}

bool firmwareFitsModel(std::string_view fileName, std::string_view modelName) {
  const std::string_view prefix = firmwarePrefix(fileName);
  return prefix.size() <= kMaxPrefixLength && prefix == modelName;
}

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
