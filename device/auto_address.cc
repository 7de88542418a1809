#include "device/auto_address.h"

namespace device {

std::vector<uint32_t> autoCandidates(uint32_t adapterIp, uint32_t mask, size_t limit) {
  const uint32_t network = adapterIp & mask;
  const uint32_t broadcast = network | ~mask;
  std::vector<uint32_t> candidates;
  // Unsigned walk down from broadcast - 1 to network + 1; empty for /31, /32.
  for (uint32_t ip = broadcast - 1; ip > network && ip < broadcast && candidates.size() < limit;
       --ip) {
    if (ip != adapterIp) candidates.push_back(ip);
  }
  return candidates;
}

AutoPick pickFreeAddress(uint32_t adapterIp, uint32_t mask,
                         const std::function<ProbeVerdict(uint32_t)>& probe, size_t limit) {
  AutoPick pick;
  for (const uint32_t candidate : autoCandidates(adapterIp, mask, limit)) {
    ++pick.probed;
    const ProbeVerdict verdict = probe(candidate);
    if (verdict == ProbeVerdict::kFailed) {
      pick.probeFailed = true;
      return pick;
    }
    if (verdict == ProbeVerdict::kFree) {
      pick.address = candidate;
      return pick;
    }
  }
  return pick;
}

}  // namespace device
