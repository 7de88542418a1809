#include "simulator/gvcp_trace.h"

#include <cstdio>

#include "gvcp/gvcp_protocol.h"
#include "simulator/gvcp_handler.h"

namespace sim {
namespace {

constexpr size_t kShownWords = 8;  // enough for a register list, short for a memory block

std::string hex(uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*x", digits, value);
  return text;
}

// The payload as big-endian words, then any bytes not shown.
std::string words(std::span<const uint8_t> payload) {
  std::string text;
  size_t shown = 0;
  for (; shown + 4 <= payload.size() && shown < kShownWords * 4; shown += 4) {
    text += " " + hex(gvcp::getBe32(payload.data() + shown), 8);
  }
  if (shown < payload.size()) text += " +" + std::to_string(payload.size() - shown) + " bytes";
  return text;
}

std::span<const uint8_t> payloadOf(std::span<const uint8_t> datagram) {
  return datagram.size() > gvcp::kHeaderSize ? datagram.subspan(gvcp::kHeaderSize)
                                             : std::span<const uint8_t>{};
}

std::string requestText(std::span<const uint8_t> request) {
  if (request.size() < gvcp::kHeaderSize) {
    return "malformed (" + std::to_string(request.size()) + " bytes)";
  }
  const gvcp::CommandHeader header = gvcp::readCommandHeader(request.data());
  return std::string(commandKind(header.command)) + " 0x" + hex(header.command, 4) + " id " +
         std::to_string(header.req_id) + ":" + words(payloadOf(request));
}

std::string answerText(std::span<const uint8_t> answer) {
  if (answer.size() < gvcp::kHeaderSize) return "no answer";
  const gvcp::AckHeader header = gvcp::readAckHeader(answer.data());
  return "ack 0x" + hex(header.acknowledge, 4) + " status 0x" + hex(header.status, 4) + ":" +
         words(payloadOf(answer));
}

}  // namespace

std::string traceLine(const Peer& from, std::span<const uint8_t> request,
                      std::span<const uint8_t> answer) {
  return "gvcp " + dotted(from.ip) + ":" + std::to_string(from.port) + " " + requestText(request) +
         " -> " + answerText(answer) + "\n";
}

}  // namespace sim
