#include "device/watch_state.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

namespace device {
namespace {

uint32_t addr(const char* text) { return inet_addr(text); }

GigE_Camera_Info cam(uint8_t last, const char* ip, const char* adapter = "eth1") {
  GigE_Camera_Info c;
  c.cameraMacHw[0] = last == 0 ? 0 : 0x02;
  c.cameraMacHw[5] = last;
  c.cameraMac = last == 0 ? "00:00:00:00:00:00" : "02:00:00:00:00:" + std::to_string(last);
  c.currentIp = c.sourceIp = addr(ip);
  c.currentSubnetMask = addr("255.255.255.0");
  c.adaptor = Adaptor(adapter, MacAddress(), addr("192.168.1.1"), addr("255.255.255.0"));
  return c;
}

class WatchStateTest : public testing::Test {
 protected:
  // The names of the events of one round with `cameras` heard on an up eth1.
  std::vector<std::string> round(std::vector<GigE_Camera_Info> cameras, bool up = true,
                                 std::vector<net::Ipv4> host = {}) {
    std::vector<std::string> names;
    for (const WatchEvent& e : state.fold({1.0, {{"eth1", up}}, std::move(cameras), host}))
      names.push_back(eventName(e.kind));
    return names;
  }
  using Names = std::vector<std::string>;
  WatchState state{2};
};

TEST_F(WatchStateTest, CameraAppearsIsLostAfterKSilentRoundsAndReturns) {
  EXPECT_EQ(round({cam(1, "192.168.1.10")}), Names{"camera_appeared"});
  EXPECT_EQ(round({}), Names{});
  EXPECT_EQ(round({}), Names{"camera_lost"});
  EXPECT_EQ(round({cam(1, "192.168.1.10")}), Names{"camera_returned"});
  EXPECT_EQ(state.cameras().size(), 1u);
}

TEST_F(WatchStateTest, ChangesOfAddressModeAndNameCarryTheAnswerBefore) {
  round({cam(1, "192.168.1.10")});
  GigE_Camera_Info moved = cam(1, "192.168.1.11");
  moved.ipConfigCurrent = 0x5;
  moved.userDefinedName = "left";
  const std::vector<WatchEvent> events = state.fold({2.0, {{"eth1", true}}, {moved}, {}});
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, WatchEventKind::kAddressChanged);
  EXPECT_EQ(events[0].before->currentIp, addr("192.168.1.10"));
  EXPECT_EQ(events[0].camera->info.currentIp, addr("192.168.1.11"));
  EXPECT_EQ(events[1].kind, WatchEventKind::kModeChanged);
  EXPECT_EQ(events[2].kind, WatchEventKind::kNameChanged);
}

TEST_F(WatchStateTest, ConflictOnOneLinkOrAtAHostAddressBeginsAndEnds) {
  round({cam(1, "192.168.1.10")});
  EXPECT_EQ(round({cam(1, "192.168.1.10"), cam(2, "192.168.1.10")}),
            (Names{"camera_appeared", "address_conflict_began", "address_conflict_began"}));
  EXPECT_EQ(round({cam(1, "192.168.1.10")}), Names{});  // silent once: not lost yet
  EXPECT_EQ(round({cam(1, "192.168.1.10")}),
            (Names{"camera_lost", "address_conflict_ended", "address_conflict_ended"}));
  // The same address on another link is no conflict; an address of the host is.
  EXPECT_EQ(round({cam(1, "192.168.1.10"), cam(3, "192.168.1.10", "eth2")}),
            (Names{"camera_appeared"}));
  EXPECT_EQ(round({cam(1, "192.168.1.10")}, true, {*net::Ipv4::parse("192.168.1.10")}),
            (Names{"address_conflict_began", "address_conflict_began"}));
}

TEST_F(WatchStateTest, ZeroMacCamerasAtTwoAddressesStayTwo) {
  EXPECT_EQ(round({cam(0, "192.168.1.10"), cam(0, "192.168.1.11")}),
            (Names{"camera_appeared", "camera_appeared"}));
}

TEST_F(WatchStateTest, OutsideSubnetAndAdapterDownUp) {
  EXPECT_EQ(round({cam(1, "10.0.0.5")}), (Names{"camera_appeared", "outside_subnet_began"}));
  EXPECT_EQ(round({cam(1, "192.168.1.5")}), (Names{"address_changed", "outside_subnet_ended"}));
  EXPECT_EQ(round({}, false), Names{"adapter_down"});
  EXPECT_EQ(round({cam(1, "192.168.1.5")}, true), Names{"adapter_up"});
  EXPECT_EQ(state.fold({1.0, {{"eth1", true}, {"eth2", true}}, {}, {}}).at(0).adapter, "eth2");
}

TEST_F(WatchStateTest, LinkSpeedIsWantedOncePerAppearance) {
  round({cam(1, "192.168.1.10")});
  const std::string key = state.cameras().begin()->first;
  state.setLinkSpeed(key, 1000);
  round({cam(1, "192.168.1.10")});
  EXPECT_FALSE(state.cameras().at(key).linkSpeedWanted);
  EXPECT_EQ(state.cameras().at(key).linkSpeedMbps, 1000u);
}

}  // namespace
}  // namespace device
