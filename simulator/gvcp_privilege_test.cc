// Who may read and write, datagram by datagram: the privilege register 0x0A00
// (1 exclusive, 2 control), refusals with ACCESS_DENIED 0x8006, the order the
// interactive tool writes in, and the lenient mode older tests rely on.
// Addresses and values are spelled out as the wire carries them.
#include <gtest/gtest.h>

#include "simulator/gvcp_handler_test_util.h"

namespace sim {
namespace {

constexpr uint16_t kDenied = 0x8006;
constexpr uint32_t kCcpAt = 0x0A00;
constexpr uint32_t kPersistentIpAt = 0x064C;
constexpr uint32_t kHeartbeatAt = 0x0938;
constexpr uint32_t kUserNameAt = 0x00E8;

Bytes writeMem(uint32_t address, const Bytes& data) {
  Bytes payload = words({address});
  payload.insert(payload.end(), data.begin(), data.end());
  return command(0x01, gvcp::WRITEMEM_CMD, 11, payload);
}

using PrivilegeTest = GvcpHandlerTest;

TEST_F(PrivilegeTest, WritesWhileNobodyHoldsControlAreRefused) {
  Outcome o = writeReg(kPersistentIpAt, 0xC0A80132);
  EXPECT_EQ(o.answer, (Bytes{0x80, 0x06, 0, 0x83, 0, 4, 0, 6, 0, 0, 0, 0}));
  EXPECT_EQ(state.persisted.address.ip, 0u);
  EXPECT_EQ(status(writeReg(kHeartbeatAt, 10000)), kDenied);
  EXPECT_EQ(state.heartbeatTimeoutMs, 3000u);
  EXPECT_EQ(status(send(writeMem(kUserNameAt, {'x', 0, 0, 0}))), kDenied);
  EXPECT_EQ(state.persisted.userName, "line-3");
  EXPECT_FALSE(send(command(0x00, gvcp::WRITEREG_CMD, 7, words({0xB0E8, 0xAFFE}))).reboot)
      << "a restart request without control restarted the camera";
}

TEST_F(PrivilegeTest, ReadsWhileNobodyHoldsControlAreAnswered) {
  EXPECT_EQ(status(readReg(0x0024, kOther)), 0);
  EXPECT_EQ(status(send(readMem(0x0068, 32), kOther)), 0);
}

TEST_F(PrivilegeTest, TakingControlIsTheOneWriteAllowedWithoutIt) {
  EXPECT_EQ(writeReg(kCcpAt, 0x2).answer, (Bytes{0, 0, 0, 0x83, 0, 4, 0, 6, 0, 0, 0, 1}));
  EXPECT_EQ(state.control.holder, kHost);
  EXPECT_EQ(status(writeReg(kPersistentIpAt, 0xC0A80132)), 0);
  EXPECT_EQ(state.persisted.address.ip, 0xC0A80132u);
}

TEST_F(PrivilegeTest, TakingControlByWriteMemOfTheRegisterAloneIsAllowed) {
  EXPECT_EQ(status(send(writeMem(kCcpAt, {0, 0, 0, 2}), kOther)), 0);
  EXPECT_EQ(state.control.holder, kOther);
  EXPECT_EQ(status(send(writeMem(kCcpAt - 4, {0, 0, 0, 0, 0, 0, 0, 2}), kHost)), kDenied);
}

TEST_F(PrivilegeTest, ConcatenatedWritesAreJudgedOneByOne) {
  Outcome o =
      send(command(0x01, gvcp::WRITEREG_CMD, 6, words({kPersistentIpAt, 0xC0A80132, kCcpAt, 0x2})));
  EXPECT_EQ(o.answer, (Bytes{0x80, 0x06, 0, 0x83, 0, 4, 0, 6, 0, 0, 0, 0}));
  EXPECT_FALSE(state.control.holder);
  o = send(command(0x01, gvcp::WRITEREG_CMD, 6, words({kCcpAt, 0x2, kPersistentIpAt, 0xC0A80132})));
  EXPECT_EQ(o.answer, (Bytes{0, 0, 0, 0x83, 0, 4, 0, 6, 0, 0, 0, 2}));
  EXPECT_EQ(state.persisted.address.ip, 0xC0A80132u);
}

TEST_F(PrivilegeTest, OthersCanNeitherWriteNorTakeControlWhileItIsHeld) {
  takeControl(kHost);
  EXPECT_EQ(status(writeReg(kCcpAt, 0x2, kOther)), kDenied);
  EXPECT_EQ(status(writeReg(kCcpAt, 0x0, kOther)), kDenied) << "another app gave control back";
  EXPECT_EQ(status(send(writeMem(kUserNameAt, {'x', 0, 0, 0}), kOther)), kDenied);
  EXPECT_EQ(state.control.holder, kHost);
  EXPECT_EQ(state.persisted.userName, "line-3");
}

TEST_F(PrivilegeTest, ExclusiveControlRefusesOthersRegisterAndMemoryReads) {
  takeControl(kHost);  // 3: exclusive and control
  EXPECT_EQ(readReg(0x0024, kOther).answer, (Bytes{0x80, 0x06, 0, 0x81, 0, 0, 0, 5}));
  EXPECT_EQ(status(send(readMem(0x0068, 32), kOther)), kDenied);
  EXPECT_EQ(status(readReg(0x0024, kHost)), 0);
}

TEST_F(PrivilegeTest, ControlWithoutExclusiveLetsOthersReadEverything) {
  ASSERT_EQ(status(writeReg(kCcpAt, 0x2, kHost)), 0);
  EXPECT_EQ(status(readReg(0x0024, kOther)), 0);
  EXPECT_EQ(status(send(readMem(0x0068, 32), kOther)), 0);
}

TEST_F(PrivilegeTest, SamePeerOnAnotherPortIsAnotherApplication) {
  takeControl(kHost);
  const Peer samePcOtherPort{kHost.ip, static_cast<uint16_t>(kHost.port + 1)};
  EXPECT_EQ(status(writeReg(kPersistentIpAt, 1, samePcOtherPort)), kDenied);
}

TEST_F(PrivilegeTest, AfterGivingControlBackWritesAreRefusedAgain) {
  takeControl(kHost);
  ASSERT_EQ(status(writeReg(kCcpAt, 0, kHost)), 0);
  EXPECT_FALSE(state.control.holder);
  EXPECT_EQ(status(writeReg(kPersistentIpAt, 1, kHost)), kDenied);
}

TEST_F(PrivilegeTest, AfterControlLapsesItsFormerHolderIsRefused) {
  takeControl(kHost, 0);
  EXPECT_EQ(status(writeReg(kPersistentIpAt, 1, kHost, 3001)), kDenied);
  EXPECT_FALSE(state.control.holder);
}

// What the interactive tool sends: the heartbeat timeout first (refused, and
// the tool goes on), then control, the configuration, and control back.
TEST_F(PrivilegeTest, DialogueOrderGetsItsConfigurationWrittenAndControlBack) {
  EXPECT_EQ(status(writeReg(kHeartbeatAt, 3000)), kDenied);
  EXPECT_EQ(status(writeReg(kCcpAt, 0x3)), 0);
  EXPECT_EQ(status(writeReg(0x0014, 0x6)), 0);
  EXPECT_EQ(status(writeReg(kCcpAt, 0)), 0);
  EXPECT_EQ(state.persisted.ipConfig, 0x6u);
  EXPECT_FALSE(state.control.holder);
}

TEST_F(PrivilegeTest, LenientPrivilegeAcceptsWritesWhileNobodyHoldsControl) {
  state.lenientPrivilege = true;
  EXPECT_EQ(status(writeReg(kPersistentIpAt, 0xC0A80132, kOther)), 0);
  EXPECT_EQ(status(send(writeMem(kUserNameAt, {'x', 0, 0, 0}))), 0);
  EXPECT_EQ(state.persisted.userName, "x");
  takeControl(kHost);
  EXPECT_EQ(status(writeReg(kPersistentIpAt, 1, kOther)), kDenied) << "held control still counts";
}

}  // namespace
}  // namespace sim
