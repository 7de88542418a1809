#include "net/arp_probe.h"

#include <algorithm>

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint16_t kEtherTypeArp = 0x0806;
constexpr uint16_t kHardwareEthernet = 1;
constexpr uint16_t kProtocolIpv4 = 0x0800;
constexpr uint16_t kOpRequest = 1;
constexpr uint16_t kOpReply = 2;
constexpr size_t kEthHeader = 14;
// Offsets inside the ARP body.
constexpr size_t kOp = 6;
constexpr size_t kSenderMac = 8;
constexpr size_t kSenderIp = 14;
constexpr size_t kTargetIp = 24;

void put16(Frame& f, size_t at, uint16_t v) {
  f[at] = static_cast<uint8_t>(v >> 8);
  f[at + 1] = static_cast<uint8_t>(v);
}
void put32(Frame& f, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    f[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
uint16_t get16(std::span<const uint8_t> f, size_t at) {
  return static_cast<uint16_t>(f[at] << 8 | f[at + 1]);
}
uint32_t get32(std::span<const uint8_t> f, size_t at) {
  return uint32_t{f[at]} << 24 | uint32_t{f[at + 1]} << 16 | uint32_t{f[at + 2]} << 8 | f[at + 3];
}

// Frames read after the window has passed, at most: a flood cannot hold the probe.
constexpr int kMaxLateFrames = 64;

// Listens until `until`; the claiming MAC when a station other than `ours`
// and `owner` answered for `target`. Once the window has passed, the frames
// already waiting are still read: on a loaded machine this thread may come
// to them late, and an answer that arrived in time must not count as silence.
std::optional<ProbeResult> listen(FrameLink& link, const MacAddress& ours, uint32_t target,
                                  const std::optional<MacAddress>& owner, Clock::time_point until) {
  using std::chrono::milliseconds;
  for (int late = 0; late <= kMaxLateFrames;) {
    const auto left =
        std::max(milliseconds::zero(), std::chrono::ceil<milliseconds>(until - Clock::now()));
    const bool over = left == milliseconds::zero();
    late += over ? 1 : 0;
    const std::optional<Frame> frame = link.receive(left);
    if (link.failed()) return ProbeResult{ProbeResult::Kind::kLinkFailed, {}};
    if (!frame && over) break;  // nothing more was waiting
    if (!frame) continue;
    const std::optional<MacAddress> mac = claimant(*frame, target);
    if (mac && *mac != ours && mac != owner) return ProbeResult{ProbeResult::Kind::kInUse, *mac};
  }
  return std::nullopt;
}

}  // namespace

Frame buildProbe(const MacAddress& ours, uint32_t target) {
  Frame f(kFrameSize, 0);
  std::fill(f.begin(), f.begin() + 6, 0xFF);  // broadcast
  ours.getMacHw(f.data() + 6, MacAddress::kSize);
  put16(f, 12, kEtherTypeArp);
  put16(f, kEthHeader, kHardwareEthernet);
  put16(f, kEthHeader + 2, kProtocolIpv4);
  f[kEthHeader + 4] = MacAddress::kSize;
  f[kEthHeader + 5] = 4;
  put16(f, kEthHeader + kOp, kOpRequest);
  ours.getMacHw(f.data() + kEthHeader + kSenderMac, MacAddress::kSize);
  // Sender address and target MAC stay zero.
  put32(f, kEthHeader + kTargetIp, target);
  return f;
}

std::optional<MacAddress> claimant(std::span<const uint8_t> frame, uint32_t target) {
  if (frame.size() < kFrameSize || get16(frame, 12) != kEtherTypeArp) return std::nullopt;
  const auto arp = frame.subspan(kEthHeader);
  if (get16(arp, 0) != kHardwareEthernet || get16(arp, 2) != kProtocolIpv4 ||
      arp[4] != MacAddress::kSize || arp[5] != 4) {
    return std::nullopt;
  }
  const uint16_t op = get16(arp, kOp);
  if ((op != kOpRequest && op != kOpReply) || get32(arp, kSenderIp) != target) return std::nullopt;
  MacAddress mac;
  mac.setMac(arp.data() + kSenderMac, MacAddress::kSize);
  return mac;
}

ProbeResult probeAddress(FrameLink& link, const MacAddress& ours, uint32_t target,
                         const std::optional<MacAddress>& owner, const ProbeTiming& timing) {
  const Frame probe = buildProbe(ours, target);
  for (int i = 0; i < timing.probes; ++i) {
    if (!link.send(probe)) return {ProbeResult::Kind::kLinkFailed, {}};
    const auto wait = i + 1 < timing.probes ? timing.spacing : timing.lastWait;
    if (auto claimed = listen(link, ours, target, owner, Clock::now() + wait)) return *claimed;
  }
  return {};
}

}  // namespace net
