#include "net/netlink_query.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "net/unique_fd.h"

namespace net {

namespace {

// Room for one read of a dump: the kernel fills up to a page or two per read.
constexpr size_t kReadBytes = 32 * 1024;
// The kernel answers at once; the bound only guards against a lost answer.
constexpr int kAnswerWaitS = 2;

UniqueFd openRouteSocket() {
  UniqueFd fd(::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
  if (!fd) return fd;
  const timeval wait{kAnswerWaitS, 0};
  ::setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  return fd;
}

bool sendRequest(int fd, uint16_t type, uint16_t flags, std::span<const uint8_t> body) {
  std::vector<uint8_t> request(NLMSG_LENGTH(body.size()));
  nlmsghdr header{};
  header.nlmsg_len = static_cast<uint32_t>(request.size());
  header.nlmsg_type = type;
  header.nlmsg_flags = static_cast<uint16_t>(NLM_F_REQUEST | flags);
  header.nlmsg_seq = 1;
  std::memcpy(request.data(), &header, sizeof header);
  std::memcpy(request.data() + NLMSG_HDRLEN, body.data(), body.size());
  sockaddr_nl kernel{};
  kernel.nl_family = AF_NETLINK;
  return ::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&kernel),
                  sizeof kernel) == static_cast<ssize_t>(request.size());
}

// Takes the messages of one read; true once the answer is complete.
bool takeMessages(const uint8_t* data, size_t size, NetlinkAnswer& answer) {
  auto remaining = static_cast<int>(size);
  for (auto* h = reinterpret_cast<const nlmsghdr*>(data); NLMSG_OK(h, remaining);
       h = NLMSG_NEXT(h, remaining)) {
    if (h->nlmsg_type == NLMSG_DONE) return true;
    if (h->nlmsg_type == NLMSG_ERROR) {
      nlmsgerr error{};
      std::memcpy(&error, NLMSG_DATA(h), std::min(sizeof error, size_t{h->nlmsg_len}));
      answer.error = -error.error;
      return true;
    }
    const auto* bytes = reinterpret_cast<const uint8_t*>(h);
    answer.messages.emplace_back(bytes, bytes + h->nlmsg_len);
    if ((h->nlmsg_flags & NLM_F_MULTI) == 0) return true;
  }
  return false;
}

}  // namespace

NetlinkAnswer netlinkAsk(uint16_t type, uint16_t flags, std::span<const uint8_t> body) {
  NetlinkAnswer answer;
  const UniqueFd fd = openRouteSocket();
  if (!fd || !sendRequest(fd.get(), type, flags, body)) {
    answer.error = errno;
    return answer;
  }
  std::vector<uint8_t> buffer(kReadBytes);
  for (;;) {
    const ssize_t got = ::recv(fd.get(), buffer.data(), buffer.size(), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      answer.error = got < 0 ? errno : EPROTO;
      return answer;
    }
    if (takeMessages(buffer.data(), static_cast<size_t>(got), answer)) return answer;
  }
}

std::map<uint16_t, std::span<const uint8_t>> netlinkAttributes(std::span<const uint8_t> area) {
  std::map<uint16_t, std::span<const uint8_t>> attributes;
  size_t at = 0;
  while (at + sizeof(rtattr) <= area.size()) {
    rtattr header{};
    std::memcpy(&header, area.data() + at, sizeof header);
    if (header.rta_len < sizeof header || at + header.rta_len > area.size()) break;
    attributes[header.rta_type & NLA_TYPE_MASK] =
        area.subspan(at + RTA_LENGTH(0), header.rta_len - RTA_LENGTH(0));
    at += RTA_ALIGN(header.rta_len);
  }
  return attributes;
}

}  // namespace net
