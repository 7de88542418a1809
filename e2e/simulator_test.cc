// The simulated camera over real sockets, packet by packet: discovery routing,
// FORCEIP, register access and control privilege, restart, process restart,
// faults that only show on the wire, and hostile input. Each test builds its
// own namespace network and tears it down.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "testbed/lan_fixture.h"
#include "testbed/testbed.h"
#include "testbed/udp_peer.h"

namespace {

using testbed::CameraSpec;
using testbed::Millis;
using testbed::Received;
using testbed::SimulatedCamera;
using testbed::UdpPeer;

constexpr char kHostIp[] = "192.168.77.1";
constexpr char kCameraIp[] = "192.168.77.10";
constexpr char kCameraMac[] = "02:00:00:00:00:11";
constexpr uint8_t kCameraMacBytes[6] = {0x02, 0, 0, 0, 0, 0x11};
constexpr Millis kAnswerWaitMs(1000);
constexpr Millis kQuietWindowMs(400);  // long enough for a silent camera to have answered

std::vector<uint8_t> readRegCommand(uint16_t id, uint32_t address) {
  uint8_t payload[4];
  gvcp::putBe32(payload, address);
  return gvcp::buildCommand(gvcp::kFlagAckRequired, gvcp::READREG_CMD, id, payload);
}

std::vector<uint8_t> writeRegCommand(uint16_t id, uint32_t address, uint32_t value,
                                     uint8_t flag = gvcp::kFlagAckRequired) {
  uint8_t payload[8];
  gvcp::putBe32(payload, address);
  gvcp::putBe32(payload + 4, value);
  return gvcp::buildCommand(flag, gvcp::WRITEREG_CMD, id, payload);
}

std::vector<uint8_t> forceIpCommand(const uint8_t* mac, uint32_t ip, uint32_t mask, uint8_t flag) {
  uint8_t payload[gvcp::kForceIpPayload] = {};
  std::copy(mac, mac + 6, payload + 2);
  gvcp::putBe32(payload + 20, ip);
  gvcp::putBe32(payload + 36, mask);
  return gvcp::buildCommand(flag, gvcp::FORCEIP_CMD, gvcp::kForceIpReqId, payload);
}

std::vector<uint8_t> discoveryCommand(uint8_t flag) {
  const uint8_t zeros[8] = {};
  return gvcp::buildCommand(flag, gvcp::DISCOVERY_CMD, 0x1234, zeros);
}

class SimulatorEndToEnd : public testbed::LanTest {
 protected:
  SimulatorEndToEnd() : LanTest(std::string(kHostIp) + "/24") {}

  static CameraSpec specAt(const std::string& ip) {
    CameraSpec setup;
    setup.mac = kCameraMac;
    setup.ip = ip;
    setup.model = "E2E-MODEL";
    setup.extraArgs = {"--restart-ms", "300"};
    return setup;
  }

  std::unique_ptr<SimulatedCamera> start(const CameraSpec& setup) {
    auto camera = std::make_unique<SimulatedCamera>(net_, sw_, "cam", setup);
    EXPECT_TRUE(camera->ready()) << camera->process().errors();
    return camera;
  }

  // One request to `ip`, the first answer (any ack_id) within the wait.
  std::optional<Received> ask(UdpPeer& peer, const std::string& ip,
                              const std::vector<uint8_t>& bytes) {
    EXPECT_TRUE(peer.sendTo(ip, gvcp::kPort, bytes));
    return peer.receive(kAnswerWaitMs);
  }

  // READREG value, or nullopt when the answer is missing or not a success.
  std::optional<uint32_t> readReg(UdpPeer& peer, const std::string& ip, uint32_t address) {
    const auto answer = ask(peer, ip, readRegCommand(++nextId_, address));
    if (!answer || answer->bytes.size() != 12) return std::nullopt;
    if (gvcp::readAckHeader(answer->bytes.data()).status != 0) return std::nullopt;
    return gvcp::getBe32(answer->bytes.data() + 8);
  }

