// How the simulated camera answers GVCP, datagram by datagram: requests are
// raw bytes built here, answers are checked byte for byte.
#include "simulator/gvcp_handler.h"

#include <gtest/gtest.h>

#include <random>

#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "simulator/gvcp_handler_test_util.h"

namespace sim {
namespace {

TEST_F(GvcpHandlerTest, DiscoveryAckCarriesIdentityAddressesAndEchoedId) {
  const Outcome o = send(gvcp::buildDiscoveryCommand());
  ASSERT_EQ(o.answer.size(), 256u);
  EXPECT_EQ(Bytes(o.answer.begin(), o.answer.begin() + 8), (Bytes{0, 0, 0, 3, 0, 0xF8, 0, 2}));
  const uint8_t* p = o.answer.data() + 8;
  EXPECT_EQ(Bytes(p, p + 4), (Bytes{0, 2, 0, 0}));
  EXPECT_EQ(Bytes(p + 10, p + 16), (Bytes{0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF}));
  EXPECT_EQ(Bytes(p + 16, p + 24), (Bytes{0, 0, 0, 7, 0, 0, 0, 5}));
  EXPECT_EQ(Bytes(p + 36, p + 40), (Bytes{192, 168, 1, 10}));
  EXPECT_EQ(Bytes(p + 52, p + 56), (Bytes{255, 255, 255, 0}));
  EXPECT_STREQ(reinterpret_cast<const char*>(p + 104), "MODEL-X");
  EXPECT_STREQ(reinterpret_cast<const char*>(p + 232), "line-3");
}

TEST_F(GvcpHandlerTest, DiscoveryRouteFollowsTheRequesterSubnetAndBroadcastFlag) {
  EXPECT_EQ(send(command(0x11, gvcp::DISCOVERY_CMD, 2, Bytes(8)), kHost).route, Route::kUnicast);
  EXPECT_EQ(send(command(0x11, gvcp::DISCOVERY_CMD, 2, Bytes(8)), kForeign).route,
            Route::kBroadcast);
  EXPECT_EQ(send(command(0x01, gvcp::DISCOVERY_CMD, 2, Bytes(8)), kForeign).route, Route::kNone);
  state.current = {};
  EXPECT_EQ(send(command(0x11, gvcp::DISCOVERY_CMD, 2, Bytes(8)), kHost).route, Route::kBroadcast);
  EXPECT_EQ(state.counts["discovery"], 4u);
}

TEST_F(GvcpHandlerTest, HostileDiscoveryShapes) {
  state.faults.hostileDiscovery = HostileDiscovery::kNoNul;
  Bytes ack = send(gvcp::buildDiscoveryCommand()).answer;
  EXPECT_EQ(std::count(ack.begin() + 8 + 72, ack.end(), 0), 0) << "a text field holds a NUL";
  state.faults.hostileDiscovery = HostileDiscovery::kEscapes;
  ack = send(gvcp::buildDiscoveryCommand()).answer;
  EXPECT_EQ(ack[8 + 72], 0x1B);
  EXPECT_EQ(ack[8 + 232], 0x1B);
  state.faults.hostileDiscovery = HostileDiscovery::kTruncated;
  EXPECT_LT(send(gvcp::buildDiscoveryCommand()).answer.size(), 256u);
}

Bytes forceIp(const Bytes& mac, uint32_t ip, uint32_t mask, uint8_t flag = 0x01) {
  Bytes payload(56, 0);
  std::copy(mac.begin(), mac.end(), payload.begin() + 2);
  gvcp::putBe32(payload.data() + 20, ip);
  gvcp::putBe32(payload.data() + 36, mask);
  return command(flag, gvcp::FORCEIP_CMD, 9, payload);
}

TEST_F(GvcpHandlerTest, ForceIpWithMatchingMacTakesTheAddressAndAnswersFromIt) {
  const Outcome o = send(forceIp({0x02, 0, 0, 0xAB, 0xCD, 0xEF}, 0x0A000005, 0xFF000000), kForeign);
  ASSERT_TRUE(o.newAddress);
  EXPECT_EQ(o.newAddress->ip, 0x0A000005u);
  EXPECT_EQ(state.current.mask, 0xFF000000u);
  EXPECT_EQ(o.answer, (Bytes{0, 0, 0, 5, 0, 0, 0, 9}));
  EXPECT_EQ(o.route, Route::kUnicast) << "the requester is in the new subnet";
}

TEST_F(GvcpHandlerTest, ForceIpForAnotherMacShortPayloadOrIgnoredChangesNothing) {
  EXPECT_TRUE(send(forceIp({0x02, 0, 0, 0xAB, 0xCD, 0xEE}, 0x0A000005, 0xFF000000)).answer.empty());
  Bytes shortOne = forceIp({0x02, 0, 0, 0xAB, 0xCD, 0xEF}, 0x0A000005, 0xFF000000);
  shortOne.resize(40);
  gvcp::putBe16(shortOne.data() + 4, 32);
  EXPECT_FALSE(send(shortOne).newAddress);
  state.faults.ignoreForceIp = true;
  EXPECT_FALSE(send(forceIp({0x02, 0, 0, 0xAB, 0xCD, 0xEF}, 0x0A000005, 0xFF000000)).newAddress);
  EXPECT_EQ(state.current.ip, 0xC0A8010Au);
}

TEST_F(GvcpHandlerTest, ForceIpToZeroRestartsTheAddressChoice) {
  state.persisted.ipConfig = gvcp::Registers::kConfigLlaOnly;
  const Outcome o = send(forceIp({0x02, 0, 0, 0xAB, 0xCD, 0xEF}, 0, 0));
  EXPECT_TRUE(o.restartIpConfig);
  EXPECT_EQ(state.current.ip >> 16, 0xA9FEu);  // 169.254.x.y
  EXPECT_EQ(state.current.mask, 0xFFFF0000u);
}

TEST_F(GvcpHandlerTest, ReadRegAnswersValuesAndStandardStatuses) {
  Outcome o = readReg(gvcp::Registers::kCurrentIp);
  EXPECT_EQ(o.answer, (Bytes{0, 0, 0, 0x81, 0, 4, 0, 5, 192, 168, 1, 10}));
  EXPECT_EQ(status(readReg(0x0018)), gvcp::kStatusInvalidAddress);
  EXPECT_EQ(status(readReg(0x0026)), gvcp::kStatusBadAlignment);
  EXPECT_EQ(readReg(0x0018).answer.size(), 8u) << "no value after a failed read";
  o = send(command(0x01, gvcp::READREG_CMD, 5,
                   words({gvcp::Registers::kDeviceMacHigh, gvcp::Registers::kDeviceMacLow})));
  EXPECT_EQ(Bytes(o.answer.begin() + 8, o.answer.end()),
            (Bytes{0, 0, 0x02, 0, 0, 0xAB, 0xCD, 0xEF}));
  EXPECT_EQ(status(send(command(0x01, gvcp::READREG_CMD, 5, Bytes{0, 0, 0}))),
            gvcp::kStatusInvalidParameter);
}

TEST_F(GvcpHandlerTest, InjectedRegisterStatusIsAnsweredForThatRegisterOnly) {
  state.faults.registerStatus[gvcp::Registers::kCcp] = gvcp::kStatusBusy;
  EXPECT_EQ(status(readReg(gvcp::Registers::kCcp)), gvcp::kStatusBusy);
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, 3)), gvcp::kStatusBusy);
  EXPECT_EQ(status(readReg(gvcp::Registers::kCurrentIp)), 0);
}

