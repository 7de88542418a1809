// One line of text per GVCP exchange, for the simulator's --trace output: who
// sent the request, its command, id and payload words, then the answer's
// acknowledge code, status and payload words (or that none was sent). Long
// payloads show their first words and how many bytes follow. Pure; any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "simulator/device_state.h"

namespace sim {

std::string traceLine(const Peer& from, std::span<const uint8_t> request,
                      std::span<const uint8_t> answer);

}  // namespace sim
