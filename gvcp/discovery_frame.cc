#include "gvcp/discovery_frame.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>

namespace f = discovery_frame;

std::optional<std::string> discoveryAnswerSource(DiscoveryFrame frame,
                                                 const std::string& adapterIp) {
  if (frame[f::kProtocolOffset] != f::kProtocolUdp) return std::nullopt;
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, frame.data() + f::kSourceIpOffset, text, sizeof text);
  // The capture also sees what this host sends from the adapter's address.
  if (adapterIp == text) return std::nullopt;
  if (gvcp::getBe16(frame.data() + f::kAckCodeOffset) != gvcp::DISCOVERY_ACK) return std::nullopt;
  return std::string(text);
}

bool addUniqueCamera(std::vector<GigE_Camera_Info>& cameras, const GigE_Camera_Info& info) {
  const bool known = std::any_of(cameras.begin(), cameras.end(), [&](const GigE_Camera_Info& c) {
    return c.cameraMac == info.cameraMac && c.cameraIp == info.cameraIp;
  });
  if (!known) cameras.push_back(info);
  return !known;
}

void takeDiscoveryFrame(DiscoveryFrame frame, const Adaptor& adaptor,
                        std::vector<GigE_Camera_Info>& cameras) {
  const std::optional<std::string> source = discoveryAnswerSource(frame, adaptor.getIp());
  if (!source) return;
  addUniqueCamera(cameras,
                  decodeDiscoveryAck(frame.data() + gvcp::kFrameGvcpOffset, *source, adaptor));
}

namespace {

// ldb [23]; jeq #17 else drop; ldh [44]; jeq #3 else drop; ret #298; drop: ret #0.
// A load past the end of a short frame ends the program with 0 (drop).
constexpr std::array<sock_filter, 6> kFilter = {{
    {BPF_LD | BPF_B | BPF_ABS, 0, 0, f::kProtocolOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, 3, f::kProtocolUdp},
    {BPF_LD | BPF_H | BPF_ABS, 0, 0, f::kAckCodeOffset},
    {BPF_JMP | BPF_JEQ | BPF_K, 0, 1, gvcp::DISCOVERY_ACK},
    {BPF_RET | BPF_K, 0, 0, gvcp::kDiscoveryFrameSize},
    {BPF_RET | BPF_K, 0, 0, 0},
}};

}  // namespace

std::span<const sock_filter> discoveryFilterProgram() { return kFilter; }

int attachDiscoveryFilter(int fd) {
  // The kernel copies the program; it never writes through this pointer.
  sock_fprog program{static_cast<unsigned short>(kFilter.size()),
                     const_cast<sock_filter*>(kFilter.data())};
  return ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}
