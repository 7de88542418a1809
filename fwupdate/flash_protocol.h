// The flash update protocol's exchange: one request out, a wait, and the
// request repeated when nothing comes (the framing is gvcp/flash_framing.h).
// The caller owns the socket; only a failed wait (-217) closes it. One thread
// at a time per socket.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <span>

#include "gvcp/flash_framing.h"
#include "net/unique_fd.h"

inline constexpr int kEpcsTries = 3;
// Per-try wait of the ordinary exchanges, in microseconds; each try waits the
// full value (see epcs_transport).
inline constexpr int kEpcsWaitUs = 200000;

inline constexpr int kEpcsNoAnswer = -1;
inline constexpr int kEpcsWaitFailed = -217;

// One exchange: 0 or the answer's non-zero status unchanged (as int, so a status
// with its top bit set is negative), -1 when no try got an answer (nothing is
// sent when tries <= 0), -217 when waiting failed (the socket is then closed).
// Answers already waiting when the exchange begins belong to earlier requests
// and are discarded; an exchange decided on a later try takes in the answers to
// its earlier tries (for at most two waits after its last try) before it
// returns; answers shorter than 12 bytes are ignored. Each try waits waitUs
// microseconds. A status-0 answer is copied, header included, into
// `answer` when it fits within ackCap bytes.
int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload, unsigned int ackCap, unsigned char* answer,
                   int tries, int waitUs);
int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload);
int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload, unsigned int ackCap, unsigned char* answer);

// The same exchange on an owned socket; after -217 `sock` is empty, and an
// empty `sock` gives -217 at once. An empty `answer` span means no buffer.
int epcsExchange(net::UniqueFd& sock, const sockaddr_in& dest, uint32_t command,
                 std::span<const uint8_t> payload, std::span<uint8_t> answer, int tries,
                 int waitUs);
