#include "testbed/simulated_camera.h"

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "net/unique_fd.h"
#include "os/whole_file.h"
#include "testbed/testbed.h"

namespace testbed {
namespace {

constexpr Millis kReadyTimeoutMs(10000);
// The nice value of a simulator: a camera has a processor of its own, so a
// loaded host must not push its answers past the waits a test times them
// against. Raising it needs root, which the test bed has.
constexpr int kCameraPriority = -20;
// A running simulator writes its files within microseconds of the request;
// the bound only matters when it is stopped in a debugger or overloaded.
constexpr Millis kSyncTimeoutMs(5000);

void addIfSet(std::vector<std::string>& args, const char* option, const std::string& value) {
  if (value.empty()) return;
  args.push_back(option);
  args.push_back(value);
}

std::string valueOf(const std::map<std::string, std::string>& values, const std::string& key) {
  const auto found = values.find(key);
  return found == values.end() ? "" : found->second;
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
                                 CameraSpec setup)
    : setup_(std::move(setup)), ns_(net.addCamera(role, sw, setup_.mac)) {
  ownsStateDir_ = setup_.stateDir.empty();
  stateDir_ = ownsStateDir_ ? makeTempDir() : setup_.stateDir;
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
      binary("nuv-camsim"), "--interface", "eth0", "--state-dir", stateDir_, "--mac", setup_.mac};
  addIfSet(args, "--ip", setup_.ip);
  if (!setup_.ip.empty()) addIfSet(args, "--mask", setup_.mask);
  addIfSet(args, "--gateway", setup_.gateway);
  addIfSet(args, "--manufacturer", setup_.manufacturer);
  addIfSet(args, "--model", setup_.model);
  addIfSet(args, "--device-version", setup_.deviceVersion);
  addIfSet(args, "--info", setup_.info);
  addIfSet(args, "--serial", setup_.serial);
  addIfSet(args, "--user-name", setup_.userName);
  addIfSet(args, "--supported", setup_.supported);
  addIfSet(args, "--current", setup_.current);
  addIfSet(args, "--persistent-ip", setup_.persistentIp);
  addIfSet(args, "--persistent-mask", setup_.persistentMask);
  args.insert(args.end(), setup_.extraArgs.begin(), setup_.extraArgs.end());
  return args;
}

bool SimulatedCamera::start() {
  if (ns_.empty() || stateDir_.empty()) return false;
  if (process_) process_->terminate();
  process_ = std::make_unique<Process>(ns_, arguments());
  // The program leads its own process group from the start.
  if (process_->started()) (void)::setpriority(PRIO_PGRP, process_->pid(), kCameraPriority);
  ready_ = process_->started() && process_->waitForOutput("ready\n", kReadyTimeoutMs);
  return ready_;
}

int SimulatedCamera::stop() {
  ready_ = false;
  return process_ ? process_->terminate() : -1;
}

std::map<std::string, std::string> SimulatedCamera::statusFile() const {
  return parseKeyValues(os::readFileWhole(stateDir_ + "/status").value_or(""));
}

std::map<std::string, std::string> SimulatedCamera::status() const {
  sync();
  return statusFile();
}

std::string SimulatedCamera::status(const std::string& key) const { return valueOf(status(), key); }

bool SimulatedCamera::sync() const {
  static std::atomic<int> lastToken{0};
  // Before its "ready" line the simulator has not yet taken SIGUSR1 over.
  if (!ready_ || !process_ || !process_->running()) return false;
  const int token = ++lastToken;
  sigval value{};
  value.sival_int = token;
  if (::sigqueue(process_->pid(), SIGUSR1, value) != 0) return false;
  return waitForStatus("sync", std::to_string(token), kSyncTimeoutMs);
}

std::string SimulatedCamera::persisted(const std::string& key) const {
  sync();
  return valueOf(parseKeyValues(os::readFileWhole(stateDir_ + "/state").value_or("")), key);
}

std::optional<std::string> SimulatedCamera::flashImage() const {
  return os::readFileWhole(stateDir_ + "/flash.bin");
}

bool SimulatedCamera::waitForStatus(const std::string& key, const std::string& value,
                                    Millis timeout) const {
  net::UniqueFd watch(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  if (watch) ::inotify_add_watch(watch.get(), stateDir_.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (valueOf(statusFile(), key) != value) {
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
