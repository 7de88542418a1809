// `nuv-ipconfig force-ip` in the test bed: a camera in a foreign subnet is
// given an address in the adapter's subnet and found there; an address that
// another station answers for is refused with that station's MAC (and taken
// with --force); --ip auto takes the highest free address; a gateway outside
// the subnet, an address of the host's other adapter, a camera that ignores
// FORCEIP and a run without the packet-socket privilege change nothing.
// Each test builds its own namespace network and tears it down.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "e2e/cli_fixture.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using cli_checks::Json;

constexpr char kCameraMac[] = "02:00:00:00:77:07";
constexpr char kForeignIp[] = "10.99.0.7";
constexpr char kStationMac[] = "02:00:00:00:77:02";

class ForceIpEndToEnd : public CliEndToEnd {
 protected:
  ForceIpEndToEnd() : CliEndToEnd("192.168.77.1/24") {}
  void SetUp() override {
    CliEndToEnd::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    startForeignCamera({});
  }
  void startForeignCamera(std::vector<std::string> extra) {
    camera.reset();
    testbed::CameraSpec setup;
    setup.mac = kCameraMac;
    setup.ip = kForeignIp;
    setup.serial = "SN-77";
    setup.extraArgs = std::move(extra);
    startCamera(setup);
  }
  // Another station on the switch, holding `cidr`.
  void addStation(const std::string& cidr) {
    const std::string other = net->addHost("other");
    ASSERT_TRUE(net->connect(other, "eth1", sw, cidr, kStationMac)) << net->lastError();
  }
  // Requests of `kind` the camera counted (the simulator lists a kind once it came).
  int count(const std::string& kind) const {
    const std::string value = camera->status("count_" + kind);
    return value.empty() ? 0 : std::stoi(value);
  }
};

TEST_F(ForceIpEndToEnd, ForeignCameraIsMovedIntoTheAdaptersSubnetAndFoundThere) {
  ASSERT_EQ(run({"force-ip", kCameraMac, "--ip", "192.168.77.50", "--mask", "255.255.255.0",
                 "--gateway", "192.168.77.1"}),
            0)
      << err;
  EXPECT_EQ(out,
            "camera 02:00:00:00:77:07 now answers at 192.168.77.50/24 on adapter eth1 (was "
            "10.99.0.7)\n");
  EXPECT_EQ(err, "");
  EXPECT_EQ(camera->status("address"), "192.168.77.50");
  EXPECT_EQ(camera->status("mask"), "255.255.255.0");
  EXPECT_EQ(camera->status("gateway"), "192.168.77.1");
  // Now within reach of unicast.
  EXPECT_EQ(run({"show", "192.168.77.50"}), 0) << err;
}

TEST_F(ForceIpEndToEnd, AddressSelectorFindsTheForeignCameraThroughDiscovery) {
  ASSERT_EQ(run({"force-ip", kForeignIp, "--ip", "192.168.77.60", "--mask", "255.255.255.0",
                 "--json", "--trace"}),
            0)
      << err;
  const std::vector<std::string> trace = cli_checks::traceLines(err);
  for (const std::string& line : trace) EXPECT_TRUE(cli_checks::wellFormedTrace(line)) << line;
  EXPECT_EQ(testbed::countOf(err,
                             "gvcp send 255.255.255.255:3956 FORCEIP_CMD req_id=9 "
                             "mac=02:00:00:00:77:07 ip=192.168.77.60 mask=255.255.255.0"),
            1u)
      << err;
  EXPECT_EQ(testbed::countOf(err,
                             "gvcp recv 192.168.77.60:3956 FORCEIP_ACK req_id=9 "
                             "status=0x0000"),
            1u)
      << err;
  const Json doc = cli_checks::document(out);
  EXPECT_EQ(doc["ok"], true);
  EXPECT_EQ(doc["camera"]["mac"], kCameraMac);
  EXPECT_EQ(doc["camera"]["ip"], "192.168.77.60");
  EXPECT_EQ(doc["previous_ip"], kForeignIp);
  EXPECT_EQ(doc["adapter"], "eth1");
  EXPECT_EQ(doc["picked"], false);
  EXPECT_EQ(doc["acknowledged"], true);
  EXPECT_EQ(camera->status("address"), "192.168.77.60");
}

