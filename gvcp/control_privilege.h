// Taking and giving back the Control Channel Privilege of a camera through a
// Camera. A take whose acknowledge was lost may still have been granted, and
// the camera would then stay held by this host until its heartbeat timeout
// runs out; so a failed take is always followed by one release, whose result
// does not matter (it is refused harmlessly when the take really failed).
// Nothing here prints. Same threading rules as the Camera used.
#pragma once

#include "gvcp/camera.h"

namespace gvcp {

// Up to `tries` writes of the take value; true at the first one acknowledged.
// After the last failed write, one release write is sent anyway.
bool takeControl(Camera& camera, int tries = 1);

// One release write; true when the camera acknowledged it.
bool giveBackControl(Camera& camera);

}  // namespace gvcp
