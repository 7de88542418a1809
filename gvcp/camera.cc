#include "gvcp/camera.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <span>
#include <vector>

#include "gvcp/gvcp_protocol.h"
#include "gvcp/trace.h"
#include "net/socket_address.h"
#include "net/socket_wait.h"

using gvcp::traceDatagram;
using gvcp::TraceDirection;

namespace {

using Clock = std::chrono::steady_clock;

// READMEM and WRITEMEM carry a 32-bit address before the data.
constexpr size_t kMemAddressBytes = 4;
constexpr unsigned short kRegisterAckLen = 4;
// The 16-bit length fields cap what one memory command can carry.
constexpr int kMaxMemBytes = 0xFFFF - 3 - static_cast<int>(kMemAddressBytes);

size_t roundUp4(int count) { return (static_cast<size_t>(count) + 3) & ~size_t{3}; }

// Decides an exchange from the acknowledge that carries the right ack_id.
// `size` is the datagram's real length, which may exceed what was taken.
int decideAck(const uint8_t* datagram, size_t size, uint16_t cmd, unsigned short ackLen,
              unsigned char* answer) {
  const gvcp::AckHeader ack = gvcp::readAckHeader(datagram);
  if (ack.acknowledge != cmd + 1) return kGvcpWrongAck;
  if (size != ack.length + gvcp::kHeaderSize || size > gvcp::kAckBufferSize) {
    return kGvcpWrongLength;
  }
  if (ack.length > ackLen) return kGvcpAnswerTooLarge;
  if (answer == nullptr) return kGvcpNoAnswerBuffer;
  std::memcpy(answer, datagram + gvcp::kHeaderSize, ack.length);
  return ack.status;
}

}  // namespace

Camera::Camera(unsigned int ip, unsigned short port)
    : sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)), cameraAddr(socketAddress(ip, port)) {}

void Camera::sendCommand(std::span<const uint8_t> command) {
  // The outcome is not examined: a lost command is what the retries are for.
  traceDatagram(TraceDirection::kSend, cameraAddr.sin_addr.s_addr, ntohs(cameraAddr.sin_port),
                command);
  (void)::sendto(sock.get(), command.data(), command.size(), MSG_NOSIGNAL, asSockaddr(cameraAddr),
                 sizeof cameraAddr);
}

int Camera::awaitAck(uint16_t cmd, unsigned short ackLen, unsigned char* answer,
                     Clock::time_point deadline) {
  std::vector<uint8_t> datagram(gvcp::kAckBufferSize);
  for (;;) {
    // A signal does not end the wait; once the budget is spent it only takes
    // what is already waiting.
    const SocketWait wait = waitReadable(sock.get(), deadline);
    if (wait == SocketWait::kFailed) {
      sock.reset();
      return kGvcpWaitFailed;
    }
    if (wait == SocketWait::kTimedOut) return kGvcpNoAnswer;
    // MSG_TRUNC yields the real length, so an oversize datagram cannot pass
    // the length check on the part of it that fitted.
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t got = ::recvfrom(sock.get(), datagram.data(), datagram.size(), MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (got <= 0) return kGvcpNoAnswer;
    const auto size = static_cast<size_t>(got);
    traceDatagram(TraceDirection::kReceive, from.sin_addr.s_addr, ntohs(from.sin_port),
                  std::span<const uint8_t>(datagram.data(), std::min(size, datagram.size())));
    // Too short to carry an ack_id: it cannot answer this request.
    if (size < gvcp::kHeaderSize) continue;
    if (gvcp::readAckHeader(datagram.data()).ack_id != requestId) continue;
    return decideAck(datagram.data(), size, cmd, ackLen, answer);
  }
}

int Camera::gvcp_transport_ext(unsigned short cmd, unsigned short len, unsigned char* payload,
                               unsigned short ackLen, unsigned char* answer, int attempts,
                               int timeoutMs) {
  std::lock_guard<std::mutex> lock(exchange);
  if (!sock) return kGvcpWaitFailed;
  if (payload == nullptr && len > 0) return kGvcpNoAnswerBuffer;
  const uint8_t flag = ackLen != 0 ? gvcp::kFlagAckRequired : 0;
  const std::vector<uint8_t> command =
      gvcp::buildCommand(flag, cmd, requestId, std::span<const uint8_t>(payload, len));
  const std::chrono::milliseconds wait(timeoutMs);
  Clock::time_point deadline = Clock::now() + wait;
  int result = kGvcpNoAnswer;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0 && ackWait == AckWait::kPerAttempt) deadline = Clock::now() + wait;
    sendCommand(command);
    if (ackLen == 0) {
      result = 0;
      break;
    }
    result = awaitAck(cmd, ackLen, answer, deadline);
    if (result == kGvcpWaitFailed) return result;
    if (result != kGvcpNoAnswer) break;
  }
  requestId = gvcp::nextRequestId(requestId);
  return result;
}

