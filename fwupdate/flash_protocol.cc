#include "fwupdate/flash_protocol.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>

#include "net/socket_wait.h"

namespace {

using Clock = std::chrono::steady_clock;

// A peer that keeps the queue full must not hold an exchange in the discard
// loop forever; far more than a socket buffer of stale answers.
constexpr int kMaxDiscardedAnswers = 4096;
// How long after its last try a retried exchange takes in late answers, in
// per-try waits: answers later than this cannot be told from the next one's.
constexpr int kLateAnswerWaits = 2;

// Answers queued before a request goes out were meant for earlier requests (a
// late answer to an earlier exchange); taking one would confirm the wrong block.
void discardWaitingAnswers(int fd) {
  uint8_t sink[gvcp::kEpcsMaxAnswer];
  for (int i = 0; i < kMaxDiscardedAnswers; ++i) {
    if (recv(fd, sink, sizeof sink, MSG_DONTWAIT) < 0) return;
  }
}

// After an exchange decided on its n-th try, up to n-1 answers to its earlier
// tries may still be in flight. Taking them in here (until they are all in, or
// the deadline passes) keeps them from being read as the next request's answer,
// which would skip a block whose request was lost.
void absorbLateAnswers(int fd, int expected, Clock::time_point deadline) {
  uint8_t sink[gvcp::kEpcsMaxAnswer];
  while (expected > 0 && net::waitReadable(fd, deadline) == net::SocketWait::kReadable) {
    if (recv(fd, sink, sizeof sink, MSG_DONTWAIT) >= 0) --expected;
  }
}

struct TryOutcome {
  net::SocketWait wait =
      net::SocketWait::kTimedOut;  // kReadable: `status` holds the answer's result
  int status = 0;
};

// Waits until `deadline` for one answer that carries a status word; runts and
// receive errors are skipped and the wait goes on.
TryOutcome awaitAnswer(int fd, Clock::time_point deadline, std::span<uint8_t> answer) {
  uint8_t datagram[gvcp::kEpcsMaxAnswer];
  for (;;) {
    const net::SocketWait wait = net::waitReadable(fd, deadline);
    if (wait != net::SocketWait::kReadable) return {wait, 0};
    const ssize_t got = recv(fd, datagram, sizeof datagram, MSG_DONTWAIT);
    if (got <= 0) continue;
    const std::span<const uint8_t> received(datagram, static_cast<size_t>(got));
    const std::optional<uint32_t> status = gvcp::epcsAnswerStatus(received);
    if (!status) continue;
    if (*status == 0 && !answer.empty() && received.size() <= answer.size()) {
      std::copy(received.begin(), received.end(), answer.begin());
    }
    return {net::SocketWait::kReadable, static_cast<int>(*status)};
  }
}

}  // namespace

int epcsExchange(net::UniqueFd& sock, const sockaddr_in& dest, uint32_t command,
                 std::span<const uint8_t> payload, std::span<uint8_t> answer, int tries,
                 int waitUs) {
  if (tries <= 0) return kEpcsNoAnswer;
  if (!sock) return kEpcsWaitFailed;
  const std::vector<uint8_t> request = gvcp::buildEpcsRequest(command, payload);
  discardWaitingAnswers(sock.get());
  const auto perTry = std::chrono::microseconds(std::max(waitUs, 0));
  for (int attempt = 0; attempt < tries; ++attempt) {
    // A failed send shows as a missing answer and is retried like one.
    sendto(sock.get(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&dest),
           sizeof dest);
    const Clock::time_point sent = Clock::now();
    const TryOutcome outcome = awaitAnswer(sock.get(), sent + perTry, answer);
    if (outcome.wait == net::SocketWait::kFailed) {
      sock.reset();
      return kEpcsWaitFailed;
    }
    if (outcome.wait == net::SocketWait::kReadable) {
      absorbLateAnswers(sock.get(), attempt, sent + kLateAnswerWaits * perTry);
      return outcome.status;
    }
  }
  return kEpcsNoAnswer;
}

int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload, unsigned int ackCap, unsigned char* answer,
                   int tries, int waitUs) {
  // The caller keeps its descriptor unless the wait failed, which closes it.
  net::UniqueFd borrowed(sock);
  const int result =
      epcsExchange(borrowed, dest, command, std::span<const uint8_t>(payload, payload ? len : 0),
                   std::span<uint8_t>(answer, answer ? ackCap : 0), tries, waitUs);
  borrowed.release();
  return result;
}

int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload) {
  return epcs_transport(sock, dest, command, len, payload, 0, nullptr, kEpcsTries, kEpcsWaitUs);
}

int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload, unsigned int ackCap, unsigned char* answer) {
  return epcs_transport(sock, dest, command, len, payload, ackCap, answer, kEpcsTries, kEpcsWaitUs);
}
