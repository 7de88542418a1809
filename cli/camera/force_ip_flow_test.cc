#include "cli/camera/force_ip_flow.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <set>
#include <sstream>
#include <vector>

#include "gvcp/forceip_exchange.h"
#include "os/signal_guard.h"

namespace cli {
namespace {

using net::Ipv4;
constexpr auto host = Ipv4::fromHost;
constexpr Ipv4 kAdapterIp = host(0xC0A80A01);  // 192.168.10.1/24
constexpr Ipv4 kMask24 = host(0xFFFFFF00);
constexpr Ipv4 kOtherAdapterIp = host(0xC0A80AFE);  // 192.168.10.254 on this host's eth2
constexpr Ipv4 kForeignIp = host(0x0A630007);       // 10.99.0.7, where the camera starts
constexpr Ipv4 kWanted = host(0xC0A80A32);          // 192.168.10.50
constexpr char kStation[] = "02:00:00:00:99:02";

// The network as a script: which addresses another station holds, how the
// camera answers FORCEIP and where it answers afterwards; every call kept.
class ScriptedPort : public ForceIpPort {
 public:
  net::ProbeResult probe(Ipv4 ip) override {
    probed.push_back(ip);
    if (onProbe) onProbe();
    if (linkFails) return {net::ProbeResult::Kind::kLinkFailed, {}};
    if (!taken.count(ip)) return {};
    return {net::ProbeResult::Kind::kInUse, *net::parseMacText(kStation)};
  }
  gvcp::Status force(Ipv4 ip, Ipv4 mask, Ipv4 gateway) override {
    forced.push_back({ip, mask, gateway});
    if (takesAddress) answersAt = ip;
    return forceAnswer;
  }
  std::optional<Ipv4> whereAnswers(Ipv4) override { return answersAt; }

  std::set<Ipv4> taken;
  bool linkFails = false;
  std::function<void()> onProbe;
  gvcp::Status forceAnswer = gvcp::Status::Ok();
  bool takesAddress = true;
  std::optional<Ipv4> answersAt = kForeignIp;
  std::vector<Ipv4> probed;
  std::vector<std::array<Ipv4, 3>> forced;
};

class ForceIpFlowTest : public ::testing::Test {
 protected:
  ForceIpFlowTest() {
    plan.mac = "02:00:00:00:99:07";
    plan.currentIp = kForeignIp;
    plan.adapterName = "eth1";
    plan.adapterIp = kAdapterIp;
    plan.adapterMask = kMask24;
    plan.hostAddresses = {
        {"lo", host(0x7F000001)}, {"eth1", kAdapterIp}, {"eth2", kOtherAdapterIp}};
    plan.ip = kWanted;
    plan.mask = kMask24;
  }
  CommandResult run() { return renderForceIp(plan, device::forceIp(plan, port, stop), err); }
  // One run that must end with `code` and exactly `message`.
  void expectFailure(ExitCode code, const std::string& message) {
    const CommandResult result = run();
    EXPECT_EQ(result.code, code);
    EXPECT_EQ(result.message, message);
  }

