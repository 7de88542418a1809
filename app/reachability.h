// The last stage of a run: probe whether the chosen camera can be controlled
// at its current address; when it cannot, ask for a temporary address and mask,
// give them to the camera with FORCEIP, discover the cameras again, and then
// reconfigure the camera at its current or typed address. When the input ends
// at a prompt it prints kInputEndedLine and sends nothing more. Caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <vector>

#include "gvcp/camera_info.h"
#include "gvcp/gige_forceip.h"
#include "gvcp/gvcp_protocol.h"
#include "net/adaptor.h"

// The two broadcast steps of the temporary-address path, so the dialogue can
// run without them.
struct TemporaryAddressSteps {
  std::function<void(const GigE_Camera_Info& camera, const ForceIpSet& set)> assign;
  std::function<void()> rediscover;
};

// The dialogue with the camera's control channel at `port` (host order).
void reachAndConfigure(const GigE_Camera_Info& selected, const TemporaryAddressSteps& steps,
                       std::istream& in, uint16_t port = gvcp::kPort);

// The dialogue of a run: FORCEIP through the camera's adapter, and the second
// discovery empties `cameras` and refills it over `adapters`.
void reachAndConfigure(const GigE_Camera_Info& selected, const std::vector<Adaptor>& adapters,
                       std::vector<GigE_Camera_Info>& cameras, std::istream& in);
