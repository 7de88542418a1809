// gige_discovery: one GVCP discovery on one adapter. processing() broadcasts a
// DISCOVERY_CMD from the adapter's address, captures link-level frames on the
// adapter's interface for a one-second window and leaves one record per camera
// in `cameras`. Socket failures are reported on stderr and end the process with
// status 255; an adapter without IPv4 address, or whose interface index cannot
// be read, is reported and skipped. Owns both sockets; one thread, one
// processing() per channel.
#pragma once

#include <chrono>
#include <vector>

#include "gvcp/camera_info.h"
#include "net/adaptor.h"
#include "net/unique_fd.h"

// Length of the listening window that processing() uses.
inline constexpr int kDiscoveryWindowS = 1;
// Receive buffer of the capture socket: room for a few thousand queued answers
// (each costs one small buffer plus kernel overhead), so a crowd of cameras
// answering at once is not dropped before the first read.
inline constexpr int kCaptureBufferBytes = 4 * 1024 * 1024;

class gige_discovery {
 public:
  gige_discovery();
  ~gige_discovery();
  gige_discovery(const gige_discovery&) = delete;
  gige_discovery& operator=(const gige_discovery&) = delete;

  // Always 0: failures end the process, a skipped adapter leaves `cameras` empty.
  int processing(const Adaptor& adaptor);

  // "[file:line] message" (": errno text" when with_errno) on stderr; exit(-1)
  // when fatal.
  static void report_error(const char* message, const char* file, int line, int with_errno,
                           int fatal);

  std::vector<GigE_Camera_Info> cameras;

 private:
  int open_discovery_linux();
  // 0 when the capture is bound to the adapter's interface, -1 when the
  // adapter is skipped (reported; nothing is sent).
  int configure_discovery_linux(const Adaptor& adaptor);
  int send_command_linux(const Adaptor& adaptor);
  int receive_acknowledge_linux(const Adaptor& adaptor, int timeout);
  int close_discovery_linux();

  UniqueFd udp_socket;
  UniqueFd raw_socket;
};

// The listening loop on any readable descriptor that delivers frames: waits
// until `fd` is readable or the rest of `window` has passed, reads one frame of
// at most 298 bytes per wait and hands it to takeDiscoveryFrame. The waits add
// up to at most `window`, however many frames arrive. 0 when the window is
// over, -1 (errno set) when a wait failed.
int listenForAnswers(int fd, const Adaptor& adaptor, std::chrono::microseconds window,
                     std::vector<GigE_Camera_Info>& cameras);
