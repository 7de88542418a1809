#include "app/force_ip.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <net/if.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>

#include "net/packet_socket.h"
#include "net/socket_address.h"

namespace {

constexpr int kExitWaitFailed = 1;

// A packet socket bound to the named interface, or an invalid owner when it
// cannot be opened (no raw-socket privilege). Binding failures are not fatal:
// the socket only serves to watch the link for the listening second.
net::PacketSocket openLinkWatch(const std::string& interfaceName) {
  net::PacketSocket fd = net::PacketSocket::open("packet socket");
  if (fd) (void)fd.bind(static_cast<int>(if_nametoindex(interfaceName.c_str())), htons(ETH_P_ALL));
  return fd;
}

}  // namespace

ForceIp::ForceIp() : sock(::socket(AF_INET, SOCK_DGRAM, 0)) {
  if (!sock) std::puts("socket() error");
}

int ForceIp::assignTemporaryIp(const GigE_Camera_Info* camera, const ForceIpSet* set) {
  return assignTemporaryIp_linux(camera, set);
}

int ForceIp::assignTemporaryIp_linux(const GigE_Camera_Info* camera, const ForceIpSet* set) {
  sendCommand(*camera, *set);
  const net::PacketSocket linkWatch = openLinkWatch(camera->adaptor.getName());
  if (!gvcp::drainFramesFor(linkWatch.get(), gvcp::kForceIpListenMs)) {
    std::puts("select() failed");
    std::exit(kExitWaitFailed);
  }
  return 0;
}

void ForceIp::sendCommand(const GigE_Camera_Info& camera, const ForceIpSet& set) {
  const int enable = 1;
  if (::setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, &enable, sizeof enable) != 0) {
    std::puts("setsockopt() error");
  }
  // Bound to the adapter's address, the limited broadcast leaves through the
  // adapter that owns it; port 0 lets the system pick the source port.
  const sockaddr_in local = net::socketAddress(camera.adaptor.ipValue(), 0);
  if (::bind(sock.get(), net::asSockaddr(local), sizeof local) != 0) {
    std::puts("bind() error");
  }
  const sockaddr_in broadcast = net::socketAddress(htonl(INADDR_BROADCAST), gvcp::kPort);
  const gvcp::ForceIpCommand command = gvcp::buildForceIpCommand(camera.cameraMacHw, set);
  if (::sendto(sock.get(), command.data(), command.size(), 0, net::asSockaddr(broadcast),
               sizeof broadcast) < 0) {
    std::puts("sendto() error");
    std::fflush(stdout);
    std::perror("sendto() error\n");
  }
}
