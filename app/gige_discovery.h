// gige_discovery: the dialogue's discovery on one adapter, a printer over
// gvcp::discoverCameras (gvcp/camera_discovery.h). processing() broadcasts one
// DISCOVERY_CMD from the adapter's address, captures link-level frames on the
// adapter's interface for a one-second window and leaves one record per camera
// in `cameras`. Socket failures are reported on stderr and end the process with
// status 255; an adapter without IPv4 address, or whose interface index cannot
// be read, is reported and skipped. One thread, one processing() per channel.
#pragma once

#include <chrono>
#include <vector>

#include "gvcp/camera_info.h"
#include "net/adaptor.h"

// Length of the listening window that processing() uses.
inline constexpr int kDiscoveryWindowS = 1;

class gige_discovery {
 public:
  gige_discovery() = default;
  gige_discovery(const gige_discovery&) = delete;
  gige_discovery& operator=(const gige_discovery&) = delete;

  // Always 0: failures end the process, a skipped adapter leaves `cameras` empty.
  int processing(const Adaptor& adaptor);

  // "[file:line] message" (": errno text" when with_errno) on stderr; exit(-1)
  // when fatal.
  static void report_error(const char* message, const char* file, int line, int with_errno,
                           int fatal);

  std::vector<GigE_Camera_Info> cameras;
};

// The listening loop on any readable descriptor that delivers frames: waits
// until `fd` is readable or the rest of `window` has passed, reads one frame of
// at most 298 bytes per wait and takes it when it is a new answer. The waits
// add up to at most `window`, however many frames arrive. 0 when the window is
// over, -1 (errno set) when a wait failed.
int listenForAnswers(int fd, const Adaptor& adaptor, std::chrono::microseconds window,
                     std::vector<GigE_Camera_Info>& cameras);