  // WRITEREG status, or -1 when nothing came back.
  int writeReg(UdpPeer& peer, const std::string& ip, uint32_t address, uint32_t value) {
    const auto answer = ask(peer, ip, writeRegCommand(++nextId_, address, value));
    if (!answer || answer->bytes.size() < gvcp::kHeaderSize) return -1;
    return gvcp::readAckHeader(answer->bytes.data()).status;
  }

  // Takes control for `peer`, as every writer has to first.
  void takeControl(UdpPeer& peer, const std::string& ip) {
    ASSERT_EQ(writeReg(peer, ip, gvcp::Registers::kCcp, gvcp::Registers::kCcpTake), 0);
  }

  uint16_t nextId_ = 0;
};

TEST_F(SimulatorEndToEnd, DiscoveryInOwnSubnetIsAnsweredByUnicastWithItsIdentity) {
  auto camera = start(specAt(kCameraIp));
  UdpPeer peer(host_, kHostIp);
  ASSERT_TRUE(peer.valid());
  const auto answer = ask(peer, "255.255.255.255", discoveryCommand(0x11));
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->from, kCameraIp);
  ASSERT_EQ(answer->bytes.size(), gvcp::kDiscoveryAckSize);
  const auto header = gvcp::readAckHeader(answer->bytes.data());
  EXPECT_EQ(header.acknowledge, gvcp::DISCOVERY_ACK);
  EXPECT_EQ(header.ack_id, 0x1234);
  const uint8_t* payload = answer->bytes.data() + gvcp::kHeaderSize;
  EXPECT_TRUE(std::equal(kCameraMacBytes, kCameraMacBytes + 6, payload + 10));
  EXPECT_EQ(gvcp::getBe32(payload + 36), 0xC0A84D0Au);  // 192.168.77.10
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(payload + 104)), "E2E-MODEL");
}

TEST_F(SimulatorEndToEnd, DiscoveryFromForeignSubnetIsBroadcastOnlyWhenAllowed) {
  auto camera = start(specAt("10.20.30.40"));
  UdpPeer peer(host_, kHostIp);
  testbed::FrameCapture capture(host_, "eth1");
  ASSERT_TRUE(capture.valid());
  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort, discoveryCommand(0x01)));
  EXPECT_FALSE(capture.nextFromPort(gvcp::kPort, kQuietWindowMs))
      << "answered without the broadcast flag";
  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort, discoveryCommand(0x11)));
  const auto frame = capture.nextFromPort(gvcp::kPort, kAnswerWaitMs);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->from, "10.20.30.40");
  EXPECT_EQ(frame->to, "255.255.255.255");
  EXPECT_EQ(frame->bytes.size(), gvcp::kDiscoveryAckSize);
}

TEST_F(SimulatorEndToEnd, CameraWithoutAddressStillAnswersDiscoveryByBroadcast) {
  auto camera = start(specAt("0.0.0.0"));
  UdpPeer peer(host_, kHostIp);
  testbed::FrameCapture capture(host_, "eth1");
  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort, discoveryCommand(0x11)));
  const auto frame = capture.nextFromPort(gvcp::kPort, kAnswerWaitMs);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->from, "0.0.0.0");
  EXPECT_EQ(gvcp::readAckHeader(frame->bytes.data()).acknowledge, gvcp::DISCOVERY_ACK);
}

TEST_F(SimulatorEndToEnd, ForceIpMovesTheCameraToTheAddressItThenAnswersAt) {
  auto camera = start(specAt("10.20.30.40"));
  UdpPeer peer(host_, kHostIp);
  const uint8_t otherMac[6] = {0x02, 0, 0, 0, 0, 0x99};
  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort,
                          forceIpCommand(otherMac, 0xC0A84D14, 0xFFFFFF00, 0x01)));
  EXPECT_FALSE(peer.receive(kQuietWindowMs)) << "a FORCEIP for another MAC was answered";
  EXPECT_EQ(camera->status("address"), "10.20.30.40");

  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort,
                          forceIpCommand(kCameraMacBytes, 0xC0A84D14, 0xFFFFFF00, 0x01)));
  const auto ack = peer.receive(kAnswerWaitMs);
  ASSERT_TRUE(ack) << "no FORCEIP_ACK from the new address";
  EXPECT_EQ(ack->from, "192.168.77.20");
  EXPECT_EQ(gvcp::readAckHeader(ack->bytes.data()).acknowledge, gvcp::FORCEIP_ACK);
  EXPECT_EQ(readReg(peer, "192.168.77.20", gvcp::Registers::kCurrentIp), 0xC0A84D14u);
  EXPECT_EQ(camera->status("address"), "192.168.77.20");
}

