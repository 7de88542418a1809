#include "device/watch_state.h"

#include <algorithm>
#include <utility>

namespace device {

namespace {

constexpr std::array<const char*, 12> kEventNames = {
    "camera_appeared",        "camera_lost",
    "camera_returned",        "address_changed",
    "mode_changed",           "name_changed",
    "address_conflict_began", "address_conflict_ended",
    "outside_subnet_began",   "outside_subnet_ended",
    "adapter_down",           "adapter_up"};

WatchEvent cameraEvent(WatchEventKind kind, const WatchedCamera& camera) {
  return {kind, camera.info.adaptor.getName(), camera, std::nullopt};
}

bool zeroMac(const GigE_Camera_Info& camera) {
  return std::all_of(std::begin(camera.cameraMacHw), std::end(camera.cameraMacHw),
                     [](unsigned char b) { return b == 0; });
}

net::Mac macOf(const GigE_Camera_Info& camera) {
  net::Mac mac{};
  std::copy(std::begin(camera.cameraMacHw), std::end(camera.cameraMacHw), mac.begin());
  return mac;
}

// Emits `began` or `ended` when `flag` turns to `now`.
void noteFlag(bool& flag, bool now, WatchEventKind began, WatchEventKind ended,
              const WatchedCamera& camera, std::vector<WatchEvent>& events) {
  if (flag == now) return;
  flag = now;
  events.push_back(cameraEvent(now ? began : ended, camera));
}

}  // namespace

const char* eventName(WatchEventKind kind) { return kEventNames.at(static_cast<size_t>(kind)); }

std::string watchKey(const GigE_Camera_Info& camera) {
  std::string key = camera.cameraMac + "@" + camera.adaptor.getName();
  if (zeroMac(camera)) key += "@" + std::to_string(camera.currentIp);
  return key;
}

WatchState::WatchState(int lostAfterRounds) : lostAfter_(std::max(1, lostAfterRounds)) {}

std::vector<WatchEvent> WatchState::fold(const RoundObservation& round) {
  std::vector<WatchEvent> events;
  foldAdapters(round.adapters, events);
  std::set<std::string> heard;
  for (const GigE_Camera_Info& camera : round.cameras) {
    // One interface with two addresses is probed twice: its camera is one.
    if (heard.insert(watchKey(camera)).second) foldHeard(camera, round.time, events);
  }
  foldSilent(heard, events);
  foldSharing(round.hostAddresses, events);
  ++rounds_;
  return events;
}

void WatchState::setLinkSpeed(const std::string& key, std::optional<uint32_t> mbps) {
  const auto found = cameras_.find(key);
  if (found == cameras_.end()) return;
  found->second.linkSpeedMbps = mbps;
  found->second.linkSpeedWanted = false;
}

// An adapter no longer listed is down. One first seen after the first round
// came up during the watch.
void WatchState::foldAdapters(const std::vector<AdapterObservation>& seen,
                              std::vector<WatchEvent>& events) {
  std::map<std::string, bool> now;
  for (const AdapterObservation& a : seen) now[a.name] = now[a.name] || a.up;
  for (auto& [name, up] : adapters_) {
    const auto found = now.find(name);
    const bool upNow = found != now.end() && found->second;
    if (up != upNow)
      events.push_back({upNow ? WatchEventKind::kAdapterUp : WatchEventKind::kAdapterDown, name,
                        std::nullopt, std::nullopt});
    up = upNow;
  }
  for (const auto& [name, up] : now) {
    const bool added = adapters_.emplace(name, up).second;
    if (added && up && rounds_ > 0)
      events.push_back({WatchEventKind::kAdapterUp, name, std::nullopt, std::nullopt});
  }
}

void WatchState::foldHeard(const GigE_Camera_Info& camera, double time,
                           std::vector<WatchEvent>& events) {
  const auto [at, added] = cameras_.try_emplace(watchKey(camera));
  if (added) at->second.info = camera;
  WatchedCamera& known = at->second;
  const GigE_Camera_Info before = std::exchange(known.info, camera);
  known.lastSeen = time;
  known.silentRounds = 0;
  if (added || !known.up) {
    known.linkSpeedWanted = true;
    known.linkSpeedMbps.reset();
    const bool returned = !known.up;
    known.up = true;
    events.push_back(cameraEvent(
        returned ? WatchEventKind::kCameraReturned : WatchEventKind::kCameraAppeared, known));
    if (added) return;
  }
  const auto change = [&](WatchEventKind kind) {
    events.push_back({kind, camera.adaptor.getName(), known, before});
  };
  if (before.currentIp != camera.currentIp ||
      before.currentSubnetMask != camera.currentSubnetMask ||
      before.defaultGateway != camera.defaultGateway)
    change(WatchEventKind::kAddressChanged);
  if (before.ipConfigCurrent != camera.ipConfigCurrent) change(WatchEventKind::kModeChanged);
  if (before.userDefinedName != camera.userDefinedName) change(WatchEventKind::kNameChanged);
}

void WatchState::foldSilent(const std::set<std::string>& heard, std::vector<WatchEvent>& events) {
  for (auto& [key, camera] : cameras_) {
    if (!camera.up || heard.count(key) != 0) continue;
    if (++camera.silentRounds < lostAfter_) continue;
    camera.up = false;
    events.push_back(cameraEvent(WatchEventKind::kCameraLost, camera));
  }
}

// Among the cameras not lost: those sharing an address on one link, and those
// at an address of this host. A lost camera has neither flag.
void WatchState::foldSharing(const std::vector<net::Ipv4>& hostAddresses,
                             std::vector<WatchEvent>& events) {
  std::map<std::pair<std::string, uint32_t>, std::vector<net::Mac>> atAddress;
  for (const auto& [key, camera] : cameras_) {
    if (camera.up && camera.info.currentIp != 0)
      atAddress[{camera.info.adaptor.getName(), camera.info.currentIp}].push_back(
          macOf(camera.info));
  }
  for (auto& [key, camera] : cameras_) {
    const GigE_Camera_Info& info = camera.info;
    camera.sharesWith.clear();
    camera.hostAddress = false;
    if (camera.up && info.currentIp != 0) {
      const net::Mac own = macOf(info);
      bool selfSkipped = false;  // two all-zero MACs are two cameras: skip one, not both
      for (const auto& mac : atAddress[{info.adaptor.getName(), info.currentIp}]) {
        if (mac == own && !selfSkipped)
          selfSkipped = true;
        else
          camera.sharesWith.push_back(mac);
      }
      const net::Ipv4 ip = net::Ipv4::fromNetwork(info.currentIp);
      camera.hostAddress =
          std::find(hostAddresses.begin(), hostAddresses.end(), ip) != hostAddresses.end();
    }
    const bool conflict = !camera.sharesWith.empty() || camera.hostAddress;
    noteFlag(camera.conflict, conflict, WatchEventKind::kAddressConflictBegan,
             WatchEventKind::kAddressConflictEnded, camera, events);
    noteFlag(camera.outsideSubnet, camera.up && !gvcp::answersInAdapterSubnet(info),
             WatchEventKind::kOutsideSubnetBegan, WatchEventKind::kOutsideSubnetEnded, camera,
             events);
  }
}

}  // namespace device
