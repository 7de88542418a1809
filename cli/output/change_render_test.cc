#include "cli/output/change_render.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "cli/camera/camera_lookup.h"
#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"

namespace cli {

namespace {

using testing_peer::Bytes;
using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

constexpr char kWho[] = "camera at 127.0.0.1";

// A register camera on 127.0.0.1 that may keep one register as it was
// whatever is written to it (the write is still acknowledged).
class ModeChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer.ok());
    device.setRegister(gvcp::Registers::kIpConfigCurrent, 0x6);
    before.ipConfigSupported = 0x7;
    before.ipConfigCurrent = 0x6;
  }

  // The refusals, then the change, judged against what the camera holds now.
  CommandResult change(cli::IpMode mode, std::optional<cli::AddressSet> persistent = {},
                       bool force = false) {
    before.ipConfigCurrent = device.getRegister(gvcp::Registers::kIpConfigCurrent);
    const device::DesiredState desired{mode, persistent, std::nullopt, force};
    if (auto refused = device::refusal(before, desired, kWho)) return failureOf(*refused);
    const std::unique_ptr<Camera> camera = device::openCamera(peer.address(), peer.port());
    return changeResult(
        device::applyChange(*camera, before, device::changeRequestOf(before, desired)), before,
        desired, kWho);
  }

  std::vector<Bytes> answer(const Bytes& request) {
    const bool write = testing_peer::header(request).command == gvcp::WRITEREG_CMD;
    const uint32_t address = gvcp::getBe32(request.data() + gvcp::kHeaderSize);
    if (!write || address != stuck) return device.script()(request);
    const uint32_t kept = device.getRegister(address);
    std::vector<Bytes> answers = device.script()(request);
    device.setRegister(address, kept);
    return answers;
  }

  testing_peer::RegisterDevice device;
  std::atomic<uint32_t> stuck{0xFFFFFFFF};
  device::CameraSettings before;
  testing_peer::ScriptedPeer peer{[this](const Bytes& request) { return answer(request); }};
};

const auto kSet =
    cli::AddressSet::fromHost(0x0A000005, 0xFFFFFF00, 0x0A000001);  // 10.0.0.5/24 via 10.0.0.1

TEST_F(ModeChangeTest, DhcpAndLlaWriteOnlyTheConfigurationRegister) {
  EXPECT_EQ(change(cli::IpMode::kLla).code, ExitCode::kOk);
  const CommandResult dhcp = change(cli::IpMode::kDhcp);
  ASSERT_EQ(dhcp.code, ExitCode::kOk) << dhcp.message;
  EXPECT_EQ(device.writes(), (Writes{{0x0014, 0x4}, {0x0014, 0x6}}));
  EXPECT_EQ(dhcp.text, "camera at 127.0.0.1: IP configuration set to dhcp+lla\n");
  EXPECT_EQ(dhcp.data["mode"], "dhcp");
  EXPECT_FALSE(dhcp.data.contains("persistent"));
}

TEST_F(ModeChangeTest, PersistentWritesAddressMaskGatewayBeforeTheMode) {
  const CommandResult result = change(cli::IpMode::kPersistent, kSet);
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(
      device.writes(),
      (Writes{{0x064C, 0x0A000005}, {0x065C, 0xFFFFFF00}, {0x066C, 0x0A000001}, {0x0014, 0x5}}));
  EXPECT_EQ(result.text,
            "camera at 127.0.0.1: IP configuration set to persistent+lla, persistent address "
            "10.0.0.5/24 gateway 10.0.0.1\n");
  EXPECT_EQ(result.data["persistent"]["ip"], "10.0.0.5");
  EXPECT_EQ(result.data["persistent"]["kept"], false);
  EXPECT_EQ(result.data["ip_config"]["current"], (nlohmann::json{"persistent", "lla"}));
}