TEST_F(GvcpHandlerTest, WriteRegStoresAnswersIndexAndRefusesReadOnly) {
  takeControl();
  Outcome o = writeReg(gvcp::Registers::kPersistentIp, 0xC0A8010A);
  EXPECT_EQ(o.answer, (Bytes{0, 0, 0, 0x83, 0, 4, 0, 6, 0, 0, 0, 1}));
  EXPECT_EQ(state.persisted.address.ip, 0xC0A8010Au);
  o = writeReg(gvcp::Registers::kCurrentIp, 1);
  EXPECT_EQ(status(o), gvcp::kStatusWriteProtect);
  EXPECT_EQ(o.answer[11], 0) << "index of the failed write";
  EXPECT_EQ(status(writeReg(0x2000, 1)), gvcp::kStatusInvalidAddress);
  o = send(command(
      0x01, gvcp::WRITEREG_CMD, 6,
      words({gvcp::Registers::kPersistentSubnetMask, 0xFFFF0000, gvcp::Registers::kCurrentIp, 1})));
  EXPECT_EQ(o.answer[11], 1) << "second write failed";
  EXPECT_EQ(state.persisted.address.mask, 0xFFFF0000u);
}

TEST_F(GvcpHandlerTest, WriteWithoutAcknowledgeIsDoneSilentlyAndMayRequestARestart) {
  takeControl();
  const Outcome o =
      send(command(0x00, gvcp::WRITEREG_CMD, 7,
                   words({gvcp::Registers::kRebootRequest, gvcp::Registers::kRebootMagic})));
  EXPECT_TRUE(o.answer.empty());
  EXPECT_TRUE(o.reboot);
  EXPECT_FALSE(writeReg(gvcp::Registers::kRebootRequest, 0x1234).reboot);
}

