#include "gvcp/camera.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <span>
#include <vector>

#include "gvcp/gvcp_protocol.h"
#include "gvcp/heartbeat.h"
#include "gvcp/registers.h"
#include "gvcp/trace.h"
#include "net/interface_bind.h"
#include "net/socket_address.h"
#include "net/socket_wait.h"

using gvcp::traceDatagram;
using gvcp::TraceDirection;

namespace {

// READMEM and WRITEMEM carry a 32-bit address before the data.
constexpr size_t kMemAddressBytes = 4;
constexpr unsigned short kRegisterAckLen = 4;
// The 16-bit length fields cap what one memory command can carry.
constexpr int kMaxMemBytes = 0xFFFF - 3 - static_cast<int>(kMemAddressBytes);

size_t roundUp4(int count) { return (static_cast<size_t>(count) + 3) & ~size_t{3}; }

// Decides an exchange from the acknowledge that carries the right ack_id.
// `size` is the datagram's real length, which may exceed what was taken. A
// refusal may come with less than the answer; only a success must carry it.
int decideAck(const uint8_t* datagram, size_t size, uint16_t cmd, unsigned short minLen,
              unsigned short maxLen, unsigned char* answer) {
  const gvcp::AckHeader ack = gvcp::readAckHeader(datagram);
  if (ack.acknowledge != cmd + 1) return gvcp::kGvcpWrongAck;
  if (size != ack.length + gvcp::kHeaderSize || size > gvcp::kAckBufferSize) {
    return gvcp::kGvcpWrongLength;
  }
  if (ack.length > maxLen) return gvcp::kGvcpAnswerTooLarge;
  if (answer == nullptr) return gvcp::kGvcpNoAnswerBuffer;
  if (ack.status == gvcp::kStatusSuccess && ack.length < minLen) return gvcp::kGvcpShortAnswer;
  std::memcpy(answer, datagram + gvcp::kHeaderSize, ack.length);
  return ack.status;
}

}  // namespace

Camera::Camera(unsigned int ip, unsigned short port)
    : sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
      cameraAddr(net::socketAddress(ip, port)) {}

void Camera::setPendingAckLimit(std::chrono::milliseconds limit) {
  std::lock_guard<std::mutex> lock(exchange);
  pendingAckLimit = limit;
}

int Camera::bindToInterface(const std::string& name) {
  std::lock_guard<std::mutex> lock(exchange);
  if (!sock) return EBADF;
  return net::bindToInterface(sock.get(), name);
}

void Camera::sendCommand(std::span<const uint8_t> command) {
  // The outcome is not examined: a lost command is what the retries are for.
  traceDatagram(TraceDirection::kSend, cameraAddr.sin_addr.s_addr, ntohs(cameraAddr.sin_port),
                command);
  (void)::sendto(sock.get(), command.data(), command.size(), MSG_NOSIGNAL,
                 net::asSockaddr(cameraAddr), sizeof cameraAddr);
}

void Camera::sendBeat() {
  lastIdSent = gvcp::nextRequestId(lastIdSent);
  uint8_t payload[4];
  gvcp::putBe32(payload, gvcp::Registers::kCcp);
  sendCommand(gvcp::buildCommand(gvcp::kFlagAckRequired, gvcp::READREG_CMD, lastIdSent, payload));
}

bool Camera::honourPendingAck(std::span<const uint8_t> datagram, Deadlines& deadlines,
                              std::chrono::milliseconds wait) const {
  if (pendingAckLimit.count() <= 0) return false;
  if (gvcp::readAckHeader(datagram.data()).acknowledge != gvcp::PENDING_ACK) return false;
  // One too short to name a time still says the camera is at work.
  std::chrono::milliseconds named{0};
  if (datagram.size() >= gvcp::kHeaderSize + gvcp::kPendingAckPayload) {
    named = std::chrono::milliseconds(
        gvcp::getBe16(datagram.data() + gvcp::kHeaderSize + gvcp::kPendingAckTimeOffset));
  }
  // The usual wait on top leaves the real acknowledge its way back.
  const Clock::time_point now = Clock::now();
  const Clock::time_point promised = now + named + wait;
  deadlines.attempt = std::min(deadlines.end, std::max(deadlines.attempt, promised));
  if (deadlines.beat == Clock::time_point::max()) {
    deadlines.beat = now + std::chrono::milliseconds(gvcp::kHeartbeatIntervalMs);
  }
  return true;
}

