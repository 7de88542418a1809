// ARP probe of one IPv4 address on one adapter: does another station answer
// for it? The probe is a broadcast ARP request with sender address 0.0.0.0
// (so no neighbour cache learns from it); any ARP frame whose sender address
// is the probed one, from a MAC that is not ours or the owner's, claims the
// address. Frames go through a FrameLink, so the logic runs in-process in
// tests; PacketLink (packet_link.h) is the real one. Addresses are host-order
// numbers. One thread per link; nothing here keeps state between calls.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "net/macaddress.h"

namespace net {

using Frame = std::vector<uint8_t>;
inline constexpr size_t kFrameSize = 42;  // Ethernet header and an IPv4 ARP body

// Sends and receives whole Ethernet frames on one adapter.
class FrameLink {
 public:
  virtual ~FrameLink() = default;
  // True when the frame went out.
  virtual bool send(std::span<const uint8_t> frame) = 0;
  // The next frame within `wait`; nullopt when none came (or the link failed,
  // which failed() then tells).
  virtual std::optional<Frame> receive(std::chrono::milliseconds wait) = 0;
  virtual bool failed() const = 0;
};

Frame buildProbe(const MacAddress& ours, uint32_t target);

// The sender MAC of an ARP frame (request or reply) whose sender protocol
// address is `target`; nullopt for any other frame.
std::optional<MacAddress> claimant(std::span<const uint8_t> frame, uint32_t target);

// Probes are repeated because a single request or its answer may be lost;
// a station answers within milliseconds on a LAN, so the waits stay short.
struct ProbeTiming {
  int probes = 3;
  std::chrono::milliseconds spacing{100};   // listening after each probe but the last
  std::chrono::milliseconds lastWait{250};  // listening after the last probe
};

struct ProbeResult {
  enum class Kind { kFree, kInUse, kLinkFailed };
  Kind kind = Kind::kFree;
  MacAddress answeredBy;  // for kInUse
};

// `owner`, when given, may answer for the address without it counting as in
// use (a camera probed for the address it already holds). A frame that arrived
// while listening counts even when this thread comes to read it after the wait.
ProbeResult probeAddress(FrameLink& link, const MacAddress& ours, uint32_t target,
                         const std::optional<MacAddress>& owner = std::nullopt,
                         const ProbeTiming& timing = {});

}  // namespace net
