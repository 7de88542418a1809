#include "gvcp/camera_discovery.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "gvcp/camera_text.h"
#include "gvcp/discovery_frame.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/trace.h"
#include "net/interface_bind.h"
#include "net/socket_address.h"
#include "net/unique_fd.h"

namespace {

using gvcp::Status;
namespace site = discovery_site;

// One adapter's part of a discovery.
struct Probe {
  Adaptor adaptor;
  UniqueFd sender;   // sends the request; the capture in UDP mode
  UniqueFd capture;  // packet mode only
  std::vector<GigE_Camera_Info> cameras;
};

Status failure(const char* what, int code) { return Status::Local(code, what, errno); }

Status skipped(const Adaptor& adaptor, const char* reason, int code, int sysError) {
  return Status::Local(
      code,
      std::string(reason) + " on adapter " + terminalSafe(adaptor.getName()) + ", adapter skipped",
      sysError);
}

// Large enough for a crowd of answers; as root the limit of rmem_max does not
// apply, otherwise the kernel caps the plain request.
void enlargeReceiveBuffer(int fd) {
  const int bytes = kCaptureBufferBytes;
  if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0) return;
  ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
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

// Binds the capture to the adapter's interface. Opened with protocol 0 the
// socket captures nothing until the bind names the protocol and the
// interface: no frame of another interface, and none that the filter has not
// seen, can wait in its queue. `skip` is set when the adapter is left out.
Status openCapture(Probe& probe, Status& skip) {
  probe.capture.reset(::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0));
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
  // Without the filter the user-space selection alone still holds.
  attachDiscoveryFilter(probe.capture.get());
  enlargeReceiveBuffer(probe.capture.get());
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = htons(ETH_P_ALL);
  link.sll_ifindex = request.ifr_ifindex;
  if (::bind(probe.capture.get(), reinterpret_cast<const sockaddr*>(&link), sizeof link) != 0) {
    return failure("bind() error", site::kRawBind);
  }
  return Status::Ok();
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
    (void)bindToInterface(probe.sender.get(), request.ifr_name);
}

// Binding to the adapter's address makes the request leave through it.
Status bindSender(Probe& probe) {
  tieSender(probe);
  uint32_t ip = 0;
  ::inet_pton(AF_INET, probe.adaptor.getIp().c_str(), &ip);
  const sockaddr_in local = socketAddress(ip, 0);
  if (::bind(probe.sender.get(), asSockaddr(local), sizeof local) != 0) {
    return failure("bind() error", site::kUdpBind);
  }
  return Status::Ok();
}

// Opens what one adapter needs; `skip` set (and Ok returned) leaves it out.
Status prepare(Probe& probe, CaptureMode mode, Status& skip) {
  if (Status s = openSender(probe); !s.ok()) return s;
  // Sent from 0.0.0.0 the request would leave by the default route, through
  // another interface.
  if (!probe.adaptor.isAvailable()) {
    skip = skipped(probe.adaptor, "no IPv4 address", site::kNoAddress, 0);
    return Status::Ok();
  }
  if (mode == CaptureMode::kPacket) {
    if (Status s = openCapture(probe, skip); !s.ok() || !skip.ok()) return s;
  } else {
    enlargeReceiveBuffer(probe.sender.get());
  }
  return bindSender(probe);
}

Status sendRequest(const Probe& probe) {
  const sockaddr_in everyone = socketAddress(htonl(INADDR_BROADCAST), gvcp::kPort);
  const std::vector<uint8_t> command = gvcp::buildDiscoveryCommand();
  gvcp::traceDatagram(gvcp::TraceDirection::kSend, everyone.sin_addr.s_addr, gvcp::kPort, command);
  if (::sendto(probe.sender.get(), command.data(), command.size(), 0, asSockaddr(everyone),
               sizeof everyone) < 0) {
    return failure("sendto() error", site::kSend);
  }
  return Status::Ok();
}

Status sendToAll(const std::vector<Probe>& probes) {
  for (const Probe& probe : probes) {
    if (Status s = sendRequest(probe); !s.ok()) return s;
  }
  return Status::Ok();
}

std::vector<Capture> capturesOf(std::vector<Probe>& probes, CaptureMode mode) {
  std::vector<Capture> captures;
  for (Probe& probe : probes) {
    const int fd = mode == CaptureMode::kPacket ? probe.capture.get() : probe.sender.get();
    captures.push_back({fd, mode, &probe.adaptor, &probe.cameras});
  }
  return captures;
}

Status listen(std::vector<Probe>& probes, const DiscoveryOptions& options) {
  Status resendFailure = Status::Ok();
  ListenPlan plan{options.window, options.merge, options.sends, [&] {
                    if (resendFailure.ok()) resendFailure = sendToAll(probes);
                  }};
  if (listenOnAll(capturesOf(probes, options.capture), plan) != 0) {
    return failure("select() failed", site::kWait);
  }
  return resendFailure;
}

}  // namespace

DiscoveryOutcome discoverCameras(const std::vector<Adaptor>& adapters,
                                 const DiscoveryOptions& options) {
  DiscoveryOutcome outcome;
  std::vector<Probe> probes;
  probes.reserve(adapters.size());  // captures point into the probes
  for (const Adaptor& adaptor : adapters) {
    Probe probe{adaptor, {}, {}, {}};
    Status skip = Status::Ok();
    outcome.status = prepare(probe, options.capture, skip);
    if (!outcome.status.ok()) return outcome;
    if (!skip.ok()) {
      outcome.skipped.push_back(skip);
      continue;
    }
    probes.push_back(std::move(probe));
  }
  if (probes.empty()) return outcome;
  outcome.status = sendToAll(probes);
  if (outcome.status.ok()) outcome.status = listen(probes, options);
  for (Probe& probe : probes) {
    outcome.cameras.insert(outcome.cameras.end(), probe.cameras.begin(), probe.cameras.end());
  }
  return outcome;
}

bool lacksCapturePrivilege(const gvcp::Status& status) {
  return status.code() == site::kRawSocket &&
         (status.sysError() == EPERM || status.sysError() == EACCES);
}
