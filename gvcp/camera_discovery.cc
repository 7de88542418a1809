#include "gvcp/camera_discovery.h"

#include <arpa/inet.h>
#include <linux/filter.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <span>
#include <string>

#include "gvcp/camera_text.h"
#include "gvcp/discovery_frame.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/trace.h"
#include "net/interface_bind.h"
#include "net/packet_socket.h"
#include "net/privilege.h"
#include "net/socket_address.h"
#include "net/sysctl_values.h"
#include "net/unique_fd.h"

namespace {

using gvcp::Status;
using site = gvcp::DiscoverySite;

// One adapter's part of a discovery.
struct Probe {
  Adaptor adaptor;
  net::UniqueFd sender;       // sends the request; the capture in UDP mode
  net::PacketSocket capture;  // packet modes only
  std::vector<GigE_Camera_Info> cameras;
  uint16_t port = 0;  // the sender's own port, when the capture takes only its answers
};

Status failure(const char* what, int code) { return Status::Local(code, what, errno); }

Status skipped(const Adaptor& adaptor, const char* reason, int code, int sysError) {
  return Status::Local(code,
                       std::string(reason) + " on adapter " +
                           gvcp::terminalSafe(adaptor.getName()) + ", adapter skipped",
                       sysError);
}

// Room for the burst of answers one request draws. The privilege to pass the
// host's ceiling (SO_RCVBUFFORCE, CAP_NET_ADMIN) is shed at start, so the
// request is capped at net.core.rmem_max; the kernel doubles what it grants
// for its own bookkeeping. The trace says what was asked and what was given.
void sizeReceiveBuffer(int fd, const char* path, const Adaptor& adaptor) {
  const std::optional<long> ceiling = net::rmemMax();
  const int asked = static_cast<int>(
      std::min<long>(gvcp::kCaptureBufferBytes, ceiling.value_or(gvcp::kCaptureBufferBytes)));
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &asked, sizeof asked);
  int given = 0;
  socklen_t length = sizeof given;
  ::getsockopt(fd, SOL_SOCKET, SO_RCVBUF, &given, &length);
  net::trace(std::string("discovery: ") + path + " receive buffer on " +
             gvcp::terminalSafe(adaptor.getName()) + ": asked " + std::to_string(asked) +
             " bytes (net.core.rmem_max " +
             (ceiling ? std::to_string(*ceiling) : std::string("unknown")) + "), kernel gave " +
             std::to_string(given));
}

// Capturing by packet socket alone, the request socket is never read: the
// answers addressed to it would fill its queue and every one after would be
// counted as a receive-buffer drop (RcvbufErrors), hiding real losses. A
// filter that accepts nothing has the kernel discard them before queueing.
void refuseAnswers(int fd) {
  static constexpr sock_filter kNothing[] = {BPF_STMT(BPF_RET | BPF_K, 0)};
  const sock_fprog program{1, const_cast<sock_filter*>(kNothing)};
  ::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program);
}

Status openSender(Probe& probe) {
  probe.sender.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!probe.sender) return failure("socket() error", site::kUdpSocket);
  const int on = 1;
  if (::setsockopt(probe.sender.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
    return failure("setsockopt() error", site::kBroadcast);
  }
  return Status::Ok();
}

bool bindCapture(int fd, int ifindex) {
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = htons(ETH_P_ALL);
  link.sll_ifindex = ifindex;
  return ::bind(fd, reinterpret_cast<const sockaddr*>(&link), sizeof link) == 0;
}

// Binds the capture to the adapter's interface. Opened with protocol 0 the
// socket captures nothing until the bind names the protocol and the
// interface: no frame of another interface, and none that the filter has not
// seen, can wait in its queue. `skip` is set when the adapter is left out.
Status openCapture(Probe& probe, Status& skip) {
  probe.capture = net::PacketSocket::open("packet socket");
  if (!probe.capture) return failure("socket() error", site::kRawSocket);
  ifreq request{};
  std::strncpy(request.ifr_name, probe.adaptor.getName().c_str(), IFNAMSIZ - 1);
  if (::ioctl(probe.capture.get(), SIOCGIFINDEX, &request) < 0) {
    // Index 0 would capture every interface and credit this adapter with the
    // cameras of the others.
    skip = skipped(probe.adaptor, "ioctl(SIOCGIFINDEX) error", site::kInterfaceIndex, errno);
    probe.capture.reset();
    return Status::Ok();
  }
  sizeReceiveBuffer(probe.capture.get(), "packet socket", probe.adaptor);
  // The discovery filter replaces the reserve's (packet_socket.h) before the
  // bind; without it the user-space selection alone still holds, and the bind
  // takes the reserve's filter off.
  const bool filtered = gvcp::attachDiscoveryFilter(probe.capture.get()) == 0;
  const bool bound = filtered ? bindCapture(probe.capture.get(), request.ifr_ifindex)
                              : probe.capture.bind(request.ifr_ifindex, htons(ETH_P_ALL));
  return bound ? Status::Ok() : failure("bind() error", site::kRawBind);
}