int Camera::awaitAck(uint16_t cmd, const AckShape& ack, Deadlines& deadlines,
                     std::chrono::milliseconds wait) {
  std::vector<uint8_t> datagram(gvcp::kAckBufferSize);
  for (;;) {
    // A signal does not end the wait; once the budget is spent it only takes
    // what is already waiting.
    const net::SocketWait ready =
        net::waitReadable(sock.get(), std::min(deadlines.attempt, deadlines.beat));
    if (ready == net::SocketWait::kFailed) {
      sock.reset();
      return gvcp::kGvcpWaitFailed;
    }
    if (ready == net::SocketWait::kTimedOut) {
      if (deadlines.attempt <= deadlines.beat) return gvcp::kGvcpNoAnswer;
      sendBeat();
      deadlines.beat += std::chrono::milliseconds(gvcp::kHeartbeatIntervalMs);
      continue;
    }
    // MSG_TRUNC yields the real length, so an oversize datagram cannot pass
    // the length check on the part of it that fitted.
    sockaddr_in from{};
    socklen_t fromLen = sizeof from;
    const ssize_t got = ::recvfrom(sock.get(), datagram.data(), datagram.size(), MSG_TRUNC,
                                   reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (got <= 0) return gvcp::kGvcpNoAnswer;
    const auto size = static_cast<size_t>(got);
    const std::span<const uint8_t> taken(datagram.data(), std::min(size, datagram.size()));
    traceDatagram(TraceDirection::kReceive, from.sin_addr.s_addr, ntohs(from.sin_port), taken);
    // Too short to carry an ack_id: it cannot answer this request.
    if (size < gvcp::kHeaderSize) continue;
    if (gvcp::readAckHeader(datagram.data()).ack_id != requestId) continue;
    if (honourPendingAck(taken, deadlines, wait)) continue;
    return decideAck(datagram.data(), size, cmd, ack.minLen, ack.maxLen, ack.answer);
  }
}

// Without a PENDING_ACK limit nothing ends an exchange but its attempts.
Camera::Clock::time_point Camera::exchangeEnd(Clock::time_point start,
                                              std::chrono::milliseconds wait, int attempts) const {
  if (pendingAckLimit.count() <= 0) return Clock::time_point::max();
  const int waits = ackWait == gvcp::AckWait::kPerAttempt ? std::max(attempts, 1) : 1;
  return start + wait * waits + pendingAckLimit;
}

int Camera::exchangeWith(uint16_t cmd, std::span<const uint8_t> payload, const AckShape& ack,
                         int attempts, std::chrono::milliseconds wait) {
  std::lock_guard<std::mutex> lock(exchange);
  if (!sock) return gvcp::kGvcpWaitFailed;
  const uint8_t flag = ack.maxLen != 0 ? gvcp::kFlagAckRequired : 0;
  const std::vector<uint8_t> command = gvcp::buildCommand(flag, cmd, requestId, payload);
  lastIdSent = requestId;
  const Clock::time_point start = Clock::now();
  Deadlines deadlines{start + wait, exchangeEnd(start, wait, attempts)};
  int result = gvcp::kGvcpNoAnswer;
  // Once the end has passed, a re-send could no longer be waited for.
  for (int attempt = 0; attempt < attempts && (attempt == 0 || Clock::now() < deadlines.end);
       ++attempt) {
    if (attempt > 0 && ackWait == gvcp::AckWait::kPerAttempt) {
      deadlines.attempt = std::min(Clock::now() + wait, deadlines.end);
    }
    sendCommand(command);
    if (ack.maxLen == 0) {
      result = 0;
      break;
    }
    result = awaitAck(cmd, ack, deadlines, wait);
    if (result == gvcp::kGvcpWaitFailed) return result;
    if (result != gvcp::kGvcpNoAnswer) break;
  }
  // Past the beats too: a late answer to one cannot pass for the next exchange's.
  requestId = gvcp::nextRequestId(lastIdSent);
  return result;
}

int Camera::gvcp_transport_ext(unsigned short cmd, unsigned short len, unsigned char* payload,
                               unsigned short ackLen, unsigned char* answer, int attempts,
                               int timeoutMs) {
  if (payload == nullptr && len > 0) return gvcp::kGvcpNoAnswerBuffer;
  return exchangeWith(cmd, std::span<const uint8_t>(payload, len), {0, ackLen, answer}, attempts,
                      std::chrono::milliseconds(timeoutMs));
}

int Camera::gvcp_transport(unsigned short cmd, unsigned short len, unsigned char* payload,
                           unsigned short ackLen, unsigned char* answer) {
  return gvcp_transport_ext(cmd, len, payload, ackLen, answer, gvcp::kGvcpAttempts,
                            gvcp::kGvcpAckBudgetMs);
}

int Camera::gvcp_transport(unsigned short cmd, unsigned short len, unsigned char* payload) {
  return gvcp_transport(cmd, len, payload, 0, nullptr);
}

int Camera::readreg(unsigned int address, unsigned int* value) {
  uint8_t request[4];
  gvcp::putBe32(request, address);
  uint8_t reply[kRegisterAckLen] = {};
  const int result =
      exchangeWith(gvcp::READREG_CMD, request, {kRegisterAckLen, kRegisterAckLen, reply});
  if (result == 0 && value != nullptr) *value = gvcp::getBe32(reply);
  return result;
}

int Camera::readregs(std::span<const uint32_t> addresses, std::span<uint32_t> values) {
  const size_t bytes = addresses.size() * kRegisterAckLen;
  if (values.size() != addresses.size()) return gvcp::kGvcpNoAnswerBuffer;
  if (addresses.empty() || bytes > gvcp::kMaxAckPayload) return gvcp::kGvcpAnswerTooLarge;
  std::vector<uint8_t> request(bytes);
  for (size_t i = 0; i < addresses.size(); ++i) gvcp::putBe32(&request[i * 4], addresses[i]);
  std::vector<uint8_t> reply(bytes);
  const auto length = static_cast<unsigned short>(bytes);
  const int result = exchangeWith(gvcp::READREG_CMD, request, {length, length, reply.data()});
  if (result != 0) return result;
  for (size_t i = 0; i < values.size(); ++i) values[i] = gvcp::getBe32(&reply[i * 4]);
  return 0;
}

int Camera::writereg(unsigned int address, unsigned int value, bool ack) {
  uint8_t request[8];
  gvcp::putBe32(request, address);
  gvcp::putBe32(request + 4, value);
  uint8_t reply[kRegisterAckLen] = {};
  const AckShape shape = ack ? AckShape{kRegisterAckLen, kRegisterAckLen, reply} : AckShape{};
  return exchangeWith(gvcp::WRITEREG_CMD, request, shape);
}

int Camera::writereg(unsigned int address, unsigned int value) {
  return writereg(address, value, true);
}

int Camera::readmem(unsigned int address, unsigned char* dest, int count) {
  if (dest == nullptr || count < 0) return gvcp::kGvcpNoAnswerBuffer;
  if (count > kMaxMemBytes) return gvcp::kGvcpAnswerTooLarge;
  uint8_t request[8] = {};
  gvcp::putBe32(request, address);
  gvcp::putBe16(request + 6, static_cast<uint16_t>(count));
  const size_t ackLen = roundUp4(count) + kMemAddressBytes;
  std::vector<uint8_t> reply(ackLen);
  // The data may come padded to a multiple of 4, never short of the count.
  const AckShape shape{static_cast<unsigned short>(kMemAddressBytes + static_cast<size_t>(count)),
                       static_cast<unsigned short>(ackLen), reply.data()};
  const int result = exchangeWith(gvcp::READMEM_CMD, request, shape);
  if (result == 0) std::memcpy(dest, reply.data() + kMemAddressBytes, static_cast<size_t>(count));
  return result;
}

int Camera::writemem(unsigned int address, unsigned char* src, int count) {
  if ((src == nullptr && count > 0) || count < 0) return gvcp::kGvcpNoAnswerBuffer;
  if (count > kMaxMemBytes) return gvcp::kGvcpAnswerTooLarge;
  // Pad bytes after data that is not a multiple of 4 long are zero.
  std::vector<uint8_t> request(kMemAddressBytes + roundUp4(count), 0);
  gvcp::putBe32(request.data(), address);
  if (count > 0) std::memcpy(request.data() + kMemAddressBytes, src, static_cast<size_t>(count));
  uint8_t reply[kRegisterAckLen] = {};
  return exchangeWith(gvcp::WRITEMEM_CMD, request, {kRegisterAckLen, kRegisterAckLen, reply});
}
