#include "simulator/fault_injector.h"

#include "gvcp/gvcp_protocol.h"

namespace sim {
namespace {

constexpr uint16_t kWrongAckOffset = 2;  // READREG_ACK 0x0081 becomes 0x0083, say
constexpr size_t kExtraBytesForWrongLength = 4;
constexpr size_t kAckIdOffset = 6;
constexpr size_t kAckCodeOffset = 2;

uint16_t previousId(uint16_t id) { return id <= 1 ? 0xFFFF : static_cast<uint16_t>(id - 1); }

}  // namespace

bool FaultDice::roll(double fraction) {
  constexpr double kTwoToMinus53 = 1.0 / 9007199254740992.0;
  const double draw = static_cast<double>(rng_() >> 11) * kTwoToMinus53;
  return draw < fraction;
}

std::vector<Datagram> shapeAnswer(std::vector<uint8_t> answer, const FaultOptions& faults,
                                  FaultDice& dice) {
  if (answer.empty() || dice.roll(faults.dropAnswers)) return {};
  std::vector<Datagram> out{Datagram{std::move(answer), faults.delayMs}};
  if (dice.roll(faults.duplicateAnswers)) out.push_back(out.front());
  return out;
}

std::vector<Datagram> shapeGvcpAnswer(std::vector<uint8_t> answer, const FaultOptions& faults,
                                      FaultDice& dice) {
  if (answer.size() >= gvcp::kHeaderSize) {
    if (faults.wrongAckCode) {
      const uint16_t code = gvcp::getBe16(answer.data() + kAckCodeOffset);
      gvcp::putBe16(answer.data() + kAckCodeOffset, static_cast<uint16_t>(code + kWrongAckOffset));
    }
    if (faults.wrongLength) answer.resize(answer.size() + kExtraBytesForWrongLength, 0);
  }
  std::vector<Datagram> out = shapeAnswer(std::move(answer), faults, dice);
  if (faults.staleAckFirst && !out.empty() && out.front().bytes.size() >= gvcp::kHeaderSize) {
    Datagram stale = out.front();
    uint8_t* id = stale.bytes.data() + kAckIdOffset;
    gvcp::putBe16(id, previousId(gvcp::getBe16(id)));
    out.insert(out.begin(), std::move(stale));
  }
  return out;
}

}  // namespace sim
