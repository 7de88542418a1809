// The listening part of discovery: one poll over the capture descriptors of
// any number of adapters, for one window, re-sending the request on a
// schedule. Each readable descriptor is emptied at each wake-up, frame by
// frame (packet capture) or datagram by datagram (UDP reception); answers are
// decoded onto the cameras of their own adapter, merged by the chosen rule,
// each record marked with the receptions that saw it. The waits add up to at most
// the window however many answers arrive; a stop condition, asked after each
// answer taken, may end the window early. Descriptors stay the caller's.
#pragma once

#include <chrono>
#include <functional>
#include <span>
#include <vector>

#include "gvcp/camera_info.h"
#include "net/adaptor.h"

namespace gvcp {

// How a discovery receives answers. kPacketAndUdp (a discovery's option only)
// runs both at once, so a record says whether the host let its answer through
// to an ordinary UDP socket; one Capture is always kPacket or kUdp.
enum class CaptureMode { kPacket, kUdp, kPacketAndUdp };

// Which answers count as the same camera on one adapter: the same MAC and
// source address (a camera answering from two addresses is listed twice), or
// the same MAC alone.
enum class MergeRule { kMacAndAddress, kMac };

struct Capture {
  int fd = -1;
  CaptureMode mode = CaptureMode::kPacket;
  const Adaptor* adaptor = nullptr;
  std::vector<GigE_Camera_Info>* cameras = nullptr;
  // kPacket: only frames to this UDP destination port, the request socket's,
  // so a capture beside a UDP socket counts the answers that socket is due;
  // 0 takes any port.
  uint16_t answerPort = 0;
};

// Asked after each answer taken, with its record as decoded (before merging);
// true ends the window there.
using AnswerStop = std::function<bool(const GigE_Camera_Info& answer)>;

struct ListenPlan {
  std::chrono::microseconds window{0};
  MergeRule merge = MergeRule::kMacAndAddress;
  // Number of requests within the window, the first already sent: request k
  // (k = 1..sends-1) goes out once k/sends of the window has been waited.
  int sends = 1;
  std::function<void()> resend;
  AnswerStop stop;  // empty: the whole window
};

// 0 when the window is over or `stop` or `halt` ended it, -1 (errno set) when
// a wait failed. `halt` is asked at each request point (k = 1..sends-1) before
// the request goes out; true ends the window there.
int listenOnAll(std::span<const Capture> captures, const ListenPlan& plan,
                const std::function<bool()>& halt = {});

// Appends `info` unless `cameras` holds the same camera by `rule`, whose record
// then also carries the receptions that saw `info`; true when appended.
bool addCamera(std::vector<GigE_Camera_Info>& cameras, const GigE_Camera_Info& info,
               MergeRule rule);

}  // namespace gvcp
