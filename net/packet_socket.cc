#include "net/packet_socket.h"

#include <linux/filter.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "net/privilege.h"

namespace net {

namespace {

// On many kernels closing a packet socket waits for an RCU grace period
// (several milliseconds on an idle host), and so does binding one that was
// bound before; closes under way at once share one grace period.
void closeTogether(std::vector<UniqueFd>& fds) {
  std::vector<std::jthread> closers;
  try {
    for (size_t i = 1; i < fds.size(); ++i) closers.emplace_back([&fd = fds[i]] { fd.reset(); });
  } catch (const std::system_error&) {
    // No thread to spare: the others close one after another with `fds`.
  }
  if (!fds.empty()) fds.front().reset();
}

struct Reserve {
  std::mutex lock;
  // Fresh sockets at the back, where open() takes them first; sockets given
  // back go to the front, so a command binds a used one only when no fresh
  // one is left.
  std::vector<UniqueFd> idle;
  // Set by holdPacketSockets: before, a socket that ends is closed (a test
  // process opens them in many network namespaces, a socket stays in its own).
  bool holding = false;
  ~Reserve() { closeTogether(idle); }
};

Reserve& reserve() {
  static Reserve r;
  return r;
}

UniqueFd openFresh() { return UniqueFd(::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0)); }

// Back to taking in nothing, as a fresh socket: a bound packet socket cannot
// be unbound (a bind to protocol 0 keeps the old protocol), so a filter that
// drops every frame replaces the user's, then the frames queued before go.
bool renew(int fd) {
  sock_filter dropAll[] = {BPF_STMT(BPF_RET | BPF_K, 0)};
  const sock_fprog program{1, dropAll};
  if (::setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) != 0) return false;
  char frame[64];
  while (::recv(fd, frame, sizeof frame, MSG_DONTWAIT | MSG_TRUNC) >= 0) {
  }
  return errno == EAGAIN || errno == EWOULDBLOCK;
}

}  // namespace

PacketSocket PacketSocket::open(const char* purpose) {
  {
    Reserve& r = reserve();
    const std::lock_guard<std::mutex> guard(r.lock);
    if (!r.idle.empty()) {
      UniqueFd fd = std::move(r.idle.back());
      r.idle.pop_back();
      return PacketSocket(std::move(fd), true);
    }
  }
  const net::NetRawRaised raised(purpose);
  return PacketSocket(openFresh(), true);
}

bool PacketSocket::bind(int ifindex, uint16_t protocol) {
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = protocol;
  link.sll_ifindex = ifindex;
  if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&link), sizeof link) != 0) return false;
  // The kernel wants an int's length even here; ENOENT when there is none.
  const int unused = 0;
  (void)::setsockopt(fd_.get(), SOL_SOCKET, SO_DETACH_FILTER, &unused, sizeof unused);
  return true;
}

PacketSocket& PacketSocket::operator=(PacketSocket&& other) noexcept {
  if (this != &other) {
    reset();
    fd_ = std::move(other.fd_);
    reusable_ = other.reusable_;
  }
  return *this;
}

void PacketSocket::reset() {
  if (!fd_) return;
  if (!reusable_ || !renew(fd_.get())) {
    fd_.reset();
    return;
  }
  Reserve& r = reserve();
  const std::lock_guard<std::mutex> guard(r.lock);
  if (r.holding) r.idle.insert(r.idle.begin(), std::move(fd_));
  fd_.reset();
}

int holdPacketSockets(int count) {
  Reserve& r = reserve();
  const std::lock_guard<std::mutex> guard(r.lock);
  r.holding = true;
  const int missing = count - static_cast<int>(r.idle.size());
  if (missing > 0) {
    const net::NetRawRaised raised(
        (std::to_string(missing) + " packet sockets held for the command").c_str());
    for (int i = 0; i < missing; ++i) {
      UniqueFd fd = openFresh();
      if (!fd) break;
      r.idle.push_back(std::move(fd));
    }
  }
  return static_cast<int>(r.idle.size());
}

}  // namespace net
