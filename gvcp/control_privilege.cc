#include "gvcp/control_privilege.h"

#include "gvcp/registers.h"

namespace gvcp {

bool takeControl(Camera& camera, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (camera.writereg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake) == 0) return true;
  }
  giveBackControl(camera);
  return false;
}

bool giveBackControl(Camera& camera) {
  return camera.writereg(gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease) == 0;
}

}  // namespace gvcp
