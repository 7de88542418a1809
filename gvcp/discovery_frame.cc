#include "gvcp/discovery_frame.h"

#include <sys/socket.h>

#include <array>
#include <cstring>

#include "gvcp/discovery_listen.h"

using f = gvcp::DiscoveryFrameLayout;

std::optional<net::Ipv4> gvcp::discoveryAnswerSource(gvcp::DiscoveryFrame frame,
                                                     net::Ipv4 adapterIp) {
  const uint8_t* bytes = frame.data();
  if (gvcp::getBe16(bytes + f::kEtherTypeOffset) != f::kEtherTypeIpv4 ||
      bytes[f::kIpVersionOffset] != f::kIpv4NoOptions ||
      bytes[f::kProtocolOffset] != f::kProtocolUdp ||
      gvcp::getBe16(bytes + f::kSourcePortOffset) != gvcp::kPort ||
      gvcp::getBe16(bytes + f::kAckCodeOffset) != gvcp::DISCOVERY_ACK ||
      gvcp::getBe16(bytes + f::kAckLengthOffset) != gvcp::kDiscoveryAckPayload) {
    return std::nullopt;
  }
  uint32_t networkOrder = 0;
  std::memcpy(&networkOrder, bytes + f::kSourceIpOffset, sizeof networkOrder);
  const net::Ipv4 source = net::Ipv4::fromNetwork(networkOrder);
  // The capture also sees what this host sends from the adapter's address.
  if (!adapterIp.isZero() && source == adapterIp) return std::nullopt;
  return source;
}

void gvcp::takeDiscoveryFrame(gvcp::DiscoveryFrame frame, const Adaptor& adaptor,
                              std::vector<GigE_Camera_Info>& cameras) {
  const std::optional<net::Ipv4> source = gvcp::discoveryAnswerSource(frame, adaptor.address());
  if (!source) return;
  gvcp::addCamera(cameras,
                  gvcp::decodeDiscoveryAck(frame.data() + gvcp::kFrameGvcpOffset, *source, adaptor),
                  gvcp::MergeRule::kMacAndAddress);
}

namespace {

// Each test jumps to the drop at the end when it fails; a load past the end
// of a short frame ends the program with 0 (drop) as well.
constexpr uint8_t kJumps = 11;  // from behind the first test to the drop
constexpr std::array<sock_filter, 14> kFilter = {{
    {BPF_LD | BPF_H | BPF_ABS, 0, 0, f::kEtherTypeOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, kJumps - 0, f::kEtherTypeIpv4},
    {BPF_LD | BPF_B | BPF_ABS, 0, 0, f::kIpVersionOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, kJumps - 2, f::kIpv4NoOptions},
    {BPF_LD | BPF_B | BPF_ABS, 0, 0, f::kProtocolOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, kJumps - 4, f::kProtocolUdp},
    {BPF_LD | BPF_H | BPF_ABS, 0, 0, f::kSourcePortOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, kJumps - 6, gvcp::kPort},
    {BPF_LD | BPF_H | BPF_ABS, 0, 0, f::kAckCodeOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, kJumps - 8, gvcp::DISCOVERY_ACK},
    {BPF_LD | BPF_H | BPF_ABS, 0, 0, f::kAckLengthOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, kJumps - 10, gvcp::kDiscoveryAckPayload},
    {BPF_RET | BPF_K, 0, 0, gvcp::kDiscoveryFrameSize},
    {BPF_RET | BPF_K, 0, 0, 0},
}};

}  // namespace

std::span<const sock_filter> gvcp::discoveryFilterProgram() { return kFilter; }

int gvcp::attachDiscoveryFilter(int fd) {
  // The kernel copies the program; it never writes through this pointer.
  sock_fprog program{static_cast<unsigned short>(kFilter.size()),
                     const_cast<sock_filter*>(kFilter.data())};
  return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}