TEST_F(ModeChangeTest, PersistentWithoutAnAddressKeepsTheStoredOne) {
  before.persistent = net::AddressSet::fromHost(0xC0A80A32, 0xFFFF0000, 0);  // 192.168.10.50/16
  const CommandResult result = change(cli::IpMode::kPersistent);
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(device.writes(), (Writes{{0x0014, 0x5}}));
  EXPECT_NE(result.text.find("keeping its persistent address 192.168.10.50/16 gateway 0.0.0.0"),
            std::string::npos)
      << result.text;
  EXPECT_EQ(result.data["persistent"]["kept"], true);
}

TEST_F(ModeChangeTest, PersistentWithoutAnAddressWhenNoneUsableIsStoredWritesNothing) {
  for (const net::AddressSet stored :
       {net::AddressSet::fromHost(0, 0, 0), net::AddressSet::fromHost(0x0A000005, 0xFF00FF00, 0),
        net::AddressSet::fromHost(0x0A0000FF, 0xFFFFFF00, 0)}) {
    before.persistent = stored;
    const CommandResult result = change(cli::IpMode::kPersistent);
    EXPECT_EQ(result.code, ExitCode::kUsage);
    EXPECT_NE(result.message.find("--ip and --mask are required"), std::string::npos);
  }
  EXPECT_TRUE(device.writes().empty());
}

TEST_F(ModeChangeTest, UnsupportedModeIsRefusedBeforeAnyWriteUnlessForced) {
  before.ipConfigSupported = 0x4;
  const CommandResult refused = change(cli::IpMode::kDhcp);
  EXPECT_EQ(refused.code, ExitCode::kFailed);
  EXPECT_EQ(refused.message,
            "camera at 127.0.0.1 does not offer dhcp (supported: lla); --force writes it anyway");
  EXPECT_EQ(change(cli::IpMode::kPersistent, kSet).code, ExitCode::kFailed);
  EXPECT_TRUE(device.writes().empty());

  device.setRegister(gvcp::Registers::kIpConfigCurrent, 0x4);
  const CommandResult forced = change(cli::IpMode::kDhcp, {}, true);
  ASSERT_EQ(forced.code, ExitCode::kOk) << forced.message;
  EXPECT_EQ(device.writes(), (Writes{{0x0014, 0x6}}));
  EXPECT_EQ(forced.data["supported"], false);
  EXPECT_NE(forced.text.find("forced"), std::string::npos);
}

TEST_F(ModeChangeTest, AlteredPersistentRegisterStopsBeforeTheMode) {
  stuck = gvcp::Registers::kPersistentSubnetMask;
  const CommandResult result = change(cli::IpMode::kPersistent, kSet);
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_EQ(result.message,
            "camera at 127.0.0.1: the persistent subnet mask (register 0x065C) reads back "
            "0x00000000, written 0xFFFFFF00; the IP configuration was not changed; it holds the "
            "settings it had before");
  EXPECT_EQ(device.getRegister(gvcp::Registers::kIpConfigCurrent), 0x6u);
}

TEST_F(ModeChangeTest, AlteredConfigurationNamesBothValues) {
  stuck = gvcp::Registers::kIpConfigCurrent;
  const CommandResult result = change(cli::IpMode::kLla);
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_EQ(result.message,
            "camera at 127.0.0.1: the current IP configuration (register 0x0014) reads back "
            "0x00000006, written 0x00000004; it holds the settings it had before");
}

TEST_F(ModeChangeTest, RefusedWriteStopsTheUnit) {
  device.refuse(gvcp::Registers::kPersistentGateway, gvcp::kStatusAccessDenied);
  const CommandResult result = change(cli::IpMode::kPersistent, kSet);
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_NE(result.message.find("the persistent gateway (register 0x066C)"), std::string::npos)
      << result.message;
  EXPECT_NE(result.message.find("access denied; the IP configuration was not changed"),
            std::string::npos)
      << result.message;
  // What the camera held before goes back, the latest register first.
  EXPECT_EQ(device.writes().back(),
            (std::pair<uint32_t, uint32_t>{gvcp::Registers::kPersistentIp, 0}));
}

}  // namespace

}  // namespace cli