// Tying the request socket to the adapter's interface keeps the request there
// when another interface holds the same subnet (two link-local adapters, two
// ports of one network). Where the interface cannot be named the address
// alone still serves, so a failure is passed over. A down interface is left
// untied: a tied socket's send through it fails, an untied one's is just lost.
void tieSender(const Probe& probe) {
  ifreq request{};
  std::strncpy(request.ifr_name, probe.adaptor.getName().c_str(), IFNAMSIZ - 1);
  if (::ioctl(probe.sender.get(), SIOCGIFFLAGS, &request) != 0) return;
  if ((request.ifr_flags & IFF_UP) != 0)
    (void)net::bindToInterface(probe.sender.get(), request.ifr_name);
}

// Binding to the adapter's address makes the request leave through it.
Status bindSender(Probe& probe) {
  tieSender(probe);
  const sockaddr_in local = net::socketAddress(probe.adaptor.ipValue(), 0);
  if (::bind(probe.sender.get(), net::asSockaddr(local), sizeof local) != 0) {
    return failure("bind() error", site::kUdpBind);
  }
  return Status::Ok();
}

// Listening both ways, the UDP side must also take the broadcast answers of
// cameras outside the adapter's subnet, which a socket bound to the adapter's
// address never receives. So the sender is bound to any address on the
// adapter's interface, and each request names the adapter's address as its
// source (sendWithSource). The capture then takes only answers to its port.
Status bindSenderToInterface(Probe& probe) {
  const int fd = probe.sender.get();
  if (const int error = net::bindToInterface(fd, probe.adaptor.getName()); error != 0) {
    errno = error;
    return failure("setsockopt(SO_BINDTODEVICE) error", site::kUdpBind);
  }
  const sockaddr_in any = net::socketAddress(htonl(INADDR_ANY), 0);
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (::bind(fd, net::asSockaddr(any), sizeof any) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    return failure("bind() error", site::kUdpBind);
  }
  probe.port = ntohs(local.sin_port);
  return Status::Ok();
}

// Opens what one adapter needs; `skip` set (and Ok returned) leaves it out.
Status prepare(Probe& probe, gvcp::CaptureMode mode, Status& skip) {
  if (Status s = openSender(probe); !s.ok()) return s;
  // Sent from 0.0.0.0 the request would leave by the default route, through
  // another interface.
  if (!probe.adaptor.isAvailable()) {
    skip = skipped(probe.adaptor, "no IPv4 address", site::kNoAddress, 0);
    return Status::Ok();
  }
  if (mode != gvcp::CaptureMode::kUdp) {
    if (Status s = openCapture(probe, skip); !s.ok() || !skip.ok()) return s;
  }
  if (mode == gvcp::CaptureMode::kPacket) {
    refuseAnswers(probe.sender.get());
  } else {
    sizeReceiveBuffer(probe.sender.get(), "UDP socket", probe.adaptor);
  }
  return mode == gvcp::CaptureMode::kPacketAndUdp ? bindSenderToInterface(probe)
                                                  : bindSender(probe);
}

// sendto, with `source` as the datagram's source address (IP_PKTINFO).
ssize_t sendWithSource(int fd, std::span<const uint8_t> datagram, const sockaddr_in& to,
                       uint32_t source) {
  iovec part{const_cast<uint8_t*>(datagram.data()), datagram.size()};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  msghdr message{};
  message.msg_name = const_cast<sockaddr_in*>(&to);
  message.msg_namelen = sizeof to;
  message.msg_iov = &part;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  cmsghdr* header = CMSG_FIRSTHDR(&message);
  header->cmsg_level = IPPROTO_IP;
  header->cmsg_type = IP_PKTINFO;
  header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_spec_dst.s_addr = source;
  std::memcpy(CMSG_DATA(header), &info, sizeof info);
  return ::sendmsg(fd, &message, 0);
}

