// Any captured frame: selection and decoding never read outside the frame
// buffer, and a kept record's texts never exceed their fields.
#include <algorithm>
#include <cstdlib>

#include "fuzz/fuzz_target.h"
#include "gvcp/discovery_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The capture reads at most one frame buffer and clears it first.
  uint8_t frame[gvcp::kDiscoveryFrameSize] = {};
  std::copy(data, data + std::min(size, sizeof frame), frame);
  static const Adaptor adaptor(0u);
  std::vector<GigE_Camera_Info> cameras;
  gvcp::takeDiscoveryFrame(gvcp::DiscoveryFrame(frame), adaptor, cameras);
  gvcp::takeDiscoveryFrame(gvcp::DiscoveryFrame(frame), adaptor, cameras);
  if (cameras.size() > 1) std::abort();  // the same answer twice is one camera
  for (const GigE_Camera_Info& info : cameras) {
    if (info.manufacturerInfo.size() > 48 || info.userDefinedName.size() > 16) std::abort();
  }
  return 0;
}
