#include "gvcp/gvcp_protocol.h"

namespace gvcp {

void writeCommandHeader(uint8_t* out, const CommandHeader& header) {
  out[0] = kKey;
  out[1] = header.flag;
  putBe16(out + 2, header.command);
  putBe16(out + 4, header.length);
  putBe16(out + 6, header.req_id);
}

CommandHeader readCommandHeader(const uint8_t* in) {
  return CommandHeader{in[1], getBe16(in + 2), getBe16(in + 4), getBe16(in + 6)};
}

void writeAckHeader(uint8_t* out, const AckHeader& header) {
  putBe16(out, header.status);
  putBe16(out + 2, header.acknowledge);
  putBe16(out + 4, header.length);
  putBe16(out + 6, header.ack_id);
}

AckHeader readAckHeader(const uint8_t* in) {
  return AckHeader{getBe16(in), getBe16(in + 2), getBe16(in + 4), getBe16(in + 6)};
}

std::vector<uint8_t> buildCommand(uint8_t flag, uint16_t command, uint16_t req_id,
                                  std::span<const uint8_t> payload) {
  std::vector<uint8_t> message(kHeaderSize + payload.size());
  writeCommandHeader(message.data(), {flag, command, static_cast<uint16_t>(payload.size()), req_id});
  std::copy(payload.begin(), payload.end(), message.begin() + kHeaderSize);
  return message;
}

std::vector<uint8_t> buildDiscoveryCommand() {
  const uint8_t zeros[kDiscoveryCmdPayload] = {};
  return buildCommand(kFlagAckRequired | kFlagBroadcastAck, DISCOVERY_CMD, kDiscoveryReqId, zeros);
}

}  // namespace gvcp