Status sendRequest(const Probe& probe) {
  const sockaddr_in everyone = net::socketAddress(htonl(INADDR_BROADCAST), gvcp::kPort);
  const std::vector<uint8_t> command = gvcp::buildDiscoveryCommand();
  gvcp::traceDatagram(gvcp::TraceDirection::kSend, everyone.sin_addr.s_addr, gvcp::kPort, command);
  const ssize_t sent =
      probe.port != 0
          ? sendWithSource(probe.sender.get(), command, everyone, probe.adaptor.ipValue())
          : ::sendto(probe.sender.get(), command.data(), command.size(), 0,
                     net::asSockaddr(everyone), sizeof everyone);
  if (sent < 0) return failure("sendto() error", site::kSend);
  return Status::Ok();
}

// The first request through every adapter. An adapter whose send is refused
// (an output firewall rule, an interface that cannot carry it) is left out
// with the reason, so that it costs only its own cameras; the discovery fails
// only when no adapter could send.
Status sendFirst(std::vector<Probe>& probes, std::vector<Status>& skippedAdapters) {
  Status refused = Status::Ok();
  std::vector<Status> reasons;
  std::erase_if(probes, [&](const Probe& probe) {
    const Status sent = sendRequest(probe);
    if (sent.ok()) return false;
    reasons.push_back(skipped(probe.adaptor, "sendto() error", site::kSend, sent.sysError()));
    refused = sent;
    return true;
  });
  if (probes.empty()) return refused;
  skippedAdapters.insert(skippedAdapters.end(), reasons.begin(), reasons.end());
  return Status::Ok();
}

// One or, listening both ways, two captures per adapter onto its cameras.
std::vector<gvcp::Capture> capturesOf(std::vector<Probe>& probes, gvcp::CaptureMode mode) {
  std::vector<gvcp::Capture> captures;
  for (Probe& probe : probes) {
    if (mode != gvcp::CaptureMode::kUdp) {
      captures.push_back({probe.capture.get(), gvcp::CaptureMode::kPacket, &probe.adaptor,
                          &probe.cameras, probe.port});
    }
    if (mode != gvcp::CaptureMode::kPacket) {
      captures.push_back(
          {probe.sender.get(), gvcp::CaptureMode::kUdp, &probe.adaptor, &probe.cameras, 0});
    }
  }
  return captures;
}

// A later request that is refused costs that request alone: the adapter
// carried the first one, and its answers are still taken.
Status listen(std::vector<Probe>& probes, const gvcp::DiscoveryOptions& options) {
  gvcp::ListenPlan plan{options.window, options.merge, options.sends,
                        [&] {
                          for (const Probe& probe : probes) (void)sendRequest(probe);
                        },
                        options.stop};
  if (gvcp::listenOnAll(capturesOf(probes, options.capture), plan, options.halt) != 0) {
    return failure("select() failed", site::kWait);
  }
  return Status::Ok();
}

}  // namespace

gvcp::DiscoveryOutcome gvcp::discoverCameras(const std::vector<Adaptor>& adapters,
                                             const gvcp::DiscoveryOptions& options) {
  gvcp::DiscoveryOutcome outcome;
  std::vector<Probe> probes;
  probes.reserve(adapters.size());  // captures point into the probes
  for (const Adaptor& adaptor : adapters) {
    Probe probe{adaptor, {}, {}, {}, 0};
    Status skip = Status::Ok();
    outcome.status = prepare(probe, options.capture, skip);
    if (!outcome.status.ok()) return outcome;
    if (!skip.ok()) {
      outcome.skipped.push_back(skip);
      continue;
    }
    probes.push_back(std::move(probe));
  }
  // Nothing privileged is opened from here on: a command that asked for it
  // gives its capabilities up while the window is still open. A listen by
  // UDP alone opened nothing privileged, and a capture may follow it.
  if (options.capture != gvcp::CaptureMode::kUdp) net::socketsOpened();
  if (probes.empty()) return outcome;
  outcome.status = sendFirst(probes, outcome.skipped);
  if (outcome.status.ok()) outcome.status = listen(probes, options);
  for (Probe& probe : probes) {
    outcome.cameras.insert(outcome.cameras.end(), probe.cameras.begin(), probe.cameras.end());
  }
  return outcome;
}

bool gvcp::lacksCapturePrivilege(const gvcp::Status& status) {
  return status.code() == site::kRawSocket &&
         (status.sysError() == EPERM || status.sysError() == EACCES);
}
