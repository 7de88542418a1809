// Camera: the host end of a GVCP control channel to one camera: one UDP socket
// aimed at the camera's address and port, and a 16-bit request counter.
// Every operation is one request/acknowledge exchange and returns 0, the
// camera's non-zero status (1..65535) unchanged, or a negative local code
// (below). Exchanges on one Camera never overlap, whichever thread calls: each
// runs from building its command to taking its acknowledge (or giving up)
// under one lock. After -217, or when the socket could not be opened, every
// later exchange returns -217 at once without touching any descriptor.
// The wait and the interface are set before the first exchange; the
// PENDING_ACK limit from any thread at any time, for the exchanges after.
// While a PENDING_ACK holds an exchange open, the exchange itself sends the
// heartbeat every gvcp::kHeartbeatIntervalMs (the worker waits for the lock), so a
// camera that counts silence while it works keeps the privilege.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "net/unique_fd.h"

namespace gvcp {

inline constexpr int kGvcpNoAnswer = -101;
inline constexpr int kGvcpWrongAck = -111;
inline constexpr int kGvcpWrongLength = -112;
inline constexpr int kGvcpAnswerTooLarge = -113;
inline constexpr int kGvcpNoAnswerBuffer = -114;
// A successful acknowledge too short for the answer asked for (a register
// value, the data read): nothing of it is used.
inline constexpr int kGvcpShortAnswer = -115;
inline constexpr int kGvcpWaitFailed = -217;

inline constexpr int kGvcpAttempts = 3;
inline constexpr int kGvcpAckBudgetMs = 200;  // one budget over all attempts

// How an exchange spends its timeoutMs: as one budget over all its attempts
// (the dialogue's way: once the first wait has used it up the re-sends wait
// for nothing), or as a wait of its own for every attempt, so that one lost
// datagram costs a retry and not the exchange.
enum class AckWait { kSharedBudget, kPerAttempt };

}  // namespace gvcp

class Camera {
 public:
  // ip in network byte order, port in host order.
  Camera(unsigned int ip, unsigned short port);
  ~Camera() = default;
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  // kSharedBudget until set; takes effect from the next exchange.
  void setAckWait(gvcp::AckWait mode) { ackWait = mode; }
  // Zero (the default): a PENDING_ACK ends the exchange as a wrong
  // acknowledge. Otherwise each PENDING_ACK carrying the exchange's ack_id
  // holds the attempt open, with no re-send, until the time it names plus
  // one usual wait has passed; yet no exchange waits longer than its usual
  // budget (timeoutMs, or timeoutMs per attempt) plus `limit` in total.
  void setPendingAckLimit(std::chrono::milliseconds limit);
  // Ties the socket to interface `name`, so that commands leave through it
  // whatever the route to the camera, and answers are taken only from it.
  // Call before the first exchange. 0 on success, else the errno (ENODEV:
  // no such interface; EBADF: the socket could not be opened).
  int bindToInterface(const std::string& name);

  bool isStreaming() const { return streaming; }
  void setStreaming(bool value) { streaming = value; }
  // The camera's address in host order (first octet most significant).
  unsigned int getCameraIP() const { return ntohl(cameraAddr.sin_addr.s_addr); }

  // One exchange; ackLen 0 sends once without asking for an acknowledge.
  // timeoutMs is spent as setAckWait says. Every datagram sent and received
  // is handed to the trace hook (gvcp/trace.h). Datagrams too short for a
  // header, or with another ack_id, are skipped; one longer than the 548-byte
  // receive buffer gives -112. A null payload with len > 0 gives -114.
  // The register and memory calls below also give -115 for a successful
  // acknowledge shorter than their answer.
  int gvcp_transport_ext(unsigned short cmd, unsigned short len, unsigned char* payload,
                         unsigned short ackLen, unsigned char* answer, int attempts, int timeoutMs);
  int gvcp_transport(unsigned short cmd, unsigned short len, unsigned char* payload,
                     unsigned short ackLen, unsigned char* answer);
  int gvcp_transport(unsigned short cmd, unsigned short len, unsigned char* payload);

  // Register value in host order; *value untouched unless the result is 0.
  int readreg(unsigned int address, unsigned int* value);
  // Every register of `addresses` in one concatenated READREG, for a camera
  // whose capability register offers concatenation; values in host order,
  // `values` (as long as `addresses`) untouched unless the result is 0. More
  // addresses than one acknowledge carries (135) give -113 without sending.
  int readregs(std::span<const uint32_t> addresses, std::span<uint32_t> values);
  int writereg(unsigned int address, unsigned int value, bool ack);
  int writereg(unsigned int address, unsigned int value);
  // Copies exactly count bytes into dest on success; dest untouched otherwise.
  // A null buffer or negative count gives -114, a count beyond what the 16-bit
  // length fields carry (65528) -113, both without sending. writemem pads the
  // data to a multiple of 4 with zero bytes.
  int readmem(unsigned int address, unsigned char* dest, int count);
  int writemem(unsigned int address, unsigned char* src, int count);

 private:
  using Clock = std::chrono::steady_clock;
  // The acknowledge an exchange takes: a payload of at most maxLen bytes,
  // copied to `answer`; a successful one needs at least minLen.
  struct AckShape {
    unsigned short minLen = 0;
    unsigned short maxLen = 0;
    unsigned char* answer = nullptr;
  };
  // The current attempt's deadline, and the end no wait goes beyond; once a
  // PENDING_ACK came, when the next keep-alive beat goes out.
  struct Deadlines {
    Clock::time_point attempt;
    Clock::time_point end;
    Clock::time_point beat = Clock::time_point::max();
  };

  int exchangeWith(
      uint16_t cmd, std::span<const uint8_t> payload, const AckShape& ack,
      int attempts = gvcp::kGvcpAttempts,
      std::chrono::milliseconds wait = std::chrono::milliseconds(gvcp::kGvcpAckBudgetMs));
  Clock::time_point exchangeEnd(Clock::time_point start, std::chrono::milliseconds wait,
                                int attempts) const;
  void sendCommand(std::span<const uint8_t> command);
  // A read of the privilege register under a request id of its own, whose
  // answer no exchange takes: the heartbeat, sent from within a pending wait.
  void sendBeat();
  // Waits within the deadlines for the acknowledge carrying requestId; -101
  // when this attempt saw none, -217 (socket closed) when the wait failed.
  int awaitAck(uint16_t cmd, const AckShape& ack, Deadlines& deadlines,
               std::chrono::milliseconds wait);
  // True when the datagram (of our ack_id) is a PENDING_ACK to honour; the
  // attempt's deadline is then moved as setPendingAckLimit says.
  bool honourPendingAck(std::span<const uint8_t> datagram, Deadlines& deadlines,
                        std::chrono::milliseconds wait) const;

  net::UniqueFd sock;
  sockaddr_in cameraAddr{};
  uint16_t requestId = 1;
  uint16_t lastIdSent = 1;  // requestId or the last beat's; the next exchange follows it
  bool streaming = false;
  gvcp::AckWait ackWait = gvcp::AckWait::kSharedBudget;
  std::chrono::milliseconds pendingAckLimit{0};  // under `exchange`
  std::mutex exchange;                           // held for a whole exchange
};
