// Temporary address assignment for the dialogue: ForceIp broadcasts one
// FORCEIP_CMD through the adapter a camera was discovered on, then listens one
// second at link level and drops whatever arrives. No answer is evaluated: the
// result is always 0, and only a failing wait ends the process (status 1). Its
// socket failures are printed on stdout, as the dialogue has always shown them.
// One thread, the caller's.
#pragma once

#include "gvcp/camera_info.h"
#include "gvcp/gige_forceip.h"
#include "net/unique_fd.h"

class ForceIp {
 public:
  // Opens the datagram socket; prints "socket() error" when that fails.
  ForceIp();

  // Sends the command for `camera` (its cameraMacHw and adaptor) with `set`,
  // then waits gvcp::kForceIpListenMs. Returns 0.
  int assignTemporaryIp(const GigE_Camera_Info* camera, const ForceIpSet* set);

 private:
  int assignTemporaryIp_linux(const GigE_Camera_Info* camera, const ForceIpSet* set);
  void sendCommand(const GigE_Camera_Info& camera, const ForceIpSet& set);

  net::UniqueFd sock;
};