TEST_F(GvcpHandlerTest, IpConfigWriteIsRememberedAsLastWritten) {
  takeControl();
  writeReg(gvcp::Registers::kIpConfigCurrent, gvcp::Registers::kConfigDhcpLla);
  EXPECT_EQ(state.lastIpConfigWritten, gvcp::Registers::kConfigDhcpLla);
  EXPECT_EQ(gvcp::getBe32(readReg(gvcp::Registers::kIpConfigCurrent).answer.data() + 8),
            gvcp::Registers::kConfigDhcpLla);
}

TEST_F(GvcpHandlerTest, SupportedConfigOnlyAcknowledgesButKeepsOnlySupportedBits) {
  state.ipConfigSupported = 0x5;
  state.faults.supportedConfigOnly = true;
  takeControl();
  EXPECT_EQ(status(writeReg(gvcp::Registers::kIpConfigCurrent, 0x6)), 0);
  EXPECT_EQ(gvcp::getBe32(readReg(gvcp::Registers::kIpConfigCurrent).answer.data() + 8), 0x4u);
  EXPECT_EQ(state.lastIpConfigWritten, 0x6u);
}

TEST_F(GvcpHandlerTest, ReadMemEchoesTheAddressAndReadsAcrossTextFields) {
  state.identity.version = "1.2.3";
  state.identity.info = "info";
  const Outcome o = send(readMem(gvcp::Registers::kDeviceVersion, 64));
  ASSERT_EQ(o.answer.size(), 8u + 4 + 64);
  EXPECT_EQ(Bytes(o.answer.begin(), o.answer.begin() + 12),
            (Bytes{0, 0, 0, 0x85, 0, 68, 0, 8, 0, 0, 0, 0x88}));
  EXPECT_STREQ(reinterpret_cast<const char*>(o.answer.data() + 12), "1.2.3");
  EXPECT_STREQ(reinterpret_cast<const char*>(o.answer.data() + 12 + 32), "info");
}

TEST_F(GvcpHandlerTest, ReadMemRefusesMisalignedOversizedAndUnknownAreas) {
  EXPECT_EQ(status(send(readMem(gvcp::Registers::kModelName, 30))), gvcp::kStatusBadAlignment);
  EXPECT_EQ(status(send(readMem(gvcp::Registers::kModelName + 2, 32))), gvcp::kStatusBadAlignment);
  EXPECT_EQ(status(send(readMem(gvcp::Registers::kModelName, 540))), gvcp::kStatusInvalidParameter);
  EXPECT_EQ(status(send(readMem(0x4000, 16))), gvcp::kStatusInvalidAddress);
  EXPECT_EQ(send(readMem(0x4000, 16)).answer.size(), 12u) << "address echo only";
}

