#include "gvcp/gige_discovery.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gvcp/camera_text.h"
#include "gvcp/discovery_frame.h"
#include "gvcp/gvcp_protocol.h"
#include "net/socket_wait.h"

namespace {

constexpr const char* kReportFile = "gige_discovery";
// Location numbers of the reports; operators and scripts match on them.
constexpr int kSiteUdpSocket = 78;
constexpr int kSiteBroadcast = 83;
constexpr int kSiteNoAddress = 110;
constexpr int kSiteRawSocket = 116;
constexpr int kSiteInterfaceIndex = 121;
constexpr int kSiteRawBind = 133;
constexpr int kSiteUdpBind = 147;
constexpr int kSiteSend = 163;
constexpr int kSiteWait = 187;

void fatalError(const char* message, int line) {
  gige_discovery::report_error(message, kReportFile, line, 1, 1);
}

// Reports, without ending the process, why `adaptor` is not probed.
void skipAdapter(const Adaptor& adaptor, const char* reason, int line, int with_errno) {
  const int error = errno;
  const std::string message =
      std::string(reason) + " on adapter " + terminalSafe(adaptor.getName()) + ", adapter skipped";
  errno = error;
  gige_discovery::report_error(message.c_str(), kReportFile, line, with_errno, 0);
}

// Large enough for a crowd of answers; as root the limit of rmem_max does not
// apply, otherwise the kernel caps the plain request.
void enlargeReceiveBuffer(int fd) {
  const int bytes = kCaptureBufferBytes;
  if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0) return;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

// Waits at most `remaining` for fd and takes the time waited off it; the time
// spent handling frames between waits is not charged to the window.
SocketWait waitWithinWindow(int fd, std::chrono::microseconds& remaining) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  // A descriptor that is not open fails without a system error of its own.
  errno = EBADF;
  const SocketWait result = waitReadable(fd, start + remaining);
  remaining -= std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
  return result;
}

}  // namespace

gige_discovery::gige_discovery() { open_discovery_linux(); }

gige_discovery::~gige_discovery() { close_discovery_linux(); }

int gige_discovery::processing(const Adaptor& adaptor) {
  if (configure_discovery_linux(adaptor) != 0) return 0;
  send_command_linux(adaptor);
  return receive_acknowledge_linux(adaptor, kDiscoveryWindowS);
}

void gige_discovery::report_error(const char* message, const char* file, int line, int with_errno,
                                  int fatal) {
  const int error = errno;
  if (with_errno != 0) {
    std::fprintf(stderr, "[%s:%d] %s: %s\n", file, line, message, std::strerror(error));
  } else {
    std::fprintf(stderr, "[%s:%d] %s\n", file, line, message);
  }
  if (fatal != 0) std::exit(-1);
}

int gige_discovery::open_discovery_linux() {
  udp_socket.reset(::socket(AF_INET, SOCK_DGRAM, 0));
  if (!udp_socket) fatalError("socket() error", kSiteUdpSocket);
  const int on = 1;
  const int result = ::setsockopt(udp_socket.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
  if (result != 0) fatalError("setsockopt() error", kSiteBroadcast);
  return result;
}

int gige_discovery::configure_discovery_linux(const Adaptor& adaptor) {
  // Sent from 0.0.0.0 the request would leave by the default route, through
  // another interface.
  if (!adaptor.isAvailable()) {
    skipAdapter(adaptor, "no IPv4 address", kSiteNoAddress, 0);
    return -1;
  }
  // Opened with protocol 0 the socket captures nothing until the bind below
  // names the protocol and the interface: no frame of another interface, and
  // none that the filter has not seen, can wait in its queue.
  raw_socket.reset(::socket(AF_PACKET, SOCK_RAW, 0));
  if (!raw_socket) fatalError("socket() error", kSiteRawSocket);
  ifreq request{};
  std::strncpy(request.ifr_name, adaptor.getName().c_str(), IFNAMSIZ - 1);
  if (::ioctl(raw_socket.get(), SIOCGIFINDEX, &request) < 0) {
    // Index 0 would capture every interface and credit this adapter with the
    // cameras of the others.
    skipAdapter(adaptor, "ioctl(SIOCGIFINDEX) error", kSiteInterfaceIndex, 1);
    raw_socket.reset();
    return -1;
  }
  // Without the filter the user-space selection alone still holds.
  attachDiscoveryFilter(raw_socket.get());
  enlargeReceiveBuffer(raw_socket.get());
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = htons(ETH_P_ALL);
  link.sll_ifindex = request.ifr_ifindex;
  if (::bind(raw_socket.get(), reinterpret_cast<const sockaddr*>(&link), sizeof link) != 0) {
    fatalError("bind() error", kSiteRawBind);
  }
  return 0;
}

int gige_discovery::send_command_linux(const Adaptor& adaptor) {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  ::inet_pton(AF_INET, adaptor.getIp().c_str(), &local.sin_addr);
  if (::bind(udp_socket.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
    fatalError("bind() error", kSiteUdpBind);
  }
  sockaddr_in everyone{};
  everyone.sin_family = AF_INET;
  everyone.sin_port = htons(gvcp::kPort);
  everyone.sin_addr.s_addr = htonl(INADDR_BROADCAST);
  const std::vector<uint8_t> command = gvcp::buildDiscoveryCommand();
  if (::sendto(udp_socket.get(), command.data(), command.size(), 0,
               reinterpret_cast<const sockaddr*>(&everyone), sizeof everyone) < 0) {
    fatalError("sendto() error", kSiteSend);
  }
  return 0;
}

int gige_discovery::receive_acknowledge_linux(const Adaptor& adaptor, int timeout) {
  // The wait is a poll (no FD_SETSIZE limit); its report keeps the text that
  // operators know.
  if (listenForAnswers(raw_socket.get(), adaptor, std::chrono::seconds(timeout), cameras) != 0) {
    fatalError("select() failed", kSiteWait);
  }
  return 0;
}

int gige_discovery::close_discovery_linux() {
  udp_socket.reset();
  raw_socket.reset();
  return 0;
}

int listenForAnswers(int fd, const Adaptor& adaptor, std::chrono::microseconds window,
                     std::vector<GigE_Camera_Info>& cameras) {
  std::array<uint8_t, gvcp::kDiscoveryFrameSize> frame;
  while (window > std::chrono::microseconds::zero()) {
    const SocketWait ready = waitWithinWindow(fd, window);
    if (ready == SocketWait::kFailed) return -1;
    if (ready == SocketWait::kTimedOut) break;
    frame.fill(0);
    // A failed read leaves the cleared buffer, which the selection drops; not
    // waiting here keeps a spurious wake-up from blocking past the window.
    ::recv(fd, frame.data(), frame.size(), MSG_DONTWAIT);
    takeDiscoveryFrame(frame, adaptor, cameras);
  }
  return 0;
}