  ForceIpPlan plan;
  ScriptedPort port;
  os::SignalGuard signals;
  const std::function<bool()> stop = [this] { return signals.stopRequested(); };
  std::ostringstream err;
};

gvcp::Status unanswered() {
  return gvcp::Status::Local(gvcp::ForceIpSite::kNoAnswer, "FORCEIP not acknowledged");
}

TEST_F(ForceIpFlowTest, FreeAddressIsForcedWithMaskAndGatewayAndConfirmed) {
  plan.gateway = host(0xC0A80A01);
  const CommandResult result = run();
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(port.probed, std::vector<Ipv4>{kWanted});
  ASSERT_EQ(port.forced.size(), 1u);
  EXPECT_EQ(port.forced[0], (std::array<Ipv4, 3>{kWanted, kMask24, host(0xC0A80A01)}));
  EXPECT_EQ(result.text,
            "camera 02:00:00:00:99:07 now answers at 192.168.10.50/24 on adapter eth1 (was "
            "10.99.0.7)\n");
  EXPECT_EQ(result.data["camera"]["ip"], "192.168.10.50");
  EXPECT_EQ(result.data["camera"]["gateway"], "192.168.10.1");
  EXPECT_EQ(result.data["previous_ip"], "10.99.0.7");
  EXPECT_EQ(result.data["picked"], false);
  EXPECT_EQ(result.data["acknowledged"], true);
  EXPECT_TRUE(result.data["in_use_by"].is_null());
  EXPECT_EQ(err.str(), "");
}

TEST_F(ForceIpFlowTest, AddressAnotherStationHoldsIsRefusedNamingItAndNothingIsForced) {
  port.taken = {kWanted};
  expectFailure(
      ExitCode::kFailed,
      "address 192.168.10.50 is in use: 02:00:00:00:99:02 answered an ARP probe on adapter "
      "eth1 (--force assigns it anyway)");
  EXPECT_TRUE(port.forced.empty());
}

TEST_F(ForceIpFlowTest, ForceAssignsAnAddressInUseWithAWarningAndReportsTheStation) {
  port.taken = {kWanted};
  plan.force = true;
  const CommandResult result = run();
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(port.forced.size(), 1u);
  EXPECT_EQ(result.data["in_use_by"], kStation);
  EXPECT_NE(err.str().find("warning: address 192.168.10.50 is in use by 02:00:00:00:99:02"),
            std::string::npos);
}

TEST_F(ForceIpFlowTest, AnAddressOfThisHostIsBadInputAndNotProbed) {
  plan.ip = kAdapterIp;
  expectFailure(ExitCode::kUsage, "--ip 192.168.10.1: the address of this host's adapter eth1");
  // Our kernel would answer the probe for it with our own MAC.
  plan.ip = kOtherAdapterIp;
  expectFailure(ExitCode::kUsage, "--ip 192.168.10.254: the address of this host's adapter eth2");
  EXPECT_TRUE(port.probed.empty());
  plan.mac = "00:00:00:00:00:00";  // FORCEIP by this MAC reaches every such device
  expectFailure(ExitCode::kFailed,
                "camera 00:00:00:00:00:00: FORCEIP would reach every device reporting this MAC; "
                "nothing was sent");
}

TEST_F(ForceIpFlowTest, FailedProbeForcesNothing) {
  port.linkFails = true;
  EXPECT_EQ(run().code, ExitCode::kFailed);
  EXPECT_TRUE(port.forced.empty());
  plan.ip.reset();
  const CommandResult picking = run();
  EXPECT_EQ(picking.message, "the ARP probe on adapter eth1 failed");
  EXPECT_TRUE(port.forced.empty());
}

TEST_F(ForceIpFlowTest, AutoTakesTheHighestFreeAddressSkippingTakenOnesAndOurOwn) {
  plan.ip.reset();
  port.taken = {host(0xC0A80AFD)};  // .253; .254 is this host's eth2
  const CommandResult result = run();
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(port.probed, (std::vector<Ipv4>{host(0xC0A80AFD), host(0xC0A80AFC)}));
  EXPECT_EQ(result.data["camera"]["ip"], "192.168.10.252");
  EXPECT_EQ(result.data["picked"], true);
  EXPECT_NE(result.text.find("the first free address from the top of the subnet"),
            std::string::npos);
}

TEST_F(ForceIpFlowTest, AutoUnderANarrowerMaskStaysInsideBothSubnets) {
  plan.ip.reset();
  plan.mask = host(0xFFFFFFF0);  // /28: 192.168.10.0 to .15
  ASSERT_EQ(run().code, ExitCode::kOk);
  EXPECT_EQ(port.probed, std::vector<Ipv4>{host(0xC0A80A0E)});  // .14
  EXPECT_EQ(autoCandidateMask(host(0xFFFF0000), kMask24), kMask24);
}

TEST_F(ForceIpFlowTest, AutoWithEveryCandidateTakenFailsAfterSixteenProbes) {
  plan.ip.reset();
  for (uint32_t ip = 0xC0A80A02; ip < 0xC0A80AFF; ++ip) port.taken.insert(host(ip));
  expectFailure(ExitCode::kFailed,
                "no free address among the 16 highest of 192.168.10.0/24 on adapter eth1");
  EXPECT_EQ(port.probed.size(), 15u);  // this host's .254 needs no probe
  EXPECT_TRUE(port.forced.empty());
}

TEST_F(ForceIpFlowTest, AutoGatewayOutsideTheSubnetIsBadInputBeforeAnyProbe) {
  plan.ip.reset();
  plan.gateway = host(0xC0A80B01);  // 192.168.11.1
  expectFailure(
      ExitCode::kUsage,
      "--gateway 192.168.11.1: not in the subnet of 192.168.10.1/24, where --ip auto picks "
      "on adapter eth1");
  EXPECT_TRUE(port.probed.empty());
}

TEST_F(ForceIpFlowTest, CameraStillAtItsOldAddressHasNotTakenTheNewOne) {
  port.takesAddress = false;
  expectFailure(ExitCode::kFailed,
                "camera 02:00:00:00:99:07 still answers at 10.99.0.7, not at 192.168.10.50: it did "
                "not take the address");
}

TEST_F(ForceIpFlowTest, SilentCameraAfterAnUnacknowledgedForceIpFails) {
  port.takesAddress = false;
  port.answersAt.reset();
  port.forceAnswer = unanswered();
  expectFailure(ExitCode::kFailed,
                "camera 02:00:00:00:99:07 did not answer a discovery on adapter eth1 after FORCEIP "
                "(FORCEIP was not acknowledged)");
}

TEST_F(ForceIpFlowTest, UnacknowledgedForceIpThatTookEffectSucceedsWithAWarning) {
  port.forceAnswer = unanswered();
  const CommandResult result = run();
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(result.data["acknowledged"], false);
  EXPECT_NE(err.str().find("warning: FORCEIP was not acknowledged"), std::string::npos);
}

TEST_F(ForceIpFlowTest, RefusalByTheCameraEndsWithoutAConfirmation) {
  port.forceAnswer = gvcp::Status::Camera(gvcp::kStatusAccessDenied, "FORCEIP");
  port.answersAt.reset();  // a confirmation would fail differently
  const CommandResult result = run();
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_EQ(result.message.rfind("camera 02:00:00:00:99:07: FORCEIP", 0), 0u) << result.message;
}

TEST_F(ForceIpFlowTest, SignalDuringTheProbeEndsBeforeForceIp) {
  port.onProbe = [] { std::raise(SIGINT); };
  EXPECT_EQ(run().code, ExitCode::kInterrupted);
  EXPECT_TRUE(port.forced.empty());
}

TEST_F(ForceIpFlowTest, SignalDuringTheAutoWalkStopsItAtTheNextCandidate) {
  plan.ip.reset();
  port.taken = {host(0xC0A80AFD)};
  port.onProbe = [] { std::raise(SIGINT); };
  EXPECT_EQ(run().code, ExitCode::kInterrupted);
  EXPECT_EQ(port.probed.size(), 1u);
  EXPECT_TRUE(port.forced.empty());
}

}  // namespace
}  // namespace cli
