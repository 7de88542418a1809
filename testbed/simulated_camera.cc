#include "testbed/simulated_camera.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "net/unique_fd.h"
#include "testbed/testbed.h"

namespace testbed {
namespace {

constexpr Millis kReadyTimeoutMs(10000);

std::optional<std::string> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void addIfSet(std::vector<std::string>& args, const char* option, const std::string& value) {
  if (value.empty()) return;
  args.push_back(option);
  args.push_back(value);
}

std::string makeTempDir() {
  char pattern[] = "/tmp/nuvcam-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  return made == nullptr ? std::string() : std::string(made);
}

}  // namespace

std::map<std::string, std::string> parseKeyValues(const std::string& text) {
  std::map<std::string, std::string> values;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t space = line.find(' ');
    if (space != std::string::npos) values[line.substr(0, space)] = line.substr(space + 1);
  }
  return values;
}

SimulatedCamera::SimulatedCamera(Network& net, const std::string& sw, const std::string& role,
                                 CameraSpec spec)
    : spec_(std::move(spec)), ns_(net.addCamera(role, sw, spec_.mac)) {
  ownsStateDir_ = spec_.stateDir.empty();
  stateDir_ = ownsStateDir_ ? makeTempDir() : spec_.stateDir;
  if (ns_.empty()) {
    process_ = Process::notStarted("camera namespace not created: " + net.lastError());
  } else if (stateDir_.empty()) {
    process_ = Process::notStarted("no temporary state directory");
  } else {
    start();
  }
}

SimulatedCamera::~SimulatedCamera() {
  if (process_) process_->terminate();
  std::error_code ignored;
  if (ownsStateDir_ && !stateDir_.empty()) std::filesystem::remove_all(stateDir_, ignored);
}

std::vector<std::string> SimulatedCamera::arguments() const {
  std::vector<std::string> args = {
      binary("nuv-camsim"), "--interface", "eth0", "--state-dir", stateDir_, "--mac", spec_.mac};
  addIfSet(args, "--ip", spec_.ip);
  if (!spec_.ip.empty()) addIfSet(args, "--mask", spec_.mask);
  addIfSet(args, "--gateway", spec_.gateway);
  addIfSet(args, "--manufacturer", spec_.manufacturer);
  addIfSet(args, "--model", spec_.model);
  addIfSet(args, "--device-version", spec_.deviceVersion);
  addIfSet(args, "--info", spec_.info);
  addIfSet(args, "--serial", spec_.serial);
  addIfSet(args, "--user-name", spec_.userName);
  addIfSet(args, "--supported", spec_.supported);
  addIfSet(args, "--current", spec_.current);
  addIfSet(args, "--persistent-ip", spec_.persistentIp);
  addIfSet(args, "--persistent-mask", spec_.persistentMask);
  args.insert(args.end(), spec_.extraArgs.begin(), spec_.extraArgs.end());
  return args;
}

bool SimulatedCamera::start() {
  if (ns_.empty() || stateDir_.empty()) return false;
  if (process_) process_->terminate();
  process_ = std::make_unique<Process>(ns_, arguments());
  ready_ = process_->started() && process_->waitForOutput("ready\n", kReadyTimeoutMs);
  return ready_;
}

int SimulatedCamera::stop() {
  ready_ = false;
  return process_ ? process_->terminate() : -1;
}

std::map<std::string, std::string> SimulatedCamera::status() const {
  return parseKeyValues(readFile(stateDir_ + "/status").value_or(""));
}

std::string SimulatedCamera::status(const std::string& key) const {
  const auto values = status();
  const auto found = values.find(key);
  return found == values.end() ? "" : found->second;
}

std::string SimulatedCamera::persisted(const std::string& key) const {
  const auto values = parseKeyValues(readFile(stateDir_ + "/state").value_or(""));
  const auto found = values.find(key);
  return found == values.end() ? "" : found->second;
}

std::optional<std::string> SimulatedCamera::flashImage() const {
  return readFile(stateDir_ + "/flash.bin");
}

bool SimulatedCamera::waitForStatus(const std::string& key, const std::string& value,
                                    Millis timeout) const {
  UniqueFd watch(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  if (watch) ::inotify_add_watch(watch.get(), stateDir_.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (status(key) != value) {
    const auto left =
        std::chrono::duration_cast<Millis>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{watch.get(), POLLIN, 0};
    // A bounded slice covers a missing inotify descriptor as well.
    if (::poll(&fd, 1, static_cast<int>(std::min<long>(left.count(), 100))) > 0) {
      char events[4096];
      while (::read(watch.get(), events, sizeof events) > 0) {
      }
    }
  }
  return true;
}

}  // namespace testbed
