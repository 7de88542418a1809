#include "gvcp/control_privilege.h"

#include "gvcp/registers.h"

namespace gvcp {

bool takeControl(Camera& camera, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (camera.writereg(reg::kCcp, reg::kCcpTake) == 0) return true;
  }
  giveBackControl(camera);
  return false;
}

bool giveBackControl(Camera& camera) { return camera.writereg(reg::kCcp, reg::kCcpRelease) == 0; }

}  // namespace gvcp
