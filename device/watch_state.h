// WatchState: the cameras of a watch over many discovery rounds. Each round's
// observations (the adapters watched, up or down, the cameras one discovery
// heard on them, this host's addresses) are folded in, and the changes come
// back as typed events in a fixed order: adapters, then cameras heard, then
// cameras lost, then conflict and subnet changes. A camera is known by its MAC
// and adapter; one reporting MAC 00:00:00:00:00:00 also by its address, so two
// such cameras stay two. A lost camera is kept (up false) until the watch
// ends; nothing else grows from round to round. Pure; one thread.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gvcp/camera_info.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace device {

// Silent rounds in a row after which a camera is lost.
inline constexpr int kDefaultLostAfterRounds = 3;

struct AdapterObservation {
  std::string name;
  bool up = false;
};

struct RoundObservation {
  double time = 0;  // seconds since the epoch
  std::vector<AdapterObservation> adapters;
  std::vector<GigE_Camera_Info> cameras;  // as discovered, in adapter order
  std::vector<net::Ipv4> hostAddresses;
};

enum class WatchEventKind {
  kCameraAppeared,
  kCameraLost,
  kCameraReturned,
  kAddressChanged,
  kModeChanged,
  kNameChanged,
  kAddressConflictBegan,
  kAddressConflictEnded,
  kOutsideSubnetBegan,
  kOutsideSubnetEnded,
  kAdapterDown,
  kAdapterUp,
};

// "camera_appeared", "address_conflict_began", ...
const char* eventName(WatchEventKind kind);

struct WatchedCamera {
  GigE_Camera_Info info;  // the last answer heard
  double lastSeen = 0;
  int silentRounds = 0;
  bool up = true;
  bool conflict = false;  // another camera at its address on its link, or a host address
  bool outsideSubnet = false;
  std::vector<net::Mac> sharesWith;  // the other cameras at its address
  bool hostAddress = false;
  std::optional<uint32_t> linkSpeedMbps;
  bool linkSpeedWanted = true;  // set at each appearance, cleared by setLinkSpeed
};

struct WatchEvent {
  WatchEventKind kind;
  std::string adapter;
  std::optional<WatchedCamera> camera;     // after the round; none for adapter events
  std::optional<GigE_Camera_Info> before;  // address, mode and name changes: the answer before
};

// "MAC@adapter", or "MAC@adapter@ip" for the all-zero MAC.
std::string watchKey(const GigE_Camera_Info& camera);

class WatchState {
 public:
  explicit WatchState(int lostAfterRounds = kDefaultLostAfterRounds);

  std::vector<WatchEvent> fold(const RoundObservation& round);
  // Ignored for a key not known.
  void setLinkSpeed(const std::string& key, std::optional<uint32_t> mbps);

  const std::map<std::string, WatchedCamera>& cameras() const { return cameras_; }
  const std::map<std::string, bool>& adapters() const { return adapters_; }  // name: up
  uint64_t rounds() const { return rounds_; }

 private:
  void foldAdapters(const std::vector<AdapterObservation>& seen, std::vector<WatchEvent>& events);
  void foldHeard(const GigE_Camera_Info& camera, double time, std::vector<WatchEvent>& events);
  void foldSilent(const std::set<std::string>& heard, std::vector<WatchEvent>& events);
  void foldSharing(const std::vector<net::Ipv4>& hostAddresses, std::vector<WatchEvent>& events);

  int lostAfter_;
  uint64_t rounds_ = 0;
  std::map<std::string, WatchedCamera> cameras_;
  std::map<std::string, bool> adapters_;
};

}  // namespace device