TEST_F(SimulatorEndToEnd, IgnoredForceIpLeavesTheAddressAlone) {
  CameraSpec setup = specAt("10.20.30.40");
  setup.extraArgs.push_back("--ignore-forceip");
  auto camera = start(setup);
  UdpPeer peer(host_, kHostIp);
  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort,
                          forceIpCommand(kCameraMacBytes, 0xC0A84D14, 0xFFFFFF00, 0x01)));
  EXPECT_FALSE(peer.receive(kQuietWindowMs));
  EXPECT_FALSE(readReg(peer, "192.168.77.20", gvcp::Registers::kCurrentIp));
  EXPECT_EQ(camera->status("address"), "10.20.30.40");
  EXPECT_EQ(camera->status("count_forceip"), "1");
}

TEST_F(SimulatorEndToEnd, ControlIsDeniedToOthersAndLapsesAfterTheHeartbeatTimeout) {
  auto camera = start(specAt(kCameraIp));
  UdpPeer owner(host_, kHostIp);
  UdpPeer other(host_, kHostIp);
  ASSERT_EQ(writeReg(owner, kCameraIp, gvcp::Registers::kCcp, gvcp::Registers::kCcpTake), 0);
  ASSERT_EQ(writeReg(owner, kCameraIp, gvcp::Registers::kHeartbeatTimeout, 2000), 0);
  EXPECT_EQ(writeReg(other, kCameraIp, gvcp::Registers::kCcp, gvcp::Registers::kCcpTake),
            gvcp::kStatusAccessDenied);
  EXPECT_FALSE(readReg(other, kCameraIp, gvcp::Registers::kCcp))
      << "exclusive control lets others read";
  EXPECT_EQ(camera->status("ccp_holder"),
            std::string(kHostIp) + ":" + std::to_string(owner.port()));
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", Millis(8000))) << "control never lapsed";
  EXPECT_EQ(writeReg(other, kCameraIp, gvcp::Registers::kCcp, gvcp::Registers::kCcpTake), 0);
  EXPECT_EQ(writeReg(other, kCameraIp, gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease), 0);
  EXPECT_EQ(camera->status("ccp_holder"), "none");
}

TEST_F(SimulatorEndToEnd, WritesWithoutControlAreRefusedUnlessPrivilegeIsLenient) {
  auto strict = start(specAt(kCameraIp));
  UdpPeer peer(host_, kHostIp);
  EXPECT_EQ(writeReg(peer, kCameraIp, gvcp::Registers::kPersistentIp, 0xC0A84D1E),
            gvcp::kStatusAccessDenied);
  EXPECT_EQ(strict->persisted("persistent_ip"), "0.0.0.0");
  CameraSpec lenient = specAt("192.168.77.12");
  lenient.mac = "02:00:00:00:00:12";
  lenient.extraArgs.push_back("--lenient-privilege");
  auto camera = std::make_unique<SimulatedCamera>(net_, sw_, "lenient", lenient);
  ASSERT_TRUE(camera->ready()) << camera->process().errors();
  EXPECT_EQ(writeReg(peer, "192.168.77.12", gvcp::Registers::kPersistentIp, 0xC0A84D1E), 0);
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.77.30");
}

