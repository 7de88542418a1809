// The test bed itself: every namespace it makes goes away with its Network,
// on the normal path, after a failed ASSERT and after an exception; adapters
// get small interface indices; a camera can be reached through two adapters;
// a fleet of cameras starts numbered and says which one did not; cameras share
// one address; two link-local adapters each reach the camera on their switch.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "gvcp/gvcp_protocol.h"
#include "testbed/camera_fleet.h"
#include "testbed/testbed.h"
#include "testbed/udp_peer.h"

namespace {

using testbed::Millis;

bool anyNamespaceWithPrefix(const std::string& prefix) {
  for (const std::string& ns : testbed::existingNamespaces()) {
    if (ns.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

std::string gPrefixOfFailedTest;  // set inside EXPECT_FATAL_FAILURE, which takes no locals

class TestbedNetwork : public ::testing::Test {
 protected:
  void SetUp() override { NUV_REQUIRE_TESTBED(); }
};

TEST_F(TestbedNetwork, EverythingGoesAwayWithTheNetwork) {
  std::string prefix;
  {
    testbed::Network net;
    prefix = net.prefix();
    const std::string host = net.addHost("host");
    const std::string sw = net.addSwitch("sw");
    ASSERT_FALSE(host.empty());
    ASSERT_TRUE(net.connect(host, "eth1", sw, "192.168.40.1/24")) << net.lastError();
    testbed::CameraSpec setup;
    setup.ip = "192.168.40.2";
    testbed::SimulatedCamera camera(net, sw, "cam", setup);
    ASSERT_TRUE(camera.ready()) << camera.process().errors();
    EXPECT_EQ(net.namespaces().size(), 3u);
    EXPECT_TRUE(anyNamespaceWithPrefix(prefix));
  }
  EXPECT_FALSE(anyNamespaceWithPrefix(prefix));
}

TEST_F(TestbedNetwork, FailedAssertStillRemovesTheNamespaces) {
  EXPECT_FATAL_FAILURE(
      {
        testbed::Network net;
        gPrefixOfFailedTest = net.prefix();
        net.addHost("host");
        ASSERT_TRUE(false) << "planned failure";
      },
      "planned failure");
  EXPECT_FALSE(gPrefixOfFailedTest.empty());
  EXPECT_FALSE(anyNamespaceWithPrefix(gPrefixOfFailedTest));
}

TEST_F(TestbedNetwork, ExceptionStillRemovesTheNamespaces) {
  std::string prefix;
  EXPECT_THROW(
      {
        testbed::Network net;
        prefix = net.prefix();
        net.addSwitch("sw");
        throw std::runtime_error("planned");
      },
      std::runtime_error);
  EXPECT_FALSE(anyNamespaceWithPrefix(prefix));
}

TEST_F(TestbedNetwork, CameraOnOneSwitchAnswersThroughBothHostAdapters) {
  testbed::Network net;
  const std::string host = net.addHost("host");
  const std::string sw = net.addSwitch("sw");
  ASSERT_TRUE(net.connect(host, "eth1", sw, "192.168.30.1/24")) << net.lastError();
  ASSERT_TRUE(net.connect(host, "eth2", sw, "192.168.31.1/24")) << net.lastError();
  EXPECT_LT(testbed::interfaceIndexIn(host, "eth1"), 30);
  EXPECT_LT(testbed::interfaceIndexIn(host, "eth2"), 30);
  testbed::CameraSpec setup;
  setup.ip = "192.168.30.5";
  testbed::SimulatedCamera camera(net, sw, "cam", setup);
  ASSERT_TRUE(camera.ready()) << camera.process().errors();
  for (const auto& [ifname, address] :
       {std::pair{"eth1", "192.168.30.1"}, {"eth2", "192.168.31.1"}}) {
    testbed::FrameCapture capture(host, ifname);
    testbed::UdpPeer peer(host, address);
    ASSERT_TRUE(peer.sendTo("255.255.255.255", gvcp::kPort, gvcp::buildDiscoveryCommand()));
    const auto frame = capture.nextFromPort(gvcp::kPort, Millis(1000));
    ASSERT_TRUE(frame) << "no answer seen on " << ifname;
    EXPECT_EQ(frame->from, "192.168.30.5");
  }
}

TEST_F(TestbedNetwork, FleetStartsNumberedCamerasAndNamesTheOneThatFailed) {
  testbed::Network net;
  const std::string sw = net.addSwitch("sw");
  ASSERT_FALSE(sw.empty()) << net.lastError();
  const auto setupOf = [](int n) {
    testbed::CameraSpec setup;
    setup.mac = testbed::fleetMac(n);
    // Camera 2 gets an address the simulator refuses.
    setup.ip = n == 2 ? "192.168.50.300" : "192.168.50." + std::to_string(10 + n);
    return setup;
  };
  testbed::Fleet fleet;
  EXPECT_EQ(testbed::startFleet(net, sw, "c", 2, setupOf, fleet), "");
  ASSERT_EQ(fleet.size(), 2u);
  EXPECT_EQ(fleet[1]->status("address"), "192.168.50.11");
  EXPECT_NE(fleet[0]->ns(), fleet[1]->ns());
  const std::string failed = testbed::startFleet(net, sw, "d", 4, setupOf, fleet);
  EXPECT_EQ(failed.rfind("camera d2 did not start: ", 0), 0u) << failed;
  EXPECT_EQ(fleet.size(), 5u);
  EXPECT_FALSE(fleet.back()->ready());
}

TEST_F(TestbedNetwork, CamerasSharingOneAddressEachAnswerADiscovery) {
  testbed::Network net;
  const testbed::Network::Lan lan = net.addLan("host", "192.168.41.1/24");
  testbed::Fleet fleet;
  const auto setupOf = [](int n) {
    testbed::CameraSpec setup;
    setup.mac = testbed::fleetMac(n);
    setup.ip = "192.168.41.100";
    return setup;
  };
  ASSERT_EQ(testbed::startFleet(net, lan.sw, "c", 3, setupOf, fleet), "") << net.lastError();
  const auto answers = testbed::discoveryAnswers(lan.host, "192.168.41.1", Millis(1000));
  EXPECT_EQ(answers.size(), 3u);
  for (const testbed::Received& answer : answers) EXPECT_EQ(answer.from, "192.168.41.100");
}

TEST_F(TestbedNetwork, TwoLinkLocalAdaptersEachReachTheCameraOnTheirOwnSwitch) {
  testbed::Network net;
  const std::string host = net.addHost("host");
  testbed::Fleet fleet;
  for (const std::string n : {"1", "2"}) {
    const std::string sw = net.addSwitch("sw");
    ASSERT_TRUE(net.connect(host, "eth" + n, sw, "169.254." + n + ".1/16")) << net.lastError();
    testbed::CameraSpec setup;
    setup.mac = "02:00:00:00:00:0" + n;
    setup.ip = "169.254." + n + ".10";
    setup.mask = "255.255.0.0";
    ASSERT_EQ(testbed::startFleet(
                  net, sw, "c", 1, [&](int) { return setup; }, fleet),
              "");
  }
  for (const std::string n : {"1", "2"}) {
    const auto answers = testbed::discoveryAnswers(host, "169.254." + n + ".1", Millis(1000));
    EXPECT_EQ(answers.size() == 1 ? answers[0].from : "not one", "169.254." + n + ".10") << n;
  }
}

}  // namespace
