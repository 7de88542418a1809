// Turns one answer the camera means to send into the datagrams it really sends,
// following the fault options: dropped, delayed, duplicated, preceded by a copy
// with a stale ack_id, or with a wrong acknowledge code or length. Pure apart
// from the seeded dice, so a seed replays the same misbehaviour.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "simulator/fault_options.h"

namespace sim {

class FaultDice {
 public:
  explicit FaultDice(uint64_t seed) : rng_(seed) {}
  // True with probability `fraction`; always draws one number, so the
  // sequence depends only on the seed and the number of rolls.
  bool roll(double fraction);

 private:
  std::mt19937_64 rng_;
};

struct Datagram {
  std::vector<uint8_t> bytes;
  uint32_t delayMs = 0;
};

// Drop, duplicate and delay: the faults that apply to every protocol.
std::vector<Datagram> shapeAnswer(std::vector<uint8_t> answer, const FaultOptions& faults,
                                  FaultDice& dice);
// The above plus the GVCP header faults (stale ack_id first, wrong code, wrong length).
std::vector<Datagram> shapeGvcpAnswer(std::vector<uint8_t> answer, const FaultOptions& faults,
                                      FaultDice& dice);

}  // namespace sim
