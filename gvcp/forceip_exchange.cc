#include "gvcp/forceip_exchange.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <span>
#include <variant>

#include "gvcp/trace.h"
#include "net/interface_bind.h"
#include "net/socket_address.h"
#include "net/socket_wait.h"
#include "net/unique_fd.h"

namespace gvcp {
namespace {

using Clock = std::chrono::steady_clock;

// A broadcast-capable datagram socket bound to the adapter's address (and
// tied to its interface when named, for an address another interface's
// subnet also holds), so the broadcast leaves through that adapter and the
// acknowledge comes back here.
std::variant<net::UniqueFd, Status> openSender(const ForceIpExchange& exchange) {
  net::UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!sock) return Status::Local(ForceIpSite::kSocket, "FORCEIP socket", errno);
  if (const int error = net::bindToInterface(sock.get(), exchange.interfaceName); error != 0) {
    return Status::Local(ForceIpSite::kBind, "FORCEIP socket on " + exchange.interfaceName, error);
  }
  const int enable = 1;
  const sockaddr_in local = net::socketAddress(exchange.sourceIp, 0);
  if (::setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, &enable, sizeof enable) != 0 ||
      ::bind(sock.get(), net::asSockaddr(local), sizeof local) != 0) {
    return Status::Local(ForceIpSite::kBind, "FORCEIP socket", errno);
  }
  return sock;
}

// Reads datagrams until `deadline`; the FORCEIP_ACK among them, if any. Other
// datagrams (late answers of another kind) are traced and passed over.
std::variant<AckHeader, Status, std::monostate> awaitAck(int fd, Clock::time_point deadline) {
  for (;;) {
    const net::SocketWait ready = net::waitReadable(fd, deadline);
    if (ready == net::SocketWait::kFailed) {
      return Status::Local(ForceIpSite::kWait, "FORCEIP wait", errno);
    }
    if (ready == net::SocketWait::kTimedOut) return std::monostate{};
    uint8_t buffer[kAckBufferSize];
    sockaddr_in from{};
    socklen_t length = sizeof from;
    const ssize_t got = ::recvfrom(fd, buffer, sizeof buffer, MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &length);
    if (got <= 0) continue;
    const std::span<const uint8_t> datagram(buffer, static_cast<size_t>(got));
    traceDatagram(TraceDirection::kReceive, from.sin_addr.s_addr, ntohs(from.sin_port), datagram);
    if (datagram.size() < kHeaderSize) continue;
    const AckHeader ack = readAckHeader(buffer);
    if (ack.acknowledge == FORCEIP_ACK && ack.ack_id == kForceIpReqId) return ack;
  }
}

}  // namespace

Status forceIpAcknowledged(const unsigned char* mac, const ForceIpSet& set, uint32_t gateway,
                           const ForceIpExchange& exchange) {
  auto opened = openSender(exchange);
  if (auto* failed = std::get_if<Status>(&opened)) return *failed;
  const net::UniqueFd& sock = std::get<net::UniqueFd>(opened);
  const ForceIpCommand command = buildForceIpCommand(mac, set, gateway);
  const sockaddr_in to = net::socketAddress(exchange.destinationIp, exchange.destinationPort);
  for (int attempt = 0; attempt < exchange.attempts; ++attempt) {
    traceDatagram(TraceDirection::kSend, to.sin_addr.s_addr, exchange.destinationPort, command);
    if (::sendto(sock.get(), command.data(), command.size(), 0, net::asSockaddr(to), sizeof to) <
        0) {
      return Status::Local(ForceIpSite::kSend, "FORCEIP send", errno);
    }
    const auto answer = awaitAck(sock.get(), Clock::now() + exchange.wait);
    if (const auto* failed = std::get_if<Status>(&answer)) return *failed;
    if (const auto* ack = std::get_if<AckHeader>(&answer)) {
      if (ack->status == kStatusSuccess) return Status::Ok();
      return Status::Camera(ack->status, "FORCEIP");
    }
  }
  return Status::Local(ForceIpSite::kNoAnswer, "FORCEIP not acknowledged");
}

}  // namespace gvcp
