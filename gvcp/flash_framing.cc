#include "gvcp/flash_framing.h"

#include <algorithm>

void gvcp::writeEpcsHeader(uint8_t* out, const EpcsHeader& header) {
  gvcp::putLe32(out, header.magic);
  gvcp::putLe32(out + 4, header.command);
  gvcp::putLe32(out + 8, header.status);
  gvcp::putLe32(out + 12, header.length);
}

EpcsHeader gvcp::readEpcsHeader(const uint8_t* in) {
  return EpcsHeader{gvcp::getLe32(in), gvcp::getLe32(in + 4), gvcp::getLe32(in + 8),
                    gvcp::getLe32(in + 12)};
}

std::vector<uint8_t> gvcp::buildEpcsRequest(uint32_t command, std::span<const uint8_t> payload) {
  std::vector<uint8_t> request(gvcp::kEpcsHeaderSize + payload.size());
  gvcp::writeEpcsHeader(request.data(),
                        {gvcp::kEpcsMagic, command, 0, static_cast<uint32_t>(payload.size())});
  std::copy(payload.begin(), payload.end(), request.begin() + gvcp::kEpcsHeaderSize);
  return request;
}

std::optional<uint32_t> gvcp::epcsAnswerStatus(std::span<const uint8_t> answer) {
  if (answer.size() < gvcp::kEpcsMinAnswer) return std::nullopt;
  return gvcp::getLe32(answer.data() + gvcp::kEpcsStatusOffset);
}