TEST_F(ForceIpEndToEnd, AddressAnotherStationHoldsIsRefusedWithItsMacUnlessForced) {
  addStation("192.168.77.50/24");
  EXPECT_EQ(run({"force-ip", kCameraMac, "--ip", "192.168.77.50", "--mask", "255.255.255.0"}), 1);
  EXPECT_NE(err.find("address 192.168.77.50 is in use: 02:00:00:00:77:02 answered an ARP probe"),
            std::string::npos)
      << err;
  EXPECT_EQ(count("forceip"), 0);
  EXPECT_EQ(camera->status("address"), kForeignIp);
  ASSERT_EQ(run({"force-ip", kCameraMac, "--ip", "192.168.77.50", "--mask", "255.255.255.0",
                 "--force", "--json"}),
            0)
      << err;
  EXPECT_EQ(cli_checks::document(out)["in_use_by"], kStationMac);
  EXPECT_NE(err.find("warning: address 192.168.77.50 is in use by 02:00:00:00:77:02"),
            std::string::npos)
      << err;
  EXPECT_EQ(camera->status("address"), "192.168.77.50");
}

TEST_F(ForceIpEndToEnd, AutoTakesTheHighestFreeAddressPassingOverATakenOne) {
  addStation("192.168.77.254/24");
  ASSERT_EQ(run({"force-ip", kCameraMac, "--ip", "auto", "--mask", "255.255.255.0", "--json"}), 0)
      << err;
  const Json doc = cli_checks::document(out);
  EXPECT_EQ(doc["camera"]["ip"], "192.168.77.253");
  EXPECT_EQ(doc["picked"], true);
  EXPECT_EQ(camera->status("address"), "192.168.77.253");
}

TEST_F(ForceIpEndToEnd, GatewayOutsideTheSubnetIsBadInputAndNothingIsForced) {
  EXPECT_EQ(run({"force-ip", kCameraMac, "--ip", "192.168.77.50", "--mask", "255.255.255.0",
                 "--gateway", "192.168.78.1"}),
            2);
  EXPECT_NE(err.find("192.168.78.1"), std::string::npos) << err;
  EXPECT_EQ(run({"force-ip", kCameraMac, "--ip", "auto", "--mask", "255.255.255.0", "--gateway",
                 "192.168.78.1", "--json"}),
            2);
  EXPECT_EQ(cli_checks::document(out)["error"]["code"], "usage");
  EXPECT_EQ(count("forceip"), 0);
  EXPECT_EQ(camera->status("address"), kForeignIp);
}

TEST_F(ForceIpEndToEnd, AddressOfAnotherAdapterOfThisHostIsRefused) {
  const std::string otherSwitch = net->addSwitch("sw2");
  ASSERT_TRUE(net->connect(host, "eth2", otherSwitch, "192.168.78.1/24")) << net->lastError();
  EXPECT_EQ(run({"force-ip", kCameraMac, "--ip", "192.168.78.1", "--mask", "255.255.255.0"}), 2);
  EXPECT_NE(err.find("--ip 192.168.78.1: the address of this host's adapter eth2"),
            std::string::npos)
      << err;
  EXPECT_EQ(count("forceip"), 0);
}

TEST_F(ForceIpEndToEnd, CameraThatIgnoresForceIpIsReportedWhereItStillAnswers) {
  startForeignCamera({"--ignore-forceip"});
  EXPECT_EQ(run({"force-ip", kCameraMac, "--ip", "192.168.77.50", "--mask", "255.255.255.0"}), 1);
  EXPECT_NE(err.find("camera 02:00:00:00:77:07 still answers at 10.99.0.7, not at 192.168.77.50"),
            std::string::npos)
      << err;
  EXPECT_GT(count("forceip"), 0);
  EXPECT_EQ(camera->status("address"), kForeignIp);
}

// An answer for the MAC from elsewhere, coming first, does not end the wait.
TEST_F(ForceIpEndToEnd, AnswerFromTheNewAddressIsAwaitedPastEarlierOnesFromElsewhere) {
  startForeignCamera({"--delay-ms", "100"});
  testbed::CameraSpec echo;
  echo.mac = kCameraMac;
  echo.ip = "10.99.0.9";
  echo.extraArgs = {"--ignore-forceip"};
  const testbed::SimulatedCamera other(*net, sw, "echo", echo);
  ASSERT_TRUE(other.ready());
  EXPECT_EQ(run({"force-ip", kCameraMac, "--ip", "192.168.77.50", "--mask", "255.255.255.0"}), 0)
      << err;
  EXPECT_EQ(camera->status("address"), "192.168.77.50");
}

TEST_F(ForceIpEndToEnd, WithoutThePacketSocketPrivilegeNothingIsSent) {
  const testbed::ToolRun run = testbed::runTool(
      host, {"force-ip", kCameraMac, "--ip", "192.168.77.50", "--mask", "255.255.255.0", "--json"},
      cli_checks::kWithoutRaw);
  EXPECT_EQ(run.status, 5) << run.err;
  EXPECT_EQ(cli_checks::document(run.out)["error"]["code"], "no_privilege");
  EXPECT_NE(run.err.find("setcap cap_net_raw+p"), std::string::npos) << run.err;
  EXPECT_EQ(count("discovery"), 0);
  EXPECT_EQ(count("forceip"), 0);
}

}  // namespace
