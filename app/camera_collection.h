// The camera collection: one discovery per adapter of the list, in list order,
// skipping exactly the adapter named "lo". Every record found is appended to
// `cameras` (never merged across adapters: a camera seen through two adapters
// is two records). Takes about one second per probed adapter.
#pragma once

#include <vector>

#include "gvcp/camera_info.h"
#include "net/adaptor.h"

void collectCameras(const std::vector<Adaptor>& adapters, std::vector<GigE_Camera_Info>& cameras);