int Camera::gvcp_transport(unsigned short cmd, unsigned short len, unsigned char* payload,
                           unsigned short ackLen, unsigned char* answer) {
  return gvcp_transport_ext(cmd, len, payload, ackLen, answer, kGvcpAttempts, kGvcpAckBudgetMs);
}

int Camera::gvcp_transport(unsigned short cmd, unsigned short len, unsigned char* payload) {
  return gvcp_transport(cmd, len, payload, 0, nullptr);
}

int Camera::readreg(unsigned int address, unsigned int* value) {
  uint8_t request[4];
  gvcp::putBe32(request, address);
  uint8_t reply[kRegisterAckLen] = {};
  const int result =
      gvcp_transport(gvcp::READREG_CMD, sizeof request, request, kRegisterAckLen, reply);
  if (result == 0 && value != nullptr) *value = gvcp::getBe32(reply);
  return result;
}

int Camera::writereg(unsigned int address, unsigned int value, bool ack) {
  uint8_t request[8];
  gvcp::putBe32(request, address);
  gvcp::putBe32(request + 4, value);
  uint8_t reply[kRegisterAckLen] = {};
  const unsigned short ackLen = ack ? kRegisterAckLen : 0;
  return gvcp_transport(gvcp::WRITEREG_CMD, sizeof request, request, ackLen, ack ? reply : nullptr);
}

int Camera::writereg(unsigned int address, unsigned int value) {
  return writereg(address, value, true);
}

int Camera::readmem(unsigned int address, unsigned char* dest, int count) {
  if (dest == nullptr || count < 0) return kGvcpNoAnswerBuffer;
  if (count > kMaxMemBytes) return kGvcpAnswerTooLarge;
  uint8_t request[8] = {};
  gvcp::putBe32(request, address);
  gvcp::putBe16(request + 6, static_cast<uint16_t>(count));
  const size_t ackLen = roundUp4(count) + kMemAddressBytes;
  std::vector<uint8_t> reply(ackLen);
  const int result = gvcp_transport(gvcp::READMEM_CMD, sizeof request, request,
                                    static_cast<unsigned short>(ackLen), reply.data());
  if (result == 0) std::memcpy(dest, reply.data() + kMemAddressBytes, static_cast<size_t>(count));
  return result;
}

int Camera::writemem(unsigned int address, unsigned char* src, int count) {
  if ((src == nullptr && count > 0) || count < 0) return kGvcpNoAnswerBuffer;
  if (count > kMaxMemBytes) return kGvcpAnswerTooLarge;
  // Pad bytes after data that is not a multiple of 4 long are zero.
  std::vector<uint8_t> request(kMemAddressBytes + roundUp4(count), 0);
  gvcp::putBe32(request.data(), address);
  if (count > 0) std::memcpy(request.data() + kMemAddressBytes, src, static_cast<size_t>(count));
  uint8_t reply[kRegisterAckLen] = {};
  return gvcp_transport(gvcp::WRITEMEM_CMD, static_cast<unsigned short>(request.size()),
                        request.data(), kRegisterAckLen, reply);
}
