// Picking discovery answers out of captured link-level frames. Selection rests
// on fixed offsets only: an IPv4 frame (bytes 12-13) whose header has no
// options (byte 14 is 0x45, so the UDP and GVCP offsets below hold), UDP
// (byte 23) from source port 3956 (bytes 34-35), whose IPv4 source (bytes
// 26-29) is not the adapter's own address, and whose bytes 44-47 read a
// DISCOVERY_ACK of the protocol's 248-byte length. Other UDP traffic (an
// image stream's packet can read 00 03 at bytes 44-45) is no answer. The same
// cheap test runs in the kernel as a socket filter so a busy interface does
// not flood the capture socket. The capture sees frames as the kernel hands
// them to a packet socket: a VLAN tag the driver took off is not in the
// bytes, so tagged and untagged answers look alike here. Pure except the
// filter attach.
#pragma once

#include <linux/filter.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"
#include "net/adaptor.h"
#include "net/ipv4.h"

namespace gvcp {
struct DiscoveryFrameLayout {
  static constexpr size_t kEtherTypeOffset = 12;
  static constexpr uint16_t kEtherTypeIpv4 = 0x0800;
  static constexpr size_t kIpVersionOffset = 14;
  static constexpr uint8_t kIpv4NoOptions = 0x45;  // version 4, 20-byte header
  static constexpr size_t kProtocolOffset = 23;    // 14 Ethernet + 9 into the IPv4 header
  static constexpr uint8_t kProtocolUdp = 17;
  static constexpr size_t kSourcePortOffset = 34;  // 14 + 20: the UDP header
  static constexpr size_t kDestinationPortOffset = 36;
  static constexpr size_t kSourceIpOffset = 26;                         // 14 + 12
  static constexpr size_t kAckCodeOffset = gvcp::kFrameGvcpOffset + 2;  // acknowledge field
  static constexpr size_t kAckLengthOffset = gvcp::kFrameGvcpOffset + 4;
};

using DiscoveryFrame = std::span<const uint8_t, gvcp::kDiscoveryFrameSize>;

// The source address of `frame` when the frame is a discovery answer that did
// not come from `adapterIp` (the adapter's own address; 0.0.0.0: none); empty
// for every other frame.
std::optional<net::Ipv4> discoveryAnswerSource(DiscoveryFrame frame, net::Ipv4 adapterIp);

// Runs the whole selection on one captured frame and, when it is a new answer
// by MAC and source address, decodes it (with a copy of `adaptor`) onto the
// end of `cameras`.
void takeDiscoveryFrame(DiscoveryFrame frame, const Adaptor& adaptor,
                        std::vector<GigE_Camera_Info>& cameras);

// The classic BPF program that passes, cut to the frame size read, exactly the
// frames the selection takes but for the own-address test; frames too short
// to hold byte 47 are dropped (their cleared bytes would fail anyway).
std::span<const sock_filter> discoveryFilterProgram();

// Attaches discoveryFilterProgram() to `fd` with SO_ATTACH_FILTER: 0, or -1
// with errno set.
int attachDiscoveryFilter(int fd);

}  // namespace gvcp
