// Any datagram to the simulated camera's flash port: it never crashes and the
// image it assembles never grows past the announced size.
#include <cstdlib>

#include "fuzz/fuzz_target.h"
#include "simulator/flash_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  sim::FlashState state;
  // A small announced image first, so block writes reach their bounds checks.
  const uint8_t announce[24] = {0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0, 0, 0, 0, 0,
                                8,    0,    0,    0,    0, 0, 1, 0, 0, 4, 0, 0};
  sim::handleFlash(state, announce, 0);
  sim::handleFlash(state, {data, size}, 1);
  if (state.image.size() > 1024) std::abort();
  return 0;
}
