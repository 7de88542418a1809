// The floor under any exchange on a test-bed path: a peer that answers at
// once and does nothing else, run inside a namespace by the benchmarks.
//   nuv_echo PORT            sends every datagram back unchanged
//   nuv_echo --flash PORT    answers every flash request with a bare header
//                            of status 0, and the start or poll of flashing
//                            with status 3, so a programming run ends at once
// Binds every address of the namespace, prints "ready" and serves until it is
// terminated. Exit status 1 when the socket cannot be opened, 2 on a usage
// error.
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fwupdate/flash_protocol.h"
#include "net/socket_address.h"
#include "net/unique_fd.h"

namespace {

constexpr size_t kDatagramBytes = 65536;

// The answer to one flash request, written over the request's own header.
size_t flashAnswer(uint8_t* datagram, size_t size) {
  if (size < gvcp::kEpcsHeaderSize) return 0;
  EpcsHeader header = gvcp::readEpcsHeader(datagram);
  header.status = header.command == gvcp::kEpcsFlash ? gvcp::kEpcsFlashComplete : 0;
  header.length = 0;
  gvcp::writeEpcsHeader(datagram, header);
  return gvcp::kEpcsHeaderSize;
}

int serve(int fd, bool flash) {
  static uint8_t datagram[kDatagramBytes];
  for (;;) {
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t got =
        recvfrom(fd, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (got < 0) continue;
    const size_t size =
        flash ? flashAnswer(datagram, static_cast<size_t>(got)) : static_cast<size_t>(got);
    if (size > 0) {
      sendto(fd, datagram, size, 0, reinterpret_cast<const sockaddr*>(&from), fromLen);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool flash = argc == 3 && std::strcmp(argv[1], "--flash") == 0;
  if (argc != (flash ? 3 : 2)) {
    std::fputs("usage: nuv_echo [--flash] PORT\n", stderr);
    return 2;
  }
  const net::UniqueFd sock(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const sockaddr_in any =
      net::socketAddress(htonl(INADDR_ANY), static_cast<uint16_t>(std::atoi(argv[argc - 1])));
  if (!sock || bind(sock.get(), reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
    std::perror("nuv_echo: socket");
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  return serve(sock.get(), flash);
}
