#include "gvcp/discovery_listen.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "gvcp/discovery_frame.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/trace.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;

using f = gvcp::DiscoveryFrameLayout;

// True when the plan's stop condition holds after this answer.
bool takeAnswer(const gvcp::Capture& capture, const uint8_t* ack, net::Ipv4 source,
                const gvcp::ListenPlan& plan) {
  GigE_Camera_Info info = gvcp::decodeDiscoveryAck(ack, source, *capture.adaptor);
  info.seenAtLinkLevel = capture.mode == gvcp::CaptureMode::kPacket;
  info.seenByUdp = capture.mode == gvcp::CaptureMode::kUdp;
  gvcp::addCamera(*capture.cameras, info, plan.merge);
  return plan.stop && plan.stop(info);
}

void traceFrame(const std::array<uint8_t, gvcp::kDiscoveryFrameSize>& frame) {
  uint32_t source = 0;
  std::memcpy(&source, frame.data() + f::kSourceIpOffset, sizeof source);
  gvcp::traceDatagram(gvcp::TraceDirection::kReceive, source,
                      gvcp::getBe16(frame.data() + f::kSourcePortOffset),
                      std::span<const uint8_t>(frame).subspan(gvcp::kFrameGvcpOffset));
}

// What one read from a capture gave.
enum class Read { kEmpty, kTaken, kStop };

Read taken(bool stop) { return stop ? Read::kStop : Read::kTaken; }

// A frame that is not an answer for this capture is passed over.
Read readFrame(const gvcp::Capture& capture, const gvcp::ListenPlan& plan) {
  std::array<uint8_t, gvcp::kDiscoveryFrameSize> frame{};
  // Never waits: the queue is emptied until the kernel has nothing left.
  if (::recv(capture.fd, frame.data(), frame.size(), MSG_DONTWAIT) < 0) return Read::kEmpty;
  const std::optional<net::Ipv4> source =
      gvcp::discoveryAnswerSource(frame, capture.adaptor->address());
  if (!source) return Read::kTaken;
  if (capture.answerPort != 0 &&
      gvcp::getBe16(frame.data() + f::kDestinationPortOffset) != capture.answerPort) {
    return Read::kTaken;
  }
  traceFrame(frame);
  return taken(takeAnswer(capture, frame.data() + gvcp::kFrameGvcpOffset, *source, plan));
}

// UDP reception gives the acknowledge alone; a short one is decoded from the
// zeros behind it, as a short frame is.
Read readDatagram(const gvcp::Capture& capture, const gvcp::ListenPlan& plan) {
  std::array<uint8_t, gvcp::kDiscoveryAckSize> ack{};
  sockaddr_in from{};
  socklen_t fromLen = sizeof from;
  const ssize_t got = ::recvfrom(capture.fd, ack.data(), ack.size(), MSG_DONTWAIT,
                                 reinterpret_cast<sockaddr*>(&from), &fromLen);
  if (got < 0) return Read::kEmpty;
  if (got < static_cast<ssize_t>(gvcp::kHeaderSize)) return Read::kTaken;
  const size_t size = std::min(static_cast<size_t>(got), ack.size());
  gvcp::traceDatagram(gvcp::TraceDirection::kReceive, from.sin_addr.s_addr, ntohs(from.sin_port),
                      std::span<const uint8_t>(ack.data(), size));
  if (gvcp::readAckHeader(ack.data()).acknowledge != gvcp::DISCOVERY_ACK) return Read::kTaken;
  return taken(takeAnswer(capture, ack.data(), net::Ipv4::fromNetwork(from.sin_addr.s_addr), plan));
}

// Reads per descriptor and wake-up at most: far above a burst of answers, yet
// a flood on the port cannot hold the loop past the window's end.
constexpr int kDrainLimit = 4096;

// Empties the capture's queue (up to kDrainLimit): a burst of answers is
// taken in one wake-up, not one poll per answer, before the kernel's buffer
// overflows. True when the stop condition ended the window.
bool drain(const gvcp::Capture& capture, const gvcp::ListenPlan& plan) {
  for (int i = 0; i < kDrainLimit; ++i) {
    const Read read = capture.mode == gvcp::CaptureMode::kPacket ? readFrame(capture, plan)
                                                                 : readDatagram(capture, plan);
    if (read == Read::kEmpty) return false;
    if (read == Read::kStop) return true;
  }
  return false;
}

// The part of the window, measured in time waited, after which request `k` goes out.
microseconds sendPoint(const gvcp::ListenPlan& plan, int k) {
  return plan.window * k / std::max(plan.sends, 1);
}

}  // namespace

bool gvcp::addCamera(std::vector<GigE_Camera_Info>& cameras, const GigE_Camera_Info& info,
                     gvcp::MergeRule rule) {
  const auto known = std::find_if(cameras.begin(), cameras.end(), [&](const GigE_Camera_Info& c) {
    if (rule == gvcp::MergeRule::kMac) return gvcp::sameDevice(c, info);
    return c.sourceIp == info.sourceIp &&
           std::memcmp(c.cameraMacHw, info.cameraMacHw, sizeof c.cameraMacHw) == 0;
  });
  if (known == cameras.end()) {
    cameras.push_back(info);
    return true;
  }
  known->seenAtLinkLevel = known->seenAtLinkLevel || info.seenAtLinkLevel;
  known->seenByUdp = known->seenByUdp || info.seenByUdp;
  return false;
}

namespace {

void clearPendingError(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
}

}  // namespace

int gvcp::listenOnAll(std::span<const gvcp::Capture> captures, const gvcp::ListenPlan& plan,
                      const std::function<bool()>& halt) {
  std::vector<pollfd> fds;
  for (const gvcp::Capture& capture : captures) fds.push_back({capture.fd, POLLIN, 0});
  microseconds waited{0};
  int nextSend = 1;
  while (waited < plan.window) {
    if (nextSend < plan.sends && waited >= sendPoint(plan, nextSend)) {
      if (halt && halt()) return 0;
      if (plan.resend) plan.resend();
      ++nextSend;
      continue;
    }
    const microseconds until = nextSend < plan.sends ? sendPoint(plan, nextSend) : plan.window;
    const microseconds left = until - waited;
    const timespec timeout{static_cast<time_t>(left.count() / 1000000),
                           static_cast<long>(left.count() % 1000000) * 1000};
    const Clock::time_point start = Clock::now();
    const int ready = ::ppoll(fds.data(), fds.size(), &timeout, nullptr);
    waited += std::chrono::duration_cast<microseconds>(Clock::now() - start);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return -1;
    // A wait that passed its end without an answer ends the window, or its stretch.
    if (ready == 0) waited = std::max(waited, until);
    for (size_t i = 0; i < fds.size(); ++i) {
      if ((fds[i].revents & POLLNVAL) != 0) {
        errno = EBADF;
        return -1;
      }
      // A pending socket error (ENETDOWN of a capture bound to an adapter
      // that is down, an ICMP error on the UDP socket) says nothing about
      // other answers: take it off the socket and keep listening.
      if ((fds[i].revents & POLLERR) != 0) clearPendingError(fds[i].fd);
      if ((fds[i].revents & POLLIN) == 0) continue;
      if (drain(captures[i], plan)) return 0;
    }
  }
  return 0;
}