TEST_F(SimulatorEndToEnd, RestartComesBackAtThePersistentAddress) {
  auto camera = start(specAt(kCameraIp));
  UdpPeer peer(host_, kHostIp);
  takeControl(peer, kCameraIp);
  ASSERT_EQ(writeReg(peer, kCameraIp, gvcp::Registers::kPersistentIp, 0xC0A84D1E), 0);  // .30
  ASSERT_EQ(writeReg(peer, kCameraIp, gvcp::Registers::kPersistentSubnetMask, 0xFFFFFF00), 0);
  ASSERT_EQ(writeReg(peer, kCameraIp, gvcp::Registers::kIpConfigCurrent,
                     gvcp::Registers::kConfigPersistentLla),
            0);
  ASSERT_TRUE(peer.sendTo(kCameraIp, gvcp::kPort,
                          writeRegCommand(++nextId_, gvcp::Registers::kRebootRequest,
                                          gvcp::Registers::kRebootMagic, 0)));
  EXPECT_FALSE(peer.receive(Millis(100))) << "a write without acknowledge was answered";
  ASSERT_TRUE(camera->waitForStatus("reboots", "1", Millis(5000)));
  EXPECT_EQ(readReg(peer, "192.168.77.30", gvcp::Registers::kCurrentIp), 0xC0A84D1Eu);
  EXPECT_FALSE(readReg(peer, kCameraIp, gvcp::Registers::kCurrentIp))
      << "still answers at the old address";
}

TEST_F(SimulatorEndToEnd, RestartWithLinkLocalOnlyTakesA169254Address) {
  auto camera = start(specAt(kCameraIp));
  UdpPeer peer(host_, kHostIp);
  takeControl(peer, kCameraIp);
  ASSERT_EQ(
      writeReg(peer, kCameraIp, gvcp::Registers::kIpConfigCurrent, gvcp::Registers::kConfigDhcpLla),
      0);
  ASSERT_EQ(
      writeReg(peer, kCameraIp, gvcp::Registers::kRebootRequest, gvcp::Registers::kRebootMagic), 0);
  ASSERT_TRUE(camera->waitForStatus("reboots", "1", Millis(5000)));
  const std::string address = camera->status("address");
  EXPECT_EQ(address.rfind("169.254.", 0), 0u) << address;
  testbed::FrameCapture capture(host_, "eth1");
  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort, discoveryCommand(0x11)));
  const auto frame = capture.nextFromPort(gvcp::kPort, kAnswerWaitMs);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->from, address);
}

TEST_F(SimulatorEndToEnd, NeverReturnStaysSilentAfterARestart) {
  CameraSpec setup = specAt(kCameraIp);
  setup.extraArgs.push_back("--never-return");
  auto camera = start(setup);
  UdpPeer peer(host_, kHostIp);
  takeControl(peer, kCameraIp);
  ASSERT_EQ(
      writeReg(peer, kCameraIp, gvcp::Registers::kRebootRequest, gvcp::Registers::kRebootMagic), 0);
  EXPECT_FALSE(peer.receive(Millis(800)));
  testbed::FrameCapture capture(host_, "eth1");
  ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort, discoveryCommand(0x11)));
  EXPECT_FALSE(capture.nextFromPort(gvcp::kPort, kQuietWindowMs));
  EXPECT_EQ(camera->status("restarting"), "1");
}

TEST_F(SimulatorEndToEnd, PersistedRegistersSurviveAProcessRestart) {
  auto camera = start(specAt(kCameraIp));
  UdpPeer peer(host_, kHostIp);
  takeControl(peer, kCameraIp);
  ASSERT_EQ(writeReg(peer, kCameraIp, gvcp::Registers::kPersistentIp, 0xC0A84D2A), 0);
  ASSERT_EQ(
      writeReg(peer, kCameraIp, gvcp::Registers::kIpConfigCurrent, gvcp::Registers::kConfigLlaOnly),
      0);
  EXPECT_EQ(camera->stop(), 0) << "SIGTERM did not stop it cleanly";
  ASSERT_TRUE(camera->start()) << camera->process().errors();
  EXPECT_EQ(readReg(peer, kCameraIp, gvcp::Registers::kPersistentIp), 0xC0A84D2Au);
  EXPECT_EQ(readReg(peer, kCameraIp, gvcp::Registers::kIpConfigCurrent),
            gvcp::Registers::kConfigLlaOnly);
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.77.42");
}

