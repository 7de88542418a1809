#include "gvcp/flash_framing.h"

#include <algorithm>

void writeEpcsHeader(uint8_t* out, const EpcsHeader& header) {
  putLe32(out, header.magic);
  putLe32(out + 4, header.command);
  putLe32(out + 8, header.status);
  putLe32(out + 12, header.length);
}

EpcsHeader readEpcsHeader(const uint8_t* in) {
  return EpcsHeader{getLe32(in), getLe32(in + 4), getLe32(in + 8), getLe32(in + 12)};
}

std::vector<uint8_t> buildEpcsRequest(uint32_t command, std::span<const uint8_t> payload) {
  std::vector<uint8_t> request(kEpcsHeaderSize + payload.size());
  writeEpcsHeader(request.data(), {kEpcsMagic, command, 0, static_cast<uint32_t>(payload.size())});
  std::copy(payload.begin(), payload.end(), request.begin() + kEpcsHeaderSize);
  return request;
}

std::optional<uint32_t> epcsAnswerStatus(std::span<const uint8_t> answer) {
  if (answer.size() < kEpcsMinAnswer) return std::nullopt;
  return getLe32(answer.data() + kEpcsStatusOffset);
}
