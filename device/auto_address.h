// The address `force-ip --ip auto` gives a camera: the first free one in a
// fixed order. Candidates run from the top of the adapter's subnet downwards
// (broadcast - 1, broadcast - 2, ...), skipping the adapter's own address and
// the network and broadcast addresses; hosts and DHCP pools usually count up
// from the bottom, so the top is where a free address is likeliest. Each
// candidate is asked of a probe (an ARP probe on the adapter, in the command)
// until one is free, at most `limit` of them. Addresses are host-order
// numbers. Pure apart from what the probe does; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace device {

// An ARP probe takes about half a second; sixteen bound the wait to ~8 s.
inline constexpr size_t kAutoProbeLimit = 16;

// At most `limit` candidates in probing order; none for a subnet without
// host addresses.
std::vector<uint32_t> autoCandidates(uint32_t adapterIp, uint32_t mask, size_t limit);

enum class ProbeVerdict { kFree, kInUse, kFailed };

struct AutoPick {
  std::optional<uint32_t> address;  // the first free candidate
  size_t probed = 0;                // candidates asked
  bool probeFailed = false;         // the probe itself failed; picking stopped there
};

AutoPick pickFreeAddress(uint32_t adapterIp, uint32_t mask,
                         const std::function<ProbeVerdict(uint32_t)>& probe,
                         size_t limit = kAutoProbeLimit);

}  // namespace device