TEST_F(SimulatorEndToEnd, StaleAndDuplicatedAnswersArriveInOrder) {
  CameraSpec setup = specAt(kCameraIp);
  setup.extraArgs.insert(setup.extraArgs.end(), {"--stale-ack-first", "--duplicate-answers", "1"});
  auto camera = start(setup);
  UdpPeer peer(host_, kHostIp);
  ASSERT_TRUE(peer.sendTo(kCameraIp, gvcp::kPort, readRegCommand(7, gvcp::Registers::kCcp)));
  const auto answers = peer.receiveFor(kQuietWindowMs);
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(gvcp::readAckHeader(answers[0].bytes.data()).ack_id, 6);
  EXPECT_EQ(gvcp::readAckHeader(answers[1].bytes.data()).ack_id, 7);
  EXPECT_EQ(gvcp::readAckHeader(answers[2].bytes.data()).ack_id, 7);
}

TEST_F(SimulatorEndToEnd, DelayedAnswerArrivesAfterTheDelay) {
  CameraSpec setup = specAt(kCameraIp);
  setup.extraArgs.insert(setup.extraArgs.end(), {"--delay-ms", "300"});
  auto camera = start(setup);
  UdpPeer peer(host_, kHostIp);
  ASSERT_TRUE(peer.sendTo(kCameraIp, gvcp::kPort, readRegCommand(1, gvcp::Registers::kCcp)));
  EXPECT_FALSE(peer.receive(Millis(150))) << "answered before the delay";
  EXPECT_TRUE(peer.receive(Millis(2000))) << "never answered";
}

TEST_F(SimulatorEndToEnd, DamagedHeadersAndTruncatedDiscoveryReachTheWire) {
  CameraSpec setup = specAt(kCameraIp);
  setup.extraArgs.insert(setup.extraArgs.end(), {"--wrong-ack-code", "--wrong-length",
                                                 "--hostile-discovery", "truncated"});
  auto camera = start(setup);
  UdpPeer peer(host_, kHostIp);
  const auto answer = ask(peer, kCameraIp, readRegCommand(3, gvcp::Registers::kCcp));
  ASSERT_TRUE(answer);
  EXPECT_EQ(gvcp::readAckHeader(answer->bytes.data()).acknowledge, gvcp::READREG_ACK + 2);
  EXPECT_EQ(answer->bytes.size(), 8u + 4 + 4) << "four bytes beyond what the length field says";
  const auto discovery = ask(peer, kCameraIp, discoveryCommand(0x11));
  ASSERT_TRUE(discovery);
  EXPECT_LT(discovery->bytes.size(), gvcp::kDiscoveryAckSize);
}

TEST_F(SimulatorEndToEnd, DroppedRequestsAreNeverAnswered) {
  CameraSpec setup = specAt(kCameraIp);
  setup.extraArgs.insert(setup.extraArgs.end(), {"--drop-requests", "1"});
  auto camera = start(setup);
  UdpPeer peer(host_, kHostIp);
  EXPECT_FALSE(ask(peer, kCameraIp, readRegCommand(1, gvcp::Registers::kCcp)));
  EXPECT_EQ(camera->status("count_dropped_requests"), "1");
}

TEST_F(SimulatorEndToEnd, GarbageOfEverySizeNeitherCrashesNorSilencesIt) {
  auto camera = start(specAt(kCameraIp));
  UdpPeer peer(host_, kHostIp);
  std::mt19937 rng(42);
  for (size_t size : {0, 1, 7, 8, 9, 15, 16, 300, 1500, 9000}) {
    std::vector<uint8_t> junk(size);
    for (uint8_t& b : junk) b = static_cast<uint8_t>(rng());
    if (size > 0) junk[0] = (size % 2 == 0) ? gvcp::kKey : junk[0];
    ASSERT_TRUE(peer.sendTo(kCameraIp, gvcp::kPort, junk));
    ASSERT_TRUE(peer.sendTo(kCameraIp, 2200, junk));
  }
  peer.receiveFor(Millis(200));  // whatever it said to the junk
  EXPECT_EQ(readReg(peer, kCameraIp, gvcp::Registers::kCurrentIp), 0xC0A84D0Au);
  EXPECT_TRUE(camera->process().running()) << "the simulator ended";
}

