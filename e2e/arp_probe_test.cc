// The ARP probe over a real packet socket in the test bed: a second
// namespace's address and a simulated camera's address are answered for by
// their stations' MACs, a free address by nobody. The socket is opened on a
// thread inside the host namespace; nothing is sent anywhere else. An empty
// adapter in the same subnet, eth2, holds the first route to it.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <variant>

#include "e2e/namespace_thread.h"
#include "gvcp/camera.h"
#include "gvcp/registers.h"
#include "net/packet_link.h"
#include "testbed/testbed.h"

namespace {

constexpr uint32_t kOtherHostIp = 0xC0A84002;  // 192.168.64.2
constexpr uint32_t kCameraIp = 0xC0A84014;     // 192.168.64.20
constexpr uint32_t kFreeIp = 0xC0A8404D;       // 192.168.64.77

MacAddress macOf(const char* text) { return *net::parseMacText(text); }

class ArpProbeEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    NUV_REQUIRE_TESTBED();
    net = std::make_unique<testbed::Network>();
    host = net->addHost("host");
    const std::string other = net->addHost("other");
    const std::string sw = net->addSwitch("sw");
    ASSERT_TRUE(net->connect(host, "eth2", net->addSwitch("empty"), "192.168.64.3/24"));
    ASSERT_TRUE(net->connect(host, "eth1", sw, "192.168.64.1/24", "02:00:00:00:64:01"))
        << net->lastError();
    ASSERT_TRUE(net->connect(other, "eth1", sw, "192.168.64.2/24", "02:00:00:00:64:02"))
        << net->lastError();
    testbed::CameraSpec setup;
    setup.mac = "02:00:00:00:64:20";
    setup.ip = "192.168.64.20";
    camera = std::make_unique<testbed::SimulatedCamera>(*net, sw, "cam", setup);
    ASSERT_TRUE(camera->ready()) << camera->process().errors();
    const int ifindex = testbed::interfaceIndexIn(host, "eth1");
    std::variant<net::PacketLink, int> opened = EINVAL;
    ASSERT_TRUE(inNamespace(host, [&] { opened = net::PacketLink::open(ifindex); }));
    ASSERT_EQ(opened.index(), 0u) << "errno " << std::get<int>(opened);
    link = std::make_unique<net::PacketLink>(std::move(std::get<net::PacketLink>(opened)));
    ASSERT_FALSE(link->failed());
  }
  net::ProbeResult probe(uint32_t target, std::optional<MacAddress> owner = std::nullopt) {
    return net::probeAddress(*link, macOf("02:00:00:00:64:01"), target, owner);
  }

  std::unique_ptr<testbed::Network> net;
  std::string host;
  std::unique_ptr<testbed::SimulatedCamera> camera;  // destroyed before the network
  std::unique_ptr<net::PacketLink> link;
};

TEST_F(ArpProbeEndToEnd, AddressOfAnotherNamespaceIsInUseByItsMac) {
  const net::ProbeResult result = probe(kOtherHostIp);
  EXPECT_EQ(result.kind, net::ProbeResult::Kind::kInUse);
  EXPECT_EQ(result.answeredBy.getMacInStr(false), "02:00:00:00:64:02");
}

TEST_F(ArpProbeEndToEnd, CameraAnswersForItsAddressUnlessItIsTheOwner) {
  const net::ProbeResult result = probe(kCameraIp);
  EXPECT_EQ(result.kind, net::ProbeResult::Kind::kInUse);
  EXPECT_EQ(result.answeredBy.getMacInStr(false), "02:00:00:00:64:20");
  EXPECT_EQ(probe(kCameraIp, macOf("02:00:00:00:64:20")).kind, net::ProbeResult::Kind::kFree);
}

TEST_F(ArpProbeEndToEnd, AddressNobodyHoldsIsFree) {
  EXPECT_EQ(probe(kFreeIp).kind, net::ProbeResult::Kind::kFree);
}

// Only a channel tied to eth1 reaches the camera; its ARP answers there are no
// claim for a probe on eth2 whose socket was opened before them.
TEST_F(ArpProbeEndToEnd, TiedChannelReachesTheCameraAndItsArpIsNoClaimOnTheOtherAdapter) {
  net::PacketSocket early;
  int routed = 0, tied = 0;
  unsigned int macLow = 0;
  ASSERT_TRUE(inNamespace(host, [&] {
    early = net::openArpSocket();
    routed = Camera(htonl(kCameraIp), 3956).readreg(gvcp::Registers::kDeviceMacLow, &macLow);
    Camera channel(htonl(kCameraIp), 3956);
    tied = channel.bindToInterface("eth1") == 0
               ? channel.readreg(gvcp::Registers::kDeviceMacLow, &macLow)
               : -1;
  }));
  EXPECT_EQ(routed, gvcp::kGvcpNoAnswer);
  EXPECT_EQ(tied, 0);
  EXPECT_EQ(macLow, 0x00006420u);
  net::PacketLink other(std::move(early), testbed::interfaceIndexIn(host, "eth2"));
  EXPECT_EQ(net::probeAddress(other, macOf("02:00:00:00:64:01"), kCameraIp).kind,
            net::ProbeResult::Kind::kFree);
}

}  // namespace
