// Fault shaping of answers: which datagrams leave, in which order, with which
// header damage, and that a seed replays the same choices.
#include "simulator/fault_injector.h"

#include <gtest/gtest.h>

#include "gvcp/gvcp_protocol.h"

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kAnswer = {0, 0, 0, 0x81, 0, 4, 0, 7, 1, 2, 3, 4};

TEST(FaultInjectorTest, NoFaultsSendTheAnswerOnceAtOnce) {
  FaultDice dice(1);
  const auto out = shapeGvcpAnswer(kAnswer, FaultOptions{}, dice);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, kAnswer);
  EXPECT_EQ(out[0].delayMs, 0u);
}

TEST(FaultInjectorTest, StaleCopyGoesFirstWithThePreviousAckId) {
  FaultOptions faults;
  faults.staleAckFirst = true;
  faults.delayMs = 40;
  FaultDice dice(1);
  const auto out = shapeGvcpAnswer(kAnswer, faults, dice);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(gvcp::readAckHeader(out[0].bytes.data()).ack_id, 6);
  EXPECT_EQ(out[1].bytes, kAnswer);
  EXPECT_EQ(out[1].delayMs, 40u);
  Bytes first = kAnswer;
  first[7] = 1;
  EXPECT_EQ(gvcp::readAckHeader(shapeGvcpAnswer(first, faults, dice)[0].bytes.data()).ack_id,
            0xFFFF)
      << "the id before 1 is 0xFFFF, as 0 is never sent";
}

TEST(FaultInjectorTest, WrongCodeAndWrongLengthDamageTheHeader) {
  FaultOptions faults;
  faults.wrongAckCode = true;
  faults.wrongLength = true;
  FaultDice dice(1);
  const auto out = shapeGvcpAnswer(kAnswer, faults, dice);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(gvcp::readAckHeader(out[0].bytes.data()).acknowledge, 0x83);
  EXPECT_EQ(out[0].bytes.size(), kAnswer.size() + 4);
  EXPECT_EQ(gvcp::readAckHeader(out[0].bytes.data()).length, 4) << "length field unchanged";
}

TEST(FaultInjectorTest, DropAllAndDuplicateAll) {
  FaultOptions faults;
  FaultDice dice(1);
  faults.duplicateAnswers = 1;
  EXPECT_EQ(shapeAnswer(kAnswer, faults, dice).size(), 2u);
  faults.dropAnswers = 1;
  EXPECT_TRUE(shapeAnswer(kAnswer, faults, dice).empty());
  EXPECT_TRUE(shapeAnswer({}, FaultOptions{}, dice).empty()) << "nothing to send stays nothing";
}

TEST(FaultInjectorTest, SameSeedSameDropsAndFractionRoughlyHonoured) {
  FaultDice a(77), b(77), c(78);
  int drops = 0;
  bool differs = false;
  for (int i = 0; i < 1000; ++i) {
    const bool x = a.roll(0.3);
    EXPECT_EQ(x, b.roll(0.3));
    differs = differs || x != c.roll(0.3);
    drops += x ? 1 : 0;
  }
  EXPECT_TRUE(differs) << "another seed gives another sequence";
  EXPECT_GT(drops, 230);
  EXPECT_LT(drops, 370);
}

}  // namespace
}  // namespace sim