// Meanwhile a re-send is ignored and a read waits, as on a device doing one thing at a time.
TEST_F(SimulatorEndToEnd, StoringWriteIsAcknowledgedAfterTheStoreTimeWithPendingAckFirst) {
  CameraSpec setup = specAt(kCameraIp);
  setup.extraArgs.insert(setup.extraArgs.end(), {"--store-ms", "1500"});
  auto camera = start(setup);
  UdpPeer peer(host_, kHostIp);
  takeControl(peer, kCameraIp);
  ASSERT_EQ(writeReg(peer, kCameraIp, gvcp::Registers::kGvcpConfiguration,
                     gvcp::Registers::kGvcpConfigPendingAck),
            0);
  const auto sent = std::chrono::steady_clock::now();
  const auto write = writeRegCommand(50, gvcp::Registers::kPersistentIp, 0xC0A84D1E);
  for (const auto& request : {write, write, readRegCommand(51, gvcp::Registers::kPersistentIp)})
    ASSERT_TRUE(peer.sendTo(kCameraIp, gvcp::kPort, request));
  const auto pending = peer.receive(Millis(1000));
  const auto acknowledged = peer.receive(Millis(5000));
  const auto waited = std::chrono::steady_clock::now() - sent;
  const auto read = peer.receive(Millis(1000));
  ASSERT_TRUE(pending && acknowledged && read);
  EXPECT_EQ(pending->bytes, (std::vector<uint8_t>{0, 0, 0, 0x89, 0, 4, 0, 50, 0, 0, 0x05, 0xDC}));
  EXPECT_EQ(acknowledged->bytes, (std::vector<uint8_t>{0, 0, 0, 0x83, 0, 4, 0, 50, 0, 0, 0, 1}));
  EXPECT_GE(waited, Millis(1499));  // the camera's clock counts whole milliseconds
  EXPECT_EQ(read->bytes,
            (std::vector<uint8_t>{0, 0, 0, 0x81, 0, 4, 0, 51, 0xC0, 0xA8, 0x4D, 0x1E}));
  EXPECT_EQ(camera->status("count_store_resends_ignored"), "1");
}

TEST_F(SimulatorEndToEnd, HolderToolKeepsControlUntilTerminatedAndTheCameraNamesIt) {
  CameraSpec setup = specAt(kCameraIp);
  setup.extraArgs.push_back("--primary-app-registers");
  auto camera = start(setup);
  testbed::Process holder(host_, {testbed::binary("nuv_holder"), kCameraIp, "--control-only"});
  ASSERT_TRUE(holder.waitForOutput("holding\n", Millis(5000))) << holder.errors();
  UdpPeer peer(host_, kHostIp);
  const auto port = readReg(peer, kCameraIp, gvcp::Registers::kPrimaryAppPort).value_or(0);
  EXPECT_EQ(camera->status("ccp_holder"), std::string(kHostIp) + ":" + std::to_string(port));
  EXPECT_EQ(holder.terminate(), 0);
  EXPECT_EQ(camera->status("ccp_holder"), "none");
}

TEST_F(SimulatorEndToEnd, BadCommandLineExitsWithStatus2AndAMessage) {
  testbed::Process bad(host_, {testbed::binary("nuv-camsim"), "--interface", "eth1", "--state-dir",
                               "/tmp", "--drop-answers", "1.5"});
  EXPECT_EQ(bad.waitForExit(Millis(5000)), 2);
  EXPECT_NE(bad.errors().find("invalid value for --drop-answers: 1.5"), std::string::npos)
      << bad.errors();
  testbed::Process help(host_, {testbed::binary("nuv-camsim"), "--help"});
  EXPECT_EQ(help.waitForExit(Millis(5000)), 0);
  EXPECT_NE(help.output().find("--never-finish-flash"), std::string::npos);
}

}  // namespace