TEST_F(GvcpHandlerTest, WriteMemChangesOnlyTheUserDefinedName) {
  takeControl();
  Bytes payload = words({gvcp::Registers::kUserDefinedName});
  for (char c : std::string("cam-A\0\0\0", 8)) payload.push_back(static_cast<uint8_t>(c));
  Outcome o = send(command(0x01, gvcp::WRITEMEM_CMD, 9, payload));
  EXPECT_EQ(o.answer, (Bytes{0, 0, 0, 0x87, 0, 4, 0, 9, 0, 0, 0, 8}));
  EXPECT_EQ(state.persisted.userName, "cam-A");
  gvcp::putBe32(payload.data(), gvcp::Registers::kManufacturerName);
  EXPECT_EQ(status(send(command(0x01, gvcp::WRITEMEM_CMD, 9, payload))), gvcp::kStatusWriteProtect);
}

TEST_F(GvcpHandlerTest, WriteMemOverRegistersWritesEachWordAndMayRestart) {
  takeControl();
  Bytes payload = words({gvcp::Registers::kPersistentIp, 0xC0A80132, 0xFFFFFF00});  // 0x064C onward
  EXPECT_EQ(status(send(command(0x01, gvcp::WRITEMEM_CMD, 9, payload))),
            gvcp::kStatusInvalidAddress)
      << "0x0650 is no register";
  EXPECT_EQ(state.persisted.address.ip, 0xC0A80132u) << "words before the refusal are written";
  const Outcome o = send(command(0x01, gvcp::WRITEMEM_CMD, 9, words({0xB0E8, 0xAFFE})));
  EXPECT_EQ(o.answer, (Bytes{0, 0, 0, 0x87, 0, 4, 0, 9, 0, 0, 0, 4}));
  EXPECT_TRUE(o.reboot);
}

// The values a GenICam client reads when it opens the camera.
TEST_F(GvcpHandlerTest, BootstrapRegistersAClientReadsOnOpening) {
  const Outcome o = send(
      command(0x01, gvcp::READREG_CMD, 5,
              words({0x0000, 0x0004, 0x0600, 0x0900, 0x0904, 0x0934, 0x0938, 0x093C, 0x0940})));
  ASSERT_EQ(status(o), 0);
  EXPECT_EQ(Bytes(o.answer.begin() + 8, o.answer.end()),
            words({0x00020000, 0x80000000, 1, 0, 0, 0xC0000003, 3000, 0, 1000000000}));
}

TEST_F(GvcpHandlerTest, TimestampLatchesNanosecondsSinceItsReset) {
  takeControl(kHost, 1000);
  ASSERT_EQ(status(writeReg(0x0938, 10000, kHost, 1000)), 0);  // a long heartbeat timeout
  ASSERT_EQ(status(writeReg(0x0944, 0x1, kHost, 1000)), 0);    // reset
  ASSERT_EQ(status(writeReg(0x0944, 0x2, kHost, 6500)), 0);    // latch 5.5 s later
  const Outcome o = send(command(0x01, gvcp::READREG_CMD, 5, words({0x0948, 0x094C})), kHost, 7000);
  EXPECT_EQ(Bytes(o.answer.begin() + 8, o.answer.end()), words({0x1, 0x47D35700}));  // 5.5e9
}

TEST_F(GvcpHandlerTest, MalformedDatagramsAreCountedAndNeverOverread) {
  EXPECT_TRUE(send(Bytes{}).answer.empty());
  EXPECT_TRUE(send(Bytes{0x42, 1, 0, 0x80}).answer.empty());
  EXPECT_TRUE(send(Bytes{0x43, 1, 0, 0x80, 0, 4, 0, 1, 0, 0, 0, 0x24}).answer.empty());
  EXPECT_EQ(state.counts["malformed"], 3u);
  Bytes lying = readMem(gvcp::Registers::kModelName, 32);
  lying.resize(10);  // length still says 8
  EXPECT_EQ(status(send(lying)), gvcp::kStatusInvalidHeader);
  const Outcome o = send(command(0x01, 0x0100, 3, {}));
  EXPECT_EQ(o.answer, (Bytes{0x80, 0x01, 0x01, 0x01, 0, 0, 0, 3}));
}

