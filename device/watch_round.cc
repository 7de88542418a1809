#include "device/watch_round.h"

#include <set>

#include "device/address_sharers.h"
#include "device/discovery.h"
#include "device/link_speed.h"
#include "net/host_interfaces.h"

namespace device {

namespace {

struct WatchedAdapters {
  std::vector<AdapterObservation> observed;  // up or down
  std::vector<Adaptor> probed;               // the addresses of those up
};

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

void discoverInto(WatchRound& round, const std::vector<Adaptor>& adapters,
                  std::chrono::milliseconds window) {
  if (adapters.empty()) return;
  Discovery found = discover(adapters, discoveryOptions(window));
  round.overUdp = found.overUdp;
  round.discovery = found.outcome.status;
  round.observation.cameras = std::move(found.outcome.cameras);
}

}  // namespace

WatchRound observeRound(const std::vector<std::string>& names, std::chrono::milliseconds window) {
  const std::vector<net::HostInterface> host = net::listHostInterfaces();
  const WatchedAdapters adapters = watchedAdapters(host, names);
  WatchRound round;
  const auto start = std::chrono::steady_clock::now();
  discoverInto(round, adapters.probed, window);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const AdapterObservation& a : adapters.observed)
    if (a.up) round.discoverySeconds.emplace_back(a.name, seconds);
  round.observation.time = epochSeconds();
  round.observation.adapters = adapters.observed;
  round.observation.hostAddresses = hostAddresses(host);
  return round;
}

void readLinkSpeeds(WatchState& state, const std::function<bool()>& stopRequested) {
  for (const auto& [key, camera] : state.cameras()) {
    if (stopRequested()) return;
    if (camera.up && camera.linkSpeedWanted && gvcp::answersInAdapterSubnet(camera.info))
      state.setLinkSpeed(key, readLinkSpeed(camera.info));
  }
}

}  // namespace device
