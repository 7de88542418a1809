// Faults the simulated camera can be told to show, chosen on its command line.
// Fractions are probabilities in [0, 1]; every random choice comes from one
// generator seeded with `seed`, so a run with the same seed and the same
// traffic misbehaves the same way.
#pragma once

#include <cstdint>
#include <map>

namespace sim {

enum class HostileDiscovery { kNone, kNoNul, kEscapes, kTruncated };

struct FaultOptions {
  uint64_t seed = 1;
  double dropRequests = 0;
  double dropAnswers = 0;
  double duplicateAnswers = 0;
  uint32_t delayMs = 0;
  bool staleAckFirst = false;  // an answer with the previous ack_id goes out first
  bool wrongAckCode = false;
  bool wrongLength = false;
  std::map<uint32_t, uint16_t> registerStatus;  // register address -> status answered
  bool foreignControl = false;                  // behave as if another host held exclusive control
  bool ignoreForceIp = false;
  HostileDiscovery hostileDiscovery = HostileDiscovery::kNone;
  bool neverFinishFlash = false;
  bool neverReturn = false;        // stays silent after a restart request
  bool unansweredRelease = false;  // gives control back without answering the write
  // The current configuration register keeps only the supported bits of a
  // write (acknowledged all the same), as some cameras do.
  bool supportedConfigOnly = false;
  // Comes back link-local after a restart whatever its configuration (a
  // camera whose stored mode did not take).
  bool linkLocalAfterRestart = false;
};

}  // namespace sim
