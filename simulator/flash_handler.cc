#include "simulator/flash_handler.h"

#include <algorithm>

namespace sim {
namespace {

std::vector<uint8_t> answerHeader(uint32_t command, uint32_t status) {
  std::vector<uint8_t> answer(gvcp::kEpcsHeaderSize, 0);
  gvcp::writeEpcsHeader(answer.data(), EpcsHeader{gvcp::kEpcsMagic, command, status, 0});
  return answer;
}

uint32_t onAnnounce(FlashState& state, std::span<const uint8_t> payload) {
  if (payload.size() != 8 || gvcp::getLe32(payload.data()) != gvcp::kEpcsAnnounceTag)
    return kFlashStatusRejected;
  const uint32_t size = gvcp::getLe32(payload.data() + 4);
  if (size > kMaxFlashImageBytes) return kFlashStatusRejected;
  state.image.assign(size, 0xFF);  // erased flash reads as 0xFF
  state.blocksWritten = 0;
  state.phase = FlashPhase::kReceiving;
  return kFlashStatusOk;
}

uint32_t onBlock(FlashState& state, std::span<const uint8_t> payload) {
  if (state.phase != FlashPhase::kReceiving || payload.size() != gvcp::kEpcsBlockPayloadSize) {
    return kFlashStatusRejected;
  }
  const uint32_t offset = gvcp::getLe32(payload.data());
  const uint32_t count = gvcp::getLe32(payload.data() + 4);
  if (count == 0 || count > gvcp::kEpcsBlockDataSize || offset > state.image.size() ||
      count > state.image.size() - offset) {
    return kFlashStatusRejected;
  }
  std::copy_n(payload.begin() + 8, count, state.image.begin() + offset);
  ++state.blocksWritten;
  return kFlashStatusOk;
}

uint32_t onFlash(FlashState& state, uint64_t nowMs, FlashOutcome& outcome) {
  if (state.phase == FlashPhase::kReceiving) {
    state.phase = FlashPhase::kFlashing;
    state.flashingSinceMs = nowMs;
    return kFlashStatusOk;
  }
  if (state.phase == FlashPhase::kDone) return kFlashStatusDone;
  if (state.phase != FlashPhase::kFlashing) return kFlashStatusRejected;
  if (state.neverFinish || nowMs - state.flashingSinceMs < state.flashTimeMs) return kFlashStatusOk;
  state.phase = FlashPhase::kDone;
  outcome.programmed = state.image;
  return kFlashStatusDone;
}

}  // namespace

FlashOutcome handleFlash(FlashState& state, std::span<const uint8_t> request, uint64_t nowMs) {
  FlashOutcome outcome;
  if (request.size() < gvcp::kEpcsHeaderSize || gvcp::getLe32(request.data()) != gvcp::kEpcsMagic)
    return outcome;
  const uint32_t command = gvcp::getLe32(request.data() + 4);
  const uint32_t length = gvcp::getLe32(request.data() + 12);
  const auto payload = request.subspan(gvcp::kEpcsHeaderSize);
  uint32_t status = kFlashStatusRejected;
  if (length == payload.size()) {
    const auto exact = payload.first(length);
    if (command == gvcp::kEpcsAnnounce) status = onAnnounce(state, exact);
    if (command == gvcp::kEpcsBlock) status = onBlock(state, exact);
    if (command == gvcp::kEpcsFlash) status = onFlash(state, nowMs, outcome);
  }
  outcome.answer = answerHeader(command, status);
  return outcome;
}

const char* flashPhaseName(FlashPhase phase) {
  switch (phase) {
    case FlashPhase::kIdle:
      return "idle";
    case FlashPhase::kReceiving:
      return "receiving";
    case FlashPhase::kFlashing:
      return "flashing";
    case FlashPhase::kDone:
      return "done";
  }
  return "idle";
}

}  // namespace sim
