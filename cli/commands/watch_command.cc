#include "cli/commands/watch_command.h"

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

#include "cli/atomic_file.h"
#include "cli/discovery_run.h"
#include "cli/output/json_render.h"
#include "cli/output/watch_render.h"
#include "device/address_sharers.h"
#include "device/discovery.h"
#include "device/link_speed.h"
#include "device/watch_state.h"
#include "net/host_interfaces.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// The longest discovery window of a round: a signal that comes as a window
// opens still ends the watch within a second.
constexpr int kMaxWindowMs = 500;
constexpr int kMinWindowMs = 100;
// How often the wait between rounds looks for a stop signal.
constexpr std::chrono::milliseconds kSignalPoll{50};

struct WatchedAdapters {
  std::vector<device::AdapterObservation> observed;  // up or down
  std::vector<Adaptor> probed;                       // the addresses of those up
};

// Every interface with an IPv4 address but loopback, or exactly the named
// ones (a named one absent now is down).
WatchedAdapters watchedAdapters(const std::vector<net::HostInterface>& interfaces,
                                const std::vector<std::string>& names) {
  WatchedAdapters watched;
  std::set<std::string> up;
  std::set<std::string> wanted(names.begin(), names.end());
  for (const net::HostInterface& i : interfaces) {
    const bool chosen = names.empty() ? !i.loopback && !i.addresses.empty() : wanted.count(i.name);
    if (!chosen) continue;
    wanted.erase(i.name);
    watched.observed.push_back({i.name, i.up && !i.addresses.empty()});
    if (watched.observed.back().up) up.insert(i.name);
  }
  for (const std::string& name : wanted) watched.observed.push_back({name, false});
  for (const Adaptor& a : net::ipv4Adapters(interfaces))
    if (up.count(a.getName()) != 0) watched.probed.push_back(a);
  return watched;
}

double epochSeconds() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

class Watch {
 public:
  Watch(const Invocation& invocation, const SignalGuard& guard, std::ostream& out,
        std::ostream& err)
      : invocation_(invocation),
        guard_(guard),
        out_(out),
        err_(err),
        state_(invocation.lostAfter) {}

  void run() {
    while (!guard_.stopRequested()) {
      const Clock::time_point start = Clock::now();
      round();
      waitUntil(start + std::chrono::milliseconds(intervalMs()));
    }
  }

 private:
  int intervalMs() const { return static_cast<int>(invocation_.intervalS * 1000); }
  int windowMs() const {
    return std::max(kMinWindowMs,
                    std::min({invocation_.timeoutMs, kMaxWindowMs, intervalMs() / 2}));
  }

  void round() {
    const std::vector<net::HostInterface> interfaces = net::listHostInterfaces();
    const WatchedAdapters adapters = watchedAdapters(interfaces, invocation_.interfaces);
    device::RoundObservation observation;
    RoundFigures figures;
    const Clock::time_point start = Clock::now();
    observation.cameras = discover(adapters.probed);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const device::AdapterObservation& a : adapters.observed)
      if (a.up) figures.discoverySeconds.emplace_back(a.name, seconds);
    observation.time = epochSeconds();
    observation.adapters = adapters.observed;
    observation.hostAddresses = device::hostAddresses();
    for (const device::WatchEvent& event : state_.fold(observation)) print(event, observation.time);
    readLinkSpeeds();
    writeTextfile(figures);
  }

  std::vector<GigE_Camera_Info> discover(const std::vector<Adaptor>& adapters) {
    if (adapters.empty()) return {};
    device::Discovery found =
        device::discover(adapters, device::discoveryOptions(std::chrono::milliseconds(windowMs())));
    if (found.overUdp) warnOnce(kUdpFallbackWarning);
    if (!found.outcome.status.ok())
      warnOnce("warning: discovery: " + found.outcome.status.toString());
    return std::move(found.outcome.cameras);
  }

  void print(const device::WatchEvent& event, double time) {
    out_ << (invocation_.json ? writeJson(watchEventJson(event, time))
                              : watchEventText(event, time))
         << std::endl;  // one line at a time, for the journal and pipes
  }

  // Once per camera appearance, for those answering in their adapter's subnet;
  // a stop signal ends the reads (each may wait 200 ms for a silent camera).
  void readLinkSpeeds() {
    for (const auto& [key, camera] : state_.cameras()) {
      if (guard_.stopRequested()) return;
      if (camera.up && camera.linkSpeedWanted && gvcp::answersInAdapterSubnet(camera.info))
        state_.setLinkSpeed(key, device::readLinkSpeed(camera.info));
    }
  }

  void writeTextfile(const RoundFigures& figures) {
    if (invocation_.textfile.empty()) return;
    const std::string problem =
        writeFileWhole(invocation_.textfile, prometheusText(state_, figures));
    if (!problem.empty()) warnOnce("warning: textfile: " + problem);
  }

  // The same warning is given once in a row, not every round.
  void warnOnce(const std::string& warning) {
    if (warning == lastWarning_) return;
    lastWarning_ = warning;
    err_ << warning << std::endl;
  }

  void waitUntil(Clock::time_point next) const {
    while (!guard_.stopRequested() && Clock::now() < next)
      std::this_thread::sleep_for(std::min<Clock::duration>(kSignalPoll, next - Clock::now()));
  }

  const Invocation& invocation_;
  const SignalGuard& guard_;
  std::ostream& out_;
  std::ostream& err_;
  device::WatchState state_;
  std::string lastWarning_;
};

}  // namespace

CommandResult runWatch(const Invocation& invocation, const SignalGuard& guard, std::ostream& out,
                       std::ostream& err) {
  Watch(invocation, guard, out, err).run();
  CommandResult result;
  result.streamed = true;
  return result;
}

}  // namespace cli
