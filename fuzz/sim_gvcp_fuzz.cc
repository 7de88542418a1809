// Any datagram to the simulated camera's GVCP port: it never crashes, and an
// answer it gives is a whole acknowledge whose length field matches its size.
#include <cstdlib>

#include "fuzz/fuzz_target.h"
#include "gvcp/gvcp_protocol.h"
#include "simulator/gvcp_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::DeviceState state;
  state.current = {0xC0A8010A, 0xFFFFFF00, 0};
  const sim::Peer host{0xC0A80101, 50000};
  for (uint64_t nowMs : {0u, 10u}) {
    const sim::Outcome out = sim::handleGvcp(state, host, {data, size}, nowMs);
    if (out.answer.empty()) continue;
    if (out.answer.size() < gvcp::kHeaderSize) std::abort();
    const gvcp::AckHeader ack = gvcp::readAckHeader(out.answer.data());
    if (ack.length + gvcp::kHeaderSize != out.answer.size()) std::abort();
  }
  return 0;
}