TEST_F(GvcpHandlerTest, ControlIsExclusiveToItsHolderUntilReleased) {
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake, kHost)), 0);
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake, kOther)),
            gvcp::kStatusAccessDenied);
  EXPECT_EQ(status(readReg(gvcp::Registers::kCurrentIp, kOther)), gvcp::kStatusAccessDenied);
  EXPECT_EQ(status(readReg(gvcp::Registers::kCurrentIp, kHost)), 0);
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease, kHost)), 0);
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake, kOther)), 0);
  EXPECT_EQ(state.control.holder, kOther);
}

TEST_F(GvcpHandlerTest, ControlWithoutExclusiveLetsOthersReadButNotWrite) {
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpControl, kHost)), 0);
  EXPECT_EQ(status(readReg(gvcp::Registers::kCurrentIp, kOther)), 0);
  EXPECT_EQ(status(writeReg(gvcp::Registers::kPersistentIp, 1, kOther)), gvcp::kStatusAccessDenied);
}

TEST_F(GvcpHandlerTest, ControlLapsesAfterHeartbeatTimeoutOfSilenceOnly) {
  takeControl(kHost, 0);
  writeReg(gvcp::Registers::kHeartbeatTimeout, 1000, kHost, 0);
  readReg(gvcp::Registers::kCcp, kHost, 900);  // a heartbeat
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake, kOther, 1800)),
            gvcp::kStatusAccessDenied);
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake, kOther, 1901)), 0);
  EXPECT_EQ(state.control.holder, kOther);
}

TEST_F(GvcpHandlerTest, HeartbeatTimeoutBelowTheMinimumIsRaisedToIt) {
  takeControl();
  writeReg(gvcp::Registers::kHeartbeatTimeout, 10);
  EXPECT_EQ(state.heartbeatTimeoutMs, kMinHeartbeatTimeoutMs);
}

TEST_F(GvcpHandlerTest, ForeignControlRefusesEveryRegisterAccessButNotDiscovery) {
  state.faults.foreignControl = true;
  EXPECT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake)),
            gvcp::kStatusAccessDenied);
  EXPECT_EQ(status(readReg(gvcp::Registers::kCurrentIp)), gvcp::kStatusAccessDenied);
  EXPECT_EQ(send(gvcp::buildDiscoveryCommand()).answer.size(), 256u);
}

TEST_F(GvcpHandlerTest, RandomDatagramsNeverBreakTheHandler) {
  std::mt19937 rng(2024);
  const uint16_t commands[] = {gvcp::DISCOVERY_CMD, gvcp::FORCEIP_CMD, gvcp::READREG_CMD,
                               gvcp::WRITEREG_CMD,  gvcp::READMEM_CMD, gvcp::WRITEMEM_CMD};
  for (int i = 0; i < 20000; ++i) {
    Bytes junk(rng() % 600);
    for (uint8_t& b : junk) b = static_cast<uint8_t>(rng());
    if (junk.size() >= 8 && i % 2 == 0) {  // half of them look like real commands
      junk[0] = gvcp::kKey;
      gvcp::putBe16(junk.data() + 2, commands[rng() % 6]);
    }
    const Outcome o = send(junk, i % 3 == 0 ? kHost : kOther, 1000 + i);
    if (!o.answer.empty()) {
      ASSERT_GE(o.answer.size(), 8u);
      EXPECT_LE(o.answer.size(), gvcp::kAckBufferSize) << "an answer longer than a host can take";
    }
  }
}

}  // namespace
}  // namespace sim
