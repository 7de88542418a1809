#include "gvcp/control_privilege.h"

#include "gvcp/registers.h"

namespace control {

bool take(Camera& camera, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (camera.writereg(reg::kCcp, reg::kCcpTake) == 0) return true;
  }
  giveBack(camera);
  return false;
}

bool giveBack(Camera& camera) { return camera.writereg(reg::kCcp, reg::kCcpRelease) == 0; }

}  // namespace control
